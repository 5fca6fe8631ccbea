// The console check zelor-read-table run against the converter simulator:
// the steps a tester runs on Windows, with their outcome and exit status.
// Built for this platform, or, with ZELOR_WINE naming Debian's wine64
// loader, the Windows build (ZELOR_READ_TABLE_EXE) under Wine in a private
// prefix (ZELOR_WINE_PREFIX, made on the first run), where COM42 is a
// symbolic link to the simulator's port.

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// The tool's command for a port: native, or the .exe under Wine.
struct Tool {
  QString wine = qEnvironmentVariable("ZELOR_WINE");
  QString prefix = qEnvironmentVariable("ZELOR_WINE_PREFIX");
  QString exe = qEnvironmentVariable("ZELOR_READ_TABLE_EXE");

  bool UnderWine() const { return !wine.isEmpty(); }

  QProcessEnvironment Environment() const {
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), prefix);
    env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    // No Mono or Gecko to offer, no window: a console program needs none.
    env.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
  }

  // Runs wine64 or its wineserver with the arguments; true on exit code 0.
  bool RunWine(const QString& program, const QStringList& args, int timeoutMs) const {
    QProcess p;
    p.setProcessEnvironment(Environment());
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool ok =
        p.waitForFinished(timeoutMs) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!ok) qWarning().noquote() << program << args << p.readAll();
    return ok;
  }
  QString Server() const { return QFileInfo(wine).dir().filePath(QStringLiteral("wineserver")); }
  // Ends the prefix's Wine session, if one runs, and waits until it has.
  void StopServer() const {
    QProcess p;
    p.setProcessEnvironment(Environment());
    p.start(Server(), {QStringLiteral("-k")});
    p.waitForFinished(30000);
    p.start(Server(), {QStringLiteral("-w")});
    p.waitForFinished(30000);
  }

  // The prefix as Wine's first start makes it; one left unfinished by an
  // earlier run is made again.
  bool PreparePrefix() const {
    const QString ready = QDir(prefix).filePath(QStringLiteral("zelor-ready"));
    if (QFile::exists(ready)) return true;
    StopServer();
    QDir(prefix).removeRecursively();
    if (!RunWine(wine, {QStringLiteral("wineboot"), QStringLiteral("--init")}, 240000))
      return false;
    QFile marker(ready);
    return marker.open(QIODevice::WriteOnly);
  }

  QString ComLink() const { return QDir(prefix).filePath(QStringLiteral("dosdevices/com42")); }

  void Start(QProcess& process, const QString& port) const {
    if (!UnderWine()) {
      process.start(QStringLiteral(ZELOR_READ_TABLE_PATH), {port});
      return;
    }
    process.setProcessEnvironment(Environment());
    process.start(wine, {exe, port});
  }
};

}  // namespace

class TestReadTableTool : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void runsAgainstTheSimulator_data();
  void runsAgainstTheSimulator();
  void cleanupTestCase();

 private:
  Tool tool_;
};

void TestReadTableTool::initTestCase() {
  if (!tool_.UnderWine()) return;
  QVERIFY2(QFileInfo(tool_.wine).isExecutable(),
           qPrintable(tool_.wine + " is missing (scripts/setup installs wine64)"));
  QVERIFY2(QFileInfo::exists(tool_.exe), qPrintable(tool_.exe + " is missing"));
  QVERIFY2(tool_.PreparePrefix(), "Wine could not make its prefix");
  // One Wine session of its own for all rows, ended by cleanupTestCase (or a
  // minute after the last row, should the test not get there).
  tool_.StopServer();
  QVERIFY(tool_.RunWine(tool_.Server(), {QStringLiteral("-p60")}, 30000));
}

void TestReadTableTool::cleanupTestCase() {
  if (tool_.UnderWine()) tool_.StopServer();
}

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
  QString port =
      tool_.UnderWine() ? QStringLiteral("COM43") : dir.filePath(QStringLiteral("no-such-tty"));
  if (!missingPort) {
    QStringList args{"--table", tab, "--version", "21"};
    for (const QString& fault : faults) args << "--fault" << fault;
    if (tool_.UnderWine()) args << "--link" << tool_.ComLink();
    QVERIFY(sim.Start(args));
    port = tool_.UnderWine() ? QStringLiteral("COM42") : sim.Port();
  }

  QProcess tool;
  tool_.Start(tool, port);
  QVERIFY(tool.waitForFinished(30000));
  // A Windows console program ends its lines with CR LF.
  const QString output =
      QString::fromLocal8Bit(tool.readAllStandardOutput()).remove(QLatin1Char('\r'));
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
