// The main window's log chart handlers: the redraw of the frame, the
// resolution, zoom and undo zoom, the tab's show, and the mouse and display
// switches of the chart. The arithmetic is in log/LogFrame and the hint text
// in log/LogHint; these feed them and write the controls.

#include <QAction>
#include <QLabel>
#include <QMouseEvent>
#include <algorithm>
#include <bitset>
#include <optional>
#include <tuple>

#include "app/HandlerGuard.h"
#include "app/ZelorConfigurator.h"
#include "app/handlers/TableStep.h"
#include "link/LogBuffer.h"
#include "log/LogChartPage.h"
#include "log/LogHint.h"
#include "table/CellText.h"
#include "table/ChartGeometry.h"
#include "table/GridPage.h"
#include "table/TableToolsController.h"

namespace zelor {
namespace {

// The table values of one redraw, read from the grid the first time a MAF
// value needs one: a pass reads at most 256 cells however many samples it
// plots. A cell that is not an integer raises the conversion error when it
// is needed.
class TableCells {
 public:
  explicit TableCells(const GridPage& grid) : grid_(grid) {}

  int Value(int maf) {
    if (!known_[maf]) {
      values_[maf] = ParseInteger(grid_.CellText(maf).toStdString());
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
  const GridPage& grid_;
  std::array<int, 256> values_{};
  std::bitset<256> known_;
};

int MafOf(double y) { return std::clamp(RoundHalfEvenDouble(y), 0, 255); }

void ShowResolution(LogChartPage& chart, const MessageTexts& messages, const QString& text) {
  chart.ResolutionLabel()->setText(messages.Text(kResolutionWord) + text +
                                   messages.Text(kSecondsWord));
  chart.ResolutionLabel()->adjustSize();
}

void ToggleLogSeries(LogChartPage& chart, int series) {
  QAction* item = chart.SeriesItem(series);
  const bool show = !item->isChecked();
  item->setChecked(show);
  chart.ShowLine(series, show);
  chart.ShowMarkers(series, show && chart.PointsItem()->isChecked());
}

}  // namespace

void TForm1::ConnectLogChart() {
  auto run = [this](auto handler) { Guarded(this, [&] { (this->*handler)(); }); };
  auto onItem = [this, run](const char* name, void (TForm1::*handler)()) {
    QAction* action = findChild<QAction*>(QString::fromLatin1(name));
    Q_ASSERT(action);
    connect(action, &QAction::triggered, this, [action, handler, run] {
      // Qt turns a checkable item's mark over before it reports the click;
      // the handlers turn it over themselves.
      if (action->isCheckable()) action->setChecked(!action->isChecked());
      run(handler);
    });
  };
  onItem("N3", &TForm1::N3Click);
  onItem("N4", &TForm1::N4Click);
  onItem("ExportCsv", &TForm1::ExportCsvClick);
  onItem("N26", &TForm1::N26Click);
  onItem("N10", &TForm1::N10Click);
  onItem("ZakrepitRazreshenie", &TForm1::ZakrepitRazreshenieClick);
  onItem("N0011", &TForm1::N0011Click);
  onItem("N011", &TForm1::N011Click);
  onItem("N0251", &TForm1::N0251Click);
  onItem("N051", &TForm1::N051Click);
  onItem("N110", &TForm1::N110Click);
  onItem("MAF1", &TForm1::MAF1Click);
  onItem("VAF1", &TForm1::VAF1Click);
  onItem("N23", &TForm1::N23Click);
  onItem("N24", &TForm1::N24Click);
  onItem("N25", &TForm1::N25Click);
  onItem("N27", &TForm1::N27Click);
  onItem("N28", &TForm1::N28Click);
  onItem("N16", &TForm1::N16Click);
  onItem("N21", &TForm1::N21Click);
  onItem("N15", &TForm1::N15Click);
  onItem("N3MAFConst1", &TForm1::N3MAFConst1Click);
  onItem("N4MAFConst1", &TForm1::N4MAFConst1Click);
  onItem("N5MAFConst1", &TForm1::N5MAFConst1Click);
  onItem("LearnedCellsLock", &TForm1::LearnedCellsLockClick);
  onItem("ResetAllLearnedCells", &TForm1::ResetAllLearnedCellsClick);

  LogChart* chart = logChart_->Chart();
  connect(chart, &QCustomPlot::mousePress, this,
          [this](QMouseEvent* event) { Guarded(this, [&] { LogChartMouseDown(event); }); });
  connect(chart, &QCustomPlot::mouseMove, this,
          [this](QMouseEvent* event) { Guarded(this, [&] { LogChartMouseMove(event); }); });
  connect(chart, &QCustomPlot::mouseRelease, this,
          [this, run](QMouseEvent*) { run(&TForm1::LogChartMouseUp); });
  connect(chart, &QCustomPlot::mouseDoubleClick, this, [run](QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) run(&TForm1::LogChartDblClick);
  });
  connect(chart, &LogChart::zoomed, this, [run] { run(&TForm1::LogChartZoom); });
  connect(chart, &LogChart::zoomUndone, this, [run] { run(&TForm1::LogChartUndoZoom); });
}

// --- Redraw and resolution ---------------------------------------------------

void TForm1::RedrawLogChart(int step) {
  // While the stream runs the chart stays on its last drawing.
  if (stream_->Streaming()) return;
  const std::int32_t count = stream_->Log().Count();
  if (count < kMinimumLogSamples) {
    learning_.RequestDone();
    return;
  }
  step = std::max(step, 1);
  LogChartPage& chart = *logChart_;
  LogFrame& frame = chart.Frame();
  const std::int32_t learnLimit = LearningLimit(frame.end, step, learning_.MafConstCount(), count);
  TableCells cells(*grid_);
  // A learning pass is one step of the table history.
  std::optional<TableStep> learningStep;
  std::optional<TableToolsController::ChangeCount> learned;  // shown in the status bar
  const bool learn = learning_.Requested();
  if (learn) {
    learningStep.emplace(*this);
    learned.emplace(*tools_);
  }
  // One pass: a sample is learned before its table point is read, so the
  // point shows the cell it just wrote.
  chart.Plot(stream_->Log(), PlottingRange(frame.start, frame.end, step, count), step,
             [&](std::int32_t i, int maf) {
               if (learn && frame.start <= i && i <= learnLimit) {
                 if (const std::optional<int> learned = LearnFrameSample(i, step))
                   cells.Set(maf, *learned);
               }
               return cells.Value(maf);
             });
  frame.drawn = true;
  learning_.RequestDone();
}

void TForm1::SetAutoResolution(std::int64_t frameLength) {
  LogFrame& frame = logChart_->Frame();
  frame.step = AutoStep(frameLength, frame.pointsPerFrame);
  ShowResolution(*logChart_, messages_, QString::fromStdString(StepText(frame.step)));
}

void TForm1::FrameWholeRecording() {
  LogFrame& frame = logChart_->Frame();
  frame.start = 0;
  frame.end = stream_->Log().Count();
  logChart_->Chart()->FollowData();
  SetAutoResolution(frame.end);
  RedrawLogChart(frame.step);
}

void TForm1::SetFixedResolution(int step, const char* caption) {
  LogFrame& frame = logChart_->Frame();
  frame.step = step;
  std::tie(frame.start, frame.end) = logChart_->AxisFrame();
  RedrawLogChart(frame.step);
  ShowResolution(*logChart_, messages_, QString::fromLatin1(caption));
}

void TForm1::N0011Click() { SetFixedResolution(1, "0.01"); }
void TForm1::N011Click() { SetFixedResolution(10, "0.1"); }
void TForm1::N0251Click() { SetFixedResolution(25, "0.25"); }
void TForm1::N051Click() { SetFixedResolution(50, "0.5"); }
void TForm1::N110Click() { SetFixedResolution(100, "1"); }

void TForm1::ZakrepitRazreshenieClick() {
  QAction* item = logChart_->FixResolutionItem();
  item->setChecked(!item->isChecked());
}

void TForm1::LogChartZoom() {
  LogChartPage& chart = *logChart_;
  LogFrame& frame = chart.Frame();
  chart.HintItem()->setChecked(false);
  std::tie(frame.start, frame.end) = chart.AxisFrame();
  if (!chart.FixResolutionItem()->isChecked())
    SetAutoResolution(static_cast<std::int64_t>(frame.end) - frame.start);
  RedrawLogChart(frame.step);
}

void TForm1::LogChartUndoZoom() {
  logChart_->HintItem()->setChecked(false);
  FrameWholeRecording();
}

void TForm1::TabSheet2Show() {
  const std::int32_t count = stream_->Log().Count();
  if (!logChart_->Frame().drawn && count > kMinimumLogSamples) {
    FrameWholeRecording();
  } else if (count > kMinimumLogSamples) {
    RedrawLogChart(logChart_->Frame().step);
  }
  ShowFileCaption(files_.log);
}

// --- Interaction -------------------------------------------------------------

void TForm1::LogChartMouseDown(QMouseEvent* event) {
  LogChartPage& chart = *logChart_;
  if (!chart.Frame().drawn) return;
  const QPoint pos = PositionOf(event);
  drag_.pressX = pos.x();
  drag_.pressY = pos.y();
  chart.Chart()->AllowPopup(true);
  if (event->button() == Qt::RightButton) chart.SetRightButtonDown(true);
  if (!chart.SeriesItem(kTabSeries)->isChecked()) return;
  // Of the series with a point under the mouse, the last one wins.
  std::optional<int> picked;
  for (int series = kMafSeries; series <= kO2Series; ++series) {
    if (const std::optional<int> hit = chart.PointAt(series, pos)) picked = hit;
  }
  if (picked) drag_.pickedPoint = *picked;
  if (event->button() != Qt::LeftButton || !picked) return;
  drag_.dragging = !learning_.CellLocked(MafOf(chart.Y(kMafSeries, *picked)));
  if (drag_.dragging) CommitTableStep();  // the whole drag is one step, taken on release
  drag_.scale = DragScale(chart.YMap());
  drag_.dragPressY = pos.y();
  drag_.startValue = chart.Y(kTabSeries, *picked);
  // The left button now moves the point (or, on a locked cell, nothing)
  // instead of drawing a zoom rectangle.
  chart.Chart()->EnableZoom(false);
}

void TForm1::LogChartMouseMove(QMouseEvent* event) {
  LogChartPage& chart = *logChart_;
  if (!chart.Frame().drawn) return;
  const QPoint pos = PositionOf(event);
  chart.PlaceHint(pos);
  if (drag_.dragging) {
    const int picked = drag_.pickedPoint;
    const int value = DragValue(drag_.dragPressY, pos.y(), drag_.scale, drag_.startValue);
    chart.SetY(kTabSeries, picked, value);
    ShowLogHint(picked);
    const int maf = MafOf(chart.Y(kMafSeries, picked));
    learning_.MarkLearned(maf);
    grid_->SetCell(maf, value);
  } else if (chart.HintItem()->isChecked()) {
    std::optional<int> hit;
    for (int series = 0; series < kLogSeriesCount; ++series) {
      if (const std::optional<int> h = chart.PointAt(series, pos)) hit = h;
    }
    if (hit) {
      ShowLogHint(*hit);
    } else {
      HintPanel()->clear();
      chart.Hint()->hide();
    }
  }
  if (chart.RightButtonDown()) {
    // The chart has scrolled its bottom axis already.
    LogFrame& frame = chart.Frame();
    std::tie(frame.start, frame.end) = chart.AxisFrame();
    RedrawLogChart(frame.step);
    chart.Chart()->AllowPopup(false);
  }
}

void TForm1::LogChartMouseUp() {
  LogChartPage& chart = *logChart_;
  const bool dragged = drag_.dragging;
  // The drag ends even when the redraw below fails on a bad cell.
  chart.Chart()->EnableZoom(true);
  drag_.dragging = false;
  chart.Hint()->hide();
  chart.SetRightButtonDown(false);
  if (!dragged) return;
  CommitTableStep();
  // Every point of the table line shows the edited cell.
  RedrawLogChart(chart.Frame().step);
}

void TForm1::ShowLogHint(int index) {
  LogChartPage& chart = *logChart_;
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
  HintPanel()->setText(LogHintStatusText(text));
}

// --- Display switches --------------------------------------------------------

void TForm1::N26Click() {
  LogChartPage& chart = *logChart_;
  QAction* item = chart.PointsItem();
  const bool show = !item->isChecked();
  item->setChecked(show);
  for (int series = 0; series < kLogSeriesCount; ++series)
    chart.ShowMarkers(series, show && chart.LineShown(series));
}

void TForm1::N10Click() {
  QAction* item = logChart_->HintItem();
  item->setChecked(!item->isChecked());
}

void TForm1::MAF1Click() { ToggleLogSeries(*logChart_, kMafSeries); }
void TForm1::VAF1Click() { ToggleLogSeries(*logChart_, kVafSeries); }
void TForm1::N23Click() { ToggleLogSeries(*logChart_, kConvSeries); }
void TForm1::N24Click() { ToggleLogSeries(*logChart_, kTabSeries); }
void TForm1::N25Click() { ToggleLogSeries(*logChart_, kO2Series); }
void TForm1::N27Click() { ToggleLogSeries(*logChart_, kEnrichmentSeries); }
void TForm1::N28Click() { ToggleLogSeries(*logChart_, kMarkerSeries); }

}  // namespace zelor
