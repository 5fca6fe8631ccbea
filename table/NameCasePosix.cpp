#include "table/TableFileName.h"

namespace zelor {

NameCase PlatformNameCase() { return NameCase::kSensitive; }

}  // namespace zelor
