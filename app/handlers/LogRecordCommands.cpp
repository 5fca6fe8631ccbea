// The main window's log recording commands: saving and opening .log files,
// and the CSV export, handed to the run's controller (log/RunController).

#include "app/ZelorConfigurator.h"
#include "log/RunController.h"

namespace zelor {

void TForm1::N3Click() { run_->OpenRecording(); }
void TForm1::N4Click() { run_->SaveRecording(); }
void TForm1::ExportCsvClick() { run_->ExportCsv(); }

}  // namespace zelor
