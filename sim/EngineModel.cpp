#include "sim/EngineModel.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace zelor::sim {

namespace {

// 0 at x <= 0, 1 at x >= 1, smooth in between.
double SmoothStep(double x) {
  x = std::clamp(x, 0.0, 1.0);
  return x * x * (3.0 - 2.0 * x);
}

// Moves from `from` to `to` as t goes from t0 to t1.
double Ramp(double t, double t0, double t1, double from, double to) {
  return from + (to - from) * SmoothStep((t - t0) / (t1 - t0));
}

double Logistic(double x) { return 1.0 / (1.0 + std::exp(-x)); }

std::uint8_t ToByte(double v) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

// The fuel cut looks at MAF averaged over kCutAverage frames, and at how far
// that average fell over kCutSpan frames.
constexpr std::size_t kCutAverage = 10;
constexpr std::size_t kCutSpan = 50;
constexpr std::size_t kMafHistory = kCutSpan + kCutAverage;
constexpr double kCutMaxMaf = 100.0;  // cuts only at or below this MAF
constexpr double kCutFall = 10.0;     // cuts when the average fell this far
constexpr double kResumeFall = 5.0;   // resumes when it fell less than this

}  // namespace

EngineModel::EngineModel(std::uint32_t seed, O2Setup o2, EcuSetup ecu)
    : rng_(seed), sensorRng_(seed ^ 0x5EC0A2u), o2_(o2), ecu_(ecu) {
  const double frameMs = kFrameInterval.count() / 1000.0;
  if (!o2_.fullDelayMs) {
    fixedDelay_ = static_cast<int>(std::max(0, o2_.delayMs) / frameMs);
    return;
  }
  // delay(flow) = a + b / flow through the two ends.
  const double idle = std::max(0, o2_.delayMs);
  const double full = std::clamp(*o2_.fullDelayMs, 0, o2_.delayMs);
  const double b = (idle - full) / (1.0 / kIdleMaf - 1.0 / kFullMaf);
  fixedDelay_ = static_cast<int>(std::lround(std::max(0.0, full - b / kFullMaf) / frameMs));
  transportFlow_ = b / frameMs;
}

int EngineModel::Noise(int span) {
  const auto range = static_cast<std::uint32_t>(2 * span + 1);
  return static_cast<int>(rng_() % range) - span;
}

double EngineModel::SensorNoise() {
  // Box-Muller on two uniform numbers in (0, 1), written out so that a seed
  // gives the same noise with every standard library.
  constexpr double kScale = 1.0 / 4294967296.0;
  const double u1 = (static_cast<double>(sensorRng_()) + 0.5) * kScale;
  const double u2 = (static_cast<double>(sensorRng_()) + 0.5) * kScale;
  return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
}

double EngineModel::CycleMaf(double t) {
  constexpr double kTwoPi = 2.0 * std::numbers::pi;
  const double cycle = static_cast<double>(kCycleLength.count()) / 1e6;
  t = std::fmod(t, cycle);
  if (t < 0) t += cycle;
  if (t < 4.0) return 22.0 + 2.0 * std::sin(kTwoPi * t / 2.0);
  if (t < 5.0) return Ramp(t, 4.0, 5.0, 22.0, 170.0);
  if (t < 10.0) return Ramp(t, 5.0, 10.0, 170.0, 245.0);
  if (t < 12.0) return Ramp(t, 10.0, 12.0, 245.0, 130.0);
  if (t < 18.0) return 130.0 + 25.0 * std::sin(kTwoPi * (t - 12.0) / 6.0);
  if (t < 22.0) return Ramp(t, 18.0, 22.0, 130.0, 12.0);
  return Ramp(t, 22.0, 25.0, 12.0, 22.0);
}

int EngineModel::ExpectedVaf(int maf) {
  const double x = std::clamp(maf, 0, 255) / 255.0;
  constexpr double k = 6.0;
  constexpr double mid = 0.5;
  const double lo = Logistic(-k * mid);
  const double hi = Logistic(k * (1.0 - mid));
  const double s = (Logistic(k * (x - mid)) - lo) / (hi - lo);
  return static_cast<int>(std::lround(8.0 + 240.0 * s));
}

EngineSample EngineModel::Step() {
  const double t = static_cast<double>(steps_) * kFrameInterval.count() / 1e6;
  ++steps_;
  EngineSample s;
  const int maf = heldMaf_
                      ? *heldMaf_
                      : std::clamp(static_cast<int>(std::lround(CycleMaf(t))) + Noise(2), 0, 255);
  s.maf = static_cast<std::uint8_t>(maf);
  UpdateFuelCut(maf);
  s.vaf = static_cast<std::uint8_t>(std::clamp(ExpectedVaf(maf) + Noise(1), 0, 255));
  s.rpm50 = ToByte((750.0 + 21.0 * maf) / 50.0);
  coolantC_ = std::min(90.0, coolantC_ + 0.005);  // warms up in about 2.5 minutes
  s.coolant = ToByte(coolantC_ + 40.0);
  return s;
}

double EngineModel::MafAverage() const {
  const std::size_t n = std::min(kCutAverage, mafHistory_.size());
  double sum = 0.0;
  for (std::size_t i = mafHistory_.size() - n; i < mafHistory_.size(); ++i) sum += mafHistory_[i];
  return n > 0 ? sum / static_cast<double>(n) : 0.0;
}

void EngineModel::UpdateFuelCut(int maf) {
  maf_ = maf;
  mafHistory_.push_back(maf);
  if (mafHistory_.size() > kMafHistory) mafHistory_.pop_front();
  if (mafHistory_.size() < kMafHistory) return;  // too soon to tell
  auto mean = [this](std::size_t first) {
    double sum = 0.0;
    for (std::size_t i = first; i < first + kCutAverage; ++i) sum += mafHistory_[i];
    return sum / kCutAverage;
  };
  const double now = mean(kMafHistory - kCutAverage);
  const double fall = mean(0) - now;
  if (fuelCut_) {
    fuelCut_ = now <= kCutMaxMaf && fall >= kResumeFall;
  } else {
    fuelCut_ = now <= kCutMaxMaf && fall >= kCutFall;
  }
}

double EngineModel::MixtureLambda(int maf, int output, double enrichmentPercent) {
  if (output <= 0) return std::numeric_limits<double>::infinity();
  return ExpectedVaf(maf) / static_cast<double>(output) / (1.0 + enrichmentPercent / 100.0);
}

WidebandScale EngineModel::ScaleOf(O2Sensor sensor) {
  switch (sensor) {
    case O2Sensor::kAem: return {0.5, 8.5, 4.5, 18.0};
    case O2Sensor::k14Point7: return {0.0, 10.0, 5.0, 20.0};
    case O2Sensor::kNarrow:
    case O2Sensor::kLc1: break;
  }
  return {0.0, 7.35, 5.0, 22.39};
}

std::uint8_t EngineModel::WidebandCount(O2Sensor sensor, double lambda) {
  const WidebandScale w = ScaleOf(sensor);
  const double volts = w.v1 + (lambda * kStoichAfr - w.afr1) * (w.v2 - w.v1) / (w.afr2 - w.afr1);
  // Clamped before rounding: an infinite lambda is the lean rail.
  return ToByte(std::clamp(volts * 255.0 / 5.0, 0.0, 255.0));
}

std::uint8_t EngineModel::StepO2(int output, int vaf, double enrichmentPercent) {
  const double metered = MixtureLambda(maf_, output, enrichmentPercent);
  const double fuel = ecu_.Step(MafAverage(), maf_, metered, fuelCut_, enrichmentPercent > 0.0);
  const double lambda = fuelCut_ ? std::numeric_limits<double>::infinity() : metered / fuel;
  lambda_ = lambda;
  // The narrowband takes the ECU's own fuel as that much more output.
  const int fuelled = fuel == 1.0 ? output : static_cast<int>(std::lround(output * fuel));
  flow_ += std::clamp(maf_, kIdleMaf, kFullMaf);
  exhaust_.push_back({fuelled, vaf, lambda, flow_});
  // The gas now at the sensor left when the flow had passed `arrived` (that
  // of the newest frame the fixed part of the delay lets through, less the
  // transport): the frame nearest to it, the first until one is that old.
  Exhaust at = exhaust_.front();
  if (exhaust_.size() > static_cast<std::size_t>(fixedDelay_)) {
    const double arrived =
        exhaust_[exhaust_.size() - 1 - static_cast<std::size_t>(fixedDelay_)].flow - transportFlow_;
    while (exhaust_.size() > 1 && exhaust_[1].flow <= arrived) exhaust_.pop_front();
    at = exhaust_.front();
    if (exhaust_.size() > 1 && exhaust_[1].flow - arrived < arrived - at.flow) at = exhaust_[1];
  }
  const auto warmup =
      static_cast<std::uint64_t>(std::max(0, o2_.warmupS) * 1'000'000LL / kFrameInterval.count());
  const bool warming = steps_ <= warmup && warmup > 0;
  if (o2_.sensor == O2Sensor::kNarrow) {
    const std::uint8_t count = NarrowbandCount(at.output, at.vaf);
    return warming ? 0 : count;
  }
  return WidebandReading(at.lambda, warming);
}

std::uint8_t EngineModel::WidebandReading(double lambda, bool warming) {
  if (o2_.lagMs > 0) {
    const double oxygen = 1.0 / lambda;  // 0 for the air of a fuel cut
    if (!sensorOxygen_) sensorOxygen_ = oxygen;
    const double step =
        1.0 - std::exp(-static_cast<double>(kFrameInterval.count()) / (o2_.lagMs * 1000.0));
    *sensorOxygen_ += (oxygen - *sensorOxygen_) * step;
    lambda = 1.0 / *sensorOxygen_;
  }
  if (o2_.noisePercent > 0.0) lambda *= 1.0 + o2_.noisePercent / 100.0 * SensorNoise();
  const bool pinned = o2_.pinLambda && !(lambda < *o2_.pinLambda);
  sensorLambda_ = pinned ? *o2_.pinLambda : lambda;
  if (warming) return 0;
  if (pinned) return WidebandCount(o2_.sensor, sensorLambda_);  // held still: no noise
  const std::uint8_t count = WidebandCount(o2_.sensor, lambda);
  if (count == 0 || count == 255) return count;  // railed: no noise
  return ToByte(count + Noise(1));
}

std::uint8_t EngineModel::NarrowbandCount(int output, int vaf) {
  constexpr double kTwoPi = 2.0 * std::numbers::pi;
  constexpr double kRich = 41.0;
  constexpr double kLean = 5.0;
  o2Phase_ = std::fmod(o2Phase_ + kTwoPi * (kFrameInterval.count() / 1e6) / 0.8, kTwoPi);
  const int diff = output - vaf;
  if (diff > kO2Window) return ToByte(kRich + Noise(1));
  if (diff < -kO2Window) return ToByte(kLean + Noise(1));
  const double mid = (kRich + kLean) / 2.0;
  const double swing = (kRich - kLean) / 2.0;
  return ToByte(std::clamp(mid + swing * std::sin(o2Phase_) + 4.0 * diff, kLean, kRich));
}

}  // namespace zelor::sim
