#pragma once
// The table chart with its mouse: a left press on a point drags it (the
// grid's cell follows, the whole drag one step of the history), the hint
// follows the points under the mouse, and a double click sets the cell
// under it. The geometry is in ChartGeometry; this feeds it the mouse
// positions and writes the results.
//
// It reads and writes the table's model and tells what happened by its
// signals; it knows nothing of the window.

#include <QObject>
#include <QString>

#include "widgets/PointDrag.h"

class QMouseEvent;
class QWidget;

namespace zelor {

class MessageTexts;
class TableChart;
class TableModel;

// What the controller calls in the window.
class TableChartController : public QObject {
  Q_OBJECT
 public:
  // Builds the chart on page. The references must outlive the controller.
  TableChartController(QWidget* page, TableModel& table, const MessageTexts& messages);
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

 signals:
  // The history's commit is due (see TableStepScope).
  void TableStepCommitted();
  // A double click set a cell: the chart is to be rebuilt as its tab's
  // show does.
  void TableReworked();
  // The status bar's hint; an empty text clears it.
  void HintChanged(const QString& text);

 private:
  TableChart* chart_;  // owned by its page
  TableModel& table_;
  const MessageTexts& messages_;
  PointDrag drag_;
};

}  // namespace zelor
