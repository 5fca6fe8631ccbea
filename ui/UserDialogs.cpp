#include "ui/UserDialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTreeView>
#include <QUrl>

#include "ui/DialogLanguage.h"

namespace zelor {
namespace {

// Turns "Tab files|*.tab|All|*.*" into Qt's "Tab files (*.tab);;All (*.*)".
QString QtFilter(const QString& pipeFilter) {
  const QStringList parts = pipeFilter.split('|');
  QStringList entries;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    entries << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
  }
  return entries.join(QStringLiteral(";;"));
}

// The file dialog's type column in English: Qt names a file's type by the
// description its MIME database holds in the program's (Russian) locale,
// which English dialogs must not show. Asked from the dialog's file-info
// thread, so it only reads the file info it is given.
class EnglishFileTypes final : public QFileIconProvider {
 public:
  QString type(const QFileInfo& info) const override {
    if (!info.isFile()) return QFileIconProvider::type(info);  // "Folder", "Drive", ...
    const QString suffix = info.suffix();
    return suffix.isEmpty() ? QStringLiteral("File") : suffix.toUpper() + QStringLiteral(" File");
  }
};

// Large enough for every column of the detail view, the screen allowing.
QSize FileDialogSize(const QFileDialog& dialog) {
  QSize size = dialog.sizeHint().expandedTo(QSize(kFileDialogWidth, kFileDialogHeight));
  if (const QScreen* screen = dialog.screen()) size = size.boundedTo(screen->availableSize());
  return size;
}

// The detail view's columns start at widths made for short English texts;
// each folder listed widens them to what they show (the user may still
// resize them). Qt's own dialog only: a native one has no such view.
void FitColumnsOnLoad(QFileDialog& dialog) {
  auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  auto* model = dialog.findChild<QFileSystemModel*>();
  if (!view || !model) return;
  QObject::connect(model, &QFileSystemModel::directoryLoaded, view, [view] {
    for (int column = 0; column < view->header()->count(); ++column)
      view->resizeColumnToContents(column);
  });
}

class QtDialogs final : public UserDialogs {
 public:
  void ShowMessage(QWidget* parent, const QString& text) override {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok,
                    parent);
    box.exec();
  }

  bool Ask(QWidget* parent, const QString& question) override {
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), question,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
  }

  std::optional<int> AskInteger(QWidget* parent, const QString& title, const QString& prompt,
                                int value, int min, int max) override {
    QInputDialog dialog(parent);
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setIntRange(min, max);
    dialog.setIntValue(value);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.intValue();
  }

  std::optional<QString> AskFileName(QWidget* parent, FileDialogKind kind, const QString& filter,
                                     const QString& start) override {
    // As QFileDialog's static functions make it, with a size of its own.
    QFileDialog dialog(parent, QString(), start, QtFilter(filter));
    if (kind == FileDialogKind::Open) {
      dialog.setAcceptMode(QFileDialog::AcceptOpen);
      dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      dialog.setFileMode(QFileDialog::AnyFile);
      dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    static EnglishFileTypes englishTypes;
    if (!RussianDialogs()) dialog.setIconProvider(&englishTypes);
    dialog.resize(FileDialogSize(dialog));
    FitColumnsOnLoad(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString chosen = dialog.selectedFiles().constFirst();
    if (chosen.isEmpty()) return std::nullopt;
    return chosen;
  }

  void OpenAddress(const QString& address) override {
    QDesktopServices::openUrl(QUrl::fromUserInput(address));
  }
};

QtDialogs& RealDialogs() {
  static QtDialogs dialogs;
  return dialogs;
}

UserDialogs* installed = nullptr;
QPointer<QWidget> onTop;

// The dialogs in force, each given the window on top as its owner while
// that window is shown.
class OwnedAbove final : public UserDialogs {
 public:
  void ShowMessage(QWidget* parent, const QString& text) override {
    Inner().ShowMessage(Owner(parent), text);
  }
  bool Ask(QWidget* parent, const QString& question) override {
    return Inner().Ask(Owner(parent), question);
  }
  std::optional<int> AskInteger(QWidget* parent, const QString& title, const QString& prompt,
                                int value, int min, int max) override {
    return Inner().AskInteger(Owner(parent), title, prompt, value, min, max);
  }
  std::optional<QString> AskFileName(QWidget* parent, FileDialogKind kind, const QString& filter,
                                     const QString& start) override {
    return Inner().AskFileName(Owner(parent), kind, filter, start);
  }
  void OpenAddress(const QString& address) override { Inner().OpenAddress(address); }

 private:
  static UserDialogs& Inner() { return installed ? *installed : RealDialogs(); }
  static QWidget* Owner(QWidget* parent) {
    return onTop && onTop->isVisible() ? onTop.data() : parent;
  }
};

}  // namespace

UserDialogs& Dialogs() {
  static OwnedAbove dialogs;
  return dialogs;
}

void KeepBoxesAbove(QWidget* window) { onTop = window; }

void InstallDialogs(UserDialogs* dialogs) { installed = dialogs; }

}  // namespace zelor
