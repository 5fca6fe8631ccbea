// The correction by lambda end to end, as a tuner does it: a converter whose
// table is 10 % lean over MAF 80..160 and 8 % rich over 170..220 against
// what the engine's control unit expects, a wideband LC-1 reading the
// exhaust 450 ms late; two minutes' drive, "Стоп", "Коррекция по лямбде" on
// the whole recording with lambda 1.00 everywhere and the delay the
// recording shows, "Применить", the table written to the converter and read
// back, and a second drive of two minutes: its mean |lambda - 1| over the
// accepted samples is at most half the first's. The simulator sends the
// drives' frames ten times faster than the stream's pace (the program takes
// them as 10 ms apart, as always), and none of them is lost on the way.

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>

#include "learn/LambdaFixWindow.h"
#include "link/LogBuffer.h"
#include "log/LambdaFixController.h"
#include "log/StreamRun.h"
#include "sim/EngineModel.h"
#include "support/SimWindow.h"
#include "table/TableModel.h"

using namespace zelor;

namespace {

// Samples of a two minutes' drive.
constexpr std::int32_t kDriveSamples = 12000;
constexpr int kTimeoutMs = 4 * 60 * 1000;  // a hang guard, not a measure
// How many times faster than the stream's pace the simulator sends.
const char* const kSpeed = "10";

// The converter's table at the start: the control unit's expectation, lean
// (the output below it) over 80..160 and rich over 170..220.
QByteArray StartTable() {
  QByteArray table(256, 0);
  for (int maf = 0; maf < 256; ++maf) {
    double factor = 1.0;
    if (maf >= 80 && maf <= 160) factor = 0.90;
    if (maf >= 170 && maf <= 220) factor = 1.08;
    const long value = std::lround(sim::EngineModel::ExpectedVaf(maf) * factor);
    table[maf] = static_cast<char>(std::clamp(value, 0L, 255L));
  }
  return table;
}

}  // namespace

class TestLambdaDrive : public QObject, private testing::SimWindow {
  Q_OBJECT

 private slots:
  void init() { InitWindow(); }
  void cleanup() { CleanupWindow(); }

  void secondDriveHalvesTheLambdaError() {
    QTemporaryDir dir;
    const QString tablePath = dir.filePath(QStringLiteral("lean-rich.tab"));
    QFile file(tablePath);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(StartTable()) == 256);
    file.close();
    QStringList extra = qEnvironmentVariable("PROBE_ARGS").split(' ', Qt::SkipEmptyParts);
    Launch(QStringList{"--table", tablePath, "--o2", "wide:lc1", "--o2-delay-ms", "600:120",
                       "--o2-lag-ms", "100", "--o2-noise-percent", "1.5", "--speed", kSpeed} +
           extra);
    Pick();
    Trigger("N7");
    QCOMPARE(form().Table().CellText(120), QString::number(quint8(StartTable()[120])));
    QVERIFY(dialogs_->TakeMessages().isEmpty());

    Drive();
    Trigger("LambdaFix");
    LambdaFixWindow& window = *Lambda().Window();
    QVERIFY(window.isVisible());
    window.wbo->setChecked(true);
    window.wholeRecording->setChecked(true);
    window.targetLow->setValue(1.00);
    window.targetHigh->setValue(1.00);
    window.estimateDelay->click();
    const int delayMs = window.delayMs->value();
    const double first = Lambda().Result()->meanErrorBefore;
    const int changed = Lambda().Result()->cellsChanged;
    qInfo(
        "first drive: delay estimated %d ms (%s), mean |lambda - 1| %.4f, expected after "
        "%.4f, %d cells to change",
        delayMs, qPrintable(window.delayEstimate->text()), first, Lambda().Result()->meanErrorAfter,
        changed);
    QVERIFY(changed > 0);
    Dump("drive1.log");
    window.apply->click();
    QVERIFY(dialogs_->TakeMessages().isEmpty());
    int written = 0;
    for (int maf = 0; maf < 256; ++maf)
      written += form().Table().CellText(maf) != QString::number(quint8(StartTable()[maf]));
    QCOMPARE(written, changed);

    Trigger("N8");
    const QString success = form().Messages().Text(kWriteSucceeded);
    QTRY_VERIFY_WITH_TIMEOUT(dialogs_->messages.contains(success), kTimeoutMs);
    QCOMPARE(dialogs_->TakeMessages(), QStringList{success});

    // The shown window analyses the new recording at "Стоп", its delay
    // estimated again.
    Drive();
    Dump("drive2.log");
    const double second = Lambda().Result()->meanErrorBefore;
    qInfo("second drive: delay estimated %d ms, mean |lambda - 1| %.4f", window.delayMs->value(),
          second);
    QVERIFY(first > 0.0);
    QVERIFY2(second <= first / 2, qPrintable(QStringLiteral("%1 then %2").arg(first).arg(second)));

    // The reader kept up: the simulator lost no byte for want of a reader
    // (it says so on its way out).
    QVERIFY(sim_->Terminate());
    const QByteArray said = sim_->proc.readAllStandardError();
    QVERIFY2(!said.contains("lost"), said.constData());
  }

 private:
  void Dump(const char* name) {
    LogBuffer& log = form().Stream().Log();
    const int n = log.Count();
    QByteArray bytes(n * 8, 0);
    for (int c = 0; c < 8; ++c) {
      std::vector<std::uint8_t> ch(n);
      log.ReadChannel(LogChannel(c), 0, n, ch.data());
      for (int k = 0; k < n; ++k) bytes[k * 8 + c] = char(ch[k]);
    }
    QFile f(qEnvironmentVariable("PROBE_DIR") + "/" + name);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
  }
  LambdaFixController& Lambda() { return form().LambdaFix(); }
  void Drive() {
    Click("ButtonStart");
    QVERIFY(form().Stream().Streaming());
    QTRY_VERIFY_WITH_TIMEOUT(form().Stream().Log().Count() >= kDriveSamples, kTimeoutMs);
    Click("ButtonStop");
    QVERIFY(dialogs_->messages.isEmpty());
  }
};

QTEST_MAIN(TestLambdaDrive)
#include "test_lambda_drive.moc"
