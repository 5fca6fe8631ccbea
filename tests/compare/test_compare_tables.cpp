// The comparison window as a user meets it: its start state and menus, the
// chart's drag, hover and popup rules, and its table files.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <optional>

#include "app/StartUp.h"
#include "app/ZelorConfigurator.h"
#include "compare/CompareChart.h"
#include "compare/CompareTables.h"
#include "core/ChartGeometry.h"
#include "support/ScriptedDialogs.h"
#include "table/TableGrid.h"

using namespace zelor;

namespace {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(bytes), bytes.size());
}

// Every cell of a grid, in index order.
QStringList Cells(const QTableWidget* grid) {
  QStringList cells;
  for (int index = 0; index < 256; ++index) cells << GridCellText(grid, index);
  return cells;
}

QStringList Repeated(const QString& text) { return QStringList(256, text); }

// A mouse move delivered to the widget itself: the window system would give
// it to whichever window lies on top at that place.
void Move(QWidget* widget, QPoint pos) {
  QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton,
                   QGuiApplication::mouseButtons(), Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &move);
}

}  // namespace

class TestCompareTables : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_.emplace();
    QVERIFY(dir_->isValid());
    dialogs_ = std::make_unique<testing::ScriptedDialogs>();
    windows_ = StartUp({});
  }
  void cleanup() {
    windows_ = Windows();
    dialogs_.reset();
  }

  void startStateMenusAndClosing() {
    TForm2& form = *windows_.form2;
    QVERIFY(!form.isVisible());
    QCOMPARE(form.windowTitle(), QStringLiteral("Zelor"));
    for (int table : {1, 2}) {
      QCOMPARE(Cells(form.Grid(table)), Repeated("0"));
      QCOMPARE(chart().PointYs(table), std::vector<double>(256, 0.0));
      QVERIFY(form.FileLabel(table)->text().isEmpty());
      QVERIFY(form.FileLabel(table)->font().italic());
    }
    QCOMPARE(chart().xAxis->range(), QCPRange(0, 260));
    QCOMPARE(chart().yAxis->range(), QCPRange(0, 260));
    QVERIFY(chart().legend->visible());

    // The menu, the tabs and "Точки" are among the main window's test's
    // conformance rows; the popup's table items keep their captions.
    QCOMPARE(form.Caption(QStringLiteral("ab11")), QStringLiteral("Tab.1"));
    QCOMPARE(form.Caption(QStringLiteral("ab21")), QStringLiteral("Tab.2"));
    for (const char* item : {"N7", "ab11", "ab21"}) QVERIFY(Action(item)->isChecked());

    // Shown by the main window's command, on the chart tab.
    Show();
    QCOMPARE(form.PageControl()->currentWidget()->objectName(), QStringLiteral("TabSheet1"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Zelor Утилита сравнения таблиц "));
    // Closing only hides: the tables stay.
    Action("N112")->trigger();
    form.close();
    QVERIFY(!form.isVisible());
    Show();
    QCOMPARE(GridCellText(form.Grid1(), 200), QStringLiteral("200"));
    QVERIFY(dialogs_->messages.isEmpty());
  }

  // Each table's legend entry is in the colour its curve is seen in: its
  // markers' while they are shown (256 of them overlap into a band), else
  // its line's.
  void legendInTheCurvesColours() {
    Show();
    const struct {
      bool points;
      QColor tab1, tab2;
    } rows[] = {{true, Qt::red, Qt::blue}, {false, QColor(0, 128, 0), Qt::black}};
    for (const auto& row : rows) {
      if (Action("N7")->isChecked() != row.points) Action("N7")->trigger();
      const QImage shot = chart().toPixmap().toImage();
      for (int table : {1, 2}) {
        const QRect icon(chart().legend->item(table - 1)->rect().topLeft(),
                         chart().legend->iconSize());
        const QColor expected = table == 1 ? row.tab1 : row.tab2;
        for (int x : {icon.left() + icon.width() / 4, icon.left() + icon.width() * 3 / 4}) {
          const QColor seen = shot.pixelColor(x, icon.center().y());
          const int off = std::max({std::abs(seen.red() - expected.red()),
                                    std::abs(seen.green() - expected.green()),
                                    std::abs(seen.blue() - expected.blue())});
          QVERIFY2(off < 40, qPrintable(QString("table %1: %2").arg(table).arg(seen.name())));
        }
      }
    }
  }

  // A command chosen while a cell's editor is open ends the editing first,
  // so the editor never writes over the command's table afterwards.
  void aCommandEndsAnOpenEditingFirst() {
    Show();
    form().PageControl()->setCurrentWidget(form().TableTab(1));
    QTableWidget* grid = form().Grid1();
    QTableWidgetItem* item = grid->item(15, 7);
    grid->setCurrentItem(item);
    grid->editItem(item);
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->indexFromItem(item)));
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("77"));
    Action("N14")->trigger();  // zeros over zeros: the cell's text stays "0"
    if (grid->indexWidget(grid->indexFromItem(item))) QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!grid->indexWidget(grid->indexFromItem(item)));
    QCOMPARE(GridCellText(grid, 7), QStringLiteral("0"));
  }

  void dragOnTable2AtMaf100LeavesTable1Alone() {
    // Table 2 is flat but for point 100, so that no neighbour overlaps it.
    QByteArray bytes(256, '\0');
    bytes[100] = 100;
    const QString path = dir_->filePath("peak.tab");
    WriteAll(path, bytes);
    dialogs_->Answer(path);
    Action("N6")->trigger();
    Show();
    form().PageControl()->setCurrentIndex(0);
    const QPoint press = Pixel(100, 100);
    const double scale =
        260.0 / (chart().yAxis->coordToPixel(0) - chart().yAxis->coordToPixel(260));
    QTest::mousePress(&chart(), Qt::LeftButton, {}, press);
    QVERIFY(form().ChartDrag().dragging);
    QCOMPARE(form().ChartDrag().pickedTable, 2);
    QCOMPARE(form().ChartDrag().pickedPoint, 100);
    QVERIFY(!chart().ZoomEnabled());
    for (int n : {3, 17, 40}) {
      Move(&chart(), press - QPoint(0, n));
      const QString v = QString::number(RoundHalfEvenDouble(100 + n * scale));
      QCOMPARE(GridCellText(form().Grid2(), 100), v);
      QCOMPARE(chart().PointYs(2).at(100), v.toDouble());
      QCOMPARE(form().HintPanel()->text(), "MAF= 100    Tab1=0    Tab2=" + v);
      QCOMPARE(chart().HintLabel()->text(), "MAF= 100\n\r   Tab1=0\n\r   Tab2=" + v);
      QCOMPARE(form().windowTitle(), "Zelor Утилита сравнения таблиц " + path);
    }
    QTest::mouseRelease(&chart(), Qt::LeftButton, {}, press - QPoint(0, 40));
    QVERIFY(!form().ChartDrag().dragging);
    QVERIFY(chart().ZoomEnabled());
    QVERIFY(form().HintPanel()->text().isEmpty());
    QCOMPARE(form().windowTitle(), QStringLiteral("Zelor Утилита сравнения таблиц "));
    QCOMPARE(Cells(form().Grid1()), Repeated("0"));
    QCOMPARE(chart().PointYs(1), std::vector<double>(256, 0.0));
    QVERIFY(dialogs_->messages.isEmpty());
  }

  void overlappingPointsPickTable2UnlessItIsHidden() {
    Action("N112")->trigger();
    Action("N114")->trigger();
    Show();
    // With "Tab.2" checked Table 2 wins; unchecked, Table 1 is dragged.
    for (int expected : {2, 1}) {
      if (expected == 1) Action("ab21")->trigger();
      const QStringList before[2] = {Cells(form().Grid1()), Cells(form().Grid2())};
      const QPoint press = Pixel(100, 100);
      QTest::mousePress(&chart(), Qt::LeftButton, {}, press);
      QCOMPARE(form().ChartDrag().pickedTable, expected);
      QCOMPARE(form().ChartDrag().hitTable2, expected == 2);
      Move(&chart(), press - QPoint(0, 30));
      QTest::mouseRelease(&chart(), Qt::LeftButton, {}, press - QPoint(0, 30));
      QVERIFY(Cells(form().Grid(expected)) != before[expected - 1]);
      QCOMPARE(Cells(form().Grid(3 - expected)), before[2 - expected]);
    }
  }

  void hiddenSeriesAreHoveredButNotDragged() {
    Action("N114")->trigger();  // Table 2 rises, Table 1 stays flat at 0
    Show();
    Action("ab11")->trigger();
    QVERIFY(!chart().MarkersShown(1));
    QVERIFY(!chart().LineDrawn(1));
    const QPoint onPoint = Pixel(200, 0);
    Move(&chart(), onPoint);
    QCOMPARE(form().HintPanel()->text(), QStringLiteral("MAF= 200    Tab1=0    Tab2=200"));
    QVERIFY(chart().HintLabel()->isVisibleTo(&chart()));
    QCOMPARE(chart().HintLabel()->pos(), onPoint + QPoint(20, -3));
    // Without markers the mouse must be on the point or its line: 3 pixels
    // above the flat line is off it.
    Move(&chart(), onPoint - QPoint(0, 3));
    QVERIFY(form().HintPanel()->text().isEmpty());
    QVERIFY(!chart().HintLabel()->isVisibleTo(&chart()));
    QTest::mousePress(&chart(), Qt::LeftButton, {}, onPoint);
    QVERIFY(!form().ChartDrag().dragging);
    QCOMPARE(form().ChartDrag().pickedTable, 0);
    QTest::mouseRelease(&chart(), Qt::LeftButton, {}, onPoint);

    // "Точки" off and on again brings Table 1's markers back, not its line.
    Action("N7")->trigger();
    Action("N7")->trigger();
    QVERIFY(chart().MarkersShown(1));
    QVERIFY(!chart().LineDrawn(1));
    QVERIFY(chart().MarkersShown(2));
    QVERIFY(chart().LineDrawn(2));
  }

  void rightClickOpensThePopupAndRightDragDoesNot() {
    Show();
    QMenu* popup = chart().Popup();
    const QPoint at = Pixel(130, 130);
    QTest::mousePress(&chart(), Qt::RightButton, {}, at);
    Move(&chart(), at + QPoint(30, 20));
    QTest::mouseRelease(&chart(), Qt::RightButton, {}, at + QPoint(30, 20));
    QVERIFY(!popup->isVisible());
    QCOMPARE(chart().xAxis->range(), QCPRange(0, 260));  // and no zoom either
    QTest::mousePress(&chart(), Qt::RightButton, {}, at);
    QTest::mouseRelease(&chart(), Qt::RightButton, {}, at);
    QTRY_VERIFY(popup->isVisible());
    popup->close();
  }

  void savedFilesLabelsAndCaptions() {
    Action("N112")->trigger();
    Action("N114")->trigger();
    QByteArray identity;
    for (int i = 0; i < 256; ++i) identity.append(static_cast<char>(i));
    struct Case {
      int table;
      const char* save;
      const char* prefix;  // of the label, before the path
    };
    for (const Case& c : {Case{1, "N13", ""}, Case{2, "N4", " "}}) {
      const QString path = dir_->filePath(QStringLiteral("t%1.tab").arg(c.table));
      dialogs_->Answer(dir_->filePath(QStringLiteral("t%1").arg(c.table)));
      Action(c.save)->trigger();
      QCOMPARE(dialogs_->asked.back().filter, QStringLiteral("Tab Files|*.tab|All|*.*"));
      QCOMPARE(ReadAll(path), identity + '\x01');
      QCOMPARE(form().FileLabel(c.table)->text(), c.prefix + path);
      QCOMPARE(form().windowTitle(), "Zelor Утилита сравнения таблиц " + (c.prefix + path));
    }
    // A bad cell stops the save before the file is touched.
    SetGridCellText(form().Grid1(), 9, QStringLiteral("abc"));
    dialogs_->Answer(dir_->filePath("t1.tab"));
    Action("N13")->trigger();
    QCOMPARE(dialogs_->TakeMessages(), QStringList{"'abc' is not a valid integer value"});
    QCOMPARE(ReadAll(dir_->filePath("t1.tab")), identity + '\x01');
  }

  void openingIntoTable1AndTheSharedName() {
    QByteArray image;
    for (int i = 0; i < 256; ++i) image.append(static_cast<char>(255 - i));
    image.append(QByteArray("\x04\x05\x80\x40\x80\x80", 6));
    const QString path = dir_->filePath("main.tab");
    WriteAll(path, image);
    dialogs_->Answer(path);
    Action("N12")->trigger();
    QStringList expected;
    for (int i = 0; i < 256; ++i) expected << QString::number(255 - i);
    QCOMPARE(Cells(form().Grid1()), expected);
    QCOMPARE(chart().PointYs(1).at(3), 252.0);
    QCOMPARE(form().FileLabel(1)->text(), path);
    QCOMPARE(form().windowTitle(), "Zelor Утилита сравнения таблиц " + path);
    QCOMPARE(form().PageControl()->currentWidget(), form().TableTab(1));
    QCOMPARE(Cells(form().Grid2()), Repeated("0"));

    // A cancel into Table 2 still takes the name both tables share.
    dialogs_->Answer(std::nullopt);
    Action("N6")->trigger();
    QCOMPARE(form().FileLabel(2)->text(), path);
    QCOMPARE(form().PageControl()->currentWidget(), form().TableTab(2));
    QCOMPARE(Cells(form().Grid2()), Repeated("0"));

    // A file that cannot be read changes nothing.
    const QString missing = dir_->filePath("missing.tab");
    dialogs_->Answer(missing);
    Action("N12")->trigger();
    const QStringList messages = dialogs_->TakeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains(missing), qPrintable(messages[0]));
    QCOMPARE(form().FileLabel(1)->text(), path);
    QCOMPARE(Cells(form().Grid1()), expected);
  }

  void gridHintOfTable2() {
    Action("N114")->trigger();
    Show();
    form().PageControl()->setCurrentWidget(form().TableTab(2));
    QTableWidget* grid = form().Grid2();
    const QRect topRight = grid->visualItemRect(grid->item(0, 15));
    Move(grid->viewport(), topRight.center());
    QCOMPARE(form().HintPanel()->text(), QStringLiteral("MAF=255      Конв.Вых.=255"));
    Move(form().TableTab(2), QPoint(form().TableTab(2)->width() - 5, 5));
    QVERIFY(form().HintPanel()->text().isEmpty());
  }

  void languageCaptionsAndTheirCopies() {
    QStringList lines;
    for (int i = 0; i < 9; ++i) lines << QStringLiteral("c%1 ").arg(i);
    form().ApplyCaptions(lines);  // runs out after "N12"
    QCOMPARE(form().Caption("TabSheet1"), QStringLiteral("c0 "));
    QCOMPARE(form().Caption("N7"), QStringLiteral("c3 "));
    QCOMPARE(form().Caption("N12"), QStringLiteral("c8 "));
    QCOMPARE(form().Caption("N6"), QStringLiteral("c8 "));
    QCOMPARE(form().Caption("N3"), QStringLiteral("c7 "));
    QCOMPARE(form().Caption("N13"), QStringLiteral("Сохранить"));
    QCOMPARE(form().Caption("N113"), QStringLiteral("Замена 1 к 1 "));
    QCOMPARE(form().Caption("N2"), QStringLiteral("Да!"));
  }

 private:
  TForm2& form() { return *windows_.form2; }
  CompareChart& chart() { return form().Chart(); }
  QAction* Action(const char* name) {
    QAction* action = form().findChild<QAction*>(QString::fromLatin1(name));
    if (!action) qFatal("no action %s", name);
    return action;
  }
  // Shows the window by the main window's command and lays the chart out.
  void Show() {
    windows_.form1->findChild<QAction*>(QStringLiteral("N22"))->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(&form()));
    chart().replot();
  }
  QPoint Pixel(double x, double y) {
    return QPoint(qRound(chart().xAxis->coordToPixel(x)), qRound(chart().yAxis->coordToPixel(y)));
  }

  std::optional<QTemporaryDir> dir_;
  std::unique_ptr<testing::ScriptedDialogs> dialogs_;
  Windows windows_;
};

QTEST_MAIN(TestCompareTables)
#include "test_compare_tables.moc"
