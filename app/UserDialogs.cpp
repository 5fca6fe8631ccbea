#include "app/UserDialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

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

  std::optional<QString> AskFileName(QWidget* parent, FileDialogKind kind, const QString& filter,
                                     const QString& currentName) override {
    const QString qtFilter = QtFilter(filter);
    const QString chosen =
        kind == FileDialogKind::Open
            ? QFileDialog::getOpenFileName(parent, QString(), currentName, qtFilter)
            : QFileDialog::getSaveFileName(parent, QString(), currentName, qtFilter, nullptr,
                                           QFileDialog::DontConfirmOverwrite);
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

}  // namespace

UserDialogs& Dialogs() { return installed ? *installed : RealDialogs(); }

void InstallDialogs(UserDialogs* dialogs) { installed = dialogs; }

}  // namespace zelor
