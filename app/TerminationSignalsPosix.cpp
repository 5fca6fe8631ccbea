#include "app/TerminationSignals.h"

namespace zelor {

void CloseOnTerminationSignals(QWidget&) {}

}  // namespace zelor
