#include "sim/EcuFuel.h"

#include <algorithm>

#include "sim/SimTime.h"

namespace zelor::sim {

namespace {

constexpr double kFrameSeconds = static_cast<double>(kFrameInterval.count()) / 1e6;

std::size_t BandOf(int maf) {
  return static_cast<std::size_t>(std::clamp(maf, 0, 255) / EcuFuel::kBandWidth);
}

}  // namespace

double EcuFuel::LongTrim(int maf) const { return longTrim_[BandOf(maf)]; }

double EcuFuel::Step(double mafAverage, int maf, double lambda, bool fuelCut, bool pumpEnriches) {
  const bool enriching = setup_.enrichMaf && mafAverage >= *setup_.enrichMaf;
  const bool closed = setup_.closedLoopMaf && mafAverage < *setup_.closedLoopMaf && !fuelCut &&
                      !pumpEnriches && !enriching;
  double factor = 1.0;
  if (enriching && !fuelCut) factor = 1.0 / setup_.enrichLambda;
  if (!closed) {
    closedLoop_ = false;
    settled_ = 0;
    shortTrim_ = 0.0;
    lastRich_.reset();
  } else {
    closedLoop_ = true;
    double& longTrim = longTrim_[BandOf(maf)];
    if (settled_ < kDelayFrames) {
      ++settled_;
    } else {
      const bool rich = sensor_.front() < 1.0;
      const double against = rich ? -1.0 : 1.0;
      if (lastRich_ && *lastRich_ != rich) shortTrim_ += against * kJump;
      shortTrim_ += against * kRamp * kFrameSeconds;
      lastRich_ = rich;
      const double learnt = shortTrim_ * kFrameSeconds / kLearnTime;
      longTrim += learnt;
      shortTrim_ -= learnt;
      longTrim = std::clamp(longTrim, -kTrimLimit, kTrimLimit);
      shortTrim_ = std::clamp(shortTrim_, -kTrimLimit - longTrim, kTrimLimit - longTrim);
    }
    factor = 1.0 + longTrim + shortTrim_;
  }
  sensor_.push_back(lambda / factor);
  if (sensor_.size() > static_cast<std::size_t>(kDelayFrames)) sensor_.pop_front();
  return factor;
}

}  // namespace zelor::sim
