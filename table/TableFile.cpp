#include "table/TableFile.h"

#include <QFile>

#include "table/TableFileName.h"
#include "table/TableImage.h"

namespace zelor {

QString WithTabExtension(const QString& name) {
  return QString::fromStdString(TableFileName(name.toStdString(), PlatformNameCase()));
}

bool IsTableFileLength(qint64 size) {
  for (const std::size_t length : {kCellCount, kCompareImageSize, kTableImageSize}) {
    if (size == static_cast<qint64>(length)) return true;
  }
  return false;
}

FileStart ReadFileStart(const QString& name, qint64 maxBytes) {
  QFile file(name);
  if (!file.open(QIODevice::ReadOnly)) {
    throw FileOpenError(CannotOpenFileMessage(name, file.errorString()));
  }
  // Bytes past maxBytes are ignored, so a huge file is not read whole.
  return {file.read(maxBytes), file.size()};
}

}  // namespace zelor
