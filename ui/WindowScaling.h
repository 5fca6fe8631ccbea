#pragma once
// Whole-window scaling: positions, sizes and font heights of a window's
// controls multiplied by multiplier / divisor, as a designed-in-pixels window
// is fitted to another screen.

class QWidget;

namespace zelor {

// Scales client (its size and font) and every control placed inside it.
// Controls that a layout places are left to their layout; the inner parts of
// compound controls (grids, charts, lists) follow their control's size.
void ScaleWidgetTree(QWidget* client, int multiplier, int divisor);

}  // namespace zelor
