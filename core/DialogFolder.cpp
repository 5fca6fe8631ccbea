#include "core/DialogFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace zelor {
namespace {

// The folder as one spelling: links resolved and, on Windows, each name in
// the case it has on the disk.
QString Canonical(const QString& folder) {
  const QString canonical = QFileInfo(folder).canonicalFilePath();
  return canonical.isEmpty() ? QDir::cleanPath(QDir(folder).absolutePath()) : canonical;
}

// Whether a file can be made in the folder: asked of the file system itself,
// since folder permissions alone do not tell it on every system.
bool CanWriteIn(const QString& folder) {
  if (folder.isEmpty()) return false;
  QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("zelor-XXXXXX.tmp")));
  return probe.open();
}

QString DocumentsFolder() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return !documents.isEmpty() && QDir(documents).exists() ? Canonical(documents)
                                                          : Canonical(QDir::homePath());
}

}  // namespace

QString DialogStartFolder(const QString& working, const QString& program, bool workingWritable,
                          const QString& documents) {
  if (working.isEmpty() || !workingWritable) return documents;
  if (program.isEmpty()) return working;
  const QString programPrefix = program.endsWith(u'/') ? program : program + u'/';
  if (working == program || working.startsWith(programPrefix)) return documents;
  return working;
}

QString DialogStartFolder() {
  const QString working = Canonical(QDir::currentPath());
  return DialogStartFolder(working, Canonical(QCoreApplication::applicationDirPath()),
                           CanWriteIn(working), DocumentsFolder());
}

}  // namespace zelor
