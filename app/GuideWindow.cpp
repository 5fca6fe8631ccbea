#include "app/GuideWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>

#include "app/UserDialogs.h"
#include "core/MessageTexts.h"

namespace zelor {

QStringList GuideFolders() {
  const QString program = QCoreApplication::applicationDirPath();
  QStringList folders;
#ifdef Q_OS_WIN
  folders << program + QStringLiteral("/docs");
#else
  folders << program + QStringLiteral("/../share/zelor-configurator/docs");
#endif
#ifdef ZELOR_SOURCE_DOCS
  folders << QStringLiteral(ZELOR_SOURCE_DOCS);
#endif
  return folders;
}

QString FindGuide(const QStringList& folders, bool english) {
  const QString name = english ? QStringLiteral("/en/guide.md") : QStringLiteral("/ru/guide.md");
  for (const QString& folder : folders) {
    const QFileInfo guide(folder + name);
    if (guide.isFile()) return QDir::cleanPath(guide.absoluteFilePath());
  }
  return {};
}

QTextBrowser* OpenGuide(QWidget* parent, const MessageTexts& messages, const QStringList& folders) {
  const QString guide = FindGuide(folders, messages.English());
  if (guide.isEmpty()) {
    QStringList looked;
    for (const QString& folder : folders)
      looked << QDir::toNativeSeparators(QDir::cleanPath(folder));
    Dialogs().ShowMessage(parent, messages.Own(OwnMessage::kGuideMissing).arg(looked.join(u'\n')));
    return nullptr;
  }
  auto* window = parent->findChild<QTextBrowser*>(QStringLiteral("GuideWindow"));
  if (!window) {
    window = new QTextBrowser(parent);
    window->setObjectName(QStringLiteral("GuideWindow"));
    window->setWindowFlag(Qt::Window);
    window->resize(900, 700);
  }
  window->setWindowTitle(messages.Own(OwnMessage::kGuideCaption));
  // The links of the contents stay inside; a link out goes nowhere.
  window->setOpenLinks(true);
  window->setOpenExternalLinks(false);
  // A .md source is read as Markdown; the pictures' relative paths resolve
  // against it.
  window->setSource(QUrl::fromLocalFile(guide), QTextDocument::MarkdownResource);
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

}  // namespace zelor
