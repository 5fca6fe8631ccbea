// The main window's autotune by lambda: its switch and "Откатить", forwarded
// to autotune's controller (log/AutotuneController).

#include "app/ZelorConfigurator.h"
#include "log/AutotuneController.h"

namespace zelor {

void TForm1::AutotuneClick(bool on) { autotune_->Switched(on); }

void TForm1::AutotuneRollbackClick() { autotune_->Rollback(); }

}  // namespace zelor
