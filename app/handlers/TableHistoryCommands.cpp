// The main window's table history: "Отменить" and "Вернуть", the commit
// that records a step, and the states of the two items. The history itself
// is table/TableHistory; the grid stays the store of the table.

#include <QAbstractItemDelegate>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTableWidget>

#include "app/HandlerGuard.h"
#include "app/ZelorConfigurator.h"
#include "app/handlers/TableStep.h"
#include "log/LogChartController.h"
#include "table/GridPage.h"
#include "table/TableChart.h"
#include "table/TableGrid.h"
#include "widgets/UpDown.h"

namespace zelor {

TableState TForm1::TableNow() const {
  TableState state;
  for (int index = 0; index < 256; ++index) state.cells[index] = grid_->CellText(index);
  // The spin controls hold the settings their read-only boxes show.
  for (int index = 0; index < kSettingCount; ++index)
    state.settings.Set(index, grid_->SettingUpDown(index)->Position());
  state.learned = logChart_->Learner().LearnedCells();
  return state;
}

void TForm1::CommitTableStep() {
  // A cell still being edited is finished first: its text is a step of its
  // own (its editor's end commits it), before whatever follows.
  EndCellEditing(grid_->Grid());
  history_.Commit(TableNow());
  UpdateHistoryItems();
}

void TForm1::UpdateHistoryItems() {
  menu_.undoTable->setEnabled(history_.CanUndo());
  menu_.redoTable->setEnabled(history_.CanRedo());
}

void TForm1::ShowTable(const TableState& state) {
  for (int index = 0; index < 256; ++index) grid_->SetCellText(index, state.cells[index]);
  grid_->SetSettings(state.settings);
  logChart_->Learner().SetLearnedCells(state.learned);
  grid_->Page()->update();
  // The table chart's hint may still tell a value the table no longer holds.
  tableChart_->HintLabel()->hide();
  RefreshInsertCellChart();
  TabTableGraphShow();
  // A drawn log chart shows the table line again; a pending learning request
  // waits for a redraw of its own.
  logChart_->Refresh();
}

void TForm1::UndoTableClick() { MoveInHistory(&TableHistory::Undo); }

void TForm1::RedoTableClick() { MoveInHistory(&TableHistory::Redo); }

void TForm1::MoveInHistory(std::optional<TableState> (TableHistory::*move)()) {
  // Changes not yet committed (a live-learning run's so far) are a step of
  // their own first; a run goes on learning into the table shown.
  CommitTableStep();
  const std::optional<TableState> state = (history_.*move)();
  UpdateHistoryItems();
  if (state) ShowTable(*state);
}

void TForm1::ConnectTableHistory() {
  history_.Reset(TableNow());
  UpdateHistoryItems();
  connect(menu_.undoTable, &QAction::triggered, this,
          [this] { Guarded(this, [this] { UndoTableClick(); }); });
  connect(menu_.redoTable, &QAction::triggered, this,
          [this] { Guarded(this, [this] { RedoTableClick(); }); });
  // A live-learning run changes the table between commits: its learning so
  // far can be taken back too.
  auto* menu = findChild<QMenu*>(QStringLiteral("N5"));
  connect(menu, &QMenu::aboutToShow, this, [this] {
    menu_.undoTable->setEnabled(history_.CanUndo() || history_.Pending(TableNow()));
  });
  // A cell typed in the grid is a step once its editor closes.
  connect(grid_->Grid()->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
          [this] { Guarded(this, [this] { CommitTableStep(); }); });
}

}  // namespace zelor
