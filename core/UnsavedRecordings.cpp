#include "core/UnsavedRecordings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

#include "core/MessageTexts.h"
#include "core/SessionJournal.h"

namespace zelor {
namespace {

const QLatin1String kPrefix("unsaved-");
const QLatin1String kSuffix(".log");
constexpr std::int64_t kRecordBytes = 8;

}  // namespace

std::vector<UnsavedRecording> UnsavedRecordings(const QString& folder) {
  std::vector<UnsavedRecording> kept;
  if (folder.isEmpty()) return kept;
  for (const QFileInfo& file :
       QDir(folder).entryInfoList({kPrefix + u'*' + kSuffix}, QDir::Files | QDir::Hidden)) {
    bool number = false;
    const qint64 start =
        file.fileName().sliced(kPrefix.size()).chopped(kSuffix.size()).toLongLong(&number);
    if (!number) continue;  // not one of ours
    kept.push_back(
        {file.filePath(), file.size() / kRecordBytes, QDateTime::fromMSecsSinceEpoch(start)});
  }
  std::sort(kept.begin(), kept.end(),
            [](const UnsavedRecording& a, const UnsavedRecording& b) { return a.start > b.start; });
  return kept;
}

QString UnsavedRecordingPath(const QString& folder, const QDateTime& start) {
  if (folder.isEmpty() || !QDir().mkpath(folder)) return {};
  // Two recordings that started in the same millisecond take the next free
  // one: their order stays.
  for (qint64 ms = start.toMSecsSinceEpoch();; ++ms) {
    const QString path = QDir(folder).filePath(kPrefix + QString::number(ms) + kSuffix);
    if (!QFile::exists(path)) return path;
  }
}

bool KeepUnsavedRecording(const QString& folder, const QString& file, const QDateTime& start,
                          const QString& spare) {
  const QString path = UnsavedRecordingPath(folder, start);
  if (path.isEmpty() || !QFile::rename(file, path)) return false;
  TrimUnsavedRecordings(folder, spare);
  return true;
}

void TrimUnsavedRecordings(const QString& folder, const QString& spare) {
  std::int64_t bytes = 0;
  int count = 0;
  bool full = false;  // from the first one dropped on, every older one goes
  for (const UnsavedRecording& recording : UnsavedRecordings(folder)) {
    bytes += recording.samples * kRecordBytes;
    ++count;
    full = full || (count > kUnsavedKeptAtLeast &&
                    (count > kUnsavedKeptAtMost || bytes > kUnsavedKeptBytes));
    if (full && recording.path != spare) QFile::remove(recording.path);
  }
}

QString UnsavedRecordingCaption(const MessageTexts& messages, const UnsavedRecording& recording) {
  return messages.Own(OwnMessage::kUnsavedRecordingItem)
      .arg(JournalStamp(messages, recording.start),
           QString::number(std::llround(static_cast<double>(recording.samples) / 100.0)));
}

}  // namespace zelor
