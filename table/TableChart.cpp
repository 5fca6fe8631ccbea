#include "table/TableChart.h"

#include "app/BreakingLabel.h"

namespace zelor {
namespace {}  // namespace

TableChart::TableChart(QWidget* parent) : ZoomChart(parent) {
  setObjectName(QStringLiteral("TableChart"));
  legend->setVisible(false);
  xAxis->setLabel(QStringLiteral("MAF"));
  yAxis->setLabel(QStringLiteral("Выход Конвертера"));
  ResetZoom();

  series1_ = addGraph();
  series1_->setObjectName(QStringLiteral("Series1"));
  series1_->setName(QStringLiteral("Series1"));
  series1_->setPen(QPen(QColor(255, 165, 0), 2));
  // Markers 8 pixels across: the hit test takes 4 pixels either way.
  series1_->setScatterStyle(
      QCPScatterStyle(QCPScatterStyle::ssCircle, QPen(Qt::red), QBrush(Qt::red), 2 * kMarkerReach));

  label8_ = MakeHintLabel(this, "Label8", QStringLiteral("Подсказка"));

  setMouseTracking(true);
  EnableZoom(true);
}

AxisMap TableChart::XMap() const { return MapOf(xAxis); }

AxisMap TableChart::YMap() const { return MapOf(yAxis); }

std::vector<double> TableChart::PointXs() const { return Points(true); }

std::vector<double> TableChart::PointYs() const { return Points(false); }

std::vector<double> TableChart::Points(bool keys) const {
  std::vector<double> values;
  values.reserve(series1_->dataCount());
  for (auto it = series1_->data()->constBegin(); it != series1_->data()->constEnd(); ++it)
    values.push_back(keys ? it->key : it->value);
  return values;
}

void TableChart::SetPointValue(int index, double value) {
  if (index < 0 || index >= series1_->dataCount()) return;
  (series1_->data()->begin() + index)->value = value;
  replot();
}

void TableChart::ResetZoom() {
  xAxis->setRange(0, 255);
  yAxis->setRange(0, 255);
  replot();
}

}  // namespace zelor
