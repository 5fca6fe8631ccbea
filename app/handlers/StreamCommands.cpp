// The main window's live stream handlers: "Старт", "Стоп" and the panel's
// tick, handed to the run's controller (log/RunController).

#include "app/ZelorConfigurator.h"
#include "log/RunController.h"

namespace zelor {

void TForm1::ButtonStartClick() { run_->Start(); }
void TForm1::ButtonStopClick() { run_->Stop(); }
void TForm1::Timer1Timer() { run_->Tick(); }

}  // namespace zelor
