// The main window's converter transfer: forwarded to the transfer's
// controller (link/TransferController).

#include "app/ZelorConfigurator.h"
#include "link/TransferController.h"

namespace zelor {

void TForm1::N7Click() { transfer_->Read(); }

void TForm1::N8Click() { transfer_->Write(); }

void TForm1::Timer2Timer() { transfer_->Tick(); }

}  // namespace zelor
