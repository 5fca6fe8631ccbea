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
//
// The ECU fuels on the converter's output: it takes the output for the VAF
// signal of the air it meters, so the mixture's lambda is
// ExpectedVaf(MAF) / output (an output above the expected VAF runs rich).
// The converter's accelerator pump enriches that by its percentage, and on
// the overrun the ECU cuts the fuel (no fuel, the sensor reads lean): it
// cuts while MAF, averaged over 100 ms, is at most 100 and has fallen by at
// least 10 counts over the last 500 ms, and resumes when MAF is above 100 or
// has fallen by less than 5 over 500 ms. In the drive cycle that is the
// deceleration from about 19.3 s to about 22 s; cruise, idle and easing off
// at high MAF never cut.
//
// The O2 sensor (O2Setup) reads that mixture after the exhaust's transport
// delay, a whole number of frames. A narrowband sensor answers the delayed
// output against the delayed expected VAF (StepO2); a wideband controller
// puts out the delayed lambda on its linear 0..5 V scale. Either reads 0 V
// while it warms up after power-on. The engine's time runs only while the
// stream does: the drive cycle, the warm-up and the delay count frames.

#include <cstdint>
#include <deque>
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

// The O2 sensor fitted.
enum class O2Sensor {
  kNarrow,    // narrowband: rich about 0.8 V, lean about 0.1 V
  kLc1,       // wideband, LC-1/LC-2 output: 0 V = 7.35 AFR, 5 V = 22.39
  kAem,       // wideband, AEM UEGO: 0.5 V = 8.5 AFR, 4.5 V = 18.0
  k14Point7,  // wideband, 14Point7: 0 V = 10 AFR, 5 V = 20
};

struct O2Setup {
  O2Sensor sensor = O2Sensor::kNarrow;
  int delayMs = 0;  // transport delay; whole frames count, a remainder is dropped
  int warmupS = 0;  // reads 0 V for this long after power-on
};

// A wideband controller's linear output: v1 volts at afr1, v2 volts at afr2.
struct WidebandScale {
  double v1 = 0.0;
  double afr1 = 0.0;
  double v2 = 5.0;
  double afr2 = 0.0;
};

class EngineModel {
 public:
  // Stoichiometric air-fuel ratio of the engine's petrol.
  static constexpr double kStoichAfr = 14.7;
  // Length of one drive cycle.
  static constexpr SimTime kCycleLength{25'000'000};

  // An engine at the start of its drive cycle, cold (20 deg C), whose noise
  // comes from a generator seeded with `seed`, with the O2 sensor `o2`.
  explicit EngineModel(std::uint32_t seed, O2Setup o2 = {});

  // Advances the engine by one frame interval and returns its readings.
  EngineSample Step();

  // Advances the O2 sensor by one frame and returns its count (0..255, 5 V
  // full scale) for the converter's `output` of this frame, the ECU's
  // expected `vaf` and the accelerator pump's `enrichmentPercent`. Call once
  // per frame, after Step. The sensor reads the frame `delay` frames back
  // (the first frame until that many have passed), and 0 while warming up.
  // A narrowband sensor reads rich (about 0.8 V, 40..42) when output > vaf
  // + kO2Window, lean (about 0.1 V, 4..6) when output < vaf - kO2Window,
  // and in between swings between 5 and 41 with a period of 0.8 s, leaning
  // towards rich or lean with the difference; it ignores the enrichment and
  // the fuel cut. A wideband controller reads WidebandCount of the
  // mixture's lambda (MixtureLambda of this frame's MAF, or the lean rail
  // during a fuel cut) +-1 count of noise, no noise on the rails.
  std::uint8_t StepO2(int output, int vaf, double enrichmentPercent = 0.0);

  // The mixture's lambda when the ECU meters `maf` by the converter's
  // `output` and the pump adds `enrichmentPercent` % fuel:
  // ExpectedVaf(maf) / output / (1 + enrichmentPercent / 100); infinite
  // (no fuel) for output 0.
  static double MixtureLambda(int maf, int output, double enrichmentPercent);

  // The linear scale of a wideband sensor (kNarrow has none; it gives LC-1's).
  static WidebandScale ScaleOf(O2Sensor sensor);

  // A wideband controller's count for `lambda`: volts = volts at AFR
  // lambda x kStoichAfr on its scale, count = volts x 255 / 5 rounded,
  // clamped to 0..255 (an infinite lambda is the lean rail, 255).
  static std::uint8_t WidebandCount(O2Sensor sensor, double lambda);

  // True while the ECU has the fuel cut (as of the last Step).
  bool FuelCut() const { return fuelCut_; }

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
  // What the exhaust carries to the sensor from one frame.
  struct Exhaust {
    int output = 0;
    int vaf = 0;
    double lambda = 1.0;
  };

  // A whole number in -span..span from the generator.
  int Noise(int span);
  // Decides the fuel cut from this frame's MAF.
  void UpdateFuelCut(int maf);
  // The narrowband sensor's count for a frame's output against its VAF.
  std::uint8_t NarrowbandCount(int output, int vaf);

  std::mt19937 rng_;
  O2Setup o2_;
  std::uint64_t steps_ = 0;
  double o2Phase_ = 0.0;
  double coolantC_ = 20.0;
  int maf_ = 0;  // MAF of the last Step
  // MAF of the last kMafHistory frames, newest last, for the fuel cut.
  std::deque<int> mafHistory_;
  bool fuelCut_ = false;
  std::deque<Exhaust> exhaust_;  // on its way to the sensor, oldest first
};

}  // namespace zelor::sim
