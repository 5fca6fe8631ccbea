#pragma once
// The comparison window's chart: Table 1 as the series Tab1, Table 2 as Tab2,
// MAF index across and output up, both axes fixed 0..260, a legend naming the
// two series, the hint label Label8 and the popup menu of display switches.
// Rubber-band zoom with the left button, as on the table chart: a rectangle
// drawn rightwards zooms into it, one drawn leftwards shows the whole range
// again. The mouse events are handled by the window.

#include <array>
#include <optional>
#include <vector>

#include "core/ChartGeometry.h"
#include "widgets/ZoomChart.h"

class QLabel;
class QMenu;

namespace zelor {

class CompareChart : public ZoomChart {
  Q_OBJECT
 public:
  explicit CompareChart(QWidget* parent);

  // The series of table 1 or 2 (Tab1, Tab2).
  QCPGraph* Series(int table) const { return series_.at(table - 1); }
  // The hint label that follows the mouse over the points.
  QLabel* HintLabel() const { return label8_; }
  // The popup menu and its items "Точки" (N7), "Tab.1" (ab11), "Tab.2" (ab21).
  QMenu* Popup() const { return popup_; }
  QAction* PointsItem() const { return n7_; }
  QAction* TableItem(int table) const { return tableItems_.at(table - 1); }

  // The bottom and left axes as shown now (zoomed or not), with their pixel
  // extents.
  AxisMap XMap() const;
  AxisMap YMap() const;
  // The x or y values of a table's points, in index order.
  std::vector<double> PointXs(int table) const { return Points(table, true); }
  std::vector<double> PointYs(int table) const { return Points(table, false); }
  // Sets the value of point index of a table's series and redraws.
  void SetPointValue(int table, int index, double value);
  // The point of a table's series under the mouse at pos, by the table
  // chart's hit test; where the markers are hidden the mouse must be on the
  // point itself or on its line. A series whose line is hidden is tested
  // all the same.
  std::optional<int> PointAt(int table, QPoint pos) const;

  // The display switches of a series: its point markers and its line.
  void ShowMarkers(int table, bool shown);
  bool MarkersShown(int table) const;
  void DrawLine(int table, bool drawn);
  bool LineDrawn(int table) const;

  // Shows the whole range again: both axes 0..260.
  void ResetZoom();

 protected:
  void UndoZoom() override { ResetZoom(); }

 private:
  std::vector<double> Points(int table, bool keys) const;

  std::array<QCPGraph*, 2> series_{};
  std::array<QCPScatterStyle, 2> markers_;
  QLabel* label8_;
  QMenu* popup_;
  QAction* n7_;
  std::array<QAction*, 2> tableItems_{};
};

}  // namespace zelor
