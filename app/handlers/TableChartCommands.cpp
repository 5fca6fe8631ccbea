// The main window's table chart handlers: dragging a point of the curve and
// setting a cell by a double click, forwarded to the chart's controller
// (table/TableChartController).

#include "app/ZelorConfigurator.h"
#include "table/TableChartController.h"

namespace zelor {

void TForm1::TableChartMouseDown(QMouseEvent* event) { tableChart_->MouseDown(*event); }

void TForm1::TableChartMouseMove(QMouseEvent* event) { tableChart_->MouseMove(*event); }

void TForm1::TableChartMouseUp() { tableChart_->MouseUp(); }

void TForm1::TableChartDblClick() { tableChart_->DoubleClick(); }

}  // namespace zelor
