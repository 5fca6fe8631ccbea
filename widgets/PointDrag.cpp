#include "widgets/PointDrag.h"

#include <utility>

namespace zelor {

void PointDrag::Press(QPoint pos) {
  pressX = pos.x();
  pressY = pos.y();
}

void PointDrag::Start(int point, double value, const AxisMap& y, bool moves) {
  dragging = moves;
  pickedPoint = point;
  dragPressY = pressY;
  scale = DragScale(y);
  startValue = value;
}

int PointDrag::ValueAt(int mouseY) const {
  return DragValue(dragPressY, mouseY, scale, startValue);
}

bool PointDrag::End() { return std::exchange(dragging, false); }

}  // namespace zelor
