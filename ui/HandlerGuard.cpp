#include "ui/HandlerGuard.h"

#include <QString>

#include "ui/UserDialogs.h"

namespace zelor {

void ShowHandlerError(QWidget* owner, const char* message) noexcept {
  try {
    Dialogs().ShowMessage(owner, QString::fromUtf8(message));
  } catch (...) {
    // Nothing sensible is left to do when even the message box fails.
  }
}

}  // namespace zelor
