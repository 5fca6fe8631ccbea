#include "ui/DialogLanguage.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace zelor {
namespace {

// Owned by the application object, so it goes with it.
QPointer<QTranslator> russian;
bool installed = false;

QTranslator* LoadRussian() {
  auto* translator = new QTranslator(QCoreApplication::instance());
  const QString folders[] = {
      QLibraryInfo::path(QLibraryInfo::TranslationsPath),
      QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations"))};
  for (const QString& folder : folders) {
    if (translator->load(QStringLiteral("qtbase_ru"), folder)) return translator;
  }
  delete translator;
  return nullptr;
}

}  // namespace

bool UseRussianDialogs() {
  if (!russian) {
    installed = false;
    russian = LoadRussian();
    if (!russian) return false;
  }
  if (!installed) installed = QCoreApplication::installTranslator(russian);
  return installed;
}

void UseEnglishDialogs() {
  if (russian && installed) QCoreApplication::removeTranslator(russian);
  installed = false;
}

bool RussianDialogs() { return installed; }

}  // namespace zelor
