// The main window's learning from the log frame, handed to the log chart's
// controller (log/LogChartController, its learning in LogChartLearning.cpp).

#include "app/ZelorConfigurator.h"
#include "log/LogChartController.h"

namespace zelor {

void TForm1::N16Click() { logChart_->Learn(); }
void TForm1::N21Click() { logChart_->ChooseMafConstCount(1); }
void TForm1::N15Click() { logChart_->ChooseMafConstCount(2); }
void TForm1::N3MAFConst1Click() { logChart_->ChooseMafConstCount(3); }
void TForm1::N4MAFConst1Click() { logChart_->ChooseMafConstCount(4); }
void TForm1::N5MAFConst1Click() { logChart_->ChooseMafConstCount(5); }
void TForm1::LearnedCellsLockClick() { logChart_->ToggleLearnedCellsLock(); }
void TForm1::ResetAllLearnedCellsClick() { logChart_->ResetLearnedCells(); }
void TForm1::LogChartDblClick() { logChart_->DoubleClick(); }

}  // namespace zelor
