// The log chart's redraw, resolution, zoom and scroll, mouse and display
// switches. The arithmetic is in log/LogFrame and the hint text in
// log/LogHint; this feeds them and writes the controls. The learning
// commands are in LogChartLearning.cpp.

#include "log/LogChartController.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <algorithm>
#include <array>
#include <bitset>
#include <tuple>
#include <utility>

#include "core/ChartGeometry.h"
#include "core/MessageTexts.h"
#include "log/LogChartPage.h"
#include "log/LogHint.h"
#include "log/StreamRun.h"
#include "table/CellText.h"
#include "table/TableModel.h"
#include "table/TableToolsController.h"

namespace zelor {
namespace {

// The table values of one redraw, read from the grid the first time a MAF
// value needs one: a pass reads at most 256 cells however many samples it
// plots. A cell that is not an integer raises the conversion error when it
// is needed.
class TableCells {
 public:
  explicit TableCells(const TableModel& table) : table_(table) {}

  int Value(int maf) {
    if (!known_[maf]) {
      values_[maf] = table_.CellValue(maf);
      known_.set(maf);
    }
    return values_[maf];
  }
  // The cell was just written with value.
  void Set(int maf, int value) {
    values_[maf] = value;
    known_.set(maf);
  }

 private:
  const TableModel& table_;
  std::array<int, 256> values_{};
  std::bitset<256> known_;
};

int MafOf(double y) { return std::clamp(RoundHalfEvenDouble(y), 0, 255); }

}  // namespace

LogChartController::LogChartController(QWidget* page, StreamRun& stream, TableModel& table,
                                       const TableToolsController& tools,
                                       const MessageTexts& messages)
    : page_(std::make_unique<LogChartPage>(page)),
      stream_(stream),
      table_(table),
      tools_(tools),
      messages_(messages) {}

LogChartController::~LogChartController() = default;

// --- The frame -----------------------------------------------------------------

void LogChartController::Redraw(int step) {
  // While the stream runs the chart stays on its last drawing.
  if (stream_.Streaming()) return;
  const std::int32_t count = stream_.Log().Count();
  if (count < kMinimumLogSamples) {
    learner_.RequestDone();
    return;
  }
  step = std::max(step, 1);
  LogFrame& frame = page_->Frame();
  const std::int32_t learnLimit = LearningLimit(frame.end, step, learner_.MafConstCount(), count);
  TableCells cells(table_);
  // A learning pass is one step of the table history.
  std::optional<TableStepScope> learningStep;
  std::optional<TableToolsController::ChangeCount> learned;  // shown in the status bar
  const bool learn = learner_.Requested();
  if (learn) {
    learningStep.emplace([this] { emit TableStepCommitted(); });
    learned.emplace(tools_);
  }
  // One pass: a sample is learned before its table point is read, so the
  // point shows the cell it just wrote.
  page_->Plot(stream_.Log(), PlottingRange(frame.start, frame.end, step, count), step,
              [&](std::int32_t i, int maf) {
                if (learn && frame.start <= i && i <= learnLimit) {
                  if (const std::optional<int> written = LearnSample(i, step))
                    cells.Set(maf, *written);
                }
                return cells.Value(maf);
              });
  frame.drawn = true;
  learner_.RequestDone();
}

void LogChartController::Refresh() {
  const LogFrame& frame = page_->Frame();
  if (frame.drawn && !learner_.Requested()) Redraw(frame.step);
}

void LogChartController::ShowResolution(const QString& text) {
  QLabel* label = page_->ResolutionLabel();
  label->setText(messages_.Text(kResolutionWord) + text + messages_.Text(kSecondsWord));
  label->adjustSize();
}

void LogChartController::SetAutoResolution(std::int64_t frameLength) {
  LogFrame& frame = page_->Frame();
  frame.step = AutoStep(frameLength, frame.pointsPerFrame);
  ShowResolution(QString::fromStdString(StepText(frame.step)));
}

void LogChartController::FrameWholeRecording() {
  // Too short to draw: the chart keeps its last drawing, with the frame,
  // the axis and the resolution it was drawn at.
  if (stream_.Log().Count() < kMinimumLogSamples) return;
  LogFrame& frame = page_->Frame();
  frame.start = 0;
  frame.end = stream_.Log().Count();
  page_->Chart()->FollowData();
  SetAutoResolution(frame.end);
  Redraw(frame.step);
}

void LogChartController::TabShown() {
  const std::int32_t count = stream_.Log().Count();
  if (!page_->Frame().drawn && count > kMinimumLogSamples) {
    FrameWholeRecording();
  } else if (count > kMinimumLogSamples) {
    Redraw(page_->Frame().step);
  }
}

void LogChartController::ForgetDrawing() {
  page_->Frame().drawn = false;
  page_->HintItem()->setChecked(false);
}

void LogChartController::RunStopped() {
  const std::int32_t count = stream_.Log().Count();
  LogFrame& frame = page_->Frame();
  frame.drawn = false;
  frame.start = 0;
  frame.end = count;
  if (count > kMinimumLogSamples) FrameWholeRecording();
}

void LogChartController::SetFixedResolution(int k) {
  const FixedResolution& resolution = kFixedResolutions[k];
  LogFrame& frame = page_->Frame();
  frame.step = resolution.step;
  std::tie(frame.start, frame.end) = page_->AxisFrame();
  Redraw(frame.step);
  ShowResolution(QString::fromLatin1(resolution.caption));
}

void LogChartController::ToggleFixResolution() {
  QAction* item = page_->FixResolutionItem();
  item->setChecked(!item->isChecked());
}

void LogChartController::Zoomed() {
  LogChartPage& chart = *page_;
  LogFrame& frame = chart.Frame();
  chart.HintItem()->setChecked(false);
  std::tie(frame.start, frame.end) = chart.AxisFrame();
  if (!chart.FixResolutionItem()->isChecked())
    SetAutoResolution(static_cast<std::int64_t>(frame.end) - frame.start);
  Redraw(frame.step);
}

void LogChartController::ZoomUndone() {
  page_->HintItem()->setChecked(false);
  FrameWholeRecording();
}

// --- The mouse on the chart ------------------------------------------------------

void LogChartController::MouseDown(QMouseEvent* event) {
  LogChartPage& chart = *page_;
  if (!chart.Frame().drawn) return;
  const QPoint pos = PositionOf(event);
  drag_.Press(pos);
  chart.Chart()->AllowPopup(true);
  if (event->button() == Qt::RightButton) chart.SetRightButtonDown(true);
  if (!chart.SeriesItem(kTabSeries)->isChecked()) return;
  // Of the series with a point under the mouse, the last one wins.
  std::optional<int> picked;
  for (int series = kMafSeries; series <= kO2Series; ++series) {
    if (const std::optional<int> hit = chart.PointAt(series, pos)) picked = hit;
  }
  // Any button's press on a point picks it, a drag going on or not.
  if (picked) drag_.pickedPoint = *picked;
  if (event->button() != Qt::LeftButton || !picked) return;
  // The point of a locked cell is picked but does not move.
  const bool moves = !learner_.CellLocked(MafOf(chart.Y(kMafSeries, *picked)));
  if (moves) emit TableStepCommitted();  // the whole drag is one step, taken on release
  drag_.Start(*picked, chart.Y(kTabSeries, *picked), chart.YMap(), moves);
  // The left button now moves the point (or, on a locked cell, nothing)
  // instead of drawing a zoom rectangle.
  chart.Chart()->EnableZoom(false);
}

void LogChartController::MouseMove(QMouseEvent* event) {
  LogChartPage& chart = *page_;
  if (!chart.Frame().drawn) return;
  const QPoint pos = PositionOf(event);
  chart.PlaceHint(pos);
  if (drag_.dragging) {
    const int picked = drag_.pickedPoint;
    const int value = drag_.ValueAt(pos.y());
    chart.SetY(kTabSeries, picked, value);
    ShowPointHint(picked);
    const int maf = MafOf(chart.Y(kMafSeries, picked));
    learner_.MarkLearned(maf);
    table_.SetCell(maf, value);
  } else if (chart.HintItem()->isChecked()) {
    std::optional<int> hit;
    for (int series = 0; series < kLogSeriesCount; ++series) {
      if (const std::optional<int> h = chart.PointAt(series, pos)) hit = h;
    }
    if (hit) {
      ShowPointHint(*hit);
    } else {
      emit HintChanged(QString());
      chart.Hint()->hide();
    }
  }
  if (chart.RightButtonDown()) {
    // The chart has scrolled its bottom axis already.
    LogFrame& frame = chart.Frame();
    std::tie(frame.start, frame.end) = chart.AxisFrame();
    Redraw(frame.step);
    chart.Chart()->AllowPopup(false);
  }
}

void LogChartController::MouseUp() {
  LogChartPage& chart = *page_;
  // The drag ends even when the redraw below fails on a bad cell.
  chart.Chart()->EnableZoom(true);
  const bool dragged = drag_.End();
  chart.Hint()->hide();
  chart.SetRightButtonDown(false);
  if (!dragged) return;
  emit TableStepCommitted();
  // Every point of the table line shows the edited cell.
  Redraw(chart.Frame().step);
}

void LogChartController::ShowPointHint(int index) {
  LogChartPage& chart = *page_;
  std::array<bool, kLogSeriesCount> shown{};
  std::array<double, kLogSeriesCount> values{};
  for (int series = 0; series < kLogSeriesCount; ++series) {
    shown[series] = chart.SeriesItem(series)->isChecked();
    values[series] = chart.Y(series, index);
  }
  const LogHintWords words{messages_.Text(kOutputValueCaption), messages_.Text(kTableWord),
                           messages_.Text(kLambdaWord), messages_.Text(kEnrichmentWord)};
  const QString text = LogHintText(shown, values, words);
  chart.ShowHint(text);
  emit HintChanged(LogHintStatusText(text));
}

// --- Display switches ------------------------------------------------------------

void LogChartController::TogglePoints() {
  LogChartPage& chart = *page_;
  QAction* item = chart.PointsItem();
  const bool show = !item->isChecked();
  item->setChecked(show);
  for (int series = 0; series < kLogSeriesCount; ++series)
    chart.ShowMarkers(series, show && chart.LineShown(series));
}

void LogChartController::ToggleHint() {
  QAction* item = page_->HintItem();
  item->setChecked(!item->isChecked());
}

void LogChartController::ToggleSeries(int series) {
  LogChartPage& chart = *page_;
  QAction* item = chart.SeriesItem(series);
  const bool show = !item->isChecked();
  item->setChecked(show);
  chart.ShowLine(series, show);
  chart.ShowMarkers(series, show && chart.PointsItem()->isChecked());
}

}  // namespace zelor
