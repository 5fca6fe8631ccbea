#include "table/TableHistoryController.h"

#include <QAbstractItemDelegate>
#include <QAction>
#include <QMenu>
#include <QTableWidget>
#include <utility>

#include "core/SessionJournal.h"
#include "table/GridPage.h"
#include "table/TableGrid.h"
#include "ui/HandlerGuard.h"
#include "widgets/UpDown.h"

namespace zelor {

TableHistoryController::TableHistoryController(GridPage& grid, LearnedMarks& learning,
                                               TableHistoryItems items, TableHistoryHooks hooks,
                                               SessionJournal* journal)
    : grid_(grid), learning_(learning), items_(items), hooks_(std::move(hooks)), journal_(journal) {
  history_.Reset(Now());
  UpdateItems();
  // A live-learning run changes the table between commits: its learning so
  // far can be taken back too.
  QObject::connect(items_.menu, &QMenu::aboutToShow, &receiver_, [this] {
    items_.undo->setEnabled(history_.CanUndo() || history_.Pending(Now()));
  });
  // A cell typed in the grid is a step once its editor closes.
  QObject::connect(grid_.Grid()->itemDelegate(), &QAbstractItemDelegate::closeEditor, &receiver_,
                   [this] { Guarded(hooks_.owner, [this] { Commit(); }); });
}

TableState TableHistoryController::Now() const {
  TableState state;
  for (int index = 0; index < 256; ++index) state.cells[index] = grid_.CellText(index);
  // The spin controls hold the settings their read-only boxes show.
  for (int index = 0; index < kSettingCount; ++index)
    state.settings.Set(index, grid_.SettingUpDown(index)->Position());
  state.learned = learning_.LearnedCells();
  return state;
}

void TableHistoryController::Commit() {
  // A cell still being edited is finished first: its text is a step of its
  // own (its editor's end commits it), before whatever follows.
  EndCellEditing(grid_.Grid());
  const bool stepped = history_.Commit(Now());
  UpdateItems();
  if (stepped) Keep();
}

void TableHistoryController::Keep() {
  if (!journal_) return;
  if (const auto image = TableStateImage(history_.Committed())) journal_->KeepTable(*image);
}

void TableHistoryController::UpdateItems() {
  items_.undo->setEnabled(history_.CanUndo());
  items_.redo->setEnabled(history_.CanRedo());
}

void TableHistoryController::Show(const TableState& state) {
  for (int index = 0; index < 256; ++index) grid_.SetCellText(index, state.cells[index]);
  grid_.SetSettings(state.settings);
  learning_.SetLearnedCells(state.learned);
  grid_.Page()->update();
  hooks_.shown();
}

void TableHistoryController::Undo() { Move(&TableHistory::Undo); }

void TableHistoryController::Redo() { Move(&TableHistory::Redo); }

void TableHistoryController::Move(std::optional<TableState> (TableHistory::*move)()) {
  // Changes not yet committed (a live-learning run's so far) are a step of
  // their own first; a run goes on learning into the table shown.
  Commit();
  const std::optional<TableState> state = (history_.*move)();
  UpdateItems();
  if (!state) return;
  Show(*state);
  Keep();
}

}  // namespace zelor
