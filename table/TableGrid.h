#pragma once
// The text grid that stores a replacement table: 16 × 16 cells, no header
// rows or columns, default cells 30 × 20 pixels, every cell "0".

#include <QPoint>
#include <QString>
#include <array>
#include <cstdint>

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

// Text of cell index (0..255) of a table grid, unparsed.
QString GridCellText(const QTableWidget* grid, int index);
// Writes text into cell index (0..255) of a table grid.
void SetGridCellText(QTableWidget* grid, int index, const QString& text);

// Selects cell index (0..255) alone, scrolled into sight, with the grid
// focused: the cell an error is about.
void ShowGridCell(QTableWidget* grid, int index);

// Ends a cell editing still open in the grid as Enter would: the editor's
// text goes into its cell and the editor closes. Commands that change or
// read the cells call it first, so that an editor left open (by a menu or
// a key the window takes) never writes its text over their result later.
void EndCellEditing(QTableWidget* grid);

// The status-bar hint of the cell under viewportPos (the grid viewport's
// coordinates): its MAF index, outputCaption and its text. Empty off the cells.
QString GridHintAt(const QTableWidget* grid, QPoint viewportPos, const QString& outputCaption);

// The 256 cells of a table grid as table bytes, ascending index. Stops at
// the first cell that is not an integer, or that lies outside 0..255, by
// raising the error that names it (in English when english is set), with
// the cell's place in grid.
std::array<std::uint8_t, 256> GridCellBytes(const QTableWidget* grid, bool english);

}  // namespace zelor
