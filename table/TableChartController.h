#pragma once
// The table chart with its mouse: a left press on a point drags it (the
// grid's cell follows, the whole drag one step of the history), the hint
// follows the points under the mouse, and a double click sets the cell
// under it. The geometry is in ChartGeometry; this feeds it the mouse
// positions and writes the results.
//
// The window hands in what the controller needs; it knows nothing else of
// the window.

#include <QString>
#include <functional>

#include "widgets/PointDrag.h"

class QMouseEvent;
class QWidget;

namespace zelor {

class GridPage;
class MessageTexts;
class TableChart;

// What the controller calls in the window.
struct TableChartHooks {
  // The table history's commit (see TableStepScope).
  std::function<void()> commit;
  // Redraws the table chart from the grid.
  std::function<void()> redraw;
  // Shows a hint in the status bar; an empty text clears it.
  std::function<void(const QString&)> showHint;
};

class TableChartController {
 public:
  // Builds the chart on page. The references must outlive the controller.
  TableChartController(QWidget* page, GridPage& grid, const MessageTexts& messages,
                       TableChartHooks hooks);
  TableChartController(const TableChartController&) = delete;
  TableChartController& operator=(const TableChartController&) = delete;

  TableChart& Chart() { return *chart_; }
  const PointDrag& Drag() const { return drag_; }

  // The chart drawn anew from the grid's cells. A cell that is not a number
  // stops it there with its error; the points before it stay drawn.
  void Rebuild();
  void MouseDown(const QMouseEvent& event);
  void MouseMove(const QMouseEvent& event);
  void MouseUp();
  void DoubleClick();

 private:
  TableChart* chart_;  // owned by its page
  GridPage& grid_;
  const MessageTexts& messages_;
  TableChartHooks hooks_;
  PointDrag drag_;
};

}  // namespace zelor
