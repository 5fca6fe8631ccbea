// The table history through the window: the commands that change the table
// as a whole are one step each, taken back and redone by the items
// "Отменить" and "Вернуть" at the end of the menu "Таблица Замены".

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/StartUp.h"
#include "app/ZelorConfigurator.h"
#include "log/PanelPage.h"
#include "support/PanelControls.h"
#include "support/PortBox.h"
#include "support/ScriptedDialogs.h"
#include "support/SimProcess.h"
#include "support/SimWindow.h"
#include "table/CellIndex.h"
#include "table/GridPage.h"
#include "table/TableChart.h"
#include "table/TableChartController.h"
#include "table/TableHistoryController.h"
#include "table/TableModel.h"

using namespace zelor;

class TestTableHistoryCommands : public QObject, private testing::SimWindow {
  Q_OBJECT

 private slots:
  void init() { InitWindow(); }
  void cleanup() { CleanupWindow(); }

  // Enabled only with something to do; a command that changes nothing is no
  // step and keeps the redo side, a new step clears it.
  void itemsFollowTheHistory() {
    windows_ = StartUp({});
    const QList<QAction*> items = form().findChild<QMenu*>(QStringLiteral("N5"))->actions();
    QCOMPARE(items.mid(items.size() - 2), (QList<QAction*>{Item("UndoTable"), Item("RedoTable")}));
    Trigger("N14");  // zeros over zeros
    CheckItems(false, false);
    Trigger("N112");
    Trigger("UndoTable");
    CheckItems(false, true);
    QCOMPARE(Cells(), Table(0));
    QCOMPARE(form().Chart().Series1()->data()->at(200)->value, 0.0);  // the chart follows
    Trigger("N14");
    Type(7, QStringLiteral("0"));  // typed as it stood
    CheckItems(false, true);
    Type(7, QStringLiteral("42"));
    Type(8, QStringLiteral("abc"));
    CheckItems(true, false);
    Trigger("UndoTable");
    QCOMPARE(form().Table().CellText(8), QStringLiteral("0"));
    QCOMPARE(form().Table().CellText(7), QStringLiteral("42"));
    QVERIFY(dialogs_->messages.isEmpty());
  }

  // A command chosen while a cell's editor is still open (from the menu,
  // which leaves the editor be) ends the editing first: the typed text is a
  // step of its own, and the command's table is not written over.
  // (Every command that changes the table commits first, as these do.)
  void aCommandEndsAnOpenEditingFirst() {
    windows_ = StartUp({});
    const struct {
      const char* command;
      std::vector<const char*> before;
      const char *cell7, *cell8, *cell7Undone;
    } rows[] = {
        {"N14", {"N14"}, "0", "0", "77"},  // cell 7 holds "0" all along
        {"N112", {"N112"}, "7", "8", "77"},
        {"UndoTable", {"N14", "N112"}, "7", "8", "0"},                // takes back the typing
        {"RedoTable", {"N14", "N112", "UndoTable"}, "77", "0", "0"},  // nothing left to redo
    };
    for (const auto& row : rows) {
      for (const char* command : row.before) Trigger(command);
      QLineEdit* editor = StartTyping(7, QStringLiteral("77"));
      QVERIFY(editor);
      Trigger(row.command);
      // The user leaves the cell as he would.
      if (EditorOf(7)) QTest::keyClick(editor, Qt::Key_Return);
      QTRY_VERIFY(!EditorOf(7));
      QVERIFY2(form().Table().CellText(7) == row.cell7, row.command);
      QVERIFY2(form().Table().CellText(8) == row.cell8, row.command);
      Trigger("UndoTable");
      QVERIFY2(form().Table().CellText(7) == row.cell7Undone, row.command);
    }
    QVERIFY(dialogs_->messages.isEmpty());
  }

  // A drag changes its cell at every move and is one step on release.
  void aDragOnTheTableChartIsOneStep() {
    windows_ = StartUp({});
    form().PageControl1()->setCurrentWidget(form().TabSheet("TabTableGraph"));
    TableChart& chart = form().Chart();
    chart.replot();
    const QPoint press(qRound(chart.xAxis->coordToPixel(100)),
                       qRound(chart.yAxis->coordToPixel(0)));
    QTest::mousePress(&chart, Qt::LeftButton, {}, press);
    QVERIFY(form().ChartControl().Drag().dragging);
    const int cell = form().ChartControl().Drag().pickedPoint;
    for (int up : {10, 30, 60}) QTest::mouseMove(&chart, press - QPoint(0, up));
    QTest::mouseRelease(&chart, Qt::LeftButton, {}, press - QPoint(0, 60));
    QVERIFY(form().Table().CellText(cell).toInt() > 0);
    QCOMPARE(form().History().Steps().UndoCount(), std::size_t(1));
    Trigger("UndoTable");
    QCOMPARE(Cells(), Table(0));
    QCOMPARE(chart.Series1()->data()->at(cell)->value, 0.0);
  }

  // Against the simulator: the read is one step, a refused one none; a
  // live-learning run is one step from "Старт" to "Стоп". Taken back during
  // the run, its learning so far goes and the run learns on from there.
  void theReadAndALiveLearningRunAreOneStepEach() {
    sim_ = std::make_unique<testing::SimProcess>();
    QVERIFY(sim_->Start({}));
    windows_ = StartUp({sim_->Port()});
    QVERIFY(testing::PickPort(form(), sim_->Port()));  // reads the 1:1 table
    QVERIFY(dialogs_->TakeMessages().isEmpty());
    QCOMPARE(Cells(), Table(1));
    QCOMPARE(form().History().Steps().UndoCount(), std::size_t(1));

    testing::PanelControls(form()).CheckBoxLearnTable->setChecked(true);
    testing::PanelControls(form()).ButtonStart->click();
    QTRY_VERIFY_WITH_TIMEOUT(Changed(Table(1)) >= 3, 20000);
    Trigger("N7");  // refused while the stream runs
    QCOMPARE(dialogs_->TakeMessages().size(), 1);
    QCOMPARE(form().History().Steps().UndoCount(), std::size_t(1));
    Trigger("UndoTable");
    QCOMPARE(Cells(), Table(1));
    QCOMPARE(form().History().Steps().UndoCount(), std::size_t(1));
    QTRY_VERIFY_WITH_TIMEOUT(Changed(Table(1)) >= 3, 20000);
    testing::PanelControls(form()).ButtonStop->click();
    const QStringList learned = Cells();
    // The run's count in the status bar; its recording's coverage is there.
    QCOMPARE(form().findChild<QLabel*>(QStringLiteral("StatusBar1Panel0"))->text(),
             QStringLiteral("Изменено ячеек: %1").arg(Changed(Table(1))));
    QVERIFY(Item("FillGaps")->isEnabled());
    CheckItems(true, false);
    QCOMPARE(form().History().Steps().UndoCount(), std::size_t(2));
    Trigger("UndoTable");
    QCOMPARE(Cells(), Table(1));
    Trigger("UndoTable");
    QCOMPARE(Cells(), Table(0));
    Trigger("RedoTable");
    Trigger("RedoTable");
    QCOMPARE(Cells(), learned);
    QVERIFY(dialogs_->messages.isEmpty());
  }

 private:
  void CheckItems(bool undo, bool redo) {
    QCOMPARE(Item("UndoTable")->isEnabled(), undo);
    QCOMPARE(Item("RedoTable")->isEnabled(), redo);
  }
  // The zero table (0) or the 1:1 table (1).
  static QStringList Table(int slope) {
    QStringList cells;
    for (int index = 0; index < 256; ++index) cells << QString::number(index * slope);
    return cells;
  }
  int Changed(const QStringList& from) {
    const QStringList now = Cells();
    int changed = 0;
    for (int index = 0; index < 256; ++index) changed += now[index] != from[index];
    return changed;
  }
};

QTEST_MAIN(TestTableHistoryCommands)
#include "test_table_history_commands.moc"
