// The log chart's plain logic: the time base both ways, the tick labels, the
// plotting range and learning limit at the recording's edges, the automatic
// resolution and its text, the enrichment percentage and the hint texts.

#include <QtTest>

#include <climits>
#include <cmath>
#include <limits>

#include "link/LogBuffer.h"
#include "log/LogFrame.h"
#include "log/LogHint.h"

using namespace zelor;

class TestLogFrame : public QObject {
  Q_OBJECT

 private slots:
  void everyIndexMapsToTimeAndBack() {
    for (std::int32_t i = 0; i <= LogBuffer::kCapacity; ++i) {
      const double x = SampleTime(i);
      if (x != i * 10.0 || SampleIndex(x) != i) QFAIL(qPrintable(QString("index %1").arg(i)));
    }
  }

  void axisValuesDecodeByTruncation() {
    const struct {
      double x;
      std::int32_t index;
    } cases[] = {
        {0, 0},
        {9.999, 0},
        {10, 1},
        {19.99, 1},
        {3599999.9, 359999},  // 0:59:59:999
        {3600000, 360000},
        {-15, -1},
        {std::nan(""), 0},
        {1e13, INT_MAX},
        {-1e13, INT_MIN},
    };
    for (const auto& c : cases) QCOMPARE(SampleIndex(c.x), c.index);
  }

  void tickLabelsAndSteps() {
    const std::pair<double, const char*> labels[] = {
        {0, "0:0:0:00"},          {5, "0:0:0:05"},        {10, "0:0:0:10"},
        {65050, "0:1:5:50"},      {3600990, "1:0:0:990"}, {-1500, "-0:0:1:500"},
        {4999990, "1:23:19:990"},
    };
    for (const auto& [x, text] : labels) QCOMPARE(QString::fromStdString(TimeLabel(x)), text);
    const std::pair<double, double> steps[] = {{2, 1},           {60, 10},       {125, 25},
                                               {12500, 2500},    {74999, 10000}, {75000, 15000},
                                               {750000, 150000}, {4e7, 7.2e6}};
    for (const auto& [range, step] : steps) QCOMPARE(TimeTickStep(range), step);
    // From a tenth of a second to a whole recording and beyond, wherever the
    // axis starts: five to ten labelled ticks.
    for (double range = 100; range < 2e7; range *= 1.07) {
      const double step = TimeTickStep(range);
      for (double lower : {0.0, 1234.0, -step / 2}) {
        const double ticks = std::floor((lower + range) / step) - std::ceil(lower / step) + 1;
        if (ticks < kMinTimeLabels || ticks > 10)
          QFAIL(qPrintable(QString("range %1 from %2: %3 ticks").arg(range).arg(lower).arg(ticks)));
      }
    }
  }

  void plottingRangeHasOneSidePointWhereTheRecordingAllows() {
    const struct {
      std::int32_t start, end;
      int step;
      std::int32_t count, first, last, points;
    } cases[] = {
        {0, 1000, 5, 1000, 0, 999, 200},       // whole recording: no side points
        {10, 500, 5, 1000, 5, 505, 101},       // both side points
        {5, 500, 5, 1000, 0, 505, 102},        // 5 - 5 is not positive
        {3, 995, 5, 1000, 0, 999, 200},        // the last side point is the last sample
        {0, 118, 1, 118, 0, 117, 118},         // the shortest drawn recording
        {-300, -100, 10, 1000, 0, -90, 0},     // scrolled before the start: nothing
        {2000, 3000, 10, 1000, 1990, 999, 0},  // scrolled past the end: nothing
    };
    for (const auto& c : cases) {
      const PlotRange range = PlottingRange(c.start, c.end, c.step, c.count);
      QCOMPARE(range.first, c.first);
      QCOMPARE(range.last, c.last);
      QCOMPARE(range.Points(c.step), c.points);
    }
  }

  void learningStopsBeforeTheComparisonsLeaveTheRecording() {
    const struct {
      std::int32_t end;
      int step, n;
      std::int32_t count, limit;
    } cases[] = {
        {1000, 5, 3, 2000, 1000}, {1984, 5, 3, 2000, 1984}, {1985, 5, 3, 2000, 1985},
        {1990, 5, 3, 2000, 1985}, {2000, 1, 1, 2000, 1999}, {2000, 25, 5, 2000, 1875},
    };
    for (const auto& c : cases) QCOMPARE(LearningLimit(c.end, c.step, c.n, c.count), c.limit);
  }

  void automaticResolutionAndItsText() {
    const struct {
      std::int64_t frame;
      int step;
      const char* text;
    } cases[] = {
        {0, 1, "0.01"},          {429, 1, "0.01"},      {430, 1, "0.01"},
        {859, 1, "0.01"},        {860, 2, "0.02"},      {2150, 5, "0.05"},
        {43000, 100, "1.00"},    {184900, 430, "4.30"}, {430000, 1000, "10.00"},
        {500000, 1162, "11.62"}, {-50, 1, "0.01"},
    };
    for (const auto& c : cases) {
      const int step = AutoStep(c.frame, kPointsPerFrame);
      QCOMPARE(step, c.step);
      QCOMPARE(QString::fromStdString(StepText(step)), c.text);
    }
  }

  void enrichmentAsSignedPercent() {
    const std::pair<int, int> cases[] = {{0, -100},  {128, 0},  {255, 99}, {144, 12},
                                         {112, -12}, {16, -88}, {176, 38}};
    for (const auto& [byte, percent] : cases)
      QCOMPARE(EnrichmentPercent(static_cast<std::uint8_t>(byte)), percent);
  }

  void hintLinesFollowTheSwitches() {
    const LogHintWords words{"Конв.Вых.", "Таб.", "Лямбда", "Обогащение %"};
    const std::array<double, kLogSeriesCount> values{12, 3, 255, 7.5, 0, 128, -100};
    std::array<bool, kLogSeriesCount> shown;
    shown.fill(true);
    const QString all = LogHintText(shown, values, words);
    QCOMPARE(all, QStringLiteral("MAF=12\n\rVAF=3\n\rКонв.Вых.=255\n\rТаб.=7.5\n\rЛямбда=0\n\r"
                                 "Обогащение %=-100"));
    QCOMPARE(LogHintStatusText(all), QStringLiteral("MAF=12   VAF=3   Конв.Вых.=255   Таб.=7.5   "
                                                    "Лямбда=0   Обогащение %=-100"));
    shown.fill(false);
    shown[kMarkerSeries] = true;  // the marker has no line
    QCOMPARE(LogHintText(shown, values, words), QString());
    shown[kO2Series] = true;
    QCOMPARE(LogHintText(shown, values, words), QStringLiteral("Лямбда=0\n\r"));
  }
};

QTEST_APPLESS_MAIN(TestLogFrame)
#include "test_log_frame.moc"
