#pragma once
// A table drawn as a chart's curve: point k at (k, the value of cell k), for
// the 256 cells k = 0..255, read through the caller's reader of a cell.

#include <qcustomplot.h>

#include <functional>
#include <initializer_list>

namespace zelor {

// Draws the curves anew from their tables: each curve emptied, then cell by
// cell from 0 to 255 every curve's point of that cell, value(c, k) for the
// c-th curve (from 0) and cell k, before the next cell. A value that throws
// (a cell that cannot be read) stops the drawing there: the points before
// it stay, and the exception goes on to the caller. Either way the curves'
// chart (they share one) is replotted at once.
void DrawCellCurves(std::initializer_list<QCPGraph*> curves,
                    const std::function<double(int curve, int cell)>& value);

// The same for one curve, value(k) the value of cell k.
void DrawCellCurve(QCPGraph* curve, const std::function<double(int cell)>& value);

}  // namespace zelor
