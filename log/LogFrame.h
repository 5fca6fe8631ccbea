#pragma once
// The log chart's arithmetic, free of widgets: the time base and its
// reverse, the plotting range of a frame with its side points, the learning
// limit, the automatic resolution and the texts of the time axis and the
// resolution label.
//
// Time base. Sample i of the LogBuffer lies i x 10 ms after sample 0. On the
// chart its x value is that time in milliseconds, i x 10, an exact integer
// in a double, so every index maps to x and back without rounding. The
// reverse decodes an axis value as a time of day would be decoded, into
// hours, minutes, seconds and milliseconds, and gives
// h x 360000 + m x 6000 + s x 100 + ms div 10; every division truncates.

#include <cstdint>
#include <string>

namespace zelor {

// The seven series of the log chart, in the order the program addresses
// them.
enum LogSeries {
  kMafSeries = 0,
  kVafSeries = 1,
  kConvSeries = 2,
  kTabSeries = 3,
  kO2Series = 4,
  kMarkerSeries = 5,
  kEnrichmentSeries = 6,
  kLogSeriesCount = 7,
};

// Milliseconds between two samples.
inline constexpr int kSampleMilliseconds = 10;

// A recording shorter than this is never drawn, nor saved.
inline constexpr std::int32_t kMinimumLogSamples = 118;

// Points per frame the automatic resolution aims at.
inline constexpr int kPointsPerFrame = 430;

// The frame of the log chart and how it is drawn: the first and last sample
// index of the stretch shown (LogFrameStart, LogFrameEnd), the samples per
// plotted point (LogStep), the aim of the automatic resolution
// (PointsPerFrame) and whether the series show the current recording
// (LogChartDrawn).
struct LogFrame {
  std::int32_t start = 0;
  std::int32_t end = 0;
  int step = 1;
  int pointsPerFrame = kPointsPerFrame;
  bool drawn = false;
};

// The chart x of sample index: index x 10 (milliseconds).
inline double SampleTime(std::int32_t index) {
  return static_cast<double>(index) * kSampleMilliseconds;
}

// The sample index of an axis value (the reverse of SampleTime): whole
// milliseconds, truncated towards zero, divided by 10, truncated. Values
// beyond the int32 range of indices give its nearest limit; NaN gives 0.
std::int32_t SampleIndex(double time);

// The label of a time-axis tick, "h:m:s:zz": hours, minutes and seconds
// without padding, milliseconds with at least two digits (0:1:5:00,
// 1:0:0:990); a minus sign before a negative time.
std::string TimeLabel(double time);

// Labelled ticks the time axis shows at least, whatever its zoom.
inline constexpr int kMinTimeLabels = 5;

// The step between time-axis ticks for an axis spanning range milliseconds:
// the largest readable step (1, 2, 5, 10, 20, 25, 50, 100, 200, 250 and
// 500 ms, 1, 2, 2.5, 5, 10, 15 and 30 s, 1, 2, 2.5, 5, 10, 15 and 30 min,
// then whole hours) that fits kMinTimeLabels times into range, so that at
// least that many ticks fall on the axis (and, the steps being at most twice
// apart from 10 ms on, no more than ten); 1 ms when none fits.
double TimeTickStep(double range);

// The samples a redraw plots: first, first + step, ... while <= last.
struct PlotRange {
  std::int32_t first = 0;
  std::int32_t last = -1;

  // Number of plotted points for step (0 when first > last).
  std::int32_t Points(int step) const;
};

// The plotting range of a frame: one sample step beyond each end where the
// recording allows (first = start - step, or 0 when that is not positive;
// last = end + step, or count - 1 when that is larger).
PlotRange PlottingRange(std::int32_t start, std::int32_t end, int step, std::int32_t count);

// The last index the frame learning may start at: end, or
// count - step x mafConstCount when end + step x mafConstCount reaches the
// count, so that no comparison reads past the recording.
std::int32_t LearningLimit(std::int32_t end, int step, int mafConstCount, std::int32_t count);

// The automatic resolution of a frame of frameLength samples: frameLength
// div pointsPerFrame, at least 1.
int AutoStep(std::int64_t frameLength, int pointsPerFrame);

// The resolution text of step samples, seconds with two decimals: "0.01"
// for 1, otherwise (step mod 6000) div 100, ".", and step mod 100 in two
// digits ("0.05", "4.30", "10.00").
std::string StepText(int step);

// The enrichment channel byte e as a signed percentage:
// round((e - 128) / 1.28), halves to even (-100 for 0, 0 for 128, 99 for 255).
int EnrichmentPercent(std::uint8_t e);

}  // namespace zelor
