// Editing the table on its chart with synthesized mouse events at pixel
// positions computed from the chart's own axes.

#include <QLabel>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTest>

#include "app/StartUp.h"
#include "app/ZelorConfigurator.h"
#include "core/ChartGeometry.h"
#include "support/ScriptedDialogs.h"
#include "table/GridPage.h"
#include "table/TableChart.h"
#include "table/TableChartController.h"
#include "table/TableModel.h"

using namespace zelor;

class TestTableChart : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dialogs_ = std::make_unique<testing::ScriptedDialogs>();
    windows_ = StartUp({});
    form().PageControl1()->setCurrentWidget(form().TabSheet("TabTableGraph"));
    chart().replot();
  }
  void cleanup() {
    windows_ = Windows();
    dialogs_.reset();
  }

  void dragUpFollowsTheAxisScale() {
    SetCell(100, 37);
    const QPoint press = Pixel(100, 37);
    const double scale =
        255.0 / (chart().yAxis->coordToPixel(0) - chart().yAxis->coordToPixel(255));
    QTest::mousePress(&chart(), Qt::LeftButton, {}, press);
    QVERIFY(form().ChartControl().Drag().dragging);
    QCOMPARE(form().ChartControl().Drag().pickedPoint, 100);
    QVERIFY(!chart().ZoomEnabled());
    for (int n : {1, 7, 20, 33}) {
      QTest::mouseMove(&chart(), press - QPoint(0, n));
      const int expected = RoundHalfEvenDouble(37 + n * scale);
      QCOMPARE(form().Table().CellText(100), QString::number(expected));
      QCOMPARE(chart().Series1()->data()->at(100)->value, double(expected));
      QCOMPARE(form().findChild<QLabel*>(QStringLiteral("StatusBar1Panel1"))->text(),
               QStringLiteral("MAF=100    Конв.Вых.=%1").arg(expected));
      QCOMPARE(chart().HintLabel()->text(),
               QStringLiteral("MAF=100\n\rКонв.Вых.=%1").arg(expected));
    }
    // Back at the press height: the start value again.
    QTest::mouseMove(&chart(), press);
    QCOMPARE(form().Table().CellText(100), QStringLiteral("37"));
    QTest::mouseMove(&chart(), press - QPoint(0, 10));
    const QString last = form().Table().CellText(100);
    QTest::mouseRelease(&chart(), Qt::LeftButton, {}, press - QPoint(0, 10));
    QVERIFY(!form().ChartControl().Drag().dragging);
    QVERIFY(chart().ZoomEnabled());
    QVERIFY(form().findChild<QLabel*>(QStringLiteral("StatusBar1Panel1"))->text().isEmpty());
    QCOMPARE(form().Table().CellText(100), last);
    QVERIFY(dialogs_->messages.isEmpty());
  }

  void dragBeyondThePlotIsClamped() {
    SetCell(50, 128);
    const QPoint press = Pixel(50, 128);
    QTest::mousePress(&chart(), Qt::LeftButton, {}, press);
    QTest::mouseMove(&chart(), QPoint(press.x(), -2000));
    QCOMPARE(form().Table().CellText(50), QStringLiteral("255"));
    QTest::mouseMove(&chart(), QPoint(press.x(), 5000));
    QCOMPARE(form().Table().CellText(50), QStringLiteral("0"));
    QTest::mouseRelease(&chart(), Qt::LeftButton, {}, QPoint(press.x(), 5000));
    QCOMPARE(form().Table().CellText(50), QStringLiteral("0"));
  }

  void rightPressStartsNoDrag() {
    SetCell(60, 90);
    const QPoint press = Pixel(60, 90);
    QTest::mousePress(&chart(), Qt::RightButton, {}, press);
    QVERIFY(!form().ChartControl().Drag().dragging);
    QTest::mouseMove(&chart(), press - QPoint(0, 40));
    QTest::mouseRelease(&chart(), Qt::RightButton, {}, press - QPoint(0, 40));
    QCOMPARE(form().Table().CellText(60), QStringLiteral("90"));
  }

  void overlappingMarkersPickTheLowerIndex() {
    form().N112Click();
    chart().replot();
    const double spacing = chart().xAxis->coordToPixel(101) - chart().xAxis->coordToPixel(100);
    QVERIFY2(spacing < 4.0, "neighbouring markers must overlap for this case");
    QTest::mousePress(&chart(), Qt::LeftButton, {}, Pixel(100, 100));
    QVERIFY(form().ChartControl().Drag().dragging);
    QCOMPARE(form().ChartControl().Drag().pickedPoint, 99);
    QTest::mouseRelease(&chart(), Qt::LeftButton, {}, Pixel(100, 100));
  }

  void hoverHintsAndTheirAbsenceOffThePoints() {
    SetCell(120, 200);
    QTest::mouseMove(&chart(), Pixel(120, 200));
    QCOMPARE(form().findChild<QLabel*>(QStringLiteral("StatusBar1Panel1"))->text(),
             QStringLiteral("MAF=120    Конв.Вых.=200"));
    QCOMPARE(chart().HintLabel()->text(), QStringLiteral("MAF= 120\n\rКонв.Вых.=200"));
    QVERIFY(chart().HintLabel()->isVisibleTo(&chart()));
    const QPoint pointer = Pixel(120, 200);
    QCOMPARE(chart().HintLabel()->pos(), QPoint(pointer.x() + 20, pointer.y() - 3));
    // Drawn as two lines with no blank before the second: as a plain label
    // that holds the LF alone draws them.
    QLabel* hint = chart().HintLabel();
    QLabel plain(QStringLiteral("MAF= 120\nКонв.Вых.=200"));
    plain.setFont(hint->font());
    plain.setPalette(hint->palette());
    plain.setAutoFillBackground(true);
    QCOMPARE(hint->size(), plain.sizeHint());
    plain.resize(hint->size());
    QCOMPARE(hint->grab().toImage(), plain.grab().toImage());
    QTest::mouseMove(&chart(), Pixel(200, 120));  // empty space above the zero line
    QVERIFY(form().findChild<QLabel*>(QStringLiteral("StatusBar1Panel1"))->text().isEmpty());
    QVERIFY(!chart().HintLabel()->isVisibleTo(&chart()));
  }

  void doubleClickOnTheZoomedAxes() {
    chart().xAxis->setRange(100, 120);
    chart().replot();
    const QRect plot = chart().axisRect()->rect();
    const QPoint middle = plot.center();
    const int value = RoundHalfEvenDouble(chart().yAxis->pixelToCoord(middle.y()));
    DoubleClick(middle);
    QCOMPARE(form().Table().CellText(110), QString::number(value));
    QCOMPARE(form().Table().CellText(128), QStringLiteral("0"));
    QCOMPARE(chart().Series1()->data()->at(110)->value, double(value));  // rebuilt
  }

  void doubleClickOnThePlotEdges() {
    chart().replot();
    const int x0 = qRound(chart().xAxis->coordToPixel(0));
    const int y0 = qRound(chart().yAxis->coordToPixel(0));
    const int y1 = qRound(chart().yAxis->coordToPixel(255));
    DoubleClick(QPoint(x0, (y0 + y1) / 2));
    QVERIFY(form().Table().CellText(0) != QStringLiteral("0"));
    const int x100 = qRound(chart().xAxis->coordToPixel(100));
    SetCell(100, 50);
    DoubleClick(QPoint(x100, y0));
    QCOMPARE(form().Table().CellText(100), QStringLiteral("0"));
    // Outside the plot, on the axis labels: nothing.
    SetCell(100, 50);
    DoubleClick(QPoint(x100, y0 + 15));
    DoubleClick(QPoint(x0 - 15, (y0 + y1) / 2));
    QCOMPARE(form().Table().CellText(100), QStringLiteral("50"));
    for (int i = 1; i < 256; ++i)
      if (i != 100) QCOMPARE(form().Table().CellText(i), QStringLiteral("0"));
  }

  void rubberBandZoomsRightwardsAndUndoesLeftwards() {
    const QPoint from = Pixel(100, 200);
    const QPoint to = Pixel(150, 100);
    // Only the left button draws a band.
    QTest::mousePress(&chart(), Qt::RightButton, {}, from);
    QTest::mouseMove(&chart(), to);
    QTest::mouseRelease(&chart(), Qt::RightButton, {}, to);
    QCOMPARE(chart().xAxis->range().lower, 0.0);
    QCOMPARE(chart().xAxis->range().upper, 255.0);
    QTest::mousePress(&chart(), Qt::LeftButton, {}, from);
    QTest::mouseMove(&chart(), to);
    QTest::mouseRelease(&chart(), Qt::LeftButton, {}, to);
    QVERIFY(qAbs(chart().xAxis->range().lower - 100) < 1.0);
    QVERIFY(qAbs(chart().xAxis->range().upper - 150) < 1.0);
    // Drawn leftwards: the whole table again.
    const QPoint a = chart().axisRect()->rect().center();
    QTest::mousePress(&chart(), Qt::LeftButton, {}, a + QPoint(60, -30));
    QTest::mouseMove(&chart(), a - QPoint(60, -30));
    QTest::mouseRelease(&chart(), Qt::LeftButton, {}, a - QPoint(60, -30));
    QCOMPARE(chart().xAxis->range().lower, 0.0);
    QCOMPARE(chart().xAxis->range().upper, 255.0);
    QCOMPARE(chart().yAxis->range().upper, 255.0);
    for (int i = 0; i < 256; ++i) QCOMPARE(form().Table().CellText(i), QStringLiteral("0"));
  }

 private:
  TForm1& form() { return *windows_.form1; }
  TableChart& chart() { return form().Chart(); }
  void SetCell(int index, int value) {
    form().Table().SetCell(index, value);
    form().TabTableGraphShow();
    chart().replot();
  }
  // A double click as the window system delivers it: press, release, then a
  // double-click event in place of the second press, and its release.
  void DoubleClick(QPoint pos) {
    QTest::mousePress(&chart(), Qt::LeftButton, {}, pos);
    QTest::mouseRelease(&chart(), Qt::LeftButton, {}, pos);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, pos, chart().mapToGlobal(pos), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&chart(), &dbl);
    QTest::mouseRelease(&chart(), Qt::LeftButton, {}, pos);
  }
  QPoint Pixel(double x, double y) {
    return QPoint(qRound(chart().xAxis->coordToPixel(x)), qRound(chart().yAxis->coordToPixel(y)));
  }

  std::unique_ptr<testing::ScriptedDialogs> dialogs_;
  Windows windows_;
};

QTEST_MAIN(TestTableChart)
#include "test_table_chart.moc"
