#include "table/TableFile.h"

#include <QFile>

#include "table/TableFileName.h"

namespace zelor {

QString WithTabExtension(const QString& name) {
  return QString::fromStdString(TableFileName(name.toStdString(), PlatformNameCase()));
}

QByteArray ReadFileStart(const QString& name, qint64 maxBytes) {
  QFile file(name);
  if (!file.open(QIODevice::ReadOnly)) {
    throw FileOpenError(CannotOpenFileMessage(name, file.errorString()));
  }
  // Bytes past maxBytes are ignored, so a huge file is not read whole.
  return file.read(maxBytes);
}

}  // namespace zelor
