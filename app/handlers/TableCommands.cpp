// The main window's table handlers: the zero and 1:1 commands, the rebuild of
// the table chart (its controller's) and of the panel chart's table curve
// (the panel page's), and the grid hint.

#include <QLabel>
#include <QTableWidget>

#include "app/ZelorConfigurator.h"
#include "core/ChartGeometry.h"
#include "log/PanelPage.h"
#include "table/CellIndex.h"
#include "table/CellText.h"
#include "table/GridPage.h"
#include "table/TableChartController.h"
#include "table/TableGrid.h"
#include "table/TableHistory.h"
#include "table/TableModel.h"
#include "table/TableToolsController.h"

namespace zelor {
namespace {

// Fills every cell with value(index) and resets the settings, as both table
// commands do.
template <class Value>
void FillTable(TableModel& table, GridPage& grid, Value value) {
  CellTexts texts;
  for (std::size_t index = 0; index < kCellCount; ++index)
    texts[index] = QString::number(value(static_cast<int>(index)));
  table.SetTexts(texts);
  table.SetSettings(Defaults());
  grid.Page()->update();
}

}  // namespace

void TForm1::N14Click() {
  const TableStepScope step([this] { CommitTableStep(); });
  FillTable(*table_, *grid_, [](int) { return 0; });
  TabTableGraphShow();
  RefreshInsertCellChart();
}

void TForm1::N112Click() {
  const TableStepScope step([this] { CommitTableStep(); });
  FillTable(*table_, *grid_, [](int index) { return index; });
  TabTableGraphShow();
  RefreshInsertCellChart();
}

void TForm1::ShowBadCell(const std::exception& error) {
  const auto* cell = dynamic_cast<const CellError*>(&error);
  if (!cell || cell->place().table != table_.get()) return;
  shell_.pageControl1->setCurrentWidget(TabSheet("TabSheet3"));
  ShowGridCell(grid_->Grid(), cell->place().index);
}

void TForm1::TabTableGraphShow() {
  tableChart_->Rebuild();
  ShowFileCaption(files_.table);
}

void TForm1::RefreshInsertCellChart() { panel_->RefreshInsertCellChart(*table_); }

void TForm1::StringGrid1MouseMove(const QPoint& viewportPos) {
  HintPanel()->setText(tools_->GridHint(viewportPos, messages_.Text(kOutputValueCaption)));
}

void TForm1::TabSheet3MouseMove() { HintPanel()->clear(); }

}  // namespace zelor
