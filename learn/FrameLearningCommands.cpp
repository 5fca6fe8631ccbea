// The main window's learning from the log frame: the learn command and the
// five modes, which request learning and redraw the log chart (the redraw
// runs the frame-learning step for each plotted sample of the frame); the
// learned cells' lock and reset; and the double click that sets one cell on
// the log chart. The rules are in learn/FrameLearning.

#include <QAction>
#include <QLabel>
#include <algorithm>

#include "app/ZelorConfigurator.h"
#include "learn/FrameLearning.h"
#include "log/LogChartPage.h"
#include "table/GridPage.h"

namespace zelor {

std::optional<int> TForm1::LearnFrameSample(std::int32_t i, int step) {
  const std::optional<FrameLearningWrite> write =
      FrameLearningStep(*logBuffer_, i, step, mafConstCount_, learnedCells_, learnedCellsLock_);
  if (!write) return std::nullopt;
  grid_->SetCell(write->m, write->v);
  return write->v;
}

bool TForm1::CellLocked(int maf) const {
  return learnedCellsLock_ && learnedCells_.at(std::clamp(maf, 0, 255)) != 0;
}

void TForm1::N16Click() {
  learnRequest_ = true;
  RedrawLogChart(logChart_->Frame().step);
}

void TForm1::ChooseMafConstCount(int n) {
  for (int k = kMinMafConstCount; k <= kMaxMafConstCount; ++k)
    logChart_->MafConstItem(k)->setChecked(k == n);
  mafConstCount_ = n;
  N16Click();
}

void TForm1::N21Click() { ChooseMafConstCount(1); }
void TForm1::N15Click() { ChooseMafConstCount(2); }
void TForm1::N3MAFConst1Click() { ChooseMafConstCount(3); }
void TForm1::N4MAFConst1Click() { ChooseMafConstCount(4); }
void TForm1::N5MAFConst1Click() { ChooseMafConstCount(5); }

void TForm1::LearnedCellsLockClick() {
  learnedCellsLock_ = !learnedCellsLock_;
  logChart_->LearnedCellsLockItem()->setChecked(learnedCellsLock_);
  logChart_->LockWarning()->setVisible(learnedCellsLock_);
}

void TForm1::ResetAllLearnedCellsClick() {
  // The marks go with the cells through the history: a reset can be taken
  // back.
  const TableStep step(*this);
  learnedCells_.fill(0);
}

void TForm1::LogChartDblClick() {
  LogChartPage& chart = *logChart_;
  if (!chart.Frame().drawn) return;
  // Where the press that began the double click was.
  const std::optional<LogChartSpot> spot =
      LogChartSpotAt(chart.XMap(), chart.YMap(), drag_.pressX, drag_.pressY);
  if (!spot) return;
  // Before the first or after the last plotted point no cell is meant.
  const std::optional<int> point = chart.PointAtTime(kMafSeries, spot->time);
  if (!point) return;
  const int maf = std::clamp(static_cast<int>(chart.Y(kMafSeries, *point)), 0, 255);
  if (CellLocked(maf)) return;
  const TableStep step(*this);
  grid_->SetCell(maf, spot->level);
  learnedCells_[maf] = 1;
  RedrawLogChart(chart.Frame().step);
}

}  // namespace zelor
