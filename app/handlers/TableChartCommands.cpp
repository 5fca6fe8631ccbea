// The main window's table chart handlers: dragging a point of the curve and
// setting a cell by a double click. The geometry is in ChartGeometry; these
// only feed it the mouse positions and write the results.

#include <QLabel>
#include <QMouseEvent>

#include "app/ZelorConfigurator.h"
#include "app/handlers/TableStep.h"
#include "table/ChartGeometry.h"
#include "table/GridPage.h"
#include "table/TableChart.h"

namespace zelor {

void TForm1::TableChartMouseDown(QMouseEvent* event) {
  TableChart& chart = *tableChart_;
  const QPoint pos = PositionOf(event);
  drag_.pressX = pos.x();
  drag_.pressY = pos.y();
  const std::optional<int> hit =
      HitPoint(chart.PointXs(), chart.PointYs(), chart.XMap(), chart.YMap(), pos.x(), pos.y());
  if (event->button() != Qt::LeftButton || !hit) return;
  drag_.dragging = true;
  CommitTableStep();  // the whole drag is one step, taken on release
  drag_.pickedPoint = *hit;
  drag_.scale = DragScale(chart.YMap());
  drag_.dragPressY = pos.y();
  drag_.startValue = chart.PointYs().at(*hit);
  chart.EnableZoom(false);
}

void TForm1::TableChartMouseMove(QMouseEvent* event) {
  TableChart& chart = *tableChart_;
  QLabel* label8 = chart.HintLabel();
  const QPoint pos = PositionOf(event);
  label8->move(pos.x() + 20, pos.y() - 3);
  const std::string caption = messages_.Text(kOutputValueCaption).toStdString();
  if (drag_.dragging) {
    const int value = DragValue(drag_.dragPressY, pos.y(), drag_.scale, drag_.startValue);
    chart.SetPointValue(drag_.pickedPoint, value);
    const int x = static_cast<int>(chart.PointXs().at(drag_.pickedPoint));
    HintPanel()->setText(QString::fromStdString(HintPanelText(x, value, caption)));
    label8->setText(QString::fromStdString(HintLabelText(x, value, caption, false)));
    label8->adjustSize();
    label8->show();
    if (x >= 0 && x <= 255) grid_->SetCell(x, value);
    return;
  }
  const std::vector<double> xs = chart.PointXs();
  const std::vector<double> ys = chart.PointYs();
  const std::optional<int> hit = HitPoint(xs, ys, chart.XMap(), chart.YMap(), pos.x(), pos.y());
  if (!hit) {
    HintPanel()->clear();
    label8->hide();
    drag_.dragging = false;
    return;
  }
  const int x = static_cast<int>(xs.at(*hit));
  const int y = static_cast<int>(ys.at(*hit));
  label8->setText(QString::fromStdString(HintLabelText(x, y, caption, true)));
  label8->adjustSize();
  label8->show();
  HintPanel()->setText(QString::fromStdString(HintPanelText(x, y, caption)));
}

void TForm1::TableChartMouseUp() {
  drag_.dragging = false;
  CommitTableStep();
  HintPanel()->clear();
  tableChart_->EnableZoom(true);
}

void TForm1::TableChartDblClick() {
  const TableStep step(*this);
  TableChart& chart = *tableChart_;
  const std::optional<std::pair<int, int>> cell =
      DoubleClickCell(chart.XMap(), chart.YMap(), drag_.pressX, drag_.pressY);
  if (!cell) return;
  grid_->SetCell(cell->first, cell->second);
  TabTableGraphShow();
}

}  // namespace zelor
