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
// The ECU's own fuelling (EcuFuel: a closed loop, an enrichment) comes on
// top when set; by default it fuels exactly as metered.
//
// The O2 sensor (O2Setup) reads that mixture after the exhaust's transport
// delay. A fixed delay is a whole number of frames. A delay that follows the
// flow (idle and full-flow delays given) is a + b / flow, flow being the MAF
// count held within kIdleMaf..kFullMaf, with a and b such that it is the
// idle delay at kIdleMaf and the full-flow one at kFullMaf: the exhaust of a
// frame reaches the sensor once the flow since has carried b through the
// pipe, and then a later (so a sudden change of flow takes effect on the gas
// already on its way, and the MAF's noise evens out). A narrowband sensor
// answers the delayed output against the delayed expected VAF (StepO2); a
// wideband controller puts out the delayed lambda on its linear 0..5 V
// scale, after its own response when set: a first-order lag (on the oxygen
// it measures, 1 / lambda, so that the air of a fuel cut is reached like
// any other mixture), a relative noise on lambda from a generator of its
// own, and a lean limit where it pins instead of reaching the rail. Either
// reads 0 V while it warms up after power-on. The engine's time runs only
// while the stream does: the drive cycle, the warm-up and the delay count
// frames.

#include <algorithm>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>

#include "sim/EcuFuel.h"
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
  // Transport delay at idle flow, and at every flow without fullDelayMs;
  // a fixed delay counts whole frames, a remainder is dropped.
  int delayMs = 0;
  int warmupS = 0;  // reads 0 V for this long after power-on
  // Transport delay at full flow, falling as 1 / flow from delayMs at idle;
  // at most delayMs, at least delayMs x kIdleMaf / kFullMaf.
  std::optional<int> fullDelayMs = std::nullopt;
  // A wideband controller's own response: its first-order lag's time
  // constant, its noise in per cent of lambda (one standard deviation), and
  // the lean lambda it pins at.
  int lagMs = 0;
  double noisePercent = 0.0;
  std::optional<double> pinLambda = std::nullopt;
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

  // The flows the delay's two ends belong to: the drive cycle's idle and
  // the MAF's full scale.
  static constexpr int kIdleMaf = 22;
  static constexpr int kFullMaf = 255;

  // An engine at the start of its drive cycle, cold (20 deg C), whose noise
  // comes from a generator seeded with `seed`, with the O2 sensor `o2` and
  // the ECU's own fuelling `ecu`.
  explicit EngineModel(std::uint32_t seed, O2Setup o2 = {}, EcuSetup ecu = {});

  // Advances the engine by one frame interval and returns its readings.
  EngineSample Step();

  // From the next Step on, MAF stays at `maf` (0..255) without noise
  // instead of following the drive cycle: a steady flow, for measuring the
  // engine's answers at one load.
  void HoldMaf(int maf) { heldMaf_ = std::clamp(maf, 0, 255); }

  // Advances the O2 sensor by one frame and returns its count (0..255, 5 V
  // full scale) for the converter's `output` of this frame, the ECU's
  // expected `vaf` and the accelerator pump's `enrichmentPercent`. Call once
  // per frame, after Step. The sensor reads the frame the delay puts it on
  // (the first frame until that many have passed), and 0 while warming up.
  // A narrowband sensor reads rich (about 0.8 V, 40..42) when output > vaf
  // + kO2Window, lean (about 0.1 V, 4..6) when output < vaf - kO2Window,
  // and in between swings between 5 and 41 with a period of 0.8 s, leaning
  // towards rich or lean with the difference; it ignores the enrichment and
  // the fuel cut, and takes the ECU's own fuelling as that much more
  // output. A wideband controller reads WidebandCount of the mixture's
  // lambda (MixtureLambda of this frame's MAF with the ECU's fuelling, or
  // no fuel during a fuel cut) through its response, +-1 count of noise, no
  // noise on the rails or where it pins.
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

  // The mixture's lambda of the last StepO2's frame (infinite in a fuel
  // cut), and the lambda its sensor read then (the lean rail's side is
  // infinite too; not for a narrowband).
  double Lambda() const { return lambda_; }
  double SensorLambda() const { return sensorLambda_; }

  // The ECU's own fuelling.
  const EcuFuel& Ecu() const { return ecu_; }

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
  // What the exhaust carries to the sensor from one frame, and the flow
  // that had passed when it left (in counts x frames).
  struct Exhaust {
    int output = 0;
    int vaf = 0;
    double lambda = 1.0;
    double flow = 0.0;
  };

  // A whole number in -span..span from the generator.
  int Noise(int span);
  // A normally distributed number (mean 0, deviation 1) from the sensor's
  // own generator.
  double SensorNoise();
  // The wideband reading of a delayed lambda (0 V while `warming`).
  std::uint8_t WidebandReading(double lambda, bool warming);
  // MAF averaged over the last 100 ms (as far as there are frames).
  double MafAverage() const;
  // Decides the fuel cut from this frame's MAF.
  void UpdateFuelCut(int maf);
  // The narrowband sensor's count for a frame's output against its VAF.
  std::uint8_t NarrowbandCount(int output, int vaf);

  std::mt19937 rng_;
  std::mt19937 sensorRng_;
  O2Setup o2_;
  EcuFuel ecu_;
  int fixedDelay_ = 0;                  // frames
  double transportFlow_ = 0.0;          // counts x frames the flow carries the gas
  double flow_ = 0.0;                   // flow passed so far, counts x frames
  std::optional<double> sensorOxygen_;  // the lag's state: 1 / lambda
  double lambda_ = 1.0;
  double sensorLambda_ = 1.0;
  std::uint64_t steps_ = 0;
  double o2Phase_ = 0.0;
  double coolantC_ = 20.0;
  int maf_ = 0;  // MAF of the last Step
  std::optional<int> heldMaf_;
  // MAF of the last kMafHistory frames, newest last, for the fuel cut.
  std::deque<int> mafHistory_;
  bool fuelCut_ = false;
  std::deque<Exhaust> exhaust_;  // on its way to the sensor, oldest first
};

}  // namespace zelor::sim
