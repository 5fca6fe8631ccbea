#include "table/TableGrid.h"

#include <QAbstractItemDelegate>
#include <QHeaderView>
#include <QTableWidget>

#include "core/ChartGeometry.h"
#include "table/CellIndex.h"
#include "table/CellText.h"

namespace zelor {

QTableWidget* MakeTableGrid(const QString& name, QWidget* parent) {
  auto* grid = new QTableWidget(16, 16, parent);
  grid->setObjectName(name);
  grid->setGeometry(8, 8, kTableGridWidth, kTableGridHeight);
  grid->horizontalHeader()->hide();
  grid->verticalHeader()->hide();
  grid->horizontalHeader()->setMinimumSectionSize(1);
  grid->verticalHeader()->setMinimumSectionSize(1);
  grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  grid->verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  SetDefaultCells(grid, kTableCellWidth, kTableCellHeight);
  grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
  grid->setMouseTracking(true);
  for (int row = 0; row < 16; ++row)
    for (int column = 0; column < 16; ++column)
      grid->setItem(row, column, new QTableWidgetItem(QStringLiteral("0")));
  return grid;
}

void SetDefaultCells(QTableWidget* grid, int columnWidth, int rowHeight) {
  grid->horizontalHeader()->setDefaultSectionSize(columnWidth);
  grid->verticalHeader()->setDefaultSectionSize(rowHeight);
}

QString GridCellText(const QTableWidget* grid, int index) {
  const QTableWidgetItem* item = grid->item(CellRow(index), CellColumn(index));
  return item ? item->text() : QString();
}

void SetGridCellText(QTableWidget* grid, int index, const QString& text) {
  if (QTableWidgetItem* item = grid->item(CellRow(index), CellColumn(index))) {
    item->setText(text);
  } else {
    grid->setItem(CellRow(index), CellColumn(index), new QTableWidgetItem(text));
  }
}

void ShowGridCell(QTableWidget* grid, int index) {
  grid->setCurrentCell(CellRow(index), CellColumn(index), QItemSelectionModel::ClearAndSelect);
  grid->scrollToItem(grid->currentItem());
  grid->setFocus();
}

void EndCellEditing(QTableWidget* grid) {
  for (int row = 0; row < grid->rowCount(); ++row) {
    for (int column = 0; column < grid->columnCount(); ++column) {
      const QModelIndex index = grid->model()->index(row, column);
      QWidget* editor = grid->indexWidget(index);
      if (!editor) continue;
      // The delegate's own way out, as when the user confirms: the view
      // stores the text, closes the editor, and whoever listens for the end
      // of an editing hears of it.
      QAbstractItemDelegate* delegate = grid->itemDelegateForIndex(index);
      emit delegate->commitData(editor);
      emit delegate->closeEditor(editor, QAbstractItemDelegate::NoHint);
      return;
    }
  }
}

QString GridHintAt(const QTableWidget* grid, QPoint viewportPos, const QString& outputCaption) {
  const int row = grid->rowAt(viewportPos.y());
  const int column = grid->columnAt(viewportPos.x());
  if (row < 0 || column < 0) return {};
  const int index = CellIndexAt(row, column);
  return QString::fromStdString(
      GridHintText(index, outputCaption.toStdString(), GridCellText(grid, index).toStdString()));
}

std::array<std::uint8_t, 256> GridCellBytes(const QTableWidget* grid, bool english) {
  std::array<std::uint8_t, 256> bytes{};
  for (int index = 0; index < 256; ++index)
    bytes[index] = CellByte(index, GridCellText(grid, index).toStdString(), english, grid);
  return bytes;
}

}  // namespace zelor
