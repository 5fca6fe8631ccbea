#pragma once
// The simulated engine behind the converter: it makes the MAF signal the
// converter reads, the VAF signal the engine control unit expects for it,
// and the O2 (lambda) sensor's answer to the converter's output, so that the
// configurator's panel moves as with a running engine and live learning
// converges towards ExpectedVaf.
//
// The engine advances in steps of one stream frame (10 ms) and repeats a
// 25-second drive cycle:
//   0 ..  4 s  idle, MAF about 22
//   4 ..  5 s  tip-in: MAF jumps to 170 (fast enough to fire the
//              accelerator pump at the default settings)
//   5 .. 10 s  acceleration up to 245
//  10 .. 12 s  easing off to cruise at 130
//  12 .. 18 s  cruise, 130 +- 25 in a slow wave
//  18 .. 22 s  deceleration (overrun) down to 12
//  22 .. 25 s  back to idle
// with +-2 counts of noise on MAF and +-1 on VAF from a seeded generator, so
// a given seed always gives the same run.

#include <cstdint>
#include <random>

#include "sim/SimTime.h"

namespace zelor::sim {

// The engine's readings for one frame.
struct EngineSample {
  std::uint8_t maf = 0;      // MAF sensor signal 0..255
  std::uint8_t vaf = 0;      // what the ECU expects for this MAF 0..255
  std::uint8_t rpm50 = 0;    // engine speed / 50 rpm
  std::uint8_t coolant = 0;  // coolant temperature in deg C + 40
};

class EngineModel {
 public:
  // Length of one drive cycle.
  static constexpr SimTime kCycleLength{25'000'000};

  // An engine at the start of its drive cycle, cold (20 deg C), whose noise
  // comes from a generator seeded with `seed`.
  explicit EngineModel(std::uint32_t seed);

  // Advances the engine by one frame interval and returns its readings.
  EngineSample Step();

  // Advances the O2 sensor by one frame and returns its count (0..255, 5 V
  // full scale) for the converter's `output` against the expected `vaf`:
  // rich (about 0.8 V, 40..42) when output > vaf + kO2Window, lean (about
  // 0.1 V, 4..6) when output < vaf - kO2Window, and in between swinging
  // between 5 and 41 with a period of 0.8 s, leaning towards rich or lean
  // with the difference. Call once per frame.
  std::uint8_t StepO2(int output, int vaf);

  // The noiseless MAF of the drive cycle `seconds` into a cycle (0..25).
  static double CycleMaf(double seconds);

  // The ECU's expected VAF for a MAF value (clamped to 0..255): a fixed,
  // never decreasing S-shaped curve from 8 at MAF 0 to 248 at MAF 255 that
  // crosses the 1:1 line at 128: below it (the 1:1 table reads rich) for
  // low MAF, above it (lean) for high MAF.
  static int ExpectedVaf(int maf);

  // Outside +-kO2Window counts the O2 sensor reads plainly rich or lean.
  static constexpr int kO2Window = 3;

  // Frames since the engine was created.
  std::uint64_t Steps() const { return steps_; }

 private:
  // A whole number in -span..span from the generator.
  int Noise(int span);

  std::mt19937 rng_;
  std::uint64_t steps_ = 0;
  double o2Phase_ = 0.0;
  double coolantC_ = 20.0;
};

}  // namespace zelor::sim
