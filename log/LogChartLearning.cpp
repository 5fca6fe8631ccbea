// Learning from the log frame: the learn command and the five modes, which
// request learning and redraw the chart (the redraw runs the frame-learning
// step for each plotted sample of the frame); the learned cells' lock and
// reset; and the double click that sets one cell on the chart. The rules
// are in learn/FrameLearning.

#include <QAction>
#include <QLabel>
#include <algorithm>

#include "learn/FrameLearning.h"
#include "log/LogChartController.h"
#include "log/LogChartPage.h"
#include "log/StreamRun.h"
#include "table/TableModel.h"

namespace zelor {

std::optional<int> LogChartController::LearnSample(std::int32_t i, int step) {
  const std::optional<FrameLearningWrite> write = learner_.LearnSample(stream_.Log(), i, step);
  if (!write) return std::nullopt;
  table_.SetCell(write->m, write->v);
  return write->v;
}

void LogChartController::Learn() {
  learner_.Request();
  Redraw(page_->Frame().step);
}

void LogChartController::ChooseMafConstCount(int n) {
  for (int k = kMinMafConstCount; k <= kMaxMafConstCount; ++k)
    page_->MafConstItem(k)->setChecked(k == n);
  learner_.ChooseMafConstCount(n);
  Redraw(page_->Frame().step);
}

void LogChartController::ToggleLearnedCellsLock() {
  const bool on = learner_.ToggleLock();
  page_->LearnedCellsLockItem()->setChecked(on);
  page_->LockWarning()->setVisible(on);
}

void LogChartController::ResetLearnedCells() {
  // The marks go with the cells through the history: a reset can be taken
  // back.
  const TableStepScope step([this] { emit TableStepCommitted(); });
  learner_.ResetAll();
}

void LogChartController::DoubleClick() {
  LogChartPage& chart = *page_;
  if (!chart.Frame().drawn) return;
  // Where the press that began the double click was.
  const std::optional<LogChartSpot> spot =
      LogChartSpotAt(chart.XMap(), chart.YMap(), drag_.pressX, drag_.pressY);
  if (!spot) return;
  // Before the first or after the last plotted point no cell is meant.
  const std::optional<int> point = chart.PointAtTime(kMafSeries, spot->time);
  if (!point) return;
  const int maf = std::clamp(static_cast<int>(chart.Y(kMafSeries, *point)), 0, 255);
  if (learner_.CellLocked(maf)) return;
  const TableStepScope step([this] { emit TableStepCommitted(); });
  table_.SetCell(maf, spot->level);
  learner_.MarkLearned(maf);
  Redraw(chart.Frame().step);
}

}  // namespace zelor
