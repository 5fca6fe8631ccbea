// The table history without widgets: steps, undo and redo in turn, the
// redo side cleared by a new step, commits that change nothing, and the cap.

#include <QtTest>

#include "table/TableHistory.h"

using namespace zelor;

namespace {

// A table told apart by cell 0 ("cN") or by the threshold setting ("sN").
TableState State(const QString& token) {
  TableState state;
  for (QString& cell : state.cells) cell = QStringLiteral("0");
  const int n = token.mid(1).toInt();
  if (token.startsWith('s'))
    state.settings.Porog = n;
  else
    state.cells[0] = QString::number(n);
  return state;
}

// What a state shows in a trace: its token.
QString Token(const TableState& state) {
  return state.settings.Porog != TableSettings{}.Porog
             ? QStringLiteral("s%1").arg(state.settings.Porog)
             : QStringLiteral("c") + state.cells[0];
}

}  // namespace

class TestTableHistory : public QObject {
  Q_OBJECT

 private slots:
  // Runs space-separated operations from the table "c0": a state token
  // commits that state ("+" recorded, "-" not), "u" and "r" undo and redo
  // (the state shown, or "x" for nothing to do).
  void operations_data() {
    QTest::addColumn<QString>("operations");
    QTest::addColumn<QString>("trace");
    QTest::addColumn<int>("undoLeft");
    QTest::addColumn<int>("redoLeft");
    QTest::newRow("nothing either way") << "u r"
                                        << "x x" << 0 << 0;
    QTest::newRow("round trip") << "c1 c2 c3 u u u u r r r r"
                                << "+ + + c2 c1 c0 x c1 c2 c3 x" << 3 << 0;
    QTest::newRow("new step clears redo") << "c1 c2 u u c7 r u u"
                                          << "+ + c1 c0 + x c0 x" << 0 << 1;
    QTest::newRow("no-op commits") << "c0 c1 c1 u c0 r"
                                   << "- + - c0 - c1" << 1 << 0;
    QTest::newRow("settings alone") << "s9 c0 u u r"
                                    << "+ + s9 c0 s9" << 1 << 1;
    QTest::newRow("back to an earlier table is a step") << "c1 c0 u"
                                                        << "+ + c1" << 1 << 1;
  }
  void operations() {
    QFETCH(QString, operations);
    QFETCH(QString, trace);
    QFETCH(int, undoLeft);
    QFETCH(int, redoLeft);
    TableHistory history;
    history.Reset(State("c0"));
    QStringList shown;
    for (const QString& op : operations.split(' ')) {
      if (op == "u" || op == "r") {
        const std::optional<TableState> state = op == "u" ? history.Undo() : history.Redo();
        shown << (state ? Token(*state) : QStringLiteral("x"));
        if (state) QVERIFY(!history.Pending(*state));
      } else {
        const bool pending = history.Pending(State(op));
        const bool recorded = history.Commit(State(op));
        QCOMPARE(recorded, pending);
        QVERIFY(!history.Pending(State(op)));
        shown << (recorded ? "+" : "-");
      }
    }
    QCOMPARE(shown.join(' '), trace);
    QCOMPARE(int(history.UndoCount()), undoLeft);
    QCOMPARE(int(history.RedoCount()), redoLeft);
    QCOMPARE(history.CanUndo(), undoLeft > 0);
    QCOMPARE(history.CanRedo(), redoLeft > 0);
  }

  // Beyond its depth the oldest steps go; the default keeps well over a
  // hundred, and a deep redo side is capped the same way.
  void theOldestStepsAreDropped() {
    TableHistory history;
    history.Reset(State("c0"));
    const int commits = int(TableHistory::kDefaultDepth) + 50;
    QVERIFY(TableHistory::kDefaultDepth >= 100);
    for (int n = 1; n <= commits; ++n) QVERIFY(history.Commit(State(QStringLiteral("c%1").arg(n))));
    QCOMPARE(history.UndoCount(), TableHistory::kDefaultDepth);
    std::optional<TableState> oldest;
    while (const std::optional<TableState> state = history.Undo()) oldest = state;
    QCOMPARE(Token(*oldest), QStringLiteral("c50"));
    QCOMPARE(history.RedoCount(), TableHistory::kDefaultDepth);
    QCOMPARE(Token(*history.Redo()), QStringLiteral("c51"));
  }
};

QTEST_MAIN(TestTableHistory)
#include "test_table_history.moc"
