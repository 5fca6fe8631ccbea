#pragma once
// One press-and-drag of a chart point's value, as the program's charts do
// it: a press on a point starts it and fixes the vertical axis's value per
// pixel as the axis is shown at that press; each move gives the point's
// value at the mouse's height (DragValue: rounded halves to even, brought
// into 0..255); the release ends it. Which press starts a drag, how its
// point is found, where the value is written and whether the drag is a
// step of the table history are the chart's own:
//   - the table chart starts a drag with a left press on its one curve and
//     commits a history step at that press and at every release;
//   - the log chart picks the last of the series MAF..O2 with a point under
//     the mouse (any button's press picks it; Press keeps the latest press,
//     a double click's spot), does not move a locked cell's point (Start's
//     `moves`), commits at the press and at the release of a drag only, and
//     redraws at the release;
//   - the comparison window picks the last table whose line is drawn, ends a
//     drag at any press and has no history.

#include <QPoint>

#include "core/ChartGeometry.h"

namespace zelor {

struct PointDrag {
  int pressX = 0;  // chart position of the latest press, any button
  int pressY = 0;
  bool dragging = false;    // from the press that started the drag until it ends
  int pickedPoint = 0;      // index of the point the drag moves
  int dragPressY = 0;       // y of the press that started the drag
  double scale = 0.0;       // value units per pixel upward, fixed at that press
  double startValue = 0.0;  // the picked point's value at that press

  // A press at pos, whichever button: the position the next Start starts
  // from (and a double click's spot).
  void Press(QPoint pos);
  // The latest press picks point, whose value is value, on a chart whose
  // vertical axis is shown as y. Unless moves is false (a point that may
  // not change) the drag is on from here.
  void Start(int point, double value, const AxisMap& y, bool moves = true);
  // The picked point's value with the mouse at height mouseY.
  int ValueAt(int mouseY) const;
  // The drag ended (the release); whether it was on.
  bool End();
};

}  // namespace zelor
