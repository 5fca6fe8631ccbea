#include "table/TableChart.h"

#include <limits>

#include "widgets/BreakingLabel.h"

namespace zelor {
namespace {

// The band: a translucent blue under the orange curve, its edges a shade
// deeper and wide enough that a cell whose samples all agree still shows as
// a line beside the curve's 2-pixel pen.
const QColor kBandFill(70, 130, 220, 70);
const QColor kBandEdge(70, 130, 220, 170);

QCPGraph* MakeBandEdge(QCustomPlot* chart, const char* name) {
  QCPGraph* edge = chart->addGraph();
  edge->setObjectName(QString::fromLatin1(name));
  edge->setName(QString::fromLatin1(name));
  edge->setLayer(QStringLiteral("band"));
  edge->setPen(QPen(kBandEdge, 4));
  // Each cell a step one MAF wide, centred on it.
  edge->setLineStyle(QCPGraph::lsStepCenter);
  edge->setVisible(false);
  return edge;
}

}  // namespace

TableChart::TableChart(QWidget* parent) : ZoomChart(parent) {
  setObjectName(QStringLiteral("TableChart"));
  legend->setVisible(false);
  xAxis->setLabel(QStringLiteral("MAF"));
  yAxis->setLabel(QStringLiteral("Выход Конвертера"));
  ResetZoom();

  addLayer(QStringLiteral("band"), layer(QStringLiteral("main")), QCustomPlot::limBelow);
  bandLow_ = MakeBandEdge(this, "BandLow");
  bandHigh_ = MakeBandEdge(this, "BandHigh");
  bandHigh_->setBrush(kBandFill);
  bandHigh_->setChannelFillGraph(bandLow_);

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

void TableChart::ShowCoverageBand(const LogCoverage& coverage) {
  constexpr double kGap = std::numeric_limits<double>::quiet_NaN();
  QVector<double> keys(256);
  QVector<double> low(256);
  QVector<double> high(256);
  bool any = false;
  for (int k = 0; k < 256; ++k) {
    const CellCoverage& cell = coverage[k];
    keys[k] = k;
    low[k] = cell.n ? cell.vafMean - cell.vafStdDev : kGap;
    high[k] = cell.n ? cell.vafMean + cell.vafStdDev : kGap;
    any = any || cell.n;
  }
  bandLow_->setData(keys, low, true);
  bandHigh_->setData(keys, high, true);
  bandLow_->setVisible(any);
  bandHigh_->setVisible(any);
  replot();
}

void TableChart::HideCoverageBand() {
  bandLow_->setVisible(false);
  bandHigh_->setVisible(false);
  replot();
}

void TableChart::ResetZoom() {
  xAxis->setRange(0, 255);
  yAxis->setRange(0, 255);
  replot();
}

}  // namespace zelor
