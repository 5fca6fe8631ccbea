#include "log/LogChart.h"

#include <QMenu>

#include "log/LogFrame.h"

namespace zelor {
namespace {

// Ticks at readable times, at least five on the axis at any zoom, labelled
// "h:m:s:zz"; the axis values are milliseconds since the first sample.
class TimeTicker : public QCPAxisTicker {
 protected:
  double getTickStep(const QCPRange& range) override { return TimeTickStep(range.size()); }
  QString getTickLabel(double tick, const QLocale&, QChar, int) override {
    return QString::fromStdString(TimeLabel(tick));
  }
};

void StyleAxis(QCPAxis* axis, const QString& title) {
  const QColor text(Qt::white);
  axis->setLabel(title);
  axis->setLabelColor(text);
  axis->setTickLabelColor(text);
  axis->setBasePen(QPen(text));
  axis->setTickPen(QPen(text));
  axis->setSubTickPen(QPen(text));
  axis->grid()->setPen(QPen(QColor(55, 55, 55), 0, Qt::SolidLine));
}

}  // namespace

LogChart::LogChart(QWidget* parent) : ZoomChart(parent) {
  setObjectName(QStringLiteral("LogChart"));
  setBackground(QBrush(Qt::black));
  legend->setVisible(false);
  StyleAxis(xAxis, QStringLiteral("Время"));
  xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new TimeTicker));
  StyleAxis(yAxis, QStringLiteral("Уровень сигнала "));
  yAxis->setRange(0, 255);
  // Lines 2 pixels wide stay quick only drawn segment by segment and
  // without antialiasing: a whole polyline through Qt's stroker costs a
  // hundred times more.
  setPlottingHint(QCP::phFastPolylines, true);
  setNotAntialiasedElements(QCP::aePlottables);
  setMouseTracking(true);
  EnableZoom(true);
}

void LogChart::resizeEvent(QResizeEvent* event) {
  ZoomChart::resizeEvent(event);
  emit resized();
}

void LogChart::FollowData() {
  following_ = true;
  FitBottomAxis();
}

void LogChart::FitBottomAxis() {
  if (!following_) return;
  // The series share their keys, ascending: the extremes are the ends.
  bool any = false;
  QCPRange keys;
  for (int k = 0; k < graphCount(); ++k) {
    const QSharedPointer<QCPGraphDataContainer> data = graph(k)->data();
    if (data->isEmpty()) continue;
    const double first = data->constBegin()->key;
    const double last = (data->constEnd() - 1)->key;
    keys = any ? QCPRange(qMin(keys.lower, first), qMax(keys.upper, last)) : QCPRange(first, last);
    any = true;
  }
  if (any) xAxis->setRange(keys);
}

void LogChart::mousePressEvent(QMouseEvent* event) {
  popupAllowed_ = false;
  if (event->button() == Qt::RightButton) {
    // The right button scrolls; it never draws a zoom rectangle.
    scrolling_ = true;
    scrollStartX_ = event->position().toPoint().x();
    scrollStartRange_ = xAxis->range();
  }
  ZoomChart::mousePressEvent(event);  // the press handler runs inside
}

void LogChart::mouseMoveEvent(QMouseEvent* event) {
  if (scrolling_ && (event->buttons() & Qt::RightButton)) {
    // Relative to the press, so that the frame follows the mouse exactly.
    const int width = axisRect()->width();
    if (width > 0) {
      const double shift =
          (scrollStartX_ - event->position().x()) * scrollStartRange_.size() / width;
      xAxis->setRange(scrollStartRange_.lower + shift, scrollStartRange_.upper + shift);
      following_ = false;
    }
  }
  QCustomPlot::mouseMoveEvent(event);
}

void LogChart::mouseReleaseEvent(QMouseEvent* event) {
  const bool rightClick = event->button() == Qt::RightButton;
  if (rightClick) scrolling_ = false;
  QCustomPlot::mouseReleaseEvent(event);  // the release handler runs inside
  if (rightClick && popupAllowed_ && popup_) popup_->popup(event->globalPosition().toPoint());
  popupAllowed_ = false;
}

void LogChart::UndoZoom() {
  FollowData();
  replot(rpQueuedReplot);
  emit zoomUndone();
}

void LogChart::ZoomInto(const QRect& area, QMouseEvent*) {
  xAxis->setRange(xAxis->pixelToCoord(area.left()), xAxis->pixelToCoord(area.right()));
  following_ = false;
  replot(rpQueuedReplot);
  emit zoomed();
}

}  // namespace zelor
