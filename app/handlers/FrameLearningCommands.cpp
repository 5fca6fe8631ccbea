// The main window's learning from the log frame: the learn command and the
// five modes, which request learning and redraw the log chart (the redraw
// runs the frame-learning step for each plotted sample of the frame); the
// learned cells' lock and reset; and the double click that sets one cell on
// the log chart. The rules are in learn/FrameLearning.

#include <QAction>
#include <QLabel>
#include <algorithm>

#include "app/ZelorConfigurator.h"
#include "app/handlers/TableStep.h"
#include "learn/FrameLearning.h"
#include "log/LogChartPage.h"
#include "table/GridPage.h"

namespace zelor {

std::optional<int> TForm1::LearnFrameSample(std::int32_t i, int step) {
  const std::optional<FrameLearningWrite> write = learning_.LearnSample(stream_->Log(), i, step);
  if (!write) return std::nullopt;
  grid_->SetCell(write->m, write->v);
  return write->v;
}

void TForm1::N16Click() {
  learning_.Request();
  RedrawLogChart(logChart_->Frame().step);
}

void TForm1::ChooseMafConstCount(int n) {
  for (int k = kMinMafConstCount; k <= kMaxMafConstCount; ++k)
    logChart_->MafConstItem(k)->setChecked(k == n);
  learning_.ChooseMafConstCount(n);
  RedrawLogChart(logChart_->Frame().step);
}

void TForm1::N21Click() { ChooseMafConstCount(1); }
void TForm1::N15Click() { ChooseMafConstCount(2); }
void TForm1::N3MAFConst1Click() { ChooseMafConstCount(3); }
void TForm1::N4MAFConst1Click() { ChooseMafConstCount(4); }
void TForm1::N5MAFConst1Click() { ChooseMafConstCount(5); }

void TForm1::LearnedCellsLockClick() {
  const bool on = learning_.ToggleLock();
  logChart_->LearnedCellsLockItem()->setChecked(on);
  logChart_->LockWarning()->setVisible(on);
}

void TForm1::ResetAllLearnedCellsClick() {
  // The marks go with the cells through the history: a reset can be taken
  // back.
  const TableStep step(*this);
  learning_.ResetAll();
}

void TForm1::LogChartDblClick() {
  LogChartPage& chart = *logChart_;
  if (!chart.Frame().drawn) return;
  // Where the press that began the double click was.
  const std::optional<LogChartSpot> spot =
      LogChartSpotAt(chart.XMap(), chart.YMap(), chart.Drag().pressX, chart.Drag().pressY);
  if (!spot) return;
  // Before the first or after the last plotted point no cell is meant.
  const std::optional<int> point = chart.PointAtTime(kMafSeries, spot->time);
  if (!point) return;
  const int maf = std::clamp(static_cast<int>(chart.Y(kMafSeries, *point)), 0, 255);
  if (learning_.CellLocked(maf)) return;
  const TableStep step(*this);
  grid_->SetCell(maf, spot->level);
  learning_.MarkLearned(maf);
  RedrawLogChart(chart.Frame().step);
}

}  // namespace zelor
