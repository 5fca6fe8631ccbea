// The main window's table handlers: the zero and 1:1 commands, the rebuild of
// the table chart (its controller's) and of the panel chart's table curve
// (the panel page's), and the grid hint.

#include <QLabel>
#include <QTableWidget>

#include "app/ZelorConfigurator.h"
#include "core/ChartGeometry.h"
#include "log/PanelPage.h"
#include "table/CellIndex.h"
#include "table/GridPage.h"
#include "table/TableChartController.h"
#include "table/TableGrid.h"
#include "table/TableHistory.h"
#include "table/TableToolsController.h"

namespace zelor {
namespace {

// Fills every cell with value(index), walking the grid in ascending index
// order, then resets the settings, as both table commands do.
template <class Value>
void FillTable(GridPage& grid, Value value) {
  for (int index = 0; index < 256; ++index) grid.SetCell(index, value(index));
  grid.SetSettings(Defaults());
  grid.Page()->update();
}

}  // namespace

void TForm1::N14Click() {
  const TableStepScope step([this] { CommitTableStep(); });
  FillTable(*grid_, [](int) { return 0; });
  TabTableGraphShow();
  RefreshInsertCellChart();
}

void TForm1::N112Click() {
  const TableStepScope step([this] { CommitTableStep(); });
  FillTable(*grid_, [](int index) { return index; });
  TabTableGraphShow();
  RefreshInsertCellChart();
}

void TForm1::TabTableGraphShow() {
  tableChart_->Rebuild();
  ShowFileCaption(files_.table);
}

void TForm1::RefreshInsertCellChart() {
  panel_->RefreshInsertCellChart([this](int index) { return grid_->CellText(index); });
}

void TForm1::StringGrid1MouseMove(const QPoint& viewportPos) {
  HintPanel()->setText(tools_->GridHint(viewportPos, messages_.Text(kOutputValueCaption)));
}

void TForm1::TabSheet3MouseMove() { HintPanel()->clear(); }

}  // namespace zelor
