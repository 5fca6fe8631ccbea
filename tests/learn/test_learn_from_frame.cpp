// Learning the table from the log chart's frame through the main window:
// the learn command and the modes inside the chart's redraw, the learned
// cells' lock and reset, drags on learned points, and the double click.

#include <QAction>
#include <QLabel>
#include <QTabWidget>
#include <QTest>

#include "app/StartUp.h"
#include "app/ZelorConfigurator.h"
#include "log/LogChartController.h"
#include "log/LogChartPage.h"
#include "log/StreamRun.h"
#include "support/LogChartInput.h"
#include "support/ScriptedDialogs.h"
#include "table/GridPage.h"
#include "table/TableModel.h"

using namespace zelor;
using testing::Sample;
using testing::SendMouse;

class TestLearnFromFrame : public QObject {
  Q_OBJECT

 private slots:
  void init() { windows_ = StartUp({}); }
  void cleanup() {
    windows_ = Windows();
    QVERIFY(dialogs_.TakeMessages().isEmpty());
  }

  void lastSampleWinsUnlockedFirstWhenLocked() {
    // MAF 40 at three plotted samples, with VAF 10, 20 and 30.
    testing::Record(form().Stream().Log(), 200, [](std::int32_t k) {
      const bool forty = k == 50 || k == 60 || k == 70;
      return Sample(0, 0, 128, forty ? 40 : 100, forty ? k - 40 : 5, 0);
    });
    ShowWhole();
    // A request waits out a running stream; the redraw at "Стоп" learns.
    form().Stream().Flags().Streaming.store(true);
    Trigger("N16");
    form().Stream().Flags().Streaming.store(false);
    QCOMPARE(Cell(40), QStringLiteral("0"));
    form().LogChartUndoZoom();
    QCOMPARE(Cell(40), QStringLiteral("30"));
    // One pass: each table point shows its cell as it stood when plotted.
    QCOMPARE(page().Y(kTabSeries, 50), 10.0);
    QCOMPARE(page().Y(kTabSeries, 70), 30.0);

    // Locked, a learned cell keeps whatever it holds.
    Trigger("LearnedCellsLock");
    form().Table().SetCell(40, 7);
    Trigger("N16");
    QCOMPARE(Cell(40), QStringLiteral("7"));
    // After a reset the lock stands, and the first sample of each MAF wins.
    Trigger("ResetAllLearnedCells");
    QVERIFY(page().LockWarning()->isVisible());
    Trigger("N16");
    QCOMPARE(Cell(40), QStringLiteral("10"));
  }

  // The marks go with the cells through the history: a learning pass taken
  // back leaves no cell locked behind, and a reset can be taken back too.
  void undoAndRedoCarryTheLearnedMarks() {
    testing::Record(form().Stream().Log(), 200,
                    [](std::int32_t k) { return Sample(0, 0, 128, k < 100 ? 40 : 41, 60, 0); });
    ShowWhole();
    Trigger("LearnedCellsLock");
    Trigger("N16");
    LearnedCellFlags learned{};
    learned[40] = learned[41] = 1;
    const struct {
      const char* command;
      const char* cell40;
      LearnedCellFlags marks;
    } steps[] = {
        {"UndoTable", "0", {}},
        {"RedoTable", "60", learned},
        {"ResetAllLearnedCells", "60", {}},
        {"UndoTable", "60", learned},
    };
    QCOMPARE(form().LogChartControl().Learner().LearnedCells(), learned);
    for (const auto& step : steps) {
      Trigger(step.command);
      QVERIFY2(Cell(40) == step.cell40, step.command);
      QVERIFY2(form().LogChartControl().Learner().LearnedCells() == step.marks, step.command);
    }
  }

  void aModeLearnsAtOnceUpToTheWindowsEnd() {
    // At a step of 10: MAF 50 at 100, 110 and 120 (not between them); MAF
    // 77 at 270, 280, 290 and in slot 300, a leftover past the count.
    testing::Record(form().Stream().Log(), 300, [](std::int32_t k) {
      if (k == 100 || k == 110 || k == 120) return Sample(0, 0, 128, 50, k - 90, 0);
      if (k == 270 || k == 280 || k == 290) return Sample(0, 0, 128, 77, k - 260, 0);
      return Sample(0, 0, 128, k > 100 && k < 120 ? 60 : 100, 5, 0);
    });
    form().Stream().Log().Store(300, Sample(0, 0, 128, 77, 255, 0));
    ShowWhole();
    Trigger("N011");
    for (int round = 0; round < 2; ++round) {  // a second choice learns again
      form().Table().SetCell(50, 0);
      form().Table().SetCell(77, 0);
      Trigger("N3MAFConst1");
      for (int n = 1; n <= 5; ++n) QCOMPARE(page().MafConstItem(n)->isChecked(), n == 3);
      QCOMPARE(Cell(50), QStringLiteral("20"));
      // The window ends at 300 - 10 x 3 = 270: slot 300 is never compared.
      QCOMPARE(Cell(77), QStringLiteral("20"));
    }
  }

  void theLockShowsItsWarningAndRefusesDragsOnLearnedPoints() {
    form().Table().SetCell(30, 150);
    form().Table().SetCell(31, 160);
    testing::Record(form().Stream().Log(), 300,
                    [](std::int32_t k) { return Sample(40, 0, 128, 30 + k % 2, 20, 60); });
    ShowWhole();
    Drag(100);  // MAF 30; a drag sets its flag
    const QString dragged = Cell(30);
    QVERIFY(dragged != QStringLiteral("150"));
    Trigger("LearnedCellsLock");
    QVERIFY(page().LearnedCellsLockItem()->isChecked() && page().LockWarning()->isVisible());
    QVERIFY(!Drag(100));  // refused at the press, and no zoom rectangle either
    QCOMPARE(Cell(30), dragged);
    Drag(101);  // MAF 31: not learned
    QVERIFY(Cell(31) != QStringLiteral("160"));
    Trigger("LearnedCellsLock");
    QVERIFY(!page().LearnedCellsLockItem()->isChecked() && !page().LockWarning()->isVisible());
  }

  void doubleClickSetsTheCellOfTheNearestPlottedPoint() {
    // Sample k has MAF k; no point lies on the top or the bottom edge near
    // the pixels used, so no press starts a drag of its own.
    for (int m = 0; m < 256; ++m) form().Table().SetCell(m, 50);
    testing::Record(form().Stream().Log(), 200,
                    [](std::int32_t k) { return Sample(100, 0, 128, k, 100, 100); });
    DoubleClick(QPoint(480, 240));  // not drawn yet
    QCOMPARE(form().LogChartControl().Learner().LearnedCells(), LearnedCellFlags{});
    ShowWhole();
    const struct {
      double origin;  // of the bottom axis at 5 ms a pixel; points every 10 ms
      int dx;
      bool top;
      int maf;  // -1: no cell meant
    } cases[] = {
        {0, 41, true, 21},     // t = 205, the mean of points 20 and 21
        {0, 60, false, 30},    // t = 300, point 30 itself
        {-1000, 0, true, -1},  // before the first point
    };
    for (const auto& c : cases) {
      const LearnedCellFlags before = form().LogChartControl().Learner().LearnedCells();
      DoubleClick(AtTime(c.origin, c.dx, c.top) + QPoint(0, c.top ? -1 : 1));  // outside
      QCOMPARE(form().LogChartControl().Learner().LearnedCells(), before);
      DoubleClick(AtTime(c.origin, c.dx, c.top));
      LearnedCellFlags flags = before;
      if (c.maf >= 0) flags[c.maf] = 1;
      QCOMPARE(form().LogChartControl().Learner().LearnedCells(), flags);
      if (c.maf < 0) continue;
      QCOMPARE(Cell(c.maf), c.top ? QStringLiteral("255") : QStringLiteral("0"));
      QCOMPARE(page().Y(kTabSeries, c.maf), c.top ? 255.0 : 0.0);  // redrawn
    }
    Trigger("LearnedCellsLock");
    DoubleClick(AtTime(0, 41, false));
    QCOMPARE(Cell(21), QStringLiteral("255"));
  }

 private:
  TForm1& form() { return *windows_.form1; }
  LogChartPage& page() { return form().LogChartControl().Page(); }
  LogChart* chart() { return page().Chart(); }
  QString Cell(int m) { return form().Table().CellText(m); }

  void Trigger(const char* name) {
    form().findChild<QAction*>(QString::fromLatin1(name))->trigger();
  }

  // Shows the tab and draws the whole recording, laid out for pixels.
  void ShowWhole() {
    form().PageControl1()->setCurrentWidget(form().TabSheet("TabSheet2"));
    form().LogChartUndoZoom();
    chart()->replot();
  }

  // A left drag of table point k 10 pixels up and its release; whether the
  // chart would draw a zoom rectangle meanwhile.
  bool Drag(int k) {
    const QPoint from(qRound(chart()->xAxis->coordToPixel(SampleTime(k))),
                      qRound(chart()->yAxis->coordToPixel(page().Y(kTabSeries, k))));
    SendMouse(chart(), QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    SendMouse(chart(), QEvent::MouseMove, from - QPoint(0, 10), Qt::NoButton, Qt::LeftButton);
    const bool zoom = chart()->ZoomEnabled();
    SendMouse(chart(), QEvent::MouseButtonRelease, from, Qt::LeftButton, Qt::NoButton);
    return zoom;
  }

  // Sets the bottom axis to 5 ms a pixel from origin, and gives the pixel
  // dx to the right of its left end, on the top or the bottom edge.
  QPoint AtTime(double origin, int dx, bool top) {
    const double width = page().XMap().pixelAtUpper - page().XMap().pixelAtLower;
    chart()->xAxis->setRange(origin, origin + 5 * width);
    chart()->replot();
    const AxisMap y = page().YMap();
    return QPoint(qRound(page().XMap().pixelAtLower) + dx,
                  qRound(top ? y.pixelAtUpper : y.pixelAtLower));
  }

  // A left double click as the system reports it.
  void DoubleClick(QPoint at) {
    SendMouse(chart(), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    SendMouse(chart(), QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    SendMouse(chart(), QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
    SendMouse(chart(), QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
  }

  testing::ScriptedDialogs dialogs_;
  Windows windows_;
};

QTEST_MAIN(TestLearnFromFrame)
#include "test_learn_from_frame.moc"
