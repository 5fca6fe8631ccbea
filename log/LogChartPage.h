#pragma once
// The tab "Графики Лога": the log chart with its seven series, the
// resolution label, the floating hint, the learned-cells warning and the
// chart's popup menu. The page also keeps the frame the chart shows
// (LogFrame) and whether the right button is down on it. Its controller
// (LogChartController) decides what is drawn; the page plots it and answers
// what the chart shows.

#include <qcustomplot.h>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>

#include "core/ChartGeometry.h"
#include "learn/FrameLearning.h"
#include "link/LogBuffer.h"
#include "log/LogChart.h"
#include "log/LogFrame.h"

class QAction;
class QLabel;
class QMenu;
class QWidget;

namespace zelor {

// The fixed resolutions of the chart's menu "Разрешение графиков": the
// item, its caption (also the resolution label's text) and the step.
inline constexpr int kResolutionCount = 5;
struct FixedResolution {
  const char* item;
  const char* caption;
  int step;
};
inline constexpr FixedResolution kFixedResolutions[kResolutionCount] = {{"N0011", "0.01", 1},
                                                                        {"N011", "0.1", 10},
                                                                        {"N0251", "0.25", 25},
                                                                        {"N051", "0.5", 50},
                                                                        {"N110", "1", 100}};
// Side of the colour swatches on the menu's series items, in pixels.
inline constexpr int kSwatchSide = 14;

class LogChartPage {
 public:
  // Builds the tab's controls inside page (a tab of the main window).
  explicit LogChartPage(QWidget* page);
  ~LogChartPage();
  LogChartPage(const LogChartPage&) = delete;
  LogChartPage& operator=(const LogChartPage&) = delete;

  // The chart, whose mouse events go to the controller.
  LogChart* Chart() const { return chart_; }
  // The frame shown and how it is drawn.
  LogFrame& Frame() { return frame_; }
  const LogFrame& Frame() const { return frame_; }

  // "Разрешение: ..." at the chart's bottom left.
  QLabel* ResolutionLabel() const { return labelRazreshenie_; }
  // The floating hint beside the mouse.
  QLabel* Hint() const { return label9_; }
  // The warning shown while learned cells are locked. Both labels stand in
  // a strip of their own below the time axis's title.
  QLabel* LockWarning() const { return label10_; }

  // The popup menu and its switches: "Точки", "Подсказка", "Закрепить
  // разрешение" and the item that shows or hides each series (the marker
  // series included).
  QMenu* Popup() const { return popupMenu1_; }
  QAction* PointsItem() const { return n26_; }
  QAction* HintItem() const { return n10_; }
  QAction* FixResolutionItem() const { return zakrepitRazreshenie_; }
  // The fixed resolutions "0.01" .. "1" in menu order.
  QAction* ResolutionItem(int k) const { return resolutionItems_.at(k); }
  QAction* SeriesItem(int series) const { return seriesItems_.at(series); }
  // The learning modes "n MAF=Const", n = 1..5, and the learned cells' lock
  // "Заблокировать".
  QAction* MafConstItem(int n) const { return mafConstItems_.at(n - 1); }
  QAction* LearnedCellsLockItem() const { return learnedCellsLock_; }

  // Replaces the points of the seven series with the samples of range, one
  // point per step samples (step >= 1). tableValue(i, maf) gives the table
  // series' value of sample i; it may throw, which ends the plot with the
  // points made so far shown and passes the error on. Queues a replot.
  template <class TableValue>
  void Plot(const LogBuffer& log, PlotRange range, int step, TableValue&& tableValue);

  // The sample indices of the bottom axis's minimum and maximum.
  std::pair<std::int32_t, std::int32_t> AxisFrame() const;

  // The index of the point of series under the pixel pos, as the table
  // chart's hit test finds it (hidden series too), or nullopt.
  std::optional<int> PointAt(int series, QPoint pos) const;
  int PointCount(int series) const;
  // The y of point k of series (NaN when there is none).
  double Y(int series, int k) const;
  // Moves point k of series to y and queues a replot.
  void SetY(int series, int k, double y);
  // The bottom and the left axis as shown, with their pixel extents.
  AxisMap XMap() const;
  AxisMap YMap() const;
  // The point of series a double click at time (a bottom-axis value) takes,
  // as PlottedPointAt picks it, or nullopt.
  std::optional<int> PointAtTime(int series, double time) const;

  // A series' line (solid or none; the points stay) and its point markers.
  bool LineShown(int series) const;
  void ShowLine(int series, bool shown);
  void ShowMarkers(int series, bool shown);
  bool MarkersShown(int series) const;

  // The floating hint: placed at (x + 20, y - 15) of pos, shown with text.
  void PlaceHint(QPoint pos);
  void ShowHint(const QString& text);

  // True between a right-button press on the drawn chart and the release.
  bool RightButtonDown() const { return rightButtonDown_; }
  void SetRightButtonDown(bool down) { rightButtonDown_ = down; }

 private:
  class SeriesPoints;

  void BuildPopup();
  // Puts the resolution label and the warning into their strip.
  void PlaceLabels();
  // Takes the points of every series back for a plot of n points a series,
  // keeping their memory: each series stays empty until GivePoints.
  std::array<QCPGraphData*, kLogSeriesCount> TakePoints(std::int32_t n);
  // Hands each series the first made[series] of its points whole (one
  // data()->set each), fits the bottom axis and queues a replot.
  void GivePoints(const std::array<std::int32_t, kLogSeriesCount>& made);

  LogChart* chart_;
  std::array<QCPGraph*, kLogSeriesCount> series_{};
  std::array<SeriesPoints*, kLogSeriesCount> containers_{};
  std::array<QVector<QCPGraphData>, kLogSeriesCount> points_;
  std::array<QCPScatterStyle, kLogSeriesCount> markers_{};
  QLabel* labelRazreshenie_;
  QLabel* label9_;
  QLabel* label10_;
  QMenu* popupMenu1_ = nullptr;
  QAction* n26_ = nullptr;
  QAction* n10_ = nullptr;
  QAction* zakrepitRazreshenie_ = nullptr;
  std::array<QAction*, kResolutionCount> resolutionItems_{};
  std::array<QAction*, kLogSeriesCount> seriesItems_{};
  std::array<QAction*, kMaxMafConstCount> mafConstItems_{};
  QAction* learnedCellsLock_ = nullptr;
  LogFrame frame_;
  bool rightButtonDown_ = false;
  QMetaObject::Connection placing_;
};

// The enrichment percentage of every enrichment byte.
const std::array<double, 256>& EnrichmentPercents();

template <class TableValue>
void LogChartPage::Plot(const LogBuffer& log, PlotRange range, int step, TableValue&& tableValue) {
  const std::int32_t n = range.Points(step);
  const std::array<QCPGraphData*, kLogSeriesCount> out = TakePoints(n);
  const std::array<double, 256>& enrichment = EnrichmentPercents();
  std::int32_t k = 0;
  try {
    for (; k < n; ++k) {
      const std::int32_t index = range.first + k * step;
      const LogSample s = log.SampleAt(index);
      const double t = SampleTime(index);
      out[kMafSeries][k] = QCPGraphData(t, s.Maf());
      out[kVafSeries][k] = QCPGraphData(t, s.Vaf());
      out[kConvSeries][k] = QCPGraphData(t, s.Output());
      out[kTabSeries][k] = QCPGraphData(t, tableValue(index, s.Maf()));
      out[kO2Series][k] = QCPGraphData(t, s.O2());
      out[kMarkerSeries][k] = QCPGraphData(t, s.Marker());
      out[kEnrichmentSeries][k] = QCPGraphData(t, enrichment[s.Enrichment()]);
    }
  } catch (...) {
    // Sample k has its first three points; the table value failed.
    GivePoints({k + 1, k + 1, k + 1, k, k, k, k});
    throw;
  }
  GivePoints({n, n, n, n, n, n, n});
}

}  // namespace zelor
