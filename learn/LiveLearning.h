#pragma once
// Live table learning as a pure rule: for the sample the panel tick shows,
// which table cell takes which value, if any. The caller writes the cell
// into the grid (and moves the table curve's point when asked to).

#include <array>
#include <cstdint>
#include <optional>

#include "link/LogBuffer.h"

namespace zelor {

// The learning modes of ObuchenieRadioButtons.
inline constexpr int kFastLearning = 0;  // "Быстро но грубо "
inline constexpr int kSlowLearning = 1;  // "Медленно но точно"

// One cell write: cell m (the MAF value) takes the value v (the VAF value).
struct LiveLearningWrite {
  int m = 0;
  int v = 0;
  bool operator==(const LiveLearningWrite&) const = default;
};

// The learning step on slot i. `recentMaf` holds the MAF of samples i-6..i,
// oldest first (recentMaf[6] is MAF[i]); maf and vaf are MAF[i] and VAF[i].
// Mode 0 (fast): always writes cell MAF[i] := VAF[i]. Any other mode (slow):
// only when i > 10 and the seven samples i-6..i all have MAF[i]; otherwise
// nothing. When the LogBuffer is full, i is the slot the newest frame went
// into (LogBuffer::kCapacity), so the i > 10 test holds and only the seven
// equal values decide.
std::optional<LiveLearningWrite> LiveLearningStep(int mode, std::int32_t i,
                                                  const std::array<std::uint8_t, 7>& recentMaf,
                                                  std::uint8_t maf, std::uint8_t vaf);

// The same step on what a panel tick read from the LogBuffer.
std::optional<LiveLearningWrite> LiveLearningStep(int mode, const PanelView& view);

}  // namespace zelor
