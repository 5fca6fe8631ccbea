#include "compare/CompareChart.h"

#include <QLabel>
#include <QMenu>

#include "widgets/BreakingLabel.h"

namespace zelor {
namespace {

constexpr double kAxisMaximum = 260.0;

QAction* CheckedItem(QMenu* menu, const char* name, const QString& caption) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(QString::fromLatin1(name));
  action->setCheckable(true);
  action->setChecked(true);
  return action;
}

// A table's curve, whose legend entry looks like the curve: its 256 square
// markers overlap into a band of their colour, which is what the eye sees
// of the curve while they are shown; without them the line alone.
class TableSeries : public QCPGraph {
 public:
  using QCPGraph::QCPGraph;

 protected:
  void drawLegendIcon(QCPPainter* painter, const QRectF& rect) const override {
    const double y = rect.center().y();
    if (lineStyle() != lsNone) {
      painter->setPen(pen());
      painter->drawLine(QLineF(rect.left(), y, rect.right(), y));
    }
    const QCPScatterStyle& marker = scatterStyle();
    if (marker.isNone()) return;
    marker.applyTo(painter, pen());
    const double half = marker.size() / 2;
    for (double x = rect.left() + half; x <= rect.right() - half; x += half)
      marker.drawShape(painter, x, y);
  }
};

}  // namespace

CompareChart::CompareChart(QWidget* parent) : ZoomChart(parent) {
  setObjectName(QStringLiteral("Chart1"));
  legend->setVisible(true);
  // Top left, where rising curves leave room.
  axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);
  ResetZoom();

  struct Look {
    const char* name;
    QColor line;
    QColor marker;
  };
  const Look looks[2] = {{"Tab1", QColor(0, 128, 0), Qt::red}, {"Tab2", Qt::black, Qt::blue}};
  for (int k = 0; k < 2; ++k) {
    QCPGraph* series = new TableSeries(xAxis, yAxis);
    series->setObjectName(QString::fromLatin1(looks[k].name));
    series->setName(QString::fromLatin1(looks[k].name));
    series->setPen(QPen(looks[k].line, 2));
    // Markers 8 pixels across: the hit test takes 4 pixels either way.
    markers_[k] = QCPScatterStyle(QCPScatterStyle::ssSquare, QPen(looks[k].marker),
                                  QBrush(looks[k].marker), 2 * kMarkerReach);
    series->setScatterStyle(markers_[k]);
    series_[k] = series;
  }

  label8_ = MakeHintLabel(this, "Label8", QStringLiteral("Подсказка"));

  popup_ = new QMenu(this);
  popup_->setObjectName(QStringLiteral("PopupMenu1"));
  n7_ = CheckedItem(popup_, "N7", QStringLiteral("Точки"));
  tableItems_[0] = CheckedItem(popup_, "ab11", QStringLiteral("Tab.1"));
  tableItems_[1] = CheckedItem(popup_, "ab21", QStringLiteral("Tab.2"));

  // Every right-button press and release reaches the window's handlers,
  // which decide whether the popup opens.
  setContextMenuPolicy(Qt::PreventContextMenu);
  setMouseTracking(true);
  EnableZoom(true);
}

AxisMap CompareChart::XMap() const { return MapOf(xAxis); }

AxisMap CompareChart::YMap() const { return MapOf(yAxis); }

std::vector<double> CompareChart::Points(int table, bool keys) const {
  const QCPGraph* series = Series(table);
  std::vector<double> values;
  values.reserve(series->dataCount());
  for (auto it = series->data()->constBegin(); it != series->data()->constEnd(); ++it)
    values.push_back(keys ? it->key : it->value);
  return values;
}

void CompareChart::SetPointValue(int table, int index, double value) {
  QCPGraph* series = Series(table);
  if (index < 0 || index >= series->dataCount()) return;
  (series->data()->begin() + index)->value = value;
  replot();
}

std::optional<int> CompareChart::PointAt(int table, QPoint pos) const {
  const double reach = MarkersShown(table) ? kMarkerReach : kHiddenMarkerReach;
  return HitPoint(PointXs(table), PointYs(table), XMap(), YMap(), pos.x(), pos.y(), 255, reach);
}

void CompareChart::ShowMarkers(int table, bool shown) {
  Series(table)->setScatterStyle(shown ? markers_.at(table - 1)
                                       : QCPScatterStyle(QCPScatterStyle::ssNone));
  replot();
}

bool CompareChart::MarkersShown(int table) const { return !Series(table)->scatterStyle().isNone(); }

void CompareChart::DrawLine(int table, bool drawn) {
  Series(table)->setLineStyle(drawn ? QCPGraph::lsLine : QCPGraph::lsNone);
  replot();
}

bool CompareChart::LineDrawn(int table) const {
  return Series(table)->lineStyle() != QCPGraph::lsNone;
}

void CompareChart::ResetZoom() {
  xAxis->setRange(0, kAxisMaximum);
  yAxis->setRange(0, kAxisMaximum);
  replot();
}

}  // namespace zelor
