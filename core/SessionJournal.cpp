#include "core/SessionJournal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <set>

#include "core/FileSave.h"
#include "core/MessageTexts.h"

namespace zelor {
namespace {

const QLatin1String kPrefix("journal-");
const QLatin1String kLockSuffix(".lock");
const QLatin1String kRecordingSuffix(".log");
const QLatin1String kTableSuffix(".tab");

// A lock that only its holder's end releases: never taken from a running
// program for its age.
std::unique_ptr<QLockFile> TakeLock(const QString& path) {
  auto lock = std::make_unique<QLockFile>(path);
  lock->setStaleLockTime(0);
  if (!lock->tryLock(0)) return nullptr;
  return lock;
}

// The start time in a journal's name: milliseconds since the epoch, never the
// same twice in one process.
qint64 UniqueStartTime() {
  static std::atomic<qint64> last{0};
  qint64 now = QDateTime::currentMSecsSinceEpoch();
  qint64 before = last.load();
  while (!last.compare_exchange_weak(before, std::max(now, before + 1))) {
  }
  return std::max(now, before + 1);
}

// The lock of a left journal claimed. A lock that names this program's own
// process id was left by a gone program that had the same id (ids come round
// again: after a restart, and under Wine at every start), for this program
// never took it: it looks held by a running program, but it is stale. It goes
// unless someone holds it (the system's lock of a holder refuses that).
std::unique_ptr<QLockFile> ClaimLock(const QString& path) {
  if (auto lock = TakeLock(path)) return lock;
  QLockFile left(path);
  qint64 pid = 0;
  QString host;
  QString application;
  if (!left.getLockInfo(&pid, &host, &application) || pid != QCoreApplication::applicationPid() ||
      !left.removeStaleLockFile())
    return nullptr;
  return TakeLock(path);
}

}  // namespace

QString JournalStamp(const MessageTexts& messages, const QDateTime& time) {
  return time.toLocalTime().toString(messages.English() ? QStringLiteral("yyyy-MM-dd HH:mm")
                                                        : QStringLiteral("dd.MM.yyyy HH:mm"));
}

QString JournalFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

LeftJournal::LeftJournal() = default;
LeftJournal::LeftJournal(LeftJournal&&) noexcept = default;
LeftJournal& LeftJournal::operator=(LeftJournal&&) noexcept = default;
LeftJournal::~LeftJournal() = default;

SessionJournal::SessionJournal(QString folder)
    : folder_(std::move(folder)),
      base_(kPrefix + QString::number(QCoreApplication::applicationPid()) + u'-' +
            QString::number(UniqueStartTime())) {}

SessionJournal::~SessionJournal() { End(false, false); }

bool SessionJournal::Locked() {
  if (ended_ || folder_.isEmpty()) return false;
  if (lock_) return true;
  if (!QDir().mkpath(folder_)) return false;
  lock_ = TakeLock(QDir(folder_).filePath(base_ + kLockSuffix));
  return lock_ != nullptr;
}

QString SessionJournal::PathOf(const char* suffix) {
  if (!Locked()) return {};
  return QDir(folder_).filePath(base_ + QLatin1String(suffix));
}

QString SessionJournal::RecordingPath() { return PathOf(".log"); }
QString SessionJournal::TablePath() { return PathOf(".tab"); }

bool SessionJournal::KeepTable(std::span<const std::uint8_t> image) {
  table_.assign(image.begin(), image.end());
  return SettleTable();
}

void SessionJournal::SetConverterCells(std::span<const std::uint8_t> cells) {
  converterCells_.assign(cells.begin(), cells.end());
  if (!table_.empty()) SettleTable();
}

void SessionJournal::SetTableFile(std::span<const std::uint8_t> image) {
  tableFile_.assign(image.begin(), image.end());
  if (!table_.empty()) SettleTable();
}

bool SessionJournal::SettleTable() {
  const bool converterHolds =
      !converterCells_.empty() && table_.size() >= converterCells_.size() &&
      std::equal(converterCells_.begin(), converterCells_.end(), table_.begin());
  if (converterHolds || table_ == tableFile_) {
    RemoveTable();
    tableFailing_ = false;
    return true;
  }
  const QString path = TablePath();
  const bool written = !path.isEmpty() && !SaveWholeFile(path, table_);
  tableFailing_ = !written;
  failedOnce_ = failedOnce_ || !written;
  return written;
}

void SessionJournal::RemoveRecording() {
  if (lock_) QFile::remove(QDir(folder_).filePath(base_ + kRecordingSuffix));
}

void SessionJournal::RemoveTable() {
  if (lock_) QFile::remove(QDir(folder_).filePath(base_ + kTableSuffix));
}

void SessionJournal::ReportRecordingWrites(bool written) {
  recordingFailing_ = !written;
  failedOnce_ = failedOnce_ || !written;
}

JournalHealth SessionJournal::Health() const {
  if (recordingFailing_ || tableFailing_) return JournalHealth::kFailing;
  return failedOnce_ ? JournalHealth::kWritingAgain : JournalHealth::kWriting;
}

void SessionJournal::End(bool keepRecording, bool keepTable) {
  if (ended_) return;
  if (!keepRecording) RemoveRecording();
  if (!keepTable) RemoveTable();
  lock_.reset();  // its file goes
  ended_ = true;
  // A folder this program made and left empty goes too; one holding another
  // program's files stays.
  if (!folder_.isEmpty()) QDir().rmdir(folder_);
}

std::vector<LeftJournal> SessionJournal::ClaimLeft() const {
  std::vector<LeftJournal> left;
  const QDir folder(folder_);
  if (folder_.isEmpty() || !folder.exists()) return left;
  // The sets of files by their base name.
  std::set<QString> bases;
  for (const QFileInfo& file :
       folder.entryInfoList({kPrefix + u'*'}, QDir::Files | QDir::Hidden, QDir::Name)) {
    const QString name = file.fileName();
    for (const QLatin1String suffix : {kLockSuffix, kRecordingSuffix, kTableSuffix}) {
      if (name.endsWith(suffix)) bases.insert(name.chopped(suffix.size()));
    }
  }
  for (const QString& base : bases) {
    if (base == base_) continue;
    LeftJournal journal;
    journal.claim = ClaimLock(folder.filePath(base + kLockSuffix));
    if (!journal.claim) continue;  // its program runs, or another one claimed it
    const QFileInfo recording(folder.filePath(base + kRecordingSuffix));
    const QFileInfo table(folder.filePath(base + kTableSuffix));
    if (recording.exists()) {
      journal.recording = recording.filePath();
      journal.recordingWritten = recording.lastModified();
    }
    if (table.exists()) {
      journal.table = table.filePath();
      journal.tableWritten = table.lastModified();
    }
    // A lock without files: the claim's end removes it.
    if (journal.recording.isEmpty() && journal.table.isEmpty()) continue;
    left.push_back(std::move(journal));
  }
  const auto newest = [](const LeftJournal& j) {
    return std::max(j.recordingWritten.isValid() ? j.recordingWritten : QDateTime(),
                    j.tableWritten.isValid() ? j.tableWritten : QDateTime());
  };
  std::stable_sort(left.begin(), left.end(), [&](const LeftJournal& a, const LeftJournal& b) {
    return newest(a) > newest(b);
  });
  return left;
}

bool SessionJournal::AdoptRecording(LeftJournal& left) {
  const QString own = RecordingPath();
  if (own.isEmpty() || left.recording.isEmpty()) return false;
  QFile::remove(own);
  if (!QFile::rename(left.recording, own)) return false;
  left.recording.clear();
  return true;
}

QString LeftRecordingQuestion(const MessageTexts& messages, std::int64_t samples,
                              const QDateTime& written) {
  // 100 samples a second; the last one was written at `written`.
  const QDateTime start = written.addMSecs(-samples * 10);
  return messages.Own(OwnMessage::kLeftRecordingQuestion)
      .arg(QString::number(std::llround(static_cast<double>(samples) / 100.0)),
           JournalStamp(messages, start));
}

QString LeftTableQuestion(const MessageTexts& messages, const QDateTime& written) {
  return messages.Own(OwnMessage::kLeftTableQuestion).arg(JournalStamp(messages, written));
}

QString CloseQuestion(const MessageTexts& messages, bool recordingUnsaved, bool tableUnwritten) {
  if (!recordingUnsaved && !tableUnwritten) return {};
  QString text;
  if (recordingUnsaved)
    text += messages.Own(OwnMessage::kCloseRecordingUnsaved) + QStringLiteral("\r\n");
  if (tableUnwritten)
    text += messages.Own(OwnMessage::kCloseTableUnwritten) + QStringLiteral("\r\n");
  return text + messages.Own(OwnMessage::kCloseAnyway);
}

}  // namespace zelor
