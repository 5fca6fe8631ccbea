#pragma once
// Whole-window scaling to the screen: the factor p in per cent and the integer
// arithmetic the toolkit uses to scale positions, sizes and font heights.

namespace zelor {

// p = min(trunc(width × 100 / 1024), trunc(height × 100 / 600)): 1024 × 600 is
// the size at which the windows keep their designed size.
int ScreenScalePercent(int screenWidth, int screenHeight);

// value × multiplier / divisor rounded to the nearest, halves away from zero
// (the classic MulDiv); 0 when divisor is 0.
int MulDiv(int value, int multiplier, int divisor);

// Default grid cells after scaling: the column width follows the grid height
// and the row height the grid width (the grid is designed 500 × 340 with
// 30 × 20 cells).
int ScaledColumnWidth(int gridHeight);
int ScaledRowHeight(int gridWidth);

}  // namespace zelor
