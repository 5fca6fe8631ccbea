// The comparison chart's handlers: dragging a point of either table, the
// hover hints and the popup's display switches. The geometry is in
// ChartGeometry; these feed it the mouse positions and write the results.

#include <QAction>
#include <QLabel>
#include <QMouseEvent>
#include <QTableWidget>
#include <optional>

#include "compare/CompareChart.h"
#include "compare/CompareTables.h"
#include "compare/CompareText.h"
#include "core/ChartGeometry.h"
#include "table/TableGrid.h"

namespace zelor {
namespace {

// The value of point index of a series as the hints show it; empty where the
// series has no such point (a rebuild stopped by a bad cell).
QString PointValueText(const CompareChart& chart, int table, int index) {
  const std::vector<double> ys = chart.PointYs(table);
  if (index < 0 || index >= static_cast<int>(ys.size())) return {};
  return ChartValueText(ys[index]);
}

}  // namespace

void TForm2::Chart1MouseDown(QMouseEvent* event) {
  CompareChart& chart = *chart1_;
  const QPoint pos = PositionOf(event);
  drag_.Press(pos);
  drag_.popupAllowed = true;
  drag_.rightPressed = event->button() == Qt::RightButton;
  drag_.hitTable1 = false;
  drag_.hitTable2 = false;
  drag_.pickedTable = 0;
  // Any press ends a drag, a press of the right button during one too.
  drag_.End();
  // Table 2 is tested last: where both tables have a point under the mouse,
  // it is picked. A table whose line is hidden cannot be picked.
  std::optional<int> picked;
  for (int table : {1, 2}) {
    const std::optional<int> hit = chart.PointAt(table, pos);
    if (!hit || !chart.LineDrawn(table)) continue;
    (table == 1 ? drag_.hitTable1 : drag_.hitTable2) = true;
    drag_.pickedTable = table;
    picked = hit;
  }
  if (event->button() != Qt::LeftButton || !picked) return;
  drag_.Start(*picked, chart.PointYs(drag_.pickedTable).at(*picked), chart.YMap());
  chart.EnableZoom(false);
}

void TForm2::Chart1MouseMove(QMouseEvent* event) {
  CompareChart& chart = *chart1_;
  const QPoint pos = PositionOf(event);
  chart.HintLabel()->move(pos.x() + 20, pos.y() - 3);
  if (drag_.dragging) {
    const int table = drag_.pickedTable;
    const int value = drag_.ValueAt(pos.y());
    chart.SetPointValue(table, drag_.pickedPoint, value);
    ShowPointHints(drag_.pickedPoint);
    SetGridCellText(Grid(table), drag_.pickedPoint, QString::number(value));
    ShowCaption(LabelText(table));
    return;
  }
  // The hover looks at both series whether they are shown or not, Table 1
  // first.
  int table = 1;
  std::optional<int> hit = chart.PointAt(1, pos);
  if (!hit) {
    table = 2;
    hit = chart.PointAt(2, pos);
  }
  if (!hit) {
    HintPanel()->clear();
    chart.HintLabel()->hide();
    ShowCaption(QString());
  } else {
    ShowCaption(LabelText(table));
    ShowPointHints(*hit);
  }
  // A right-button drag does not end in the popup.
  if (drag_.rightPressed) drag_.popupAllowed = false;
}

void TForm2::Chart1MouseUp() {
  drag_.End();
  drag_.rightPressed = false;
  HintPanel()->clear();
  ShowCaption(QString());
  chart1_->EnableZoom(true);
}

void TForm2::ShowPointHints(int index) {
  const QString tab1 = PointValueText(*chart1_, 1, index);
  const QString tab2 = PointValueText(*chart1_, 2, index);
  HintPanel()->setText(CompareHintPanelText(index, tab1, tab2));
  QLabel* label8 = chart1_->HintLabel();
  label8->setText(CompareHintLabelText(index, tab1, tab2));
  label8->adjustSize();
  label8->show();
}

void TForm2::N7Click() {
  const bool shown = chart1_->PointsItem()->isChecked();
  for (int table : {1, 2}) chart1_->ShowMarkers(table, shown);
}

void TForm2::ab11Click() { TableItemClick(1); }

void TForm2::ab21Click() { TableItemClick(2); }

void TForm2::TableItemClick(int table) {
  const bool shown = chart1_->TableItem(table)->isChecked();
  chart1_->ShowMarkers(table, shown);
  chart1_->DrawLine(table, shown);
}

}  // namespace zelor
