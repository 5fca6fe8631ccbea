#include "widgets/CellCurve.h"

namespace zelor {

void DrawCellCurves(std::initializer_list<QCPGraph*> curves,
                    const std::function<double(int curve, int cell)>& value) {
  if (curves.size() == 0) return;
  QCustomPlot* chart = (*curves.begin())->parentPlot();
  for (QCPGraph* curve : curves) curve->data()->clear();
  try {
    for (int cell = 0; cell < 256; ++cell) {
      int c = 0;
      for (QCPGraph* curve : curves) curve->addData(cell, value(c++, cell));
    }
  } catch (...) {
    chart->replot();
    throw;
  }
  chart->replot();
}

void DrawCellCurve(QCPGraph* curve, const std::function<double(int cell)>& value) {
  DrawCellCurves({curve}, [&](int, int cell) { return value(cell); });
}

}  // namespace zelor
