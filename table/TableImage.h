#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "table/TableSettings.h"

// The TableImage: 256 cell bytes in MAF index order, then one byte per
// setting. Sample_Time and Porog are stored as they are; the per-cent
// settings on the converter's 0..255 scale, where 1 % is 32/25 (1.28) steps:
// Enrichment as value x 32/25 + 128, the others as value x 32/25. All
// rounding is to the nearest integer, halves to even, on the exact
// quotient.

namespace zelor {

// Length of a TableImage (.tab file written by the main window).
inline constexpr std::size_t kTableImageSize = 262;

// Length of the comparison window's table file: the cells and one byte 1.
inline constexpr std::size_t kCompareImageSize = 257;

// Number of table cells.
inline constexpr std::size_t kCellCount = 256;

// A table and its settings as read from a file.
struct DecodedTable {
  std::array<std::uint8_t, kCellCount> cells{};
  TableSettings settings;
};

// num / den rounded to the nearest integer, halves to even, computed
// exactly for every pair. Throws std::invalid_argument when den is 0 and
// std::overflow_error for the one quotient out of range, INT64_MIN / -1.
std::int64_t RoundHalfEven(std::int64_t num, std::int64_t den);

// The stored byte of setting `index` (0..5) holding `value`; the value is
// first brought into the setting's range, so the byte never wraps.
std::uint8_t EncodeSetting(int index, int value);

// The value of setting `index` (0..5) read from its stored byte, brought
// into the setting's range.
int DecodeSetting(int index, std::uint8_t byte);

// The 262-byte image of the cells and the settings.
std::array<std::uint8_t, kTableImageSize> EncodeTableImage(
    const std::array<std::uint8_t, kCellCount>& cells, const TableSettings& settings);

// The cells held by the first 256 bytes of a file: a file shorter than
// that repeats its last byte in the remaining cells (0 for an empty file).
std::array<std::uint8_t, kCellCount> DecodeCells(const std::vector<std::uint8_t>& fileBytes);

// Table and settings read from a file's bytes: cells as DecodeCells; each
// setting byte present is decoded and brought into range, a missing one
// gives the default; bytes after the 262nd are ignored.
DecodedTable DecodeTableImage(const std::vector<std::uint8_t>& fileBytes);

// The comparison window's 257-byte image: the cells, then one byte of 1.
std::array<std::uint8_t, kCompareImageSize> EncodeCompareImage(
    const std::array<std::uint8_t, kCellCount>& cells);

// The cells of a file read by the comparison window: only the first 256
// bytes count, by the same rule as DecodeCells.
std::array<std::uint8_t, kCellCount> DecodeCompareImage(const std::vector<std::uint8_t>& fileBytes);

}  // namespace zelor
