#pragma once
// The text grid that stores a replacement table: 16 × 16 cells, no header
// rows or columns, default cells 30 × 20 pixels, every cell "0".

class QString;
class QTableWidget;
class QWidget;

namespace zelor {

// Designed size of a table grid and of its default cells.
inline constexpr int kTableGridWidth = 500;
inline constexpr int kTableGridHeight = 340;
inline constexpr int kTableCellWidth = 30;
inline constexpr int kTableCellHeight = 20;

// Makes a table grid named name inside parent, at (8, 8) with its designed size.
QTableWidget* MakeTableGrid(const QString& name, QWidget* parent);

// Sets the grid's default cell width and height.
void SetDefaultCells(QTableWidget* grid, int columnWidth, int rowHeight);

}  // namespace zelor
