#include "table/TableFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace zelor {

QString WithTabExtension(const QString& name) {
  if (name.endsWith(QLatin1String(".tab"), Qt::CaseSensitive)) return name;
  return name + QLatin1String(".tab");
}

QByteArray ReadFileStart(const QString& name, qint64 maxBytes) {
  QFile file(name);
  if (!file.open(QIODevice::ReadOnly)) {
    throw FileOpenError(
        QStringLiteral("Cannot open file \"%1\". %2")
            .arg(QDir::toNativeSeparators(QFileInfo(name).absoluteFilePath()), file.errorString()));
  }
  // Bytes past maxBytes are ignored, so a huge file is not read whole.
  return file.read(maxBytes);
}

std::optional<QString> SaveWholeFile(const QString& name, std::span<const std::uint8_t> bytes) {
  // Unbuffered, so that a short write (a full disk) is seen here rather
  // than lost in a flush that reports nothing.
  const bool existed = QFileInfo::exists(name);
  QSaveFile file(name);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
    return QStringLiteral("Can't create file before saving");
  const auto size = static_cast<qint64>(bytes.size());
  if (file.write(reinterpret_cast<const char*>(bytes.data()), size) != size) {
    file.cancelWriting();
    return QStringLiteral("Can't open file before saving");
  }
  if (!file.commit()) {
    return existed ? QStringLiteral("Can't delete file before saving")
                   : QStringLiteral("Can't create file before saving");
  }
  return std::nullopt;
}

}  // namespace zelor
