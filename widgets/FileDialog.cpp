#include "widgets/FileDialog.h"

#include "core/DialogFolder.h"

namespace zelor {

FileDialog::FileDialog(FileDialogKind kind, const QString& name, QObject* parent)
    : QObject(parent), kind_(kind) {
  setObjectName(name);
}

bool FileDialog::Execute(QWidget* parent) {
  const QString start = fileName_.isEmpty() ? DialogStartFolder() : fileName_;
  const std::optional<QString> chosen = Dialogs().AskFileName(parent, kind_, filter_, start);
  if (!chosen) return false;
  fileName_ = *chosen;
  return true;
}

}  // namespace zelor
