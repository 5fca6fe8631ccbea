#pragma once
// Manual correction as plain rules: the corrected value of a cell and the
// three converter frames of the correction (range "g", step "c", live table
// update "t"). Each frame is its command byte followed by its data; the
// sender writes the command byte alone and the data in a second write.

#include <array>
#include <cstddef>
#include <cstdint>

#include "table/TableImage.h"
#include "table/TableSettings.h"

namespace zelor {

// Lengths of the frames, command byte included.
inline constexpr std::size_t kCorrectionRangeFrameSize = 3;
inline constexpr std::size_t kCorrectionStepFrameSize = 3;
inline constexpr std::size_t kLiveTableUpdateFrameSize = 1 + kTableImageSize;

// A cell's value after adding the correction, brought into 0..255.
int CorrectedCell(int value, int correction);

// "g", begin, end: the correction range, both bounds 0..255.
std::array<std::uint8_t, kCorrectionRangeFrameSize> CorrectionRangeFrame(int begin, int end);

// "c", |correction|, sign (1 when negative, else 0); the correction lies
// within -255..255 (a larger magnitude is sent as 255).
std::array<std::uint8_t, kCorrectionStepFrameSize> CorrectionStepFrame(int correction);

// "t" and the TableImage of the cells and the settings.
std::array<std::uint8_t, kLiveTableUpdateFrameSize> LiveTableUpdateFrame(
    const std::array<std::uint8_t, kCellCount>& cells, const TableSettings& settings);

}  // namespace zelor
