#pragma once
// What a running program keeps on disk so that an end without a question (a
// crash, a killed program, a flat battery) does not lose the tuner's work:
// the recording's journal (a .log file, appended while the stream runs) and
// the grid's table image (a .tab file, kept after each step of the table's
// history). Both live in the user's data folder, one set per running program:
//
//   journal-<process id>-<start time>.lock   held while the program runs
//   journal-<process id>-<start time>.log    the recording's journal
//   journal-<process id>-<start time>.tab    the table image
//
// The lock (a QLockFile, whose system lock the system releases when its
// process dies) tells a running program's files from those a program left:
// a later program claims left files by taking their lock, so that only one
// program offers them and two programs on two converters never touch each
// other's. The start time in the name keeps a new program apart from a gone
// one that had its process id. A lock that names the starting program's own
// process id was left by a gone program that had the same id (ids come round
// after a restart, and under Wine at every start); Qt would take it for a
// running program's, so it is removed with QLockFile::removeStaleLockFile,
// which the system lock of a live holder refuses, and taken.
//
// After a normal end nothing is left: the destructor removes whatever End
// did not keep, and the lock's file goes with the lock.

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class QLockFile;

namespace zelor {

class MessageTexts;

// What the journal's last writes did: all reached the disk (kWriting); one
// did not (kFailing: a full disk, a folder that cannot be written; the
// tuner's work has no protection against a crash then); all do again after a
// failure (kWritingAgain).
enum class JournalHealth { kWriting, kFailing, kWritingAgain };

// The journals' folder: the user's data folder of this program
// (QStandardPaths::AppLocalDataLocation).
QString JournalFolder();

// The files a gone program left, claimed by this one: while the claim is
// held (until the object goes), no other program offers them.
struct LeftJournal {
  LeftJournal();
  LeftJournal(LeftJournal&&) noexcept;
  LeftJournal& operator=(LeftJournal&&) noexcept;
  ~LeftJournal();  // releases the claim (its lock file goes)

  QString recording;           // its .log, empty when it left none
  QString table;               // its .tab, empty when it left none
  QDateTime recordingWritten;  // when each was last written
  QDateTime tableWritten;
  std::unique_ptr<QLockFile> claim;
};

class SessionJournal {
 public:
  // This program's files in folder. Nothing is made on disk before a path
  // is asked for.
  explicit SessionJournal(QString folder);
  // The end of the program: removes what End did not keep.
  ~SessionJournal();
  SessionJournal(const SessionJournal&) = delete;
  SessionJournal& operator=(const SessionJournal&) = delete;

  // The paths of this program's recording journal and table image. The
  // first call makes the folder and takes the program's lock; empty while
  // that fails (the program then runs without a journal).
  QString RecordingPath();
  QString TablePath();

  // Keeps the table image (262 bytes), written whole (a failure keeps the
  // one before), unless the table is held elsewhere (below): its file goes
  // then. False when it could not be written.
  bool KeepTable(std::span<const std::uint8_t> image);
  // Where the table is held outside the journal: the cells the converter is
  // known to hold (256 bytes), and the image of the last .tab file saved or
  // opened. An image whose cells the converter holds, or that file's image,
  // is not kept: an end without a question would lose nothing. The last
  // image kept is weighed again at once.
  void SetConverterCells(std::span<const std::uint8_t> cells);
  void SetTableFile(std::span<const std::uint8_t> image);
  void RemoveRecording();
  void RemoveTable();

  // Whether the journal reaches the disk: the recording's writer reports
  // each of its passes, the table image's writes count by themselves.
  void ReportRecordingWrites(bool written);
  JournalHealth Health() const;

  // The program's end: the recording journal and the table image are
  // removed unless kept, the lock is released. Once ended, paths are empty.
  void End(bool keepRecording, bool keepTable);

  // The files of programs that are gone, each set claimed, the newest
  // first; never this program's own. A lock left without files is removed.
  std::vector<LeftJournal> ClaimLeft() const;

  // Makes a left recording this program's journal (moved into its place):
  // false when it could not be moved. The left journal's recording is empty
  // afterwards.
  bool AdoptRecording(LeftJournal& left);

  // The folder and the name every file of this program starts with.
  const QString& Folder() const { return folder_; }
  const QString& BaseName() const { return base_; }

 private:
  bool Locked();
  QString PathOf(const char* suffix);
  // Writes the last table image kept, or removes its file when the table is
  // held elsewhere.
  bool SettleTable();

  QString folder_;
  QString base_;
  std::unique_ptr<QLockFile> lock_;
  bool ended_ = false;
  std::vector<std::uint8_t> table_;           // the last image kept
  std::vector<std::uint8_t> converterCells_;  // empty while not known
  std::vector<std::uint8_t> tableFile_;       // empty while none
  bool recordingFailing_ = false;
  bool tableFailing_ = false;
  bool failedOnce_ = false;
};

// A time as the journal's texts tell it, in the messages' language.
QString JournalStamp(const MessageTexts& messages, const QDateTime& time);

// The start-up's questions about left files (Yes opens or loads, No
// deletes) and the close question, in the messages' language. A recording
// of `samples` samples (100 a second) whose last sample was written at
// `written` is told by its length in whole seconds and its start.
QString LeftRecordingQuestion(const MessageTexts& messages, std::int64_t samples,
                              const QDateTime& written);
QString LeftTableQuestion(const MessageTexts& messages, const QDateTime& written);
// Names what would be lost; empty when nothing would.
QString CloseQuestion(const MessageTexts& messages, bool recordingUnsaved, bool tableUnwritten);

}  // namespace zelor
