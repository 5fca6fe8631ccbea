// Geometry of the table chart: axis mapping, rounding, the point hit test,
// dragging, double click and the hint texts.

#include <QtTest>

#include <climits>
#include <cmath>
#include <limits>
#include <vector>

#include "core/ChartGeometry.h"

using namespace zelor;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

const std::string kCaption = "Конв.Вых.";

// Points 0..n-1 at x = k with the given y.
void MakeSeries(int n, double (*y)(int), std::vector<double>& xs, std::vector<double>& ys) {
  xs.clear();
  ys.clear();
  for (int k = 0; k < n; ++k) {
    xs.push_back(k);
    ys.push_back(y(k));
  }
}

// 10 pixels per unit on both axes: x 0..255 over pixels 0..2550, y 0..255
// over pixels 2550 (bottom) .. 0 (top). Points of the 1:1 curve are then
// 14 pixels apart along a diagonal.
const AxisMap kWideX{0, 255, 0, 2550};
const AxisMap kWideY{0, 255, 2550, 0};

// A chart the size of a window: 2 pixels per MAF step, markers overlap.
const AxisMap kNarrowX{0, 255, 40, 550};
const AxisMap kNarrowY{0, 255, 400, 10};

}  // namespace

class TestChartGeometry : public QObject {
  Q_OBJECT

 private slots:
  void axisMapping();
  void roundingHalfEven();
  void hitMarker();
  void hitSegment();
  void hitOverlapTakesLowerIndex();
  void hitNone();
  void hitOutOfRange();
  void dragScaleAndValue();
  void dragClamps();
  void doubleClickEdges();
  void doubleClickZoomed();
  void doubleClickClampsAndDegenerate();
  void hintTexts();
};

void TestChartGeometry::axisMapping() {
  QCOMPARE(kNarrowX.ToPixel(0), 40.0);
  QCOMPARE(kNarrowX.ToPixel(255), 550.0);
  QCOMPARE(kNarrowX.ToPixel(127.5), 295.0);
  QCOMPARE(kNarrowY.ToPixel(0), 400.0);
  QCOMPARE(kNarrowY.ToPixel(255), 10.0);
  QCOMPARE(kNarrowY.ToValue(400), 0.0);
  QCOMPARE(kNarrowY.ToValue(10), 255.0);
  QCOMPARE(kNarrowX.ToValue(295), 127.5);
  for (double v = -50; v <= 300; v += 12.5) {
    QVERIFY(std::fabs(kNarrowX.ToValue(kNarrowX.ToPixel(v)) - v) < 1e-9);
    QVERIFY(std::fabs(kNarrowY.ToValue(kNarrowY.ToPixel(v)) - v) < 1e-9);
  }
  // Higher values lie higher on screen, i.e. at smaller pixel y.
  QVERIFY(kNarrowY.ToPixel(100) < kNarrowY.ToPixel(99));

  const AxisMap zoomed{100, 120, 0, 500};
  QCOMPARE(zoomed.ToPixel(110), 250.0);
  QCOMPARE(zoomed.ToValue(50), 102.0);

  const AxisMap empty{5, 5, 10, 10};
  QCOMPARE(empty.ToPixel(7), 10.0);
  QCOMPARE(empty.ToValue(99), 5.0);
}

void TestChartGeometry::roundingHalfEven() {
  QCOMPARE(RoundHalfEvenDouble(0.5), 0);
  QCOMPARE(RoundHalfEvenDouble(1.5), 2);
  QCOMPARE(RoundHalfEvenDouble(2.5), 2);
  QCOMPARE(RoundHalfEvenDouble(3.5), 4);
  QCOMPARE(RoundHalfEvenDouble(-0.5), 0);
  QCOMPARE(RoundHalfEvenDouble(-1.5), -2);
  QCOMPARE(RoundHalfEvenDouble(-2.5), -2);
  QCOMPARE(RoundHalfEvenDouble(2.4999), 2);
  QCOMPARE(RoundHalfEvenDouble(2.5001), 3);
  QCOMPARE(RoundHalfEvenDouble(-2.6), -3);
  QCOMPARE(RoundHalfEvenDouble(127.5), 128);
  QCOMPARE(RoundHalfEvenDouble(254.5), 254);
  QCOMPARE(RoundHalfEvenDouble(0.0), 0);
  QCOMPARE(RoundHalfEvenDouble(1e300), INT_MAX);
  QCOMPARE(RoundHalfEvenDouble(-1e300), INT_MIN);
  QCOMPARE(RoundHalfEvenDouble(std::numeric_limits<double>::infinity()), INT_MAX);
  QCOMPARE(RoundHalfEvenDouble(std::numeric_limits<double>::quiet_NaN()), 0);
}

void TestChartGeometry::hitMarker() {
  std::vector<double> xs, ys;
  MakeSeries(
      256, [](int k) { return double(k); }, xs, ys);
  // Point 100 sits at pixel (1000, 1550).
  QCOMPARE(HitPoint(xs, ys, kWideX, kWideY, 1000, 1550), std::optional<int>(100));
  QCOMPARE(HitPoint(xs, ys, kWideX, kWideY, 1003.9, 1550), std::optional<int>(100));
  QCOMPARE(HitPoint(xs, ys, kWideX, kWideY, 996.1, 1553.9), std::optional<int>(100));
  QCOMPARE(HitPoint(xs, ys, kWideX, kWideY, 1003.5, 1546.5), std::optional<int>(100));
  // Exactly 4 pixels away is outside the marker (and 2.8 pixels off the line).
  QCOMPARE(HitPoint(xs, ys, kWideX, kWideY, 1004, 1550), std::nullopt);
  QCOMPARE(HitPoint(xs, ys, kWideX, kWideY, 1000, 1546), std::nullopt);
  // On the point itself the marker wins over the line coming from point 99.
  QCOMPARE(HitPoint(xs, ys, kWideX, kWideY, 1000.5, 1549.5), std::optional<int>(100));
  // First and last points.
  QCOMPARE(HitPoint(xs, ys, kWideX, kWideY, 0, 2550), std::optional<int>(0));
  QCOMPARE(HitPoint(xs, ys, kWideX, kWideY, 2550, 0), std::optional<int>(255));
}

void TestChartGeometry::hitSegment() {
  std::vector<double> xs, ys;
  MakeSeries(
      256, [](int k) { return double(k); }, xs, ys);
  // Midway between points 99 (990, 1560) and 100 (1000, 1550): the line
  // into point 100 belongs to point 99.
  QCOMPARE(HitPoint(xs, ys, kWideX, kWideY, 995, 1555), std::optional<int>(99));
  // Off the line across it (direction (1, 1)/sqrt 2), 1.4 and 1.6 pixels.
  const double d = 1.0 / std::sqrt(2.0);
  QCOMPARE(HitPoint(xs, ys, kWideX, kWideY, 995 + 1.4 * d, 1555 + 1.4 * d), std::optional<int>(99));
  QCOMPARE(HitPoint(xs, ys, kWideX, kWideY, 995 - 1.4 * d, 1555 - 1.4 * d), std::optional<int>(99));
  QCOMPARE(HitPoint(xs, ys, kWideX, kWideY, 995 + 1.6 * d, 1555 + 1.6 * d), std::nullopt);

  // A steep rise: from point 10 (value 0) to point 11 (value 200), the line
  // runs almost vertically from pixel y 2550 up to 550 near x 100..110.
  std::vector<double> steepX{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  std::vector<double> steepY(13, 0.0);
  steepY[11] = 200;
  steepY[12] = 200;
  QCOMPARE(HitPoint(steepX, steepY, kWideX, kWideY, 105, 1550), std::optional<int>(10));
  QCOMPARE(HitPoint(steepX, steepY, kWideX, kWideY, 108, 1550), std::nullopt);
  // The flat line after the rise belongs to point 11.
  QCOMPARE(HitPoint(steepX, steepY, kWideX, kWideY, 115, 550.5), std::optional<int>(11));
}

void TestChartGeometry::hitOverlapTakesLowerIndex() {
  std::vector<double> xs, ys;
  MakeSeries(
      256, [](int) { return 37.0; }, xs, ys);
  const double y = kNarrowY.ToPixel(37);
  // Points are 2 pixels apart (point 100 at pixel x 240): the markers of
  // 99, 100 and 101 all cover pixel x 240.5, and the lowest is taken.
  QCOMPARE(kNarrowX.ToPixel(100), 240.0);
  QCOMPARE(HitPoint(xs, ys, kNarrowX, kNarrowY, 240.5, y), std::optional<int>(99));
  QCOMPARE(HitPoint(xs, ys, kNarrowX, kNarrowY, 241.5, y), std::optional<int>(99));
  QCOMPARE(HitPoint(xs, ys, kNarrowX, kNarrowY, 242.5, y), std::optional<int>(100));
  QCOMPARE(HitPoint(xs, ys, kNarrowX, kNarrowY, 239.5, y), std::optional<int>(98));
  // At the start of the curve there is nothing lower than point 0.
  QCOMPARE(HitPoint(xs, ys, kNarrowX, kNarrowY, 42, y), std::optional<int>(0));
  QCOMPARE(HitPoint(xs, ys, kNarrowX, kNarrowY, 44.5, y), std::optional<int>(1));
}

void TestChartGeometry::hitNone() {
  std::vector<double> xs, ys;
  MakeSeries(
      256, [](int k) { return double(k); }, xs, ys);
  QCOMPARE(HitPoint(xs, ys, kWideX, kWideY, 1000, 1000), std::nullopt);
  QCOMPARE(HitPoint(xs, ys, kWideX, kWideY, -100, -100), std::nullopt);
  QCOMPARE(HitPoint({}, {}, kWideX, kWideY, 0, 2550), std::nullopt);
  // Only points present in both lists are scanned.
  std::vector<double> shortYs(ys.begin(), ys.begin() + 50);
  QCOMPARE(HitPoint(xs, shortYs, kWideX, kWideY, 1000, 1550), std::nullopt);
  QCOMPARE(HitPoint(xs, shortYs, kWideX, kWideY, 490, 2060), std::optional<int>(49));
  // A point drawn far outside the axis range is still a point.
  std::vector<double> high(256, 0.0);
  high[30] = 400;
  QCOMPARE(HitPoint(xs, high, kWideX, kWideY, 300, kWideY.ToPixel(400)), std::optional<int>(30));
}

void TestChartGeometry::hitOutOfRange() {
  // A longer series (as on a chart with more points than cells).
  std::vector<double> xs, ys;
  MakeSeries(
      300, [](int k) { return double(k % 7) * 30; }, xs, ys);
  const AxisMap x{0, 299, 0, 2990};
  const double px = x.ToPixel(280);
  const double py = kWideY.ToPixel(ys[280]);
  QCOMPARE(HitPoint(xs, ys, x, kWideY, px, py), std::nullopt);
  QCOMPARE(HitPoint(xs, ys, x, kWideY, px, py, 299), std::optional<int>(280));
  QCOMPARE(HitPoint(xs, ys, x, kWideY, x.ToPixel(255), kWideY.ToPixel(ys[255])),
           std::optional<int>(255));
  QCOMPARE(HitPoint(xs, ys, x, kWideY, x.ToPixel(256), kWideY.ToPixel(ys[256])), std::nullopt);
  QCOMPARE(HitPoint(xs, ys, x, kWideY, x.ToPixel(3), kWideY.ToPixel(ys[3]), 2), std::nullopt);
  QCOMPARE(HitPoint(xs, ys, x, kWideY, 0, kWideY.ToPixel(0), -1), std::nullopt);
}

void TestChartGeometry::dragScaleAndValue() {
  // 255 units over 255 pixels: one unit per pixel.
  const AxisMap unit{0, 255, 265, 10};
  QCOMPARE(DragScale(unit), 1.0);
  const double s1 = DragScale(unit);
  for (int n = 0; n <= 200; ++n) QCOMPARE(DragValue(300, 300 - n, s1, 37), std::min(37 + n, 255));
  for (int n = 0; n <= 37; ++n) QCOMPARE(DragValue(300, 300 + n, s1, 37), 37 - n);

  // Half a unit per pixel: odd distances land on halves, rounded to even.
  const AxisMap half{0, 255, 520, 10};
  const double s2 = DragScale(half);
  QCOMPARE(s2, 0.5);
  QCOMPARE(DragValue(300, 299, s2, 37), 38);  // 37.5
  QCOMPARE(DragValue(300, 297, s2, 37), 38);  // 38.5
  QCOMPARE(DragValue(300, 295, s2, 37), 40);  // 39.5
  QCOMPARE(DragValue(300, 296, s2, 37), 39);
  QCOMPARE(DragValue(300, 301, s2, 37), 36);  // 36.5
  // Back at the press height: the start value.
  QCOMPARE(DragValue(300, 300, s2, 37), 37);

  // A zoomed axis 100..120 over 400 pixels: 0.05 units per pixel.
  const AxisMap zoomed{100, 120, 400, 0};
  const double s3 = DragScale(zoomed);
  QVERIFY(std::fabs(s3 - 0.05) < 1e-12);
  QCOMPARE(DragValue(200, 100, s3, 110), 115);
  QCOMPARE(DragValue(200, 300, s3, 110), 105);

  // The default window geometry.
  const double s4 = DragScale(kNarrowY);
  QVERIFY(std::fabs(s4 - 255.0 / 390.0) < 1e-12);
  QCOMPARE(DragValue(200, 122, s4, 37), 88);  // 78 pixels x 255/390 = 51
  QCOMPARE(DragValue(200, 200, s4, 37), 37);
}

void TestChartGeometry::dragClamps() {
  const AxisMap unit{0, 255, 265, 10};
  const double s = DragScale(unit);
  QCOMPARE(DragValue(300, -5000, s, 37), 255);
  QCOMPARE(DragValue(300, 45, s, 37), 255);  // exactly 255 + 37
  QCOMPARE(DragValue(300, 82, s, 37), 255);  // 255
  QCOMPARE(DragValue(300, 83, s, 37), 254);
  QCOMPARE(DragValue(300, 5000, s, 37), 0);
  QCOMPARE(DragValue(300, 337, s, 37), 0);
  QCOMPARE(DragValue(300, 336, s, 37), 1);
  // A cell typed outside 0..255 starts from its value and is brought back.
  QCOMPARE(DragValue(300, 300, s, 300), 255);
  QCOMPARE(DragValue(300, 250, s, 300), 255);
  QCOMPARE(DragValue(300, 300, s, -20), 0);
  QCOMPARE(DragValue(300, 270, s, -20), 10);
  QCOMPARE(DragValue(INT_MAX, INT_MIN, s, 0), 255);
  QCOMPARE(DragValue(INT_MIN, INT_MAX, s, 0), 0);
}

void TestChartGeometry::doubleClickEdges() {
  using Cell = std::optional<std::pair<int, int>>;
  // Corners and edges of the plot 40..550 x 10..400.
  QCOMPARE(DoubleClickCell(kNarrowX, kNarrowY, 40, 400), Cell({0, 0}));
  QCOMPARE(DoubleClickCell(kNarrowX, kNarrowY, 550, 10), Cell({255, 255}));
  QCOMPARE(DoubleClickCell(kNarrowX, kNarrowY, 40, 10), Cell({0, 255}));
  QCOMPARE(DoubleClickCell(kNarrowX, kNarrowY, 550, 400), Cell({255, 0}));
  // The left edge gives cell 0, the bottom edge the value 0.
  QCOMPARE(DoubleClickCell(kNarrowX, kNarrowY, 40, 205)->first, 0);
  QCOMPARE(DoubleClickCell(kNarrowX, kNarrowY, 300, 400)->second, 0);
  // Just outside, on the axis labels: nothing.
  QCOMPARE(DoubleClickCell(kNarrowX, kNarrowY, 39, 205), std::nullopt);
  QCOMPARE(DoubleClickCell(kNarrowX, kNarrowY, 551, 205), std::nullopt);
  QCOMPARE(DoubleClickCell(kNarrowX, kNarrowY, 300, 401), std::nullopt);
  QCOMPARE(DoubleClickCell(kNarrowX, kNarrowY, 300, 9), std::nullopt);
  QCOMPARE(DoubleClickCell(kNarrowX, kNarrowY, 10, 420), std::nullopt);
  // The middle: 127.5 rounds to 128 (even); 78 pixels up is 51.
  QCOMPARE(DoubleClickCell(kNarrowX, kNarrowY, 295, 322), Cell({128, 51}));
  // One step is 2 pixels across: pixel 41 is 0.5 -> 0, pixel 43 is 1.5 -> 2.
  QCOMPARE(DoubleClickCell(kNarrowX, kNarrowY, 41, 205)->first, 0);
  QCOMPARE(DoubleClickCell(kNarrowX, kNarrowY, 42, 205)->first, 1);
  QCOMPARE(DoubleClickCell(kNarrowX, kNarrowY, 43, 205)->first, 2);
}

void TestChartGeometry::doubleClickZoomed() {
  using Cell = std::optional<std::pair<int, int>>;
  // Zoomed into MAF 100..120 and output 30..50.
  const AxisMap x{100, 120, 40, 550};
  const AxisMap y{30, 50, 400, 0};
  QCOMPARE(DoubleClickCell(x, y, 295, 200), Cell({110, 40}));
  QCOMPARE(DoubleClickCell(x, y, 40, 400), Cell({100, 30}));
  QCOMPARE(DoubleClickCell(x, y, 550, 0), Cell({120, 50}));
  QCOMPARE(DoubleClickCell(x, y, 66, 380), Cell({101, 31}));
  QCOMPARE(DoubleClickCell(x, y, 39, 200), std::nullopt);
  // The same pixel on the unzoomed chart of the same size is cell 128.
  QCOMPARE(DoubleClickCell(kNarrowX, AxisMap{0, 255, 400, 0}, 295, 200)->first, 128);
}

void TestChartGeometry::doubleClickClampsAndDegenerate() {
  using Cell = std::optional<std::pair<int, int>>;
  // Axes zoomed out beyond 0..255: values are brought into range.
  const AxisMap x{-100, 400, 0, 500};
  const AxisMap y{-50, 300, 350, 0};
  QCOMPARE(DoubleClickCell(x, y, 0, 350), Cell({0, 0}));
  QCOMPARE(DoubleClickCell(x, y, 500, 0), Cell({255, 255}));
  QCOMPARE(DoubleClickCell(x, y, 300, 100), Cell({200, 200}));
  // An empty plot holds no cell.
  QCOMPARE(DoubleClickCell(AxisMap{0, 255, 40, 40}, kNarrowY, 40, 200), std::nullopt);
  QCOMPARE(DoubleClickCell(kNarrowX, AxisMap{0, 255, 10, 10}, 100, 10), std::nullopt);
  QCOMPARE(DoubleClickCell(AxisMap{5, 5, 40, 550}, kNarrowY, 100, 200), std::nullopt);
}

void TestChartGeometry::hintTexts() {
  QCOMPARE(Q(HintPanelText(100, 37, kCaption)), QString::fromUtf8("MAF=100    Конв.Вых.=37"));
  QCOMPARE(Q(HintPanelText(0, 255, "Out")), QString::fromUtf8("MAF=0    Out=255"));
  QCOMPARE(Q(HintLabelText(100, 37, kCaption, true)),
           QString::fromUtf8("MAF= 100\n\rКонв.Вых.=37"));
  QCOMPARE(Q(HintLabelText(100, 37, kCaption, false)),
           QString::fromUtf8("MAF=100\n\rКонв.Вых.=37"));
  QCOMPARE(Q(GridHintText(3, kCaption, "17")), QString::fromUtf8("MAF=3      Конв.Вых.=17"));
  QCOMPARE(Q(GridHintText(255, kCaption, "255")), QString::fromUtf8("MAF=255      Конв.Вых.=255"));
  QCOMPARE(Q(GridHintText(42, kCaption, "abc")), QString::fromUtf8("MAF=42      Конв.Вых.=abc"));
  QCOMPARE(Q(GridHintText(42, kCaption, " 1.5 ")),
           QString::fromUtf8("MAF=42      Конв.Вых.= 1.5 "));
}

QTEST_APPLESS_MAIN(TestChartGeometry)
#include "test_chart_geometry.moc"
