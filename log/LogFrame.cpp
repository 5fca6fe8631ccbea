#include "log/LogFrame.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "table/TableImage.h"

namespace zelor {
namespace {

constexpr std::int64_t kHour = 3600000;
constexpr std::int64_t kMinute = 60000;
constexpr std::int64_t kSecond = 1000;

std::int32_t ClampIndex(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

std::int32_t SampleIndex(double time) {
  if (std::isnan(time)) return 0;
  // Far beyond any index: the nearest limit (and no overflow below).
  constexpr double kLimit = 1e12;
  if (time >= kLimit) return std::numeric_limits<std::int32_t>::max();
  if (time <= -kLimit) return std::numeric_limits<std::int32_t>::min();
  const std::int64_t ms = static_cast<std::int64_t>(time);  // truncates towards zero
  const std::int64_t sign = ms < 0 ? -1 : 1;
  const std::int64_t t = ms * sign;
  const std::int64_t h = t / kHour;
  const std::int64_t m = t % kHour / kMinute;
  const std::int64_t s = t % kMinute / kSecond;
  const std::int64_t z = t % kSecond;
  return ClampIndex(sign * (h * 360000 + m * 6000 + s * 100 + z / kSampleMilliseconds));
}

std::string TimeLabel(double time) {
  if (!std::isfinite(time)) return std::string();
  const std::int64_t ms = static_cast<std::int64_t>(std::clamp(time, -1e15, 1e15));
  const std::int64_t t = ms < 0 ? -ms : ms;
  const std::int64_t z = t % kSecond;
  std::string label = ms < 0 ? "-" : "";
  label += std::to_string(t / kHour) + ":" + std::to_string(t % kHour / kMinute) + ":" +
           std::to_string(t % kMinute / kSecond) + ":" + (z < 10 ? "0" : "") + std::to_string(z);
  return label;
}

double TimeTickStep(double range) {
  // Neighbours at most twice apart (below 10 ms excepted), so that the
  // largest step that fits five times fits fewer than eleven times.
  static constexpr double kSteps[] = {1,      2,      5,      10,      20,     25,     50,
                                      100,    200,    250,    500,     1000,   2000,   2500,
                                      5000,   10000,  15000,  30000,   60000,  120000, 150000,
                                      300000, 600000, 900000, 1800000, 3600000};
  const double most = range / kMinTimeLabels;
  if (!(most >= kSteps[0])) return kSteps[0];
  if (most >= static_cast<double>(kHour)) {
    return std::floor(most / static_cast<double>(kHour)) * static_cast<double>(kHour);
  }
  double step = kSteps[0];
  for (double candidate : kSteps) {
    if (candidate <= most) step = candidate;
  }
  return step;
}

std::int32_t PlotRange::Points(int step) const {
  if (first > last || step < 1) return 0;
  return ClampIndex((static_cast<std::int64_t>(last) - first) / step + 1);
}

PlotRange PlottingRange(std::int32_t start, std::int32_t end, int step, std::int32_t count) {
  const std::int64_t first = static_cast<std::int64_t>(start) - step;
  const std::int64_t last = static_cast<std::int64_t>(end) + step;
  PlotRange range;
  range.first = first > 0 ? ClampIndex(first) : 0;
  range.last = last > count - 1 ? count - 1 : ClampIndex(last);
  return range;
}

std::int32_t LearningLimit(std::int32_t end, int step, int mafConstCount, std::int32_t count) {
  const std::int64_t reach = static_cast<std::int64_t>(step) * mafConstCount;
  if (static_cast<std::int64_t>(end) + reach >= count) return ClampIndex(count - reach);
  return end;
}

int AutoStep(std::int64_t frameLength, int pointsPerFrame) {
  if (pointsPerFrame < 1) return 1;
  const std::int64_t step = frameLength / pointsPerFrame;
  return static_cast<int>(std::clamp<std::int64_t>(step, 1, std::numeric_limits<int>::max()));
}

std::string StepText(int step) {
  if (step == 1) return "0.01";
  const int hundredths = step % 100;
  return std::to_string(step % 6000 / 100) + "." + (hundredths < 10 ? "0" : "") +
         std::to_string(hundredths);
}

int EnrichmentPercent(std::uint8_t e) {
  // 1 % is 32/25 (1.28) steps of the byte.
  return static_cast<int>(RoundHalfEven((static_cast<std::int64_t>(e) - 128) * 25, 32));
}

}  // namespace zelor
