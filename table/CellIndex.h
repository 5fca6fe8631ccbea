#pragma once

// Placement of a table cell in the 16 x 16 grid. Cell i (the MAF value it
// serves, 0..255) lies in column i mod 16 and row 15 - i div 16, so the
// bottom row holds 0..15 and the top row 240..255. Splitting truncates.

namespace zelor {

// Grid column (0..15, from the left) of the cell with MAF index i (0..255).
constexpr int CellColumn(int i) { return i % 16; }

// Grid row (0..15, from the top) of the cell with MAF index i (0..255).
constexpr int CellRow(int i) { return 15 - i / 16; }

// MAF index of the cell in the given grid row and column (both 0..15).
constexpr int CellIndexAt(int row, int column) { return (15 - row) * 16 + column; }

}  // namespace zelor
