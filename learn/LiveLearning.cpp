#include "learn/LiveLearning.h"

#include <algorithm>

namespace zelor {

std::optional<LiveLearningWrite> LiveLearningStep(int mode, std::int32_t i,
                                                  const std::array<std::uint8_t, 7>& recentMaf,
                                                  std::uint8_t maf, std::uint8_t vaf) {
  if (mode != kFastLearning) {
    if (i <= 10) return std::nullopt;  // fewer than 12 samples
    const bool still =
        std::all_of(recentMaf.begin(), recentMaf.end(), [maf](std::uint8_t m) { return m == maf; });
    if (!still) return std::nullopt;
  }
  return LiveLearningWrite{maf, vaf};
}

std::optional<LiveLearningWrite> LiveLearningStep(int mode, const PanelView& view) {
  return LiveLearningStep(mode, view.slot, view.recentMaf, view.sample.Maf(), view.sample.Vaf());
}

}  // namespace zelor
