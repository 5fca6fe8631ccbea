#pragma once
// The state of one press-and-drag of a chart point; the table chart's
// controller and the log chart's controller keep one each.

namespace zelor {

struct TableChartDrag {
  int pressX = 0;  // chart position of the latest press, any button
  int pressY = 0;
  bool dragging = false;    // from a left press on a point until the release
  int pickedPoint = 0;      // index of the point being dragged
  int dragPressY = 0;       // y of the left press that started the drag
  double scale = 0.0;       // value units per pixel upward, fixed at the press
  double startValue = 0.0;  // the picked point's value at the press
};

}  // namespace zelor
