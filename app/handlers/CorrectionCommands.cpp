// The main window's manual correction and the beeper's switch: forwarded to
// the correction's controller (log/CorrectionController).

#include <QKeyEvent>

#include "app/ZelorConfigurator.h"
#include "log/CorrectionController.h"

namespace zelor {

void TForm1::TrackBarMafNachChange() { correction_->RangeBeginChanged(); }

void TForm1::TrackBarMafKonChange() { correction_->RangeEndChanged(); }

void TForm1::EditCorrectionChange() { correction_->StepChanged(); }

void TForm1::Button1Click() { correction_->Apply(); }

void TForm1::EditCorrectionKeyPress(QChar key) { correction_->StepKeyPress(key); }

void TForm1::BeepCheckBoxClick() { correction_->BeeperSwitched(); }

bool TForm1::CorrectionKeyDown(QKeyEvent* key) { return correction_->KeyDown(*key); }

}  // namespace zelor
