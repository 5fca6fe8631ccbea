#include "learn/FrameLearning.h"

#include <algorithm>

#include "table/TableImage.h"

namespace zelor {

std::optional<FrameLearningWrite> FrameLearningStep(const LogBuffer& log, std::int32_t i, int step,
                                                    int mafConstCount, LearnedCellFlags& learned,
                                                    bool lock) {
  if (step < 1 || mafConstCount < 1 || i < 0) return std::nullopt;
  const std::int64_t lastCompared = i + static_cast<std::int64_t>(step) * (mafConstCount - 1);
  if (lastCompared >= log.Count()) return std::nullopt;
  const int m = log.At(LogChannel::Maf, i);
  if (lock && learned[m] != 0) return std::nullopt;
  int sum = 0;
  for (int k = 0; k < mafConstCount; ++k) {
    const auto j = static_cast<std::int32_t>(i + static_cast<std::int64_t>(k) * step);
    sum += log.At(LogChannel::Vaf, j);
    if (log.At(LogChannel::Maf, j) != m) return std::nullopt;
  }
  learned[m] = 1;
  return FrameLearningWrite{m, static_cast<int>(RoundHalfEven(sum, mafConstCount))};
}

std::optional<LogChartSpot> LogChartSpotAt(const AxisMap& x, const AxisMap& y, int px, int py) {
  const double left = x.ToPixel(x.lower);
  const double right = x.ToPixel(x.upper);
  const double bottom = y.ToPixel(y.lower);
  const double top = y.ToPixel(y.upper);
  if (!(right > left) || !(bottom > top)) return std::nullopt;
  if (px < left || px > right || py > bottom || py < top) return std::nullopt;
  LogChartSpot spot;
  spot.time = x.lower + (x.upper - x.lower) / (right - left) * (px - left);
  const double level = y.lower + (y.upper - y.lower) / (bottom - top) * (bottom - py);
  spot.level = std::clamp(RoundHalfEvenDouble(level), 0, 255);
  return spot;
}

}  // namespace zelor
