// The recording's files: saving and opening .log files, and the CSV export.

#include "core/MessageTexts.h"
#include "link/LogBuffer.h"
#include "log/LogCsv.h"
#include "log/LogFile.h"
#include "log/LogFrame.h"
#include "log/RunController.h"
#include "table/CellText.h"
#include "table/GridPage.h"
#include "table/TableToolsController.h"
#include "widgets/FileDialog.h"

namespace zelor {
namespace {

const QString kLogFilter = QStringLiteral("Log Files|*.log|All|*.*");

}  // namespace

void RunController::SaveRecording() {
  if (stream_.Log().Count() < kMinimumLogSamples) {
    hooks_.message(messages_.Text(kLogTooShort));
    return;
  }
  FileDialog& dialog = *dialogs_.save;
  dialog.SetFilter(kLogFilter);
  if (dialog.Execute(hooks_.owner)) {
    dialog.SetFileName(LogFileName(dialog.FileName()));
    // A failed save leaves an older file of that name as it was.
    if (const auto error = SaveLogFile(stream_.Log(), dialog.FileName())) {
      hooks_.message(*error);
      return;
    }
  }
  // After a cancel: the name last chosen in the save dialog.
  hooks_.logFileChosen(dialog.FileName());
}

void RunController::ExportCsv() {
  // The same refusal as the .log save; like it, allowed while the stream
  // runs (the count is read once, and the slots below it are complete).
  if (stream_.Log().Count() < kMinimumLogSamples) {
    hooks_.message(messages_.Text(kLogTooShort));
    return;
  }
  FileDialog& dialog = *dialogs_.csv;
  if (!dialog.Execute(hooks_.owner)) return;
  dialog.SetFileName(LogCsvFileName(dialog.FileName()));
  // Each cell is read once; one that is not a number leaves its field empty.
  LogCsvTable table;
  for (int maf = 0; maf < 256; ++maf) table[maf] = IntegerOf(grid_.CellText(maf).toStdString());
  if (const auto error = SaveLogCsvFile(stream_.Log(), dialog.FileName(), table))
    hooks_.message(*error);
}

void RunController::OpenRecording() {
  // The reader is the only writer of the recording while the stream runs.
  if (stream_.Streaming()) {
    hooks_.message(messages_.Own(OwnMessage::kLogOpenWhileStreaming));
    return;
  }
  FileDialog& dialog = *dialogs_.open;
  dialog.SetFilter(kLogFilter);
  hooks_.forgetDrawing();
  if (!dialog.Execute(hooks_.owner)) return;
  // The last run's reader may still store the frame of its last read.
  stream_.JoinReader();
  if (const auto error = OpenLogFile(stream_.Log(), dialog.FileName())) {
    hooks_.message(*error);
    return;
  }
  tools_.RecordingChanged(stream_.Log());
  hooks_.frameWholeRecording();
  hooks_.logFileChosen(dialog.FileName());
}

}  // namespace zelor
