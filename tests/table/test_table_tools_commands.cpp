// The tuner's tools through the window: their items in the menu "Таблица
// Замены" and on the grid's menu, each tool one history step counted in the
// status bar, the refusals that change nothing, and an opened recording's
// coverage behind "Заполнить пропуски", the grid's hint and the chart's band.

#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <optional>

#include "core/DecimalSeparator.h"
#include "log/LogFile.h"
#include "support/LogChartInput.h"
#include "support/SimWindow.h"
#include "table/TableChart.h"
#include "table/TableHistoryController.h"
#include "table/TableModel.h"

using namespace zelor;

class TestTableToolsCommands : public QObject, private testing::SimWindow {
  Q_OBJECT

 private slots:
  void init() {
    InitWindow();
    windows_ = StartUp({});
  }
  void cleanup() { CleanupWindow(); }

  // After the specified items, before the history's: the grid's own items,
  // enabled by what is selected, in the messages' language.
  void itemsInBothMenus() {
    const QList<QAction*> items = form().findChild<QMenu*>(QStringLiteral("N5"))->actions();
    const QList<QAction*> tools = form().Grid().ContextMenu()->actions();
    QCOMPARE(items.mid(4, tools.size()), tools);
    QVERIFY(items[3]->isSeparator() && items[4 + tools.size()]->isSeparator());
    const struct {
      int first, last;
      const char* enabled;  // the five tools'
    } rows[] = {{-1, -1, "00000"}, {7, 7, "00110"}, {7, 8, "00110"}, {7, 9, "11110"}};
    for (const auto& row : rows) {
      Select(row.first, row.last);
      QString enabled;
      for (int k = 0; k < 5; ++k) enabled += tools[k]->isEnabled() ? '1' : '0';
      QCOMPARE(enabled, QString::fromLatin1(row.enabled));
    }
    form().Messages().SwitchToEnglish();
    form().ApplyOwnCaptions();
    QCOMPARE(Item("FillGaps")->text(), QStringLiteral("Fill gaps"));
  }

  // The 1:1 table with a few cells typed, a rectangle along the bottom row:
  // each tool is one step that "Отменить" takes back; a cancel or a refusal
  // (before the amount is asked) changes nothing, records no step, counts
  // nothing.
  void eachToolIsOneStep() {
    const struct {
      const char* item;
      std::vector<std::pair<int, const char*>> typed;
      int first, last;
      std::optional<int> amount;  // answered to the amount dialog (none: cancel)
      const char *changes, *count, *refusal;
    } rows[] = {
        {"InterpolateCells", {{4, "40"}}, 0, 4, {}, "1:10 2:20 3:30", "3", nullptr},
        {"SmoothCells", {{2, "20"}}, 0, 4, {}, "1:7 2:8 3:9", "3", nullptr},
        {"SmoothCells", {{0, "-7"}, {2, "300"}}, 0, 2, {}, "1:98", "1", nullptr},
        {"AddToCells", {{4, "10"}}, 2, 4, 250, "2:252 3:253 4:255", "3", nullptr},
        {"AddToCells", {}, 0, 4, {}, "", nullptr, nullptr},
        {"ScaleCells", {}, 0, 4, 50, "1:0 2:1 3:2 4:2", "4", nullptr},
        {"ScaleCells", {{3, "abc"}}, 0, 4, 50, "", nullptr, "'abc' is not a valid integer value"},
    };
    QLabel* status = form().findChild<QLabel*>(QStringLiteral("StatusBar1Panel0"));
    for (const auto& row : rows) {
      Trigger("N112");
      for (const auto& [index, text] : row.typed) form().Table().SetCellText(index, text);
      form().CommitTableStep();
      const QStringList before = Cells();
      const std::size_t steps = form().History().Steps().UndoCount();
      status->clear();
      Select(row.first, row.last);
      if (row.amount) dialogs_->AnswerNumber(row.amount);
      Trigger(row.item);
      QVERIFY2(Changes(before) == row.changes, row.item);
      QVERIFY2(status->text() == (row.count ? QStringLiteral("Изменено ячеек: ") + row.count : ""),
               row.item);
      QCOMPARE(dialogs_->TakeMessages(), row.refusal ? QStringList{row.refusal} : QStringList());
      QCOMPARE(dialogs_->numbers.size(), std::size_t(row.refusal ? 1 : 0));
      dialogs_->numbers.clear();
      QCOMPARE(form().History().Steps().UndoCount(), steps + (*row.changes ? 1 : 0));
      const int cell = row.first + 1;  // the chart follows
      QCOMPARE(form().Chart().Series1()->data()->at(cell)->value, Cells()[cell].toDouble());
      if (!*row.changes) continue;
      Trigger("UndoTable");
      QCOMPARE(Cells(), before);
    }
  }

  // An opened recording: "Обучить" counts the cells it learns; "Заполнить
  // пропуски" with no range selected fills the cells without samples
  // between covered ones; the coverage view shows on the grid, in its hint
  // and on the chart, and goes again.
  void anOpenedRecordingsCoverage() {
    Trigger("N112");
    const QStringList table = Cells();
    QVERIFY(!Item("FillGaps")->isEnabled());
    // 100 samples each of MAF 4 (VAF 40), 8 (VAF 16) and 16 (VAF 100).
    auto log = std::make_unique<LogBuffer>();
    testing::Record(*log, 300, [](std::int32_t k) {
      const int maf[] = {4, 8, 16}, vaf[] = {40, 16, 100};
      return testing::Sample(0, 0, 0, maf[k / 100], vaf[k / 100], 0);
    });
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("drive.log"));
    QVERIFY(!SaveLogFile(*log, path));
    dialogs_->Answer(path);
    Trigger("N3");
    Trigger("N16");
    QCOMPARE(Changes(table), QStringLiteral("4:40 8:16 16:100"));
    QCOMPARE(form().findChild<QLabel*>(QStringLiteral("StatusBar1Panel0"))->text(),
             QStringLiteral("Изменено ячеек: 3"));
    const QStringList learned = Cells();
    Select(9, 9);  // one cell is no range: the whole table
    Trigger("FillGaps");
    QCOMPARE(Changes(learned),
             QStringLiteral("5:34 6:28 7:22 9:26 10:37 11:48 12:58 13:68 14:79 15:90"));

    QTableWidget* grid = form().Grid().Grid();
    const QPoint cell4 = grid->visualItemRect(grid->item(CellRow(4), CellColumn(4))).center();
    const QString coverage = QStringLiteral("      n = 100, VAF ≈ 40%1 ± 0%1")
                                 .arg(QString(QLatin1Char(UserDecimalSeparator())) + '0');
    for (const bool on : {true, false}) {
      Trigger("CoverageView");
      QCOMPARE(form().Grid().CoverageShown(), on);
      QCOMPARE(form().Chart().BandLow()->visible(), on);
      form().StringGrid1MouseMove(cell4);
      QCOMPARE(form().findChild<QLabel*>(QStringLiteral("StatusBar1Panel1"))->text(),
               QStringLiteral("MAF=4      Конв.Вых.=40") + (on ? coverage : QString()));
    }
    QCOMPARE(form().Chart().BandHigh()->data()->at(4)->value, 40.0);
    QVERIFY(dialogs_->messages.isEmpty());
  }

 private:
  // Selects the rectangle from cell first to cell last; nothing for -1.
  void Select(int first, int last) {
    QTableWidget* grid = form().Grid().Grid();
    grid->clearSelection();
    if (first < 0) return;
    const QModelIndex from = grid->model()->index(CellRow(first), CellColumn(first));
    const QModelIndex to = grid->model()->index(CellRow(last), CellColumn(last));
    grid->selectionModel()->select(QItemSelection(from, to), QItemSelectionModel::Select);
  }
  // The cells that differ from before, as "index:text ...".
  QString Changes(const QStringList& before) {
    const QStringList now = Cells();
    QStringList changes;
    for (int index = 0; index < 256; ++index)
      if (now[index] != before[index])
        changes << QStringLiteral("%1:%2").arg(index).arg(now[index]);
    return changes.join(' ');
  }
};

QTEST_MAIN(TestTableToolsCommands)
#include "test_table_tools_commands.moc"
