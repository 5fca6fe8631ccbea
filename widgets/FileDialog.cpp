#include "widgets/FileDialog.h"

namespace zelor {

FileDialog::FileDialog(FileDialogKind kind, const QString& name, QObject* parent)
    : QObject(parent), kind_(kind) {
  setObjectName(name);
}

bool FileDialog::Execute(QWidget* parent) {
  const std::optional<QString> chosen = Dialogs().AskFileName(parent, kind_, filter_, fileName_);
  if (!chosen) return false;
  fileName_ = *chosen;
  return true;
}

}  // namespace zelor
