// The main window's log recording commands: the marker on the space bar,
// saving and opening .log files, and the CSV export.

#include <QAction>
#include <QLineEdit>

#include "app/ZelorConfigurator.h"
#include "link/LogBuffer.h"
#include "log/LogChartController.h"
#include "log/LogCsv.h"
#include "log/LogFile.h"
#include "log/LogFrame.h"
#include "log/PanelPage.h"
#include "table/CellText.h"
#include "table/GridPage.h"
#include "table/TableToolsController.h"
#include "widgets/FileDialog.h"

namespace zelor {
namespace {

const QString kLogFilter = QStringLiteral("Log Files|*.log|All|*.*");

}  // namespace

void TForm1::SetLogMarker(bool on) {
  stream_->Flags().MarkerFlag.store(on, std::memory_order_relaxed);
  QLineEdit* edit = panel_->Marker_Edit;
  QPalette palette = edit->palette();
  palette.setColor(QPalette::Base, on ? QColor(255, 0, 0) : QColor(Qt::black));
  edit->setPalette(palette);
}

void TForm1::N4Click() {
  if (stream_->Log().Count() < kMinimumLogSamples) {
    Message(messages_.Text(kLogTooShort));
    return;
  }
  FileDialog& dialog = *shell_.fileSaveDLG;
  dialog.SetFilter(kLogFilter);
  if (dialog.Execute(this)) {
    dialog.SetFileName(LogFileName(dialog.FileName()));
    // A failed save leaves an older file of that name as it was.
    if (const auto error = SaveLogFile(stream_->Log(), dialog.FileName())) {
      Message(*error);
      return;
    }
  }
  // After a cancel: the name last chosen in the save dialog.
  files_.log = dialog.FileName();
  ShowFileCaption(files_.log);
}

void TForm1::ExportCsvClick() {
  // The same refusal as the .log save; like it, allowed while the stream
  // runs (the count is read once, and the slots below it are complete).
  if (stream_->Log().Count() < kMinimumLogSamples) {
    Message(messages_.Text(kLogTooShort));
    return;
  }
  FileDialog& dialog = *shell_.csvSaveDLG;
  if (!dialog.Execute(this)) return;
  dialog.SetFileName(LogCsvFileName(dialog.FileName()));
  // Each cell is read once; one that is not a number leaves its field empty.
  LogCsvTable table;
  for (int maf = 0; maf < 256; ++maf) table[maf] = IntegerOf(grid_->CellText(maf).toStdString());
  if (const auto error = SaveLogCsvFile(stream_->Log(), dialog.FileName(), table)) Message(*error);
}

void TForm1::N3Click() {
  // The reader is the only writer of the recording while the stream runs.
  if (stream_->Streaming()) {
    Message(messages_.Own(OwnMessage::kLogOpenWhileStreaming));
    return;
  }
  FileDialog& dialog = *shell_.fileOpenDLG;
  dialog.SetFilter(kLogFilter);
  logChart_->ForgetDrawing();
  if (!dialog.Execute(this)) return;
  // The last run's reader may still store the frame of its last read.
  stream_->JoinReader();
  if (const auto error = OpenLogFile(stream_->Log(), dialog.FileName())) {
    Message(*error);
    return;
  }
  tools_->RecordingChanged(stream_->Log());
  logChart_->FrameWholeRecording();
  files_.log = dialog.FileName();
  ShowFileCaption(files_.log);
}

}  // namespace zelor
