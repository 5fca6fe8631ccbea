#include "table/TableFile.h"

#include <QFile>

namespace zelor {

QString WithTabExtension(const QString& name) {
  if (name.endsWith(QLatin1String(".tab"), Qt::CaseSensitive)) return name;
  return name + QLatin1String(".tab");
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
