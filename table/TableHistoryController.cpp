#include "table/TableHistoryController.h"

#include <QAbstractItemDelegate>
#include <QAction>
#include <QMenu>
#include <QTableWidget>

#include "core/SessionJournal.h"
#include "table/GridPage.h"
#include "table/TableGrid.h"
#include "table/TableModel.h"
#include "ui/HandlerGuard.h"

namespace zelor {

TableHistoryController::TableHistoryController(GridPage& grid, LearnedMarks& learning,
                                               TableHistoryItems items, QWidget* owner,
                                               SessionJournal* journal)
    : grid_(grid),
      table_(grid.Table()),
      learning_(learning),
      items_(items),
      owner_(owner),
      journal_(journal) {
  history_.Reset(Now());
  UpdateItems();
  // Whatever changes the table can be taken back at once.
  auto changed = [this] {
    if (!items_.undo->isEnabled()) items_.undo->setEnabled(history_.Pending(Now()));
  };
  connect(&table_, &TableModel::CellsChanged, this, changed);
  connect(&table_, &TableModel::SettingsChanged, this, changed);
  // A live-learning run changes the table between commits: its learning so
  // far can be taken back too.
  connect(items_.menu, &QMenu::aboutToShow, this,
          [this] { items_.undo->setEnabled(history_.CanUndo() || history_.Pending(Now())); });
  // A cell typed in the grid is a step once its editor closes.
  connect(grid_.Grid()->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
          [this] { Guarded(owner_, [this] { Commit(); }); });
}

TableState TableHistoryController::Now() const {
  TableState state;
  state.cells = table_.Texts();
  state.settings = table_.Settings();
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

void TableHistoryController::KeepShown() {
  if (!journal_) return;
  if (const auto image = TableStateImage(Now())) journal_->KeepTable(*image);
}

void TableHistoryController::UpdateItems() {
  items_.undo->setEnabled(history_.CanUndo());
  items_.redo->setEnabled(history_.CanRedo());
}

void TableHistoryController::Show(const TableState& state) {
  table_.SetTexts(state.cells);
  table_.SetSettings(state.settings);
  learning_.SetLearnedCells(state.learned);
  grid_.Page()->update();
  emit TableReworked();
}

void TableHistoryController::Undo() { Move(&TableHistory::Undo); }

void TableHistoryController::Redo() { Move(&TableHistory::Redo); }

void TableHistoryController::Move(std::optional<TableState> (TableHistory::*move)()) {
  // Changes not yet committed (a live-learning run's so far) are a step of
  // their own first; a run goes on learning into the table shown.
  Commit();
  const std::optional<TableState> state = (history_.*move)();
  if (state) Show(*state);
  // After the state's own writes, which the model's listener heard as
  // changes of the table.
  UpdateItems();
  if (state) Keep();
}

}  // namespace zelor
