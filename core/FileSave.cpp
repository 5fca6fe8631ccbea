#include "core/FileSave.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace zelor {

std::optional<QString> SaveWholeFile(const QString& path, std::span<const std::uint8_t> bytes) {
  // Unbuffered, so that a short write (a full disk) is seen here rather than
  // lost in a flush that reports nothing.
  const bool existed = QFileInfo::exists(path);
  QSaveFile file(path);
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

QString CannotOpenFileMessage(const QString& path, const QString& reason) {
  return QStringLiteral("Cannot open file \"%1\". %2")
      .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()), reason);
}

}  // namespace zelor
