#pragma once
// The program's charts' common gesture: a rubber band drawn with the left
// button. Drawn rightwards it zooms into the rectangle, drawn leftwards it
// undoes the zoom; a band smaller than a few pixels (a click) does nothing.
// Other buttons never draw a band. The mouse handlers of the windows run
// inside the press (through QCustomPlot's mousePress signal) and may switch
// the zoom off before a band starts.

#include <qcustomplot.h>

#include "core/ChartGeometry.h"

namespace zelor {

// Where a mouse event on a chart happened, in whole pixels of the chart.
inline QPoint PositionOf(const QMouseEvent* event) { return event->position().toPoint(); }

class ZoomChart : public QCustomPlot {
  Q_OBJECT
 public:
  explicit ZoomChart(QWidget* parent);

  // An axis as shown now (zoomed or not), with its pixel extent.
  static AxisMap MapOf(const QCPAxis* axis);

  // Turns the rubber-band zoom on or off.
  void EnableZoom(bool enabled);
  bool ZoomEnabled() const;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void processRectZoom(QRect rect, QMouseEvent* event) override;

  // A band drawn rightwards, normalized: zoom into it. By default both axes
  // zoom, as QCustomPlot does.
  virtual void ZoomInto(const QRect& area, QMouseEvent* event);
  // A band drawn leftwards.
  virtual void UndoZoom() = 0;

 private:
  QPoint zoomStart_;
};

}  // namespace zelor
