#pragma once
// The table chart: the replacement table drawn as one curve, MAF index across
// and converter output up, both axes fixed 0..255. Rubber-band zoom: drag a
// rectangle rightwards to zoom into it, leftwards to return to the whole
// table. The chart's mouse events are handled by TableChartController.
//
// Behind the curve it can draw the recording's VAF band: for each cell the
// mean VAF ± its deviation (table/Coverage) as a filled step a cell wide,
// with gaps where the recording holds no sample, so that a learned point far
// from its band shows at once.

#include <vector>

#include "core/ChartGeometry.h"
#include "table/Coverage.h"
#include "widgets/ZoomChart.h"

class QLabel;

namespace zelor {

class TableChart : public ZoomChart {
  Q_OBJECT
 public:
  explicit TableChart(QWidget* parent);

  // The curve of the table: point k at (k, cell k).
  QCPGraph* Series1() const { return series1_; }
  // The hint label that follows the mouse over the points.
  QLabel* HintLabel() const { return label8_; }

  // The bottom and left axes as shown now (zoomed or not), with their pixel
  // extents.
  AxisMap XMap() const;
  AxisMap YMap() const;
  // The points of Series1, in index order.
  std::vector<double> PointXs() const;
  std::vector<double> PointYs() const;
  // Sets the value of point index of Series1 and redraws.
  void SetPointValue(int index, double value);

  // Shows the whole table again: both axes 0..255.
  void ResetZoom();

  // Draws the VAF band of coverage behind the curve; a coverage without a
  // sample hides it. HideCoverageBand hides it too.
  void ShowCoverageBand(const LogCoverage& coverage);
  void HideCoverageBand();
  // The band's lower (mean - deviation) and upper (mean + deviation) edges:
  // point k at cell k, NaN for a cell without samples.
  QCPGraph* BandLow() const { return bandLow_; }
  QCPGraph* BandHigh() const { return bandHigh_; }

 protected:
  void UndoZoom() override { ResetZoom(); }

 private:
  // The x (keys) or y values of Series1's points, in index order.
  std::vector<double> Points(bool keys) const;

  QCPGraph* bandLow_;
  QCPGraph* bandHigh_;
  QCPGraph* series1_;
  QLabel* label8_;
};

}  // namespace zelor
