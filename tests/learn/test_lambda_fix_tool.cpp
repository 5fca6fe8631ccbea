// The console companion zelor-lambda-fix run on files this test writes: a
// correction made and written with the table's settings, and bad input
// refused with nothing written. Built for this platform, or, with ZELOR_WINE
// naming Debian's wine64 loader, the Windows build (ZELOR_LAMBDA_FIX_EXE)
// under Wine in a private prefix (ZELOR_WINE_PREFIX).

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "learn/LambdaFix.h"
#include "support/WineSession.h"

using namespace zelor;

namespace {

int Lc1Count(double lambda) {
  return static_cast<int>(std::lround((lambda * 14.7 - 7.35) / (22.39 - 7.35) * 255.0));
}

// A recording of 4000 samples: MAF 100 and 150 in turns of 5 s, the output
// as MAF; the wideband (LC-1) reads lambda 1.05 at MAF 100 and 0.96 at MAF
// 150, 200 ms later.
QByteArray Recording() {
  QByteArray bytes;
  const int n = 4000, lag = 20;
  for (int t = 0; t < n; ++t) {
    const bool high = ((t - lag) / 500) % 2 == 1;
    const int maf = (t / 500) % 2 == 1 ? 150 : 100;
    const char record[8] = {
        char(maf), 0, char(128), char(maf),
        0,         0, 0,         char(Lc1Count(t < lag ? 1.0 : high ? 0.96 : 1.05))};
    bytes.append(record, 8);
  }
  return bytes;
}

// The 1:1 table with settings that are not the defaults: 7, 9, 25 %, 25 %,
// 50 %, 75 %.
QByteArray Table() {
  QByteArray bytes;
  for (int i = 0; i < 256; ++i) bytes.append(char(i));
  bytes.append("\x07\x09\xA0\x20\x40\x60", 6);
  return bytes;
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

}  // namespace

class TestLambdaFixTool : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void correctsOrRefuses_data();
  void correctsOrRefuses();
  void cleanupTestCase();

 private:
  zelor::testing::WineSession wine_;
  QString exe_ = qEnvironmentVariable("ZELOR_LAMBDA_FIX_EXE");
};

void TestLambdaFixTool::initTestCase() {
  if (!wine_.UnderWine()) return;
  QVERIFY2(QFileInfo(wine_.wine).isExecutable(),
           qPrintable(wine_.wine + " is missing (scripts/setup installs wine64)"));
  QVERIFY2(QFileInfo::exists(exe_), qPrintable(exe_ + " is missing"));
  QVERIFY2(wine_.PreparePrefix(), "Wine could not make its prefix");
  wine_.StopServer();
  QVERIFY(wine_.RunWine(wine_.Server(), {QStringLiteral("-p60")}, 30000));
}

void TestLambdaFixTool::cleanupTestCase() {
  if (wine_.UnderWine()) wine_.StopServer();
}

void TestLambdaFixTool::correctsOrRefuses_data() {
  QTest::addColumn<QByteArray>("log");
  QTest::addColumn<QByteArray>("tab");
  QTest::addColumn<QStringList>("options");
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QStringList>("lines");  // patterns the output must hold
  const QByteArray log = Recording();
  const QByteArray tab = Table();
  QTest::newRow("estimated delay")
      << log << tab << QStringList{} << 0
      << QStringList{"^delay: 200 ms, estimated \\(confidence \\d+ %",
                     "^  MAF 100: n +\\d+, median lambda 1\\.0\\d\\d, 100 -> 105$",
                     "^  MAF 150: n +\\d+, median lambda 0\\.9\\d\\d, 150 -> 144$",
                     "^table: table\\.tab, 262 bytes; settings 7 9 25 25 50 75$",
                     "^cells changed: 2$",
                     "^wrote new\\.tab: 262 bytes"};
  QTest::newRow("given delay, whole")
      << log << tab << QStringList{"--delay-ms", "200", "--whole"} << 0
      << QStringList{"^delay: 200 ms, given$", "^cells changed: 2$"};
  QTest::newRow("delay over the flow")
      << log << tab << QStringList{"--delay-ms", "200:200"} << 0
      << QStringList{
             "^delay: 200 ms at idle \\(MAF 22\\), 200 ms at MAF 255, falling as 1/flow; given$",
             "^cells: 2 changed, 0 right, 0 too few readings"};
  QTest::newRow("bad delay") << log << tab << QStringList{"--delay-ms", "630:"} << 2
                             << QStringList{
                                    "--delay-ms 630:: not auto, a number of ms or IDLE:FULL"};
  QTest::newRow("log not whole records")
      << log.left(8 * 300 + 3) << tab << QStringList{} << 2
      << QStringList{"log\\.log is not a recording: it holds 2403 bytes"};
  QTest::newRow("empty log") << QByteArray() << tab << QStringList{} << 2
                             << QStringList{"is not a recording: it holds 0 bytes"};
  QTest::newRow("short tab") << log << tab.left(255) << QStringList{} << 2
                             << QStringList{"table\\.tab is not a table: it holds 255 bytes"};
  QTest::newRow("unknown sensor") << log << tab << QStringList{"--sensor", "lambda"} << 2
                                  << QStringList{"unknown sensor \"lambda\""};
  QTest::newRow("bad number") << log << tab << QStringList{"--cap-percent", "ten"} << 2
                              << QStringList{"--cap-percent ten: not a per cent"};
}

void TestLambdaFixTool::correctsOrRefuses() {
  QFETCH(QByteArray, log);
  QFETCH(QByteArray, tab);
  QFETCH(QStringList, options);
  QFETCH(int, exitCode);
  QFETCH(QStringList, lines);
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  WriteAll(dir.filePath("log.log"), log);
  WriteAll(dir.filePath("table.tab"), tab);

  // The files by their names in the tool's working folder, as a Windows
  // program takes them too.
  const QStringList args = QStringList{"log.log", "table.tab", "--out", "new"} + options;
  QProcess process;
  process.setWorkingDirectory(dir.path());
  process.setProcessChannelMode(QProcess::MergedChannels);
  if (wine_.UnderWine()) {
    process.setProcessEnvironment(wine_.Environment());
    process.start(wine_.wine, QStringList{exe_} + args);
  } else {
    process.start(QStringLiteral(ZELOR_LAMBDA_FIX_PATH), args);
  }
  QVERIFY(process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit);
  const QString output = QString::fromLocal8Bit(process.readAll()).remove(QLatin1Char('\r'));
  QVERIFY2(process.exitCode() == exitCode, qPrintable(output));
  for (const QString& line : lines) {
    QVERIFY2(QRegularExpression(line, QRegularExpression::MultilineOption).match(output).hasMatch(),
             qPrintable(line + " not in:\n" + output));
  }

  QFile written(dir.filePath("new.tab"));
  if (exitCode != 0) {
    QVERIFY2(!written.exists(), "a refusal wrote the new table");
    return;
  }
  QVERIFY(written.open(QIODevice::ReadOnly));
  const QByteArray bytes = written.readAll();
  QCOMPARE(bytes.size(), 262);
  QByteArray expected = tab;
  expected[100] = char(105);
  expected[150] = char(144);
  QCOMPARE(bytes, expected);
  // The input table is as it was.
  QFile input(dir.filePath("table.tab"));
  QVERIFY(input.open(QIODevice::ReadOnly));
  QCOMPARE(input.readAll(), tab);
}

QTEST_APPLESS_MAIN(TestLambdaFixTool)
#include "test_lambda_fix_tool.moc"
