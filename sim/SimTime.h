#pragma once
// Time as the simulator sees it: microseconds since the simulator started.
// The device logic never reads a clock itself; every call is given "now", so
// tests can drive it through hours of traffic without sleeping.

#include <chrono>
#include <cstdint>

namespace zelor::sim {

using SimTime = std::chrono::microseconds;

// One byte on a 9600 baud 8N1 line: start bit, 8 data bits, stop bit, in
// nanoseconds (10 / 9600 s = 1041.67 us).
inline constexpr std::int64_t kByteTimeNs = 1'041'667;

// The interval between two stream frames: 100 frames per second.
inline constexpr SimTime kFrameInterval{10'000};

}  // namespace zelor::sim
