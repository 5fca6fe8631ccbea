// The console companion zelor-read-table run against the converter
// simulator: the steps a tester runs on Windows, with their outcome and exit
// status, and its .tab files: saved from the converter and written back to
// it. Built for this platform, or, with ZELOR_WINE naming Debian's wine64
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

#include "link/ConverterLink.h"
#include "link/SerialPort.h"
#include "support/SimProcess.h"
#include "support/WineSession.h"

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
struct Tool : zelor::testing::WineSession {
  QString exe = qEnvironmentVariable("ZELOR_READ_TABLE_EXE");

  QString ComLink() const { return QDir(prefix).filePath(QStringLiteral("dosdevices/com42")); }

  void Start(QProcess& process, const QStringList& args) const {
    if (!UnderWine()) {
      process.start(QStringLiteral(ZELOR_READ_TABLE_PATH), args);
      return;
    }
    process.setProcessEnvironment(Environment());
    process.start(wine, QStringList{exe} + args);
  }

  // Starts the simulator with args, its port mapped to COM42 under Wine;
  // gives the port's name for the tool, empty when the simulator failed.
  QString StartSimulator(SimProcess& sim, QStringList args, bool recording = false) const {
    if (UnderWine()) args << QStringLiteral("--link") << ComLink();
    if (!(recording ? sim.StartRecording(args) : sim.Start(args))) return {};
    return UnderWine() ? QStringLiteral("COM42") : sim.Port();
  }
};

// The tool's exit code and output for the arguments given. A Windows
// console program ends its lines with CR LF: the output is read without CR.
struct Run {
  Run(const Tool& tool, const QStringList& args) {
    QProcess process;
    tool.Start(process, args);
    finished = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit;
    exitCode = process.exitCode();
    output = QString::fromLocal8Bit(process.readAllStandardOutput()).remove(QLatin1Char('\r'));
  }
  bool Has(const QString& line) const {
    return QRegularExpression(line, QRegularExpression::MultilineOption).match(output).hasMatch();
  }
  // The output without the printed table's rows, for failure messages that
  // the test framework would otherwise cut short.
  QString Messages() const {
    static const QRegularExpression rows(QStringLiteral("^ *\\d+:( +\\d+)+\\n"),
                                         QRegularExpression::MultilineOption);
    return QString(output).remove(rows);
  }
  bool finished = false;
  int exitCode = -1;
  QString output;
};

QByteArray Bytes(const std::array<std::uint8_t, 256>& table) {
  return QByteArray(reinterpret_cast<const char*>(table.data()), table.size());
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

// The default settings as a .tab file stores them.
const QByteArray kDefaultSettings("\x04\x05\x80\x40\x80\x80", 6);

}  // namespace

class TestReadTableTool : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void runsAgainstTheSimulator_data();
  void runsAgainstTheSimulator();
  void savesTheTable_data();
  void savesTheTable();
  void writesATableFile_data();
  void writesATableFile();
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
  // An earlier program started the stream and ended without stopping it.
  QTest::addColumn<bool>("leftStreaming");
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QStringList>("lines");  // patterns of lines the output holds

  QTest::newRow("healthy converter")
      << QStringList{} << false << false << 0
      << QStringList{"^table: 257 of 257 bytes$",
                     "^byte 256: \\d+$",
                     "^drain: 0 more bytes; a read on the silent line returned 0 after \\d+ ms$",
                     "^FirmWare:  V_2\\.1$",
                     "^close during a read: the read ended \\d+ ms after Close with "
                     "\"ReadFile function failed\"$",
                     "^open again at once: done$"};
  QTest::newRow("converter left streaming")
      << QStringList{} << false << true << 0
      << QStringList{"^line: the converter was streaming \\(\\d+ bytes heard\\); sent \"s\"$",
                     "^line: silent after \\d+ ms$", "^table: 257 of 257 bytes$",
                     "^FirmWare:  V_2\\.1$"};
  QTest::newRow("converter will not stop")
      << QStringList{"ignore-stop"} << false << true << 1
      << QStringList{"^line: still talking after \\d+ ms; the table was not asked for$"};
  QTest::newRow("short table") << QStringList{"short-table"} << false << false << 1
                               << QStringList{"^table: 256 of 257 bytes$"};
  QTest::newRow("converter keeps talking")
      << QStringList{"keep-talking"} << false << false << 1
      << QStringList{"^table: 257 of 257 bytes$",
                     "^drain: the converter still talks after \\d+ bytes$"};
  QTest::newRow("missing port") << QStringList{} << true << false << 2
                                << QStringList{
                                       "^open .*: \"Unable to open com port \\(Error: 2\\)\"$"};
}

void TestReadTableTool::runsAgainstTheSimulator() {
  QFETCH(QStringList, faults);
  QFETCH(bool, missingPort);
  QFETCH(bool, leftStreaming);
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
    port = tool_.StartSimulator(sim, args);
    QVERIFY(!port.isEmpty());
  }
  if (leftStreaming) {
    zelor::SerialPort earlier;
    earlier.SetPortName(sim.port);
    earlier.Open();
    zelor::ConverterLink(earlier).StartStream(false);
    std::array<std::uint8_t, 16> frames{};
    QCOMPARE(earlier.Read(frames.data(), int(frames.size())), int(frames.size()));
  }

  const Run run(tool_, {port});
  QVERIFY(run.finished);
  QVERIFY2(run.exitCode == exitCode, qPrintable(run.Messages()));
  for (const QString& line : lines)
    QVERIFY2(run.Has(line), qPrintable(line + " in:\n" + run.Messages()));
  if (exitCode == 0) {
    const std::vector<int> expected(table.begin(), table.end());
    QCOMPARE(PrintedCells(run.output), expected);
  }
}

void TestReadTableTool::savesTheTable_data() {
  QTest::addColumn<QStringList>("faults");
  QTest::addColumn<QString>("name");       // as given, in the folder out/
  QTest::addColumn<QByteArray>("before");  // out/old.tab before the run
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QString>("line");
  QTest::addColumn<bool>("wine");  // run under Wine too: the Windows save paths

  const QByteArray old("old table");
  QTest::newRow("saved, .tab appended")
      << QStringList{} << "copy" << old << 0
      << "^saved .*/copy\\.tab: 262 bytes, the table and the default settings 4 5 0 50 100 100 "
         "\\(the converter does not report its settings\\)$"
      << true;
  // The reply came whole, but a converter still talking may have sent
  // stream bytes in its place.
  QTest::newRow("converter keeps talking, old file kept")
      << QStringList{"keep-talking"} << "old.tab" << old << 1
      << "^save .*/old\\.tab: nothing saved, the file is as it was$" << false;
  // The temporary file is written, but cannot take the folder's place.
  QTest::newRow("a folder in the way")
      << QStringList{} << "in-the-way" << old << 1
      << "^save .*/in-the-way\\.tab: cannot put the temporary file in its place.+; the file "
         "is as it was$"
      << true;
}

void TestReadTableTool::savesTheTable() {
  QFETCH(QStringList, faults);
  QFETCH(QString, name);
  QFETCH(QByteArray, before);
  QFETCH(int, exitCode);
  QFETCH(QString, line);
  QFETCH(bool, wine);
  if (tool_.UnderWine() && !wine) QSKIP("the same path as the row run natively");

  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString tab = dir.filePath(QStringLiteral("odd.tab"));
  WriteAll(tab, Bytes(OddTable()));
  const QDir out(dir.filePath(QStringLiteral("out")));
  QVERIFY(QDir().mkpath(out.path()));
  WriteAll(out.filePath(QStringLiteral("old.tab")), before);
  QVERIFY(out.mkdir(QStringLiteral("in-the-way.tab")));
  SimProcess sim;
  QStringList args{"--table", tab};
  for (const QString& fault : faults) args << "--fault" << fault;
  const QString port = tool_.StartSimulator(sim, args);
  QVERIFY(!port.isEmpty());

  const Run run(tool_, {port, "--save", out.filePath(name)});
  QVERIFY(run.finished);
  QVERIFY2(run.exitCode == exitCode, qPrintable(run.Messages()));
  QVERIFY2(run.Has(line), qPrintable(line + " in:\n" + run.Messages()));
  // No temporary file is left behind, and a failed save keeps the old file.
  const QStringList files =
      exitCode == 0 ? QStringList{"copy.tab", "old.tab"} : QStringList{"old.tab"};
  QCOMPARE(out.entryList(QDir::Files | QDir::Hidden), files);
  QCOMPARE(ReadAll(out.filePath(QStringLiteral("old.tab"))), before);
  if (exitCode == 0)
    QCOMPARE(ReadAll(out.filePath(QStringLiteral("copy.tab"))),
             Bytes(OddTable()) + kDefaultSettings);
}

void TestReadTableTool::writesATableFile_data() {
  QTest::addColumn<QStringList>("faults");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QString>("line");
  QTest::addColumn<bool>("wine");  // run under Wine too

  // The table and settings no converter has yet; the settings are not sent.
  const QByteArray tab = Bytes(OddTable()) + QByteArray("\x07\x08\x90\x20\x30\x40", 6);
  QTest::newRow("verified") << QStringList{} << "odd.tab" << tab << 0
                            << "^verified: the converter holds the table$" << true;
  QTest::newRow("a table without settings") << QStringList{} << "odd.TAB" << tab.left(256) << 0
                                            << "^verified: the converter holds the table$" << false;
  QTest::newRow("read back differs")
      << QStringList{"corrupt-readback=17"} << "odd.tab" << tab << 1
      << "^not verified: cell 17 reads 123, 122 was written$" << false;
  QTest::newRow("too long") << QStringList{} << "odd.tab" << tab + "more" << 2
                            << "^write .*odd\\.tab: not a table file: it holds more than 262 "
                               "bytes, a table file 262 \\(or 256 or 257 without the "
                               "settings\\); nothing was sent$"
                            << false;
  QTest::newRow("not named .tab") << QStringList{} << "odd.log" << tab << 2
                                  << "^write .*odd\\.log: not a table file: its name does not "
                                     "end in \\.tab; nothing was sent$"
                                  << false;
}

void TestReadTableTool::writesATableFile() {
  QFETCH(QStringList, faults);
  QFETCH(QString, name);
  QFETCH(QByteArray, file);
  QFETCH(int, exitCode);
  QFETCH(QString, line);
  QFETCH(bool, wine);
  if (tool_.UnderWine() && !wine) QSKIP("the same path as the row run natively");

  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString path = dir.filePath(name);
  WriteAll(path, file);
  SimProcess sim;  // holding the 1:1 table
  QStringList args;
  for (const QString& fault : faults) args << "--fault" << fault;
  const QString port = tool_.StartSimulator(sim, args, true);
  QVERIFY(!port.isEmpty());

  const Run run(tool_, {port, "--write", path});
  QVERIFY(run.finished);
  QVERIFY2(run.exitCode == exitCode, qPrintable(run.Messages()));
  QVERIFY2(run.Has(line), qPrintable(line + " in:\n" + run.Messages()));
  if (exitCode == 2) {
    // Refused before the port was opened.
    QVERIFY2(!run.Has(QStringLiteral("^open ")), qPrintable(run.output));
    return;
  }
  // The cells alone in the write frame, then the read-back's request.
  const QByteArray sent = "sw" + Bytes(OddTable()) + QByteArray(1, '\0') + "sr";
  QTRY_COMPARE(sim.Received(), std::vector<std::uint8_t>(sent.begin(), sent.end()));
}

QTEST_GUILESS_MAIN(TestReadTableTool)
#include "test_read_table_tool.moc"
