// Autotune by lambda end to end, as a tuner does it: a converter whose table
// is 10 % lean over MAF 80..160 and 8 % rich over 170..220, a wideband LC-1
// reading the exhaust 600 ms late at idle and 120 ms at full flow, with a
// 100 ms lag and 1.5 % noise. A first minute's drive gives the delay; then
// four minutes with autotune on: the last minute's mean |lambda - 1| over
// the accepted samples is at most a third of the first minute's, the
// converter got at most one "t" per push interval and no cell beyond the
// authority; "Стоп" and one "Отменить" give the snapshot back exactly.
// Again with autotune, "Стоп", the table written: the read-back is the
// grid. And a converter gone mid-drive ends autotune, its changes one step.
// The simulator sends the frames ten times faster than the stream's pace.

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
#include "log/AutotuneController.h"
#include "log/LambdaFixController.h"
#include "log/StreamRun.h"
#include "sim/EngineModel.h"
#include "support/SimWindow.h"
#include "table/TableModel.h"

using namespace zelor;

namespace {

constexpr std::int32_t kMinute = 6000;  // samples
constexpr int kSpeed = 10;
constexpr int kTimeoutMs = 3 * 60 * 1000;  // a hang guard, not a measure

QByteArray StartTable() {
  QByteArray table(256, 0);
  for (int maf = 0; maf < 256; ++maf) {
    const double factor = maf >= 80 && maf <= 160 ? 0.90 : maf >= 170 && maf <= 220 ? 1.08 : 1.0;
    const long value = std::lround(sim::EngineModel::ExpectedVaf(maf) * factor);
    table[maf] = static_cast<char>(std::clamp(value, 0L, 255L));
  }
  return table;
}

QStringList StartTexts() {
  QStringList texts;
  for (int m = 0; m < 256; ++m) texts << QString::number(quint8(StartTable()[m]));
  return texts;
}

// The "t" commands the converter received: when each came (µs of the
// simulator's clock) and its 256 cells. The record is parsed as the device
// parses commands.
struct TableUpdate {
  std::int64_t atUs = 0;
  QByteArray cells;
};
std::vector<TableUpdate> TableUpdates(const std::vector<sim::RecordedByte>& record) {
  std::vector<TableUpdate> updates;
  std::size_t k = 0;
  auto skip = [&](std::size_t n) { k = std::min(record.size(), k + n); };
  while (k < record.size()) {
    const std::uint8_t b = record[k].value;
    const std::uint8_t next = k + 1 < record.size() ? record[k + 1].value : 0;
    if (b == 's' && next == 'w') {
      skip(2 + 257);
    } else if (b == 's' && (next == 'r' || next == 'a' || next == 'l')) {
      skip(2);
    } else if (b == 'g' || b == 'c') {
      skip(3);
    } else if (b == 't' && k + 262 < record.size()) {
      TableUpdate update{record[k].at.count(), QByteArray(256, 0)};
      for (int m = 0; m < 256; ++m) update.cells[m] = static_cast<char>(record[k + 1 + m].value);
      updates.push_back(update);
      skip(263);
    } else {
      skip(1);
    }
  }
  return updates;
}

}  // namespace

class TestAutotuneDrive : public QObject, private testing::SimWindow {
  Q_OBJECT

 private slots:
  void init() { InitWindow(); }
  void cleanup() { CleanupWindow(); }

  void autotuneCorrectsTheDriveAndIsOneStep();
  void aLostConverterEndsAutotune();
  void refusalsSayWhy();

 private:
  LambdaFixController& Lambda() { return form().LambdaFix(); }
  AutotuneController& Tune() { return form().AutotuneControl(); }
  QCheckBox* Switch() { return form().findChild<QCheckBox*>(QStringLiteral("Autotune")); }

  // The converter set up with the wrong table, read into the grid; the
  // lambda window on a wideband with lambda 1 everywhere.
  void Begin(QStringList simArgs) {
    QVERIFY(dir_.isValid());
    const QString tablePath = dir_.filePath(QStringLiteral("lean-rich.tab"));
    QFile file(tablePath);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(StartTable()) == 256);
    file.close();
    Launch(simArgs << "--table" << tablePath << "--o2"
                   << "wide:lc1"
                   << "--o2-delay-ms"
                   << "600:120"
                   << "--o2-lag-ms"
                   << "100"
                   << "--o2-noise-percent"
                   << "1.5"
                   << "--speed" << QString::number(kSpeed));
    Pick();
    Trigger("N7");
    QCOMPARE(Cells(), StartTexts());
    Trigger("LambdaFix");
    LambdaFixWindow& window = *Lambda().Window();
    window.wbo->setChecked(true);
    window.wholeRecording->setChecked(true);
    window.targetLow->setValue(1.00);
    window.targetHigh->setValue(1.00);
    window.hide();
    QVERIFY(dialogs_->TakeMessages().isEmpty());
  }

  // "Старт" and, once a second of the stream is in, autotune on; its
  // first sample.
  std::int32_t StartAutotune() {
    Click("ButtonStart");
    [&] { QTRY_VERIFY_WITH_TIMEOUT(form().Stream().Log().Count() >= 100, kTimeoutMs); }();
    Switch()->click();
    [&] { QVERIFY2(Tune().Running(), qPrintable(dialogs_->messages.join(' '))); }();
    return form().Stream().Log().Count();
  }

  // Drives until the recording holds `samples`.
  void DriveTo(std::int32_t samples) {
    QTRY_VERIFY_WITH_TIMEOUT(form().Stream().Log().Count() >= samples, kTimeoutMs);
  }

  // The mean |lambda - 1| of the samples from..from + n the lambda
  // correction accepts, with the window's settings.
  double MeanError(std::int32_t from, std::int32_t n) {
    LambdaLogReader reader(0);
    const LambdaRecording all = reader.Read(form().Stream().Log());
    const auto part = [&](std::span<const std::uint8_t> channel) {
      return channel.subspan(static_cast<std::size_t>(from), static_cast<std::size_t>(n));
    };
    const LambdaRecording slice{part(all.output), part(all.enrichment), part(all.maf),
                                part(all.o2)};
    QString error;
    const std::optional<LambdaSettings> settings = Lambda().Settings(error);
    std::array<int, 256> table{};
    for (int m = 0; m < 256; ++m) table[m] = quint8(StartTable()[m]);
    return AnalyseLambda(slice, table, {}, *settings).meanErrorBefore;
  }

  QTemporaryDir dir_;
};

void TestAutotuneDrive::autotuneCorrectsTheDriveAndIsOneStep() {
  Begin({});
  // A first minute's drive: its recording gives the delay over the flow.
  Click("ButtonStart");
  DriveTo(kMinute);
  Click("ButtonStop");
  Lambda().Window()->estimateDelay->click();
  qInfo("delay: %s", qPrintable(Lambda().Window()->delayEstimate->text()));

  const std::int32_t first = StartAutotune();
  const std::size_t recordedBefore = TableUpdates(sim_->Record()).size();
  DriveTo(first + 4 * kMinute);
  const int pushes = Tune().Pushes();
  Click("ButtonStop");
  QVERIFY(!Tune().Running());
  QVERIFY(!Switch()->isChecked());
  QVERIFY(dialogs_->TakeMessages().isEmpty());

  const double before = MeanError(first, kMinute);
  const double after = MeanError(first + 3 * kMinute, kMinute);
  qInfo("mean |lambda - 1|: first minute %.4f, last minute %.4f; %d pushes", before, after, pushes);
  QVERIFY2(after <= before / 3, qPrintable(QStringLiteral("%1 then %2").arg(before).arg(after)));

  // What the converter got: a "t" for each push and no other, the pushes
  // an interval apart or more on the stream's clock (the record's own times
  // are the simulator's reads, which a loaded machine bunches), no cell
  // beyond the authority.
  const std::vector<TableUpdate> all = TableUpdates(sim_->Record());
  const std::vector<TableUpdate> updates(all.begin() + static_cast<std::ptrdiff_t>(recordedBefore),
                                         all.end());
  QCOMPARE(int(updates.size()), pushes);
  QVERIFY(pushes >= 10);
  std::int64_t last = Tune().StartMs();
  for (const std::int64_t at : Tune().PushTimes()) {
    QVERIFY2(at - last >= 5000, qPrintable(QStringLiteral("%1 after %2").arg(at).arg(last)));
    last = at;
  }
  for (const TableUpdate& update : updates) {
    for (int m = 0; m < 256; ++m) {
      const int snapshot = quint8(StartTable()[m]);
      const int authority = std::max(1, int(std::floor(0.15 * snapshot + 1e-9)));
      QVERIFY(std::abs(quint8(update.cells[m]) - snapshot) <= authority);
    }
  }

  // One "Отменить" brings the snapshot back.
  QVERIFY(Cells() != StartTexts());
  Trigger("UndoTable");
  QCOMPARE(Cells(), StartTexts());

  // Again, then the table written: the read-back holds what the grid shows.
  const std::int32_t again = StartAutotune();
  QTRY_VERIFY_WITH_TIMEOUT(Tune().Pushes() >= 2, kTimeoutMs);
  DriveTo(again + kMinute / 2);
  Click("ButtonStop");
  const QStringList grid = Cells();
  QVERIFY(grid != StartTexts());
  Trigger("N8");
  const QString success = form().Messages().Text(kWriteSucceeded);
  QTRY_VERIFY_WITH_TIMEOUT(dialogs_->messages.contains(success), kTimeoutMs);
  QCOMPARE(dialogs_->TakeMessages(), QStringList{success});
  Trigger("N7");
  QCOMPARE(Cells(), grid);
  QVERIFY(dialogs_->TakeMessages().isEmpty());
}

void TestAutotuneDrive::aLostConverterEndsAutotune() {
  // The converter hangs up after a minute of the stream.
  Begin({"--fault", QStringLiteral("hangup-after=%1").arg(kMinute)});
  Lambda().Window()->delayMs->setValue(250);
  StartAutotune();
  QTRY_VERIFY_WITH_TIMEOUT(Tune().Pushes() >= 2, kTimeoutMs);
  QTRY_VERIFY_WITH_TIMEOUT(!Tune().Running(), kTimeoutMs);
  QVERIFY(!Switch()->isChecked());
  // It says it stopped (a "t" may have met the gone line before the reader
  // did: that ends it too).
  const QString stopped = form().Messages().Own(OwnMessage::kAutotuneLinkLost).section(':', 0, 0);
  QVERIFY(form().findChild<QLabel*>(QStringLiteral("AutotuneStatus"))->text().startsWith(stopped));
  QVERIFY(Cells() != StartTexts());
  Trigger("UndoTable");
  QCOMPARE(Cells(), StartTexts());
}

void TestAutotuneDrive::refusalsSayWhy() {
  // Without a port.
  windows_ = StartUp({});
  Switch()->click();
  QVERIFY(!Switch()->isChecked());
  QCOMPARE(dialogs_->TakeMessages(), QStringList{form().Messages().Text(kNoPortChosen)});
  windows_ = Windows();

  // A sensor that reads 0 V for its first minute.
  Begin({"--o2-warmup-s", "60"});
  const MessageTexts& texts = form().Messages();
  auto* learning = form().findChild<QCheckBox*>(QStringLiteral("CheckBoxLearnTable"));
  const struct {
    const char* what;
    bool learn;
    bool start;
    QString message;
  } cases[] = {
      {"no stream", false, false, texts.Own(OwnMessage::kAutotuneNoStream)},
      {"live learning", true, true, texts.Own(OwnMessage::kAutotuneLearning)},
      {"no O2 reading", false, true, texts.Own(OwnMessage::kAutotuneNoO2)},
  };
  for (const auto& c : cases) {
    learning->setChecked(c.learn);
    if (c.start) {
      Click("ButtonStart");
      QTRY_VERIFY_WITH_TIMEOUT(form().Stream().Log().Count() >= 100, kTimeoutMs);
    }
    Switch()->click();
    QVERIFY2(!Tune().Running() && !Switch()->isChecked(), c.what);
    QCOMPARE(dialogs_->TakeMessages(), QStringList{c.message});
    if (c.start) Click("ButtonStop");
  }
}

QTEST_MAIN(TestAutotuneDrive)
#include "test_autotune_drive.moc"
