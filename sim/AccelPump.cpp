#include "sim/AccelPump.h"

#include <algorithm>
#include <cmath>

#include "sim/SimTime.h"

namespace zelor::sim {

std::uint8_t AccelPump::Step(std::uint8_t maf, const Settings& settings) {
  const std::size_t span = std::clamp<std::size_t>(settings[kSampleTime], 1, kHistory - 1);
  // Decay first: Enrichment_decr/128 of the level goes per 100 ms, spread
  // evenly over the frames.
  const double per100ms = std::min(1.0, settings[kEnrichmentDecr] / 128.0);
  level_ *= std::pow(1.0 - per100ms, kFrameInterval.count() / 100'000.0);
  if (count_ >= span) {
    const int before = history_[(count_ - span) % kHistory];
    const int rise = static_cast<int>(maf) - before;
    const int amount = std::max(0, static_cast<int>(settings[kEnrichment]) - 128);
    if (rise > static_cast<int>(settings[kPorog])) level_ = std::max(level_, double(amount));
  }
  history_[count_ % kHistory] = maf;
  ++count_;
  return static_cast<std::uint8_t>(std::min(255L, 128L + std::lround(level_)));
}

void AccelPump::Reset() {
  count_ = 0;
  level_ = 0.0;
}

}  // namespace zelor::sim
