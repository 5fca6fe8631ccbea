#pragma once
// The log chart widget: the recording's seven series over time. Its own
// gestures, which the main window's handlers hear about afterwards:
//   - a rectangle dragged rightwards with the left button zooms the bottom
//     axis into it (the left axis stays 0..255), then zoomed() is raised;
//     one dragged leftwards returns the bottom axis to its automatic range,
//     then zoomUndone() is raised;
//   - dragging with the right button scrolls the bottom axis, before the
//     move reaches the handlers;
//   - the popup menu opens at the release of a right click, and only when a
//     handler of the press allowed it for that click.
// The bottom axis is automatic (it spans the plotted points after every
// plot) until a zoom or a scroll, and again after an undo zoom or
// FollowData().

#include "widgets/ZoomChart.h"

class QMenu;

namespace zelor {

class LogChart : public ZoomChart {
  Q_OBJECT
 public:
  explicit LogChart(QWidget* parent);

  // The menu a right click opens.
  void SetPopup(QMenu* menu) { popup_ = menu; }
  // Allows or suppresses the popup for the click in progress; every press
  // starts suppressed.
  void AllowPopup(bool allowed) { popupAllowed_ = allowed; }

  // Makes the bottom axis automatic again and fits it to the points.
  void FollowData();
  // Fits the bottom axis to the plotted points when it is automatic.
  void FitBottomAxis();

 signals:
  void zoomed();
  void zoomUndone();
  // The chart has a new size (the window's scaling commands give it one).
  void resized();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  // Zooms the bottom axis only; the left axis stays 0..255.
  void ZoomInto(const QRect& area, QMouseEvent* event) override;
  void UndoZoom() override;

 private:
  QMenu* popup_ = nullptr;
  bool popupAllowed_ = false;
  bool following_ = true;
  bool scrolling_ = false;
  int scrollStartX_ = 0;
  QCPRange scrollStartRange_;
};

}  // namespace zelor
