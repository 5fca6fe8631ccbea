#include "table/TableFileName.h"

namespace zelor {

NameCase PlatformNameCase() { return NameCase::kInsensitive; }

}  // namespace zelor
