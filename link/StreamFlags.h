#pragma once
// The single values the GUI thread and the stream's worker threads share
// while the live stream runs. Each is written by one thread and polled by
// another:
//
//   Streaming    written by the GUI thread (Start, Stop); read by the reader
//                TThreadLog, the beeper and the GUI thread.
//   MarkerFlag   written by the GUI thread (space bar down / up); read by the
//                reader for every frame it stores.
//   O2Level      written by the panel tick on the GUI thread; read by the
//                beeper.
//   MafInRange   written by the panel tick on the GUI thread; read by the
//                beeper.
//   BeeperOn     written by the GUI thread (the switch "Бипер ЛЗ"); read by
//                the beeper at each pass.
//
// Ordering: relaxed loads and stores are enough, and are what the users
// write. Each flag is a value in itself: no thread reads other memory on the
// strength of having seen a flag change, so no flag has to publish anything.
// What a run sets up before it starts (the count, the port) reaches the
// worker threads through the thread start itself, and what they leave behind
// reaches the GUI through their join. The atomics guarantee that every
// reader sees each store soon and whole; a stale value only delays the
// reaction by one frame or one tick, which is harmless.

#include <atomic>
#include <cstdint>

namespace zelor {

struct StreamFlags {
  // True from Start to Stop; the worker threads loop while it is true.
  std::atomic<bool> Streaming{false};
  // On while the space bar is held; recorded as 128 in the marker channel.
  std::atomic<bool> MarkerFlag{false};
  // The O2 gauge's position after the last panel tick, 0..255.
  std::atomic<std::int32_t> O2Level{0};
  // True when the newest MAF lies within the correction range.
  std::atomic<bool> MafInRange{false};
  // The beeper's switch.
  std::atomic<bool> BeeperOn{false};
};

}  // namespace zelor
