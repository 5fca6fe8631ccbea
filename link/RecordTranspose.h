#pragma once
// Spreading 8-byte records over eight separate byte channels (the layout of
// a .log file into the layout of the LogBuffer) at the speed of a memory
// copy.

#include <cstdint>

namespace zelor {

// For r in 0..n - 1 and k in 0..7: channels[k][r] = records[8 r + k].
// The channels must not overlap the records.
void TransposeRecords(const std::uint8_t* records, std::int32_t n, std::uint8_t* const channels[8]);

}  // namespace zelor
