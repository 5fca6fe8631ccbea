#pragma once
// A file dialog object of a window: it keeps its filter and the file name last
// chosen between uses, as the table and log commands rely on (the open dialog
// of the main window is shared by table and log files).

#include <QObject>
#include <QString>

#include "ui/UserDialogs.h"

class QWidget;

namespace zelor {

class FileDialog : public QObject {
  Q_OBJECT
 public:
  FileDialog(FileDialogKind kind, const QString& name, QObject* parent);

  // Filter in the "Caption|*.ext|Caption|*.*" form.
  void SetFilter(const QString& filter) { filter_ = filter; }
  const QString& Filter() const { return filter_; }

  // The file name last chosen (or set); empty until one is.
  const QString& FileName() const { return fileName_; }
  void SetFileName(const QString& name) { fileName_ = name; }

  // Shows the dialog at the file last chosen, or where DialogStartFolder()
  // says while none has been; true and FileName() updated when the user
  // chose a file, false with FileName() unchanged on cancel.
  bool Execute(QWidget* parent);

 private:
  FileDialogKind kind_;
  QString filter_;
  QString fileName_;
};

}  // namespace zelor
