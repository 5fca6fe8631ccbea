// The main window's correction by lambda: the items of "Лог" and of the
// grid's menu open its window, which its controller (log/LambdaFixController)
// works.

#include "app/ZelorConfigurator.h"
#include "log/LambdaFixController.h"

namespace zelor {

void TForm1::LambdaFixClick() { lambdaFix_->Open(); }

}  // namespace zelor
