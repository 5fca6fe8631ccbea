#include "table/TableChartController.h"

#include <QLabel>
#include <QMouseEvent>

#include "core/ChartGeometry.h"
#include "core/MessageTexts.h"
#include "table/TableChart.h"
#include "table/TableHistory.h"
#include "table/TableModel.h"
#include "widgets/CellCurve.h"

namespace zelor {

TableChartController::TableChartController(QWidget* page, TableModel& table,
                                           const MessageTexts& messages)
    : chart_(new TableChart(page)), table_(table), messages_(messages) {
  chart_->setGeometry(0, 0, 961, 485);
}

void TableChartController::Rebuild() {
  DrawCellCurve(chart_->Series1(), [this](int index) { return table_.CellValue(index); });
}

void TableChartController::MouseDown(const QMouseEvent& event) {
  TableChart& chart = *chart_;
  const QPoint pos = PositionOf(&event);
  drag_.Press(pos);
  const std::optional<int> hit =
      HitPoint(chart.PointXs(), chart.PointYs(), chart.XMap(), chart.YMap(), pos.x(), pos.y());
  if (event.button() != Qt::LeftButton || !hit) return;
  emit TableStepCommitted();  // the whole drag is one step, taken on release
  drag_.Start(*hit, chart.PointYs().at(*hit), chart.YMap());
  chart.EnableZoom(false);
}

void TableChartController::MouseMove(const QMouseEvent& event) {
  TableChart& chart = *chart_;
  QLabel* label8 = chart.HintLabel();
  const QPoint pos = PositionOf(&event);
  label8->move(pos.x() + 20, pos.y() - 3);
  const std::string caption = messages_.Text(kOutputValueCaption).toStdString();
  if (drag_.dragging) {
    const int value = drag_.ValueAt(pos.y());
    chart.SetPointValue(drag_.pickedPoint, value);
    const int x = static_cast<int>(chart.PointXs().at(drag_.pickedPoint));
    emit HintChanged(QString::fromStdString(HintPanelText(x, value, caption)));
    label8->setText(QString::fromStdString(HintLabelText(x, value, caption, false)));
    label8->adjustSize();
    label8->show();
    if (x >= 0 && x <= 255) table_.SetCell(x, value);
    return;
  }
  const std::vector<double> xs = chart.PointXs();
  const std::vector<double> ys = chart.PointYs();
  const std::optional<int> hit = HitPoint(xs, ys, chart.XMap(), chart.YMap(), pos.x(), pos.y());
  if (!hit) {
    emit HintChanged(QString());
    label8->hide();
    return;
  }
  const int x = static_cast<int>(xs.at(*hit));
  const int y = static_cast<int>(ys.at(*hit));
  label8->setText(QString::fromStdString(HintLabelText(x, y, caption, true)));
  label8->adjustSize();
  label8->show();
  emit HintChanged(QString::fromStdString(HintPanelText(x, y, caption)));
}

void TableChartController::MouseUp() {
  drag_.End();
  emit TableStepCommitted();
  emit HintChanged(QString());
  chart_->EnableZoom(true);
}

void TableChartController::DoubleClick() {
  const TableStepScope step([this] { emit TableStepCommitted(); });
  const std::optional<std::pair<int, int>> cell =
      DoubleClickCell(chart_->XMap(), chart_->YMap(), drag_.pressX, drag_.pressY);
  if (!cell) return;
  table_.SetCell(cell->first, cell->second);
  emit TableReworked();
}

}  // namespace zelor
