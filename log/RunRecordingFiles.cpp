// The recording's files: saving and opening .log files, the CSV export, the
// recording's journal and the unsaved recordings kept.

#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include "core/MessageTexts.h"
#include "core/SessionJournal.h"
#include "core/UnsavedRecordings.h"
#include "link/LogBuffer.h"
#include "log/LogCsv.h"
#include "log/LogFile.h"
#include "log/LogFrame.h"
#include "log/RecordingCoverage.h"
#include "log/RunController.h"
#include "table/CellText.h"
#include "table/TableModel.h"
#include "ui/UserDialogs.h"
#include "widgets/FileDialog.h"

namespace zelor {
namespace {

const QString kLogFilter = QStringLiteral("Log Files|*.log|All|*.*");

}  // namespace

void RunController::SaveRecording() {
  if (stream_.Log().Count() < kMinimumLogSamples) {
    emit Message(messages_.Text(kLogTooShort));
    return;
  }
  FileDialog& dialog = *dialogs_.save;
  dialog.SetFilter(kLogFilter);
  if (dialog.Execute(owner_)) {
    dialog.SetFileName(LogFileName(dialog.FileName()));
    // After "Стоп" the last run's reader may still store the frame of its
    // last read: the file holds the whole recording.
    const bool runOver = !stream_.Streaming();
    if (runOver) stream_.JoinReader();
    // A failed save leaves an older file of that name as it was.
    if (const auto error = SaveLogFile(stream_.Log(), dialog.FileName())) {
      emit Message(*error);
      return;
    }
    // Saved whole: the journal has nothing more to keep, nor has the kept
    // copy it was opened from. A save during the run holds the samples so
    // far; the journal goes on.
    if (runOver) {
      unsaved_ = false;
      ForgetJournal();
      if (!keptFrom_.isEmpty() && QFileInfo(keptFrom_) != QFileInfo(dialog.FileName()))
        QFile::remove(keptFrom_);
      keptFrom_.clear();
    }
  }
  // After a cancel: the name last chosen in the save dialog.
  emit LogFileChosen(dialog.FileName());
}

void RunController::ExportCsv() {
  // The same refusal as the .log save; like it, allowed while the stream
  // runs (the count is read once, and the slots below it are complete).
  if (stream_.Log().Count() < kMinimumLogSamples) {
    emit Message(messages_.Text(kLogTooShort));
    return;
  }
  FileDialog& dialog = *dialogs_.csv;
  if (!dialog.Execute(owner_)) return;
  dialog.SetFileName(LogCsvFileName(dialog.FileName()));
  // Each cell is read once; one that is not a number leaves its field empty.
  LogCsvTable table;
  for (int maf = 0; maf < 256; ++maf) table[maf] = table_.CellInteger(maf);
  if (const auto error = SaveLogCsvFile(stream_.Log(), dialog.FileName(), table))
    emit Message(*error);
}

void RunController::OpenRecording() {
  // The reader is the only writer of the recording while the stream runs.
  if (stream_.Streaming()) {
    emit Message(messages_.Own(OwnMessage::kLogOpenWhileStreaming));
    return;
  }
  FileDialog& dialog = *dialogs_.open;
  dialog.SetFilter(kLogFilter);
  emit RecordingAboutToBeReplaced();
  const QString before = dialog.FileName();
  if (!dialog.Execute(owner_)) return;
  // A file that is no whole number of records (a table, say) is read as one
  // only when the user says so; No is a cancel, with the dialog's name kept.
  const QFileInfo file(dialog.FileName());
  if (file.exists() && !IsLogFileLength(file.size()) &&
      !Dialogs().Ask(owner_, messages_.FileQuestion(OwnMessage::kNotLogFile, dialog.FileName(),
                                                    file.size()))) {
    dialog.SetFileName(before);
    return;
  }
  if (!Replace(dialog.FileName())) return;
  // The recording is replaced by one that is kept in its file.
  ForgetJournal();
  emit LogFileChosen(dialog.FileName());
  // One too short to draw leaves the chart on its last drawing: the status
  // bar says why. Any other clears what an earlier open said there.
  const std::int32_t count = stream_.Log().Count();
  emit StatusChanged(count < kMinimumLogSamples
                         ? messages_.Own(OwnMessage::kLogTooShortToDraw).arg(count)
                         : QString());
}

void RunController::OpenUnsavedRecording(const QString& path) {
  if (stream_.Streaming()) {
    emit Message(messages_.Own(OwnMessage::kLogOpenWhileStreaming));
    return;
  }
  emit RecordingAboutToBeReplaced();
  if (!Replace(path)) return;
  // Kept in its file until it is saved elsewhere, or the oldest to go.
  ForgetJournal();
  keptFrom_ = path;
  emit LogFileChosen(path);
}

bool RunController::RecoverRecording(const QString& path, const QDateTime& start) {
  emit RecordingAboutToBeReplaced();
  if (!Replace(path)) return false;
  // Its only copy is the journal.
  unsaved_ = true;
  recordingStart_ = start;
  return true;
}

bool RunController::Replace(const QString& path) {
  // The last run's reader may still store the frame of its last read.
  stream_.JoinReader();
  KeepUnsaved(path);
  if (const auto error = OpenLogFile(stream_.Log(), path)) {
    emit Message(*error);
    return false;
  }
  unsaved_ = false;
  keptFrom_.clear();
  emit RecordingChanged(CoverageOf(stream_.Log()));
  emit RecordingReplaced();
  return true;
}

void RunController::KeepUnsaved(const QString& spare) {
  const LogBuffer& log = stream_.Log();
  // One too short to be saved could not be kept as a .log either.
  if (!unsaved_ || log.Count() < kMinimumLogSamples) return;
  stream_.JoinReader();
  unsaved_ = false;
  // The journal holds the recording up to its last pass: the rest goes in,
  // and its file is kept as it is. A journal that does not hold the whole
  // recording (a disk that was full) gives way to a file written from it.
  if (journalDue_) recordingJournal_.Append(log);
  journalDue_ = false;
  journalTimer_->stop();
  recordingJournal_.Close();
  const QString journal = journal_.RecordingPath();
  const QString folder = journal_.Folder();
  if (!journal.isEmpty() &&
      QFileInfo(journal).size() == static_cast<qint64>(log.Count()) * kLogRecordSize &&
      KeepUnsavedRecording(folder, journal, recordingStart_, spare))
    return;
  journal_.RemoveRecording();
  const QString path = UnsavedRecordingPath(folder, recordingStart_);
  if (!path.isEmpty() && !SaveLogFile(log, path)) TrimUnsavedRecordings(folder, spare);
}

bool RunController::RecordingAtRisk() const {
  // One too short to be saved is not asked about: nothing could keep it.
  return stream_.Streaming() || (unsaved_ && stream_.Log().Count() >= kMinimumLogSamples);
}

void RunController::JournalTick() {
  if (!journalDue_) return;
  // The run is over once its reader has ended: nothing comes after it. Seen
  // before the append, so that a frame stored meanwhile is not left out.
  const bool over = !stream_.Streaming() && !stream_.ReaderRunning();
  // A journal that could not be made (no lock on a full disk) is made at a
  // later pass; one that could not be written is written at the next.
  if (!recordingJournal_.Started()) recordingJournal_.Begin(journal_.RecordingPath());
  const bool written = recordingJournal_.Append(stream_.Log());
  recordingJournal_.Sync();
  journal_.ReportRecordingWrites(written);
  // Once the journal holds the whole run, no pass is due; until then the
  // passes go on after the run too.
  if (over && written) {
    journalDue_ = false;
    journalTimer_->stop();
    recordingJournal_.Close();
  }
}

void RunController::ForgetJournal() {
  journalDue_ = false;
  journalTimer_->stop();
  recordingJournal_.Close();
  journal_.RemoveRecording();
  journal_.ReportRecordingWrites(true);  // nothing is left to write
}

}  // namespace zelor
