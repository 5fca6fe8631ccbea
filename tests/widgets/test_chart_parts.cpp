// What the charts share: a point's drag and the curves drawn from cells.

#include <qcustomplot.h>

#include <QTest>
#include <stdexcept>

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
    drag.Press({90, 20});  // another button's press while the drag is on
    QCOMPARE(drag.pickedPoint, 7);
    QCOMPARE(drag.ValueAt(280), 110);  // 20 pixels above the drag's press
    QCOMPARE(drag.ValueAt(2000), 0);
    QVERIFY(drag.End());
    QVERIFY(!drag.End());
    drag.Start(3, 50.0, y, false);  // picked, but it may not move
    QVERIFY(!drag.dragging);
    QCOMPARE(drag.pickedPoint, 3);
  }

  void curvesStopTogetherAtACellThatCannotBeRead() {
    QCustomPlot chart;
    QCPGraph* a = chart.addGraph();
    QCPGraph* b = chart.addGraph();
    int replots = 0;
    connect(&chart, &QCustomPlot::afterReplot, [&] { ++replots; });
    struct Case {
      int badCurve, badCell, countA, countB;
    };
    // Cell by cell across the curves: a bad cell of b leaves a one point ahead.
    for (const Case& c : {Case{0, 40, 40, 40}, Case{1, 40, 41, 40}, Case{-1, -1, 256, 256}}) {
      const auto draw = [&] {
        DrawCellCurves({a, b}, [&](int curve, int cell) {
          if (curve == c.badCurve && cell == c.badCell) throw std::runtime_error("bad");
          return 1000.0 * curve + cell;
        });
      };
      const int before = replots;
      if (c.badCurve < 0) {
        draw();
      } else {
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, draw());
      }
      QCOMPARE(a->dataCount(), c.countA);
      QCOMPARE(b->dataCount(), c.countB);
      QCOMPARE(b->data()->at(c.countB - 1)->key, c.countB - 1.0);
      QCOMPARE(b->data()->at(c.countB - 1)->value, 1000.0 + c.countB - 1);
      QCOMPARE(replots, before + 1);  // shown as far as it went
    }
  }
};

QTEST_MAIN(TestChartParts)
#include "test_chart_parts.moc"
