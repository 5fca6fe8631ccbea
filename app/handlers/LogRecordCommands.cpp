// The main window's log recording commands: saving and opening .log files,
// the CSV export and the kept unsaved recordings, handed to the run's
// controller (log/RunController).

#include <QMenu>

#include "app/ZelorConfigurator.h"
#include "core/SessionJournal.h"
#include "core/UnsavedRecordings.h"
#include "log/RunController.h"
#include "ui/HandlerGuard.h"

namespace zelor {

void TForm1::N3Click() { run_->OpenRecording(); }
void TForm1::N4Click() { run_->SaveRecording(); }
void TForm1::ExportCsvClick() { run_->ExportCsv(); }

void TForm1::UnsavedRecordingsShow() {
  QMenu* menu = menu_.unsavedRecordings;
  menu->clear();
  const std::vector<UnsavedRecording> kept = UnsavedRecordings(journal_->Folder());
  if (kept.empty())
    menu->addAction(messages_.Own(OwnMessage::kUnsavedRecordingsNone))->setEnabled(false);
  for (const UnsavedRecording& recording : kept) {
    QAction* item = menu->addAction(UnsavedRecordingCaption(messages_, recording));
    connect(item, &QAction::triggered, this, [this, path = recording.path] {
      Guarded(this, [&] { run_->OpenUnsavedRecording(path); });
    });
  }
}

}  // namespace zelor
