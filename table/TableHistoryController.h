#pragma once
// The table history bound to the window: "Отменить" and "Вернуть", the commit
// that records a step, the states of the two items, and the grid's editor,
// whose end commits the cell typed in. The table's model is the table; the
// history (TableHistory) keeps the states steps replaced, each with the
// learned marks of its cells, and follows the model's changes so that
// "Отменить" is offered as soon as the table differs from its last step.
//
// After each step (and each undo or redo) the table shown is kept in the
// session's journal as a .tab image, so that an end without a question does
// not lose it; a table with a cell that is no byte keeps the image before.
//
// It tells what it showed by its signal; it knows nothing of the window.

#include <QObject>
#include <optional>

#include "table/TableHistory.h"

class QAction;
class QMenu;
class QWidget;

namespace zelor {

class GridPage;
class SessionJournal;
class TableModel;

// The items the history enables: the undo and redo items, and the menu that
// holds them (opening it offers a live-learning run's pending changes).
struct TableHistoryItems {
  QAction* undo = nullptr;
  QAction* redo = nullptr;
  QMenu* menu = nullptr;
};

class TableHistoryController : public QObject {
  Q_OBJECT
 public:
  // Starts the history at the table shown, kept in journal (none: not
  // kept); owner owns the message box of a commit that fails. The
  // references must outlive the controller.
  TableHistoryController(GridPage& grid, LearnedMarks& learning, TableHistoryItems items,
                         QWidget* owner, SessionJournal* journal = nullptr);
  TableHistoryController(const TableHistoryController&) = delete;
  TableHistoryController& operator=(const TableHistoryController&) = delete;

  // The changes since the last commit, if any, as one step; a cell still
  // being edited is finished first, as a step of its own.
  void Commit();
  // Takes back (or redoes) the newest step; changes not yet committed (a
  // live-learning run's so far) are a step of their own first.
  void Undo();
  void Redo();

  // The table shown goes to the journal as it is, without a step (a run of
  // changes that will be one step, kept as it goes).
  void KeepShown();

  const TableHistory& Steps() const { return history_; }

 signals:
  // A state taken back or forward is in the table: the views that show it
  // (the charts) are to follow.
  void TableReworked();

 private:
  TableState Now() const;
  void Show(const TableState& state);
  void Move(std::optional<TableState> (TableHistory::*move)());
  void UpdateItems();
  void Keep();

  GridPage& grid_;
  TableModel& table_;
  LearnedMarks& learning_;
  TableHistoryItems items_;
  QWidget* owner_;
  TableHistory history_;
  SessionJournal* journal_;
};

}  // namespace zelor
