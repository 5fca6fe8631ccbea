// What the charts share: a point's drag and the curves drawn from cells.

#include <qcustomplot.h>

#include <QTest>
#include <stdexcept>
#include <utility>

#include "widgets/CellCurve.h"
#include "widgets/PointDrag.h"

using namespace zelor;

class TestChartParts : public QObject {
  Q_OBJECT

 private slots:
  void aDragMovesFromItsOwnPress() {
    const AxisMap y{0.0, 255.0, 510.0, 0.0};  // half a unit per pixel upward
    PointDrag drag;
    drag.Press({40, 300});
    drag.Start(7, 100.0, y);
    drag.Press({90, 20});              // another button's press while the drag is on
    QCOMPARE(drag.ValueAt(280), 110);  // 20 pixels above the drag's press
    QVERIFY(drag.End());
    drag.Start(3, 50.0, y, false);  // picked, but it may not move
    QVERIFY(!drag.dragging);
  }

  void curvesStopTogetherAtACellThatCannotBeRead() {
    QCustomPlot chart;
    QCPGraph* a = chart.addGraph();
    QCPGraph* b = chart.addGraph();
    int replots = 0;
    connect(&chart, &QCustomPlot::afterReplot, [&] { ++replots; });
    // Cell by cell across the curves: a bad cell of b leaves a one point ahead.
    for (const auto& [badCurve, countA] : {std::pair{0, 40}, std::pair{1, 41}}) {
      const auto readCell = [&](int curve, int cell) {
        if (curve == badCurve && cell == 40) throw std::runtime_error("bad");
        return 1000.0 * curve + cell;
      };
      QVERIFY_THROWS_EXCEPTION(std::runtime_error, DrawCellCurves({a, b}, readCell));
      QCOMPARE(a->dataCount(), countA);
      QCOMPARE(b->dataCount(), 40);
      QCOMPARE(b->data()->at(39)->value, 1039.0);
      QCOMPARE(replots, badCurve + 1);  // shown as far as it went
    }
  }
};

QTEST_MAIN(TestChartParts)
#include "test_chart_parts.moc"
