#pragma once
// Learning the table from the frame of the log chart, as plain rules:
//   - the step the log chart's redraw runs for each plotted sample of the
//     frame while a learn request is pending: which cell takes which value,
//     and its learned flag;
//   - where a double click on the chart points: the time and level under
//     the pixel, and the plotted point that time falls on.
// The caller writes the cells into the grid.

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>

#include "core/ChartGeometry.h"
#include "link/LogBuffer.h"

namespace zelor {

// The learned-cell flags, by MAF value: 1 once the cell was learned or
// edited on the log chart, 0 otherwise.
using LearnedCellFlags = std::array<std::uint8_t, 256>;

// How many plotted samples in a row must share their MAF value to be
// learned: the five modes "1 MAF=Const " .. "5 MAF=Const".
inline constexpr int kMinMafConstCount = 1;
inline constexpr int kMaxMafConstCount = 5;

// One learned cell: the cell of MAF value m takes the value v.
struct FrameLearningWrite {
  int m = 0;
  int v = 0;
  bool operator==(const FrameLearningWrite&) const = default;
};

// The frame-learning step for plotted sample i of a redraw with step S and
// N = mafConstCount, m = MAF[i]:
//   1. with the lock on and the flag of m set, nothing;
//   2. samples i, i + S, ..., i + (N - 1) x S must all have MAF m (the
//      samples between plotted points are not looked at);
//   3. then the flag of m is set and m takes the mean of their VAF values,
//      rounded halves to even.
// Learns nothing when a compared sample would lie outside the recording
// (below 0 or at or above the count), or when N or S is below 1.
std::optional<FrameLearningWrite> FrameLearningStep(const LogBuffer& log, std::int32_t i, int step,
                                                    int mafConstCount, LearnedCellFlags& learned,
                                                    bool lock);

// What a double click on the log chart points at: the time under it (an
// axis value of the bottom axis) and the level, 0..255.
struct LogChartSpot {
  double time = 0.0;
  int level = 0;
};

// The spot under the pixel (px, py), the plot rectangle spanned by the
// shown ranges of x (bottom axis) and y (left axis), its edges included:
// time = x minimum + (x range) / (rectangle width) x (px - left edge),
// level = y minimum + (y range) / (rectangle height) x (bottom edge - py),
// rounded halves to even and brought into 0..255. nullopt outside the
// rectangle, or when it is empty.
std::optional<LogChartSpot> LogChartSpotAt(const AxisMap& x, const AxisMap& y, int px, int py);

// Of count plotted points with ascending times time(0) .. time(count - 1),
// the one a double click at time t takes: for the first k with
// time(k) <= t <= time(k + 1), point k when t lies before the mean of the
// two times, point k + 1 from the mean on. nullopt when t lies before the
// first point or after the last one, or when there are fewer than two.
// A binary search: time is called O(log count) times.
template <class Time>
std::optional<int> PlottedPointAt(int count, double t, Time&& time) {
  if (count < 2 || !(t >= time(0) && t <= time(count - 1))) return std::nullopt;
  // The first point at or after t; t lies after every point before it.
  int lo = 0;
  int hi = count - 1;
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (time(mid) < t) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  const int k = lo > 0 ? lo - 1 : 0;
  const double mean = (time(k) + time(k + 1)) / 2;
  return t < mean ? k : k + 1;
}

}  // namespace zelor
