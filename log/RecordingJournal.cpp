#include "log/RecordingJournal.h"

#include <QFileInfo>
#include <cstring>

#include "link/LogBuffer.h"
#include "log/LogFile.h"

namespace zelor {

bool RecordingJournal::Begin(const QString& path) {
  Close();
  records_ = 0;
  if (path.isEmpty()) return false;
  path_ = QFileInfo(path).filesystemAbsoluteFilePath();
  return file_.Create(path_);
}

bool RecordingJournal::Append(const LogBuffer& buffer) {
  if (!Started()) return false;
  if (!IsOpen() && !file_.Resume(path_, static_cast<std::uint64_t>(records_) * kLogRecordSize)) {
    // Gone, or shorter than it was: made again from the recording's start.
    records_ = 0;
    if (!file_.Create(path_)) return false;
  }
  const std::int32_t count = buffer.Count();
  if (count <= records_) return true;
  const std::int32_t n = count - records_;
  chunk_.resize(static_cast<qsizetype>(n) * kLogRecordSize);
  char* out = chunk_.data();
  for (std::int32_t slot = records_; slot < count; ++slot, out += kLogRecordSize)
    std::memcpy(out, buffer.SampleAt(slot).bytes.data(), kLogRecordSize);
  if (!file_.Append(chunk_.constData(), static_cast<std::size_t>(chunk_.size()))) {
    file_.Close();  // reopened, cut to the whole records, by the next append
    return false;
  }
  records_ = count;
  return true;
}

bool RecordingJournal::Sync() {
  // A system that cannot sync the file still holds what was written: the
  // journal goes on, safe from a killed program if not from a power loss.
  return IsOpen() && file_.Sync();
}

void RecordingJournal::Close() {
  file_.Close();
  path_.clear();
}

}  // namespace zelor
