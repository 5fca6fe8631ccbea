// The recording's files: saving and opening .log files, the CSV export, and
// the recording's journal.

#include <QFileInfo>
#include <QTimer>

#include "core/MessageTexts.h"
#include "core/SessionJournal.h"
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
    // Saved whole: the journal has nothing more to keep. A save during the
    // run holds the samples so far; the journal goes on.
    if (runOver) {
      unsaved_ = false;
      ForgetJournal();
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
  // The last run's reader may still store the frame of its last read.
  stream_.JoinReader();
  if (const auto error = OpenLogFile(stream_.Log(), dialog.FileName())) {
    emit Message(*error);
    return;
  }
  // The recording is replaced by one that is kept in its file.
  unsaved_ = false;
  ForgetJournal();
  emit RecordingChanged(CoverageOf(stream_.Log()));
  emit RecordingReplaced();
  emit LogFileChosen(dialog.FileName());
  // One too short to draw leaves the chart on its last drawing: the status
  // bar says why. Any other clears what an earlier open said there.
  const std::int32_t count = stream_.Log().Count();
  emit StatusChanged(count < kMinimumLogSamples
                         ? messages_.Own(OwnMessage::kLogTooShortToDraw).arg(count)
                         : QString());
}

bool RunController::RecoverRecording(const QString& path) {
  emit RecordingAboutToBeReplaced();
  stream_.JoinReader();
  if (const auto error = OpenLogFile(stream_.Log(), path)) {
    emit Message(*error);
    return false;
  }
  // Its only copy is the journal.
  unsaved_ = true;
  emit RecordingChanged(CoverageOf(stream_.Log()));
  emit RecordingReplaced();
  return true;
}

bool RunController::RecordingAtRisk() const {
  // One too short to be saved is not asked about: nothing could keep it.
  return stream_.Streaming() || (unsaved_ && stream_.Log().Count() >= kMinimumLogSamples);
}

void RunController::JournalTick() {
  // The run is over once its reader has ended: nothing comes after it. Seen
  // before the append, so that a frame stored meanwhile is not left out.
  const bool over = !stream_.Streaming() && !stream_.ReaderRunning();
  recordingJournal_.Append(stream_.Log());
  recordingJournal_.Sync();
  if (over) {
    journalTimer_->stop();
    recordingJournal_.Close();
  }
}

void RunController::ForgetJournal() {
  journalTimer_->stop();
  recordingJournal_.Close();
  journal_.RemoveRecording();
}

}  // namespace zelor
