// The console check zelor-read-table, built for this platform, run against
// the converter simulator: the steps a tester runs on Windows, with their
// outcome and exit status.

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <array>
#include <fstream>

#include "support/SimProcess.h"

using zelor::testing::SimProcess;

namespace {

// A table no default or simple rule gives: cell i holds (7 i + 3) mod 256.
std::array<std::uint8_t, 256> OddTable() {
  std::array<std::uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return t;
}

// The table as the tool prints it: 16 rows "index: c c ... c".
std::vector<int> PrintedCells(const QString& output) {
  static const QRegularExpression row(QStringLiteral("^ *(\\d+):((?: +\\d+){16})$"),
                                      QRegularExpression::MultilineOption);
  std::vector<int> cells;
  for (auto it = row.globalMatch(output); it.hasNext();) {
    const auto m = it.next();
    if (m.captured(1).toInt() != static_cast<int>(cells.size())) return {};
    for (const QString& c : m.captured(2).split(' ', Qt::SkipEmptyParts))
      cells.push_back(c.toInt());
  }
  return cells;
}

}  // namespace

class TestReadTableTool : public QObject {
  Q_OBJECT

 private slots:
  void runsAgainstTheSimulator_data();
  void runsAgainstTheSimulator();
};

void TestReadTableTool::runsAgainstTheSimulator_data() {
  QTest::addColumn<QStringList>("faults");  // simulator faults
  QTest::addColumn<bool>("missingPort");    // name a port that does not exist
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QStringList>("lines");  // patterns of lines the output holds

  QTest::newRow("healthy converter")
      << QStringList{} << false << 0
      << QStringList{"^table: 257 of 257 bytes$",
                     "^byte 256: \\d+$",
                     "^drain: 0 more bytes; a read on the silent line returned 0 after \\d+ ms$",
                     "^FirmWare:  V_2\\.1$",
                     "^close during a read: the read ended \\d+ ms after Close with "
                     "\"ReadFile function failed\"$",
                     "^open again at once: done$"};
  QTest::newRow("short table") << QStringList{"short-table"} << false << 1
                               << QStringList{"^table: 256 of 257 bytes$"};
  QTest::newRow("converter keeps talking")
      << QStringList{"keep-talking"} << false << 1
      << QStringList{"^table: 257 of 257 bytes$",
                     "^drain: the converter still talks after \\d+ bytes$"};
  QTest::newRow("missing port") << QStringList{} << true << 2
                                << QStringList{
                                       "^open .*: \"Unable to open com port \\(Error: 2\\)\"$"};
}

void TestReadTableTool::runsAgainstTheSimulator() {
  QFETCH(QStringList, faults);
  QFETCH(bool, missingPort);
  QFETCH(int, exitCode);
  QFETCH(QStringList, lines);

  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString tab = dir.filePath(QStringLiteral("odd.tab"));
  const auto table = OddTable();
  {
    std::ofstream f(tab.toStdString(), std::ios::binary);
    f.write(reinterpret_cast<const char*>(table.data()), table.size());
  }
  SimProcess sim;
  QString port = dir.filePath(QStringLiteral("no-such-tty"));
  if (!missingPort) {
    QStringList args{"--table", tab, "--version", "21"};
    for (const QString& fault : faults) args << "--fault" << fault;
    QVERIFY(sim.Start(args));
    port = sim.Port();
  }

  QProcess tool;
  tool.start(QStringLiteral(ZELOR_READ_TABLE_PATH), {port});
  QVERIFY(tool.waitForFinished(30000));
  const QString output = QString::fromLocal8Bit(tool.readAllStandardOutput());
  QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
  QVERIFY2(tool.exitCode() == exitCode, qPrintable(output));
  for (const QString& line : lines) {
    const QRegularExpression pattern(line, QRegularExpression::MultilineOption);
    QVERIFY2(pattern.match(output).hasMatch(), qPrintable(line + " in:\n" + output));
  }
  if (exitCode == 0) {
    const std::vector<int> expected(table.begin(), table.end());
    QCOMPARE(PrintedCells(output), expected);
  }
}

QTEST_GUILESS_MAIN(TestReadTableTool)
#include "test_read_table_tool.moc"
