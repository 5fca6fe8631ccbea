// The table's model and those who follow it, built on their own, without the
// main window: the model's signals, the grid that shows it and writes a
// typed text back, and the history's controller over both.

#include <QAbstractItemDelegate>
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

#include "table/CellIndex.h"
#include "table/CellText.h"
#include "table/GridPage.h"
#include "table/TableHistoryController.h"
#include "table/TableModel.h"

using namespace zelor;

namespace {

class NoLearning final : public LearnedMarks {
 public:
  const std::array<std::uint8_t, 256>& LearnedCells() const override { return cells_; }
  void SetLearnedCells(const std::array<std::uint8_t, 256>& cells) override { cells_ = cells; }

 private:
  std::array<std::uint8_t, 256> cells_{};
};

QTableWidgetItem* Item(GridPage& grid, int index) {
  return grid.Grid()->item(CellRow(index), CellColumn(index));
}

}  // namespace

class TestTableModel : public QObject {
  Q_OBJECT

 private slots:
  // A bulk write is one signal over the span that differs; an equal one
  // none. Settings come in clamped, and an equal set is silent.
  void signalsCoverWhatChanged() {
    TableModel table;
    QSignalSpy cells(&table, &TableModel::CellsChanged);
    QSignalSpy settings(&table, &TableModel::SettingsChanged);
    CellTexts texts = table.Texts();
    texts[3] = QStringLiteral("7");
    texts[200] = QStringLiteral("x");
    table.SetTexts(texts);
    table.SetTexts(texts);
    table.SetCell(3, 7);
    QCOMPARE(cells.count(), 1);
    QCOMPARE(cells.at(0).at(0).toInt(), 3);
    QCOMPARE(cells.at(0).at(1).toInt(), 200);
    QCOMPARE(table.CellInteger(200), std::nullopt);
    QVERIFY_THROWS_EXCEPTION(ConversionError, table.CellBytes(false));

    TableSettings wild;
    wild.Sample_Time = 500;  // past its range, as a struct may hold
    table.SetSettings(wild);
    QCOMPARE(table.SettingValue(0), 100);
    table.SetSetting(0, 100);
    QCOMPARE(settings.count(), 1);
  }

  // The grid shows every change of the model; a text typed into a cell
  // reaches the model once, and its mark follows.
  void gridShowsTheModelAndTypesIntoIt() {
    TableModel table;
    QWidget page;
    GridPage grid(&page, table);
    table.SetCell(17, 99);
    QCOMPARE(Item(grid, 17)->text(), QStringLiteral("99"));
    table.SetSetting(2, 12);
    QCOMPARE(grid.SettingEdit(2)->text(), QStringLiteral("12"));

    QSignalSpy cells(&table, &TableModel::CellsChanged);
    Item(grid, 40)->setText(QStringLiteral("1.5"));
    QCOMPARE(table.CellText(40), QStringLiteral("1.5"));
    QCOMPARE(cells.count(), 1);
    QCOMPARE(grid.Marks().Mark(40), CellMark::kInvalid);
  }

  // The history built from its page and model alone: a change offers
  // "Отменить" at once, a typed cell is a step when its editor closes, and
  // undo brings back cells and settings with one call to the views.
  void historyFollowsTheModel() {
    TableModel table;
    QWidget page;
    GridPage grid(&page, table);
    NoLearning learning;
    QAction undo(QStringLiteral("undo"));
    QAction redo(QStringLiteral("redo"));
    QMenu menu;
    TableHistoryController history(grid, learning, {&undo, &redo, &menu}, &page);
    QSignalSpy reworked(&history, &TableHistoryController::TableReworked);
    QVERIFY(!undo.isEnabled());

    table.SetCell(5, 50);
    QVERIFY(undo.isEnabled());
    table.SetSetting(1, 9);
    history.Commit();
    QCOMPARE(history.Steps().UndoCount(), std::size_t{1});

    Item(grid, 6)->setText(QStringLiteral("60"));
    emit grid.Grid()->itemDelegate()->closeEditor(nullptr);
    QCOMPARE(history.Steps().UndoCount(), std::size_t{2});

    history.Undo();
    history.Undo();
    QCOMPARE(table.CellText(5), QStringLiteral("0"));
    QCOMPARE(table.CellText(6), QStringLiteral("0"));
    QCOMPARE(table.SettingValue(1), Defaults().Porog);
    QCOMPARE(Item(grid, 5)->text(), QStringLiteral("0"));
    QCOMPARE(reworked.count(), 2);
    // Nothing is left to take back: showing the first state did not count
    // as a change of its own.
    QVERIFY(!undo.isEnabled());
    QVERIFY(redo.isEnabled());
    history.Redo();
    QCOMPARE(table.CellText(5), QStringLiteral("50"));
    QCOMPARE(table.SettingValue(1), 9);
  }
};

QTEST_MAIN(TestTableModel)
#include "test_table_model.moc"
