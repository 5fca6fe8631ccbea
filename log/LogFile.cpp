#include "log/LogFile.h"

#include <QFile>
#include <algorithm>
#include <cstring>

#include "core/FileSave.h"
#include "link/LogBuffer.h"

namespace zelor {

static_assert(kLogRecordSize == kLogChannelCount);

QString LogFileName(const QString& chosen) {
  if (chosen.endsWith(QLatin1String(".log"), Qt::CaseSensitive)) return chosen;
  return chosen + QLatin1String(".log");
}

QByteArray EncodeLogRecords(const LogBuffer& buffer, std::int32_t count) {
  QByteArray bytes(static_cast<qsizetype>(count) * kLogRecordSize, Qt::Uninitialized);
  char* out = bytes.data();
  for (std::int32_t slot = 0; slot < count; ++slot, out += kLogRecordSize)
    std::memcpy(out, buffer.SampleAt(slot).bytes.data(), kLogRecordSize);
  return bytes;
}

std::int32_t SpreadLogRecords(LogBuffer& buffer, const char* bytes, qint64 size) {
  const qint64 records = size / kLogRecordSize;
  const std::int32_t count =
      static_cast<std::int32_t>(std::min<qint64>(records, LogBuffer::kCapacity));
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes);
  buffer.StoreRecords(0, data, count);
  // Every record past the cap lands in slot kCapacity: the last one stays.
  if (records > LogBuffer::kCapacity)
    buffer.StoreRecords(LogBuffer::kCapacity, data + (records - 1) * kLogRecordSize, 1);
  buffer.SetCount(count);
  return count;
}

std::optional<QString> SaveLogFile(const LogBuffer& buffer, const QString& path) {
  const QByteArray bytes = EncodeLogRecords(buffer, buffer.Count());
  return SaveWholeFile(path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                       static_cast<std::size_t>(bytes.size())));
}

std::optional<QString> OpenLogFile(LogBuffer& buffer, const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
    return CannotOpenFileMessage(path, file.errorString());
  QByteArray bytes;
  if (file.isSequential()) {
    bytes = file.readAll();
  } else {
    // Records past the cap all land in the last slot, so only the last of
    // them is read: a huge file costs no more memory than a full recording.
    const qint64 records = file.size() / kLogRecordSize;
    const qint64 kept = std::min<qint64>(records, LogBuffer::kCapacity);
    bytes = file.read(kept * kLogRecordSize);
    if (records > kept && file.seek((records - 1) * kLogRecordSize))
      bytes += file.read(kLogRecordSize);
  }
  if (file.error() != QFileDevice::NoError) return CannotOpenFileMessage(path, file.errorString());
  file.close();
  SpreadLogRecords(buffer, bytes.constData(), bytes.size());
  return std::nullopt;
}

}  // namespace zelor
