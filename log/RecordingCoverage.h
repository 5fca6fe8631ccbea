#pragma once
// The coverage of the table by a recording (table/Coverage), computed from
// the LogBuffer in one pass.

#include "table/Coverage.h"

namespace zelor {

class LogBuffer;

// The coverage of slots 0 .. count - 1 of the buffer, the count read once.
LogCoverage CoverageOf(const LogBuffer& log);

}  // namespace zelor
