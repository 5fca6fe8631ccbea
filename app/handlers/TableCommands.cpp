// The main window's table handlers: the zero and 1:1 commands, the rebuild of
// the table chart and of the panel chart's table curve, and the grid hint.

#include <QLabel>
#include <QTableWidget>

#include "app/ZelorConfigurator.h"
#include "app/handlers/TableStep.h"
#include "log/PanelPage.h"
#include "table/CellIndex.h"
#include "table/CellText.h"
#include "table/ChartGeometry.h"
#include "table/GridPage.h"
#include "table/TableChart.h"
#include "table/TableGrid.h"
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
  const TableStep step(*this);
  FillTable(*grid_, [](int) { return 0; });
  TabTableGraphShow();
  RefreshInsertCellChart();
}

void TForm1::N112Click() {
  const TableStep step(*this);
  FillTable(*grid_, [](int index) { return index; });
  TabTableGraphShow();
  RefreshInsertCellChart();
}

void TForm1::TabTableGraphShow() {
  QCPGraph* series = Chart().Series1();
  series->data()->clear();
  for (int index = 0; index < 256; ++index) {
    // A bad cell stops the rebuild here; the points before it stay drawn.
    int value = 0;
    try {
      value = ParseInteger(grid_->CellText(index).toStdString());
    } catch (...) {
      Chart().replot();
      throw;
    }
    series->addData(index, value);
  }
  Chart().replot();
  ShowFileCaption(files_.table);
}

void TForm1::RefreshInsertCellChart() {
  PanelPage& panel = *panel_;
  panel.VAF_MAF->setData({0.0}, {0.0});
  panel.Konv_MAF->setData({0.0}, {0.0});
  const double begin = panel.TrackBarMafNach->value();
  const double end = panel.TrackBarMafKon->value();
  panel.CorrBeg->setData({begin, begin}, {0.0, 300.0}, true);
  panel.CorrEnd->setData({end, end}, {0.0, 300.0}, true);
  panel.Tab->data()->clear();
  for (int index = 0; index < 256; ++index) {
    try {
      panel.Tab->addData(index, ParseNumber(grid_->CellText(index).toStdString()));
    } catch (...) {
      panel.InsertCellChart->replot();
      throw;
    }
  }
  panel.InsertCellChart->replot();
}

void TForm1::StringGrid1MouseMove(const QPoint& viewportPos) {
  HintPanel()->setText(tools_->GridHint(viewportPos, messages_.Text(kOutputValueCaption)));
}

void TForm1::TabSheet3MouseMove() { HintPanel()->clear(); }

}  // namespace zelor
