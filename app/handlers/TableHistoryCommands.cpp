// The main window's table history: "Отменить", "Вернуть" and the commit,
// forwarded to the history's controller (table/TableHistoryController).

#include "app/ZelorConfigurator.h"
#include "table/TableHistoryController.h"

namespace zelor {

void TForm1::UndoTableClick() { history_->Undo(); }

void TForm1::RedoTableClick() { history_->Redo(); }

void TForm1::CommitTableStep() { history_->Commit(); }

}  // namespace zelor
