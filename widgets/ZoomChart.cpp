#include "widgets/ZoomChart.h"

namespace zelor {
namespace {

// A band smaller than this either way is a click and zooms nothing.
constexpr int kMinimumZoomPixels = 4;

}  // namespace

ZoomChart::ZoomChart(QWidget* parent) : QCustomPlot(parent) {}

AxisMap ZoomChart::MapOf(const QCPAxis* axis) {
  AxisMap map;
  map.lower = axis->range().lower;
  map.upper = axis->range().upper;
  map.pixelAtLower = axis->coordToPixel(map.lower);
  map.pixelAtUpper = axis->coordToPixel(map.upper);
  return map;
}

void ZoomChart::EnableZoom(bool enabled) {
  setSelectionRectMode(enabled ? QCP::srmZoom : QCP::srmNone);
}

bool ZoomChart::ZoomEnabled() const { return selectionRectMode() == QCP::srmZoom; }

void ZoomChart::mousePressEvent(QMouseEvent* event) {
  zoomStart_ = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    QCustomPlot::mousePressEvent(event);
    return;
  }
  // QCustomPlot starts a band with any button; only the left one draws it.
  const QCP::SelectionRectMode mode = selectionRectMode();
  setSelectionRectMode(QCP::srmNone);
  QCustomPlot::mousePressEvent(event);
  setSelectionRectMode(mode);
}

void ZoomChart::processRectZoom(QRect rect, QMouseEvent* event) {
  const QPoint end = event ? event->position().toPoint() : rect.bottomRight();
  if (end.x() < zoomStart_.x()) {
    UndoZoom();
    return;
  }
  const QRect area = rect.normalized();
  if (area.width() < kMinimumZoomPixels || area.height() < kMinimumZoomPixels) return;
  ZoomInto(area, event);
}

void ZoomChart::ZoomInto(const QRect& area, QMouseEvent* event) {
  QCustomPlot::processRectZoom(area, event);
}

}  // namespace zelor
