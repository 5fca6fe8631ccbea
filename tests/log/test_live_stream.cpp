// "Старт", "Стоп", the reader's failure path and the panel tick, through the
// real serial layer against the simulated converter and engine.

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstring>

#include "app/StartUp.h"
#include "app/TerminationSignals.h"
#include "app/Unit3.h"
#include "app/ZelorConfigurator.h"
#include "link/LogBuffer.h"
#include "link/Protocol.h"
#include "link/SerialPort.h"
#include "link/StatusBlock.h"
#include "log/LogChartController.h"
#include "log/LogChartPage.h"
#include "log/PanelPage.h"
#include "log/StreamRun.h"
#include "support/PanelControls.h"
#include "support/PortBox.h"
#include "support/ScriptedDialogs.h"
#include "support/SimProcess.h"
#include "support/SimWindow.h"
#include "table/GridPage.h"
#include "table/TableModel.h"
#include "widgets/BarGauge.h"
#include "widgets/UpDown.h"

using namespace zelor;
using testing::SimProcess;

namespace {

const char kStreamMessage[] =
    "THREAD ERROR! ОТСУТСТВУЕТ ПОТОК ДАННЫХ ИЗ КОНВЕРТЕРА.\r\nПроверьте наличие питающего "
    "напряжения\r\n и убедитесь в иcправности Com порта.";

std::vector<std::uint8_t> Bytes(const char* text) {
  return std::vector<std::uint8_t>(text, text + std::strlen(text));
}

// The last n bytes of bytes (all of them when there are fewer).
std::vector<std::uint8_t> Tail(const std::vector<std::uint8_t>& bytes, std::size_t n) {
  return std::vector<std::uint8_t>(bytes.end() - std::min(n, bytes.size()), bytes.end());
}

// A sample whose channels are given in frame order (byte 1 is the marker).
LogSample Sample(int output, int enrichment, int maf, int vaf, int o2) {
  LogSample s;
  s.bytes = {
      std::uint8_t(output), 0, std::uint8_t(enrichment), std::uint8_t(maf), std::uint8_t(vaf), 0, 0,
      std::uint8_t(o2)};
  return s;
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  int count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count;
    return false;
  }
};

}  // namespace

class TestLiveStream : public QObject, private testing::SimWindow {
  Q_OBJECT

 private slots:
  void init() { InitWindow(); }
  void cleanup() { CleanupWindow(); }

  void startSendsRangeStepAndStartCommandsInOrder() {
    Connect({});
    const testing::PanelControls panel(form());
    panel.TrackBarMafKon->setValue(60);
    panel.TrackBarMafNach->setValue(40);
    panel.UpDown1->SetPosition(5);
    QTRY_COMPARE_WITH_TIMEOUT(Tail(sim_->Received(), 9),
                              (std::vector<std::uint8_t>{'g', 0, 60, 'g', 40, 60, 'c', 5, 0}),
                              5000);
    const std::size_t before = sim_->Received().size();
    panel.CheckBoxLearnTable->setChecked(true);
    Click("ButtonStart");
    QVERIFY(form().Stream().Streaming());
    QVERIFY(!panel.ButtonStart->isEnabled());
    QVERIFY(!panel.CheckBoxLearnTable->isEnabled());
    QVERIFY(form().findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
    const std::vector<std::uint8_t> startBytes{'g', 0, 60, 'g', 0, 0, 'c', 0, 0, 's', 'a'};
    QTRY_COMPARE_WITH_TIMEOUT(Tail(sim_->Received(), startBytes.size()), startBytes, 5000);
    QCOMPARE(sim_->Received().size(), before + startBytes.size());
    QCOMPARE(panel.EditMafNach->text(), QStringLiteral("0"));
    QCOMPARE(panel.EditCorrection->text(), QStringLiteral("0"));
    QTRY_VERIFY_WITH_TIMEOUT(form().Stream().Log().Count() > 20, 10000);
    Click("ButtonStop");
    QVERIFY(!form().Stream().Streaming());
    QVERIFY(panel.ButtonStart->isEnabled());
    QVERIFY(!form().findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(!form().Stream().ReaderRunning(), 5000);
    QVERIFY(dialogs_->messages.isEmpty());  // "Стоп" shows no stream message

    // Learning off: "sl", and no range or step command (nothing changed).
    QTRY_COMPARE_WITH_TIMEOUT(Tail(sim_->Received(), 1), std::vector<std::uint8_t>{'s'}, 5000);
    const std::size_t second = sim_->Received().size();
    panel.CheckBoxLearnTable->setChecked(false);
    Click("ButtonStart");
    QTRY_COMPARE_WITH_TIMEOUT(Tail(sim_->Received(), 2), (std::vector<std::uint8_t>{'s', 'l'}),
                              5000);
    QCOMPARE(sim_->Received().size(), second + 2);
    Click("ButtonStop");
    QTRY_COMPARE_WITH_TIMEOUT(Tail(sim_->Received(), 1), std::vector<std::uint8_t>{'s'}, 5000);
    QVERIFY(dialogs_->messages.isEmpty());
  }

  void startEmptiesTheCountButKeepsTheSlots() {
    Connect({"--fault", "silent"});
    LogBuffer& log = form().Stream().Log();
    log.Store(3, Sample(1, 2, 3, 4, 5));
    log.SetCount(10);
    Click("ButtonStart");
    QCOMPARE(log.Count(), 0);
    QCOMPARE(log.SampleAt(3).Maf(), std::uint8_t(3));
    // The silent converter: after about a second the stream message, then
    // "Стоп" is performed ("s" sent, buttons back).
    QTRY_VERIFY_WITH_TIMEOUT(!dialogs_->messages.isEmpty(), 10000);
    QCOMPARE(dialogs_->TakeMessages(), QStringList{QString::fromUtf8(kStreamMessage)});
    QVERIFY(!form().Stream().Streaming());
    QVERIFY(testing::PanelControls(form()).ButtonStart->isEnabled());
    QVERIFY(!form().findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(Tail(sim_->Received(), 1), std::vector<std::uint8_t>{'s'}, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!form().Stream().ReaderRunning(), 5000);
  }

  void stalledConverterShowsTheStreamMessageOnce() {
    Connect({"--fault", "stall-after=150"});
    Click("ButtonStart");
    QTRY_VERIFY_WITH_TIMEOUT(!dialogs_->messages.isEmpty(), 20000);
    // The reader has its failure shown before it ends: once it has ended,
    // no further message can come.
    QTRY_VERIFY_WITH_TIMEOUT(!form().Stream().ReaderRunning(), 5000);
    QCOMPARE(dialogs_->TakeMessages(), QStringList{QString::fromUtf8(kStreamMessage)});
    QCOMPARE(form().Stream().Log().Count(), 150);
    QVERIFY(!form().Stream().Streaming());
    // 150 samples are enough to frame the log chart at "Стоп".
    QVERIFY(form().LogChartControl().Page().Frame().drawn);
    QCOMPARE(form().LogChartControl().Page().Frame().end, 150);
  }

  void choosingAnotherPortDuringARunStopsTheConverterLeft() {
    LaunchTwo({});
    Pick();
    QVERIFY(dialogs_->TakeMessages().isEmpty());
    const testing::PanelControls panel(form());
    panel.CheckBoxLearnTable->setChecked(true);
    Click("ButtonStart");
    QTRY_VERIFY_WITH_TIMEOUT(form().Stream().Log().Count() > 10, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(Tail(sim_->Received(), 2) == Bytes("sa"), 5000);
    // The converter left is told to stop, then its port is closed under the
    // reader, which ends silently; the new port's table is not read while
    // the stream counts as running, and the firmware read from the old one
    // is shown no more.
    PickSecond();
    QCOMPARE(dialogs_->TakeMessages(), QStringList{StreamRunningMessage()});
    QTRY_COMPARE_WITH_TIMEOUT(Tail(sim_->Received(), 3), Bytes("sas"), 5000);
    QVERIFY(form().Stream().ReaderLost());
    QVERIFY(!panel.ButtonStart->isEnabled());
    QVERIFY(!form().Grid().VersionLabel()->isVisibleTo(form().TabSheet("TabSheet3")));

    // The panel keeps the last sample, unmarked (no link was lost); learning
    // writes it nowhere.
    const int last = form().Stream().Log().Count() - 1;
    const LogSample sample = form().Stream().Log().SampleAt(last);
    const QString kept = QString::number((sample.Vaf() + 1) % 256);
    form().Table().SetCellText(sample.Maf(), kept);
    QSignalSpy ticks(form().findChild<QTimer*>(QStringLiteral("Timer1")), &QTimer::timeout);
    QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 5, 5000);
    QCOMPARE(form().Table().CellText(sample.Maf()), kept);
    QCOMPARE(panel.VAF->Progress(), int(sample.Vaf()));
    QCOMPARE(form().Stream().Log().Count(), last + 1);
    QVERIFY(!LinkLostShown());
    form().PageControl1()->setCurrentWidget(form().TabSheet("TabSheet1"));
    QTRY_COMPARE(form().Status().StreamText(),
                 QStringLiteral("Поток: порт сменён, нажмите \"Стоп\""));

    // "Стоп" goes to the new port, the first byte it gets.
    Click("ButtonStop");
    QVERIFY(panel.ButtonStart->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(second_->Received(), Bytes("s"), 5000);
    // Back on the first port its table is read whole, no frame taken for it.
    form().N14Click();
    Pick();
    QVERIFY(dialogs_->messages.isEmpty());
    for (int i = 0; i < 256; ++i) QCOMPARE(form().Table().CellText(i), QString::number(i));
  }

  void tableTransferIsRefusedWhileTheStreamRuns() {
    Connect({});
    Click("ButtonStart");
    QTRY_VERIFY_WITH_TIMEOUT(form().Stream().Log().Count() > 5, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(Tail(sim_->Received(), 2) == Bytes("sl"), 5000);
    const std::size_t sent = sim_->Received().size();
    form().Table().SetCellText(3, QStringLiteral("33"));
    for (const char* command : {"N7", "N8"}) {
      Trigger(command);
      QCOMPARE(dialogs_->TakeMessages(), QStringList{StreamRunningMessage()});
      QCOMPARE(form().Table().CellText(3), QStringLiteral("33"));
      QVERIFY(!form().findChild<QTimer*>(QStringLiteral("Timer2"))->isActive());
      QVERIFY(form().Stream().ReaderRunning());
    }
    Click("ButtonStop");
    QTRY_COMPARE_WITH_TIMEOUT(sim_->Received().size(), sent + 1, 5000);
    QCOMPARE(Tail(sim_->Received(), 1), Bytes("s"));
  }

  // The reader of the run just stopped may still sit in its last read: a
  // table read at once after "Стоп" gets the whole reply all the same.
  void tableReadRightAfterStopGetsTheWholeTable() {
    Connect({});
    const QStringList table = Cells();
    form().N14Click();
    QVERIFY(Cells() != table);
    for (int run = 0; run < 5; ++run) {
      Click("ButtonStart");
      QTRY_VERIFY_WITH_TIMEOUT(form().Stream().Log().Count() > 10, 10000);
      Click("ButtonStop");
      Trigger("N7");
      QCOMPARE(dialogs_->TakeMessages(), QStringList{});
      QCOMPARE(Cells(), table);
      form().N14Click();
    }
  }

  void refusedStartSendsAndChangesNothing() {
    Connect({"--flash-ms", "0"});
    const testing::PanelControls panel(form());
    panel.TrackBarMafKon->setValue(60);
    QTRY_VERIFY_WITH_TIMEOUT(Tail(sim_->Received(), 3) == (std::vector<std::uint8_t>{'g', 0, 60}),
                             5000);
    panel.CheckBoxLearnTable->setChecked(true);
    form().Stream().Log().SetCount(7);
    // Each refusal is checked by what reaches the converter next: exactly the
    // bytes of the command that follows it, nothing in between.
    auto refused = [&](const QString& message) {
      QCOMPARE(dialogs_->TakeMessages(), QStringList{message});
      QVERIFY(!form().Stream().Streaming());
      QVERIFY(panel.ButtonStart->isEnabled());
      QCOMPARE(panel.TrackBarMafKon->value(), 60);
      QCOMPARE(form().Stream().Log().Count(), 7);
    };

    // A cell that the panel curve cannot read.
    form().Table().SetCellText(77, QStringLiteral("abc"));
    std::size_t sent = sim_->Received().size();
    Click("ButtonStart");
    refused(QStringLiteral("'abc' is not a valid floating point value"));
    Click("ButtonStop");
    QTRY_COMPARE_WITH_TIMEOUT(sim_->Received().size(), sent + 1, 5000);
    QCOMPARE(Tail(sim_->Received(), 1), Bytes("s"));
    dialogs_->TakeMessages();

    // A written table waiting for its read-back: the read-back still gets
    // the table, not frames of a stream.
    form().Table().SetCellText(77, QStringLiteral("77"));
    Trigger("N8");
    QTRY_COMPARE_WITH_TIMEOUT(sim_->Received().size(), sent + 1 + 259, 5000);
    sent = sim_->Received().size();
    Click("ButtonStart");
    QCOMPARE(dialogs_->owners.last(), windows_.form3.get());  // not hidden behind it
    refused(messages().Own(OwnMessage::kVerifyPending));
    form().findChild<QTimer*>(QStringLiteral("Timer2"))->stop();
    for (int tick = 0; tick < protocol::kVerifyTicks; ++tick) form().Timer2Timer();
    QCOMPARE(dialogs_->TakeMessages(), QStringList{"Запись прошла успешно"});
    QCOMPARE(sim_->Received().size(), sent + 2);
    QCOMPARE(Tail(sim_->Received(), 2), Bytes("sr"));

    Click("ButtonStart");  // now it starts
    QVERIFY(form().Stream().Streaming());
  }

  void panelChartIsRedrawnAtItsOwnPace() {
    Launch();
    const testing::PanelControls panel(form());
    QVERIFY(QTest::qWaitForWindowExposed(&form()));
    QCoreApplication::processEvents();  // the window's first showing
    PaintCounter paints;
    panel.InsertCellChart->installEventFilter(&paints);
    // The real 10 ms timer, as in a run: every tick moves the live points.
    QSignalSpy ticks(form().findChild<QTimer*>(QStringLiteral("Timer1")), &QTimer::timeout);
    QElapsedTimer clock;
    clock.start();
    form().findChild<QTimer*>(QStringLiteral("Timer1"))->start();
    QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 30, 10000);
    form().findChild<QTimer*>(QStringLiteral("Timer1"))->stop();
    const int during = paints.count;
    QVERIFY2(during <= 2 + clock.elapsed() / PanelPage::kFrameMs,
             qPrintable(QStringLiteral("%1 paints for %2 ticks in %3 ms")
                            .arg(during)
                            .arg(ticks.count())
                            .arg(clock.elapsed())));
    // A change is drawn, without a further tick to push it.
    QTRY_VERIFY(!form().Panel().FramePending());
    const int settled = paints.count;
    LogBuffer& log = form().Stream().Log();
    log.Store(0, Sample(9, 128, 19, 29, 0));
    log.SetCount(1);
    form().Timer1Timer();
    QTRY_VERIFY(paints.count > settled);
  }

  void hangUpEndsTheReaderSilentlyAndMarksThePanel() {
    Connect({"--fault", "hangup-after=50"});
    Click("ButtonStart");
    QTRY_VERIFY_WITH_TIMEOUT(!form().Stream().ReaderRunning(), 20000);
    QVERIFY(dialogs_->messages.isEmpty());  // a failure is shown before the reader ends
    QCOMPARE(form().Stream().Log().Count(), 50);
    // The panel says so over greyed gauges, until "Стоп".
    const testing::PanelControls panel(form());
    const BarGauge* gauges[] = {panel.MAF, panel.VAF, panel.Konv, panel.O2};
    QTRY_VERIFY(LinkLostShown());
    QCOMPARE(LinkLostMark()->text(), QStringLiteral("Нет связи с конвертером"));
    for (const BarGauge* gauge : gauges) QVERIFY(!gauge->isEnabled());
    Click("ButtonStop");
    dialogs_->TakeMessages();  // "s" finds no converter
    QVERIFY(!LinkLostShown());
    for (const BarGauge* gauge : gauges) QVERIFY(gauge->isEnabled());
  }

  // SIGTERM, SIGINT and SIGHUP end the program as closing the window does:
  // the run stopped with "s", its reader ended, the window closed and then
  // released with the port.
  void terminationSignalsCloseTheWindowDuringARun() {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
      Connect({});
      CloseOnTerminationSignals(form(), [this] { form().EndAtSystemRequest(); });
      Click("ButtonStart");
      QTRY_VERIFY_WITH_TIMEOUT(form().Stream().Log().Count() > 5, 10000);
      QTRY_VERIFY_WITH_TIMEOUT(Tail(sim_->Received(), 2) == Bytes("sl"), 5000);
      QCOMPARE(::raise(signal), 0);
      QTRY_VERIFY_WITH_TIMEOUT(!form().isVisible(), 5000);
      QVERIFY(!form().Stream().Streaming());
      QVERIFY(!form().Stream().ReaderRunning());
      QTRY_COMPARE_WITH_TIMEOUT(Tail(sim_->Received(), 3), Bytes("sls"), 5000);
      windows_ = Windows();
      SerialPort port;
      port.SetPortName(sim_->Port().toStdString());
      port.Open();  // raises while the program still held it
      QVERIFY(dialogs_->messages.isEmpty());
    }
  }

  void closingTheWindowDuringARunStopsTheStream() {
    Connect({});
    Click("ButtonStart");
    QTRY_VERIFY_WITH_TIMEOUT(form().Stream().Log().Count() > 5, 10000);
    dialogs_->Reply(true);  // closing ends the run: the recording would be lost
    form().close();
    QCOMPARE(dialogs_->questions.size(), 1);
    QVERIFY(!form().isVisible());
    QVERIFY(!form().Stream().Streaming());
    QVERIFY(!form().Stream().ReaderRunning());
    QCOMPARE(TThreadLog::LiveCount(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(Tail(sim_->Received(), 1), std::vector<std::uint8_t>{'s'}, 5000);
  }

  void panelTickShowsTheNewestSample() {
    Launch();
    LogBuffer& log = form().Stream().Log();
    const testing::PanelControls panel(form());
    log.Store(0, Sample(255, 128, 128, 32, 0));
    log.Store(1, Sample(32, 128, 0, 255, 10));
    log.SetCount(2);
    form().Timer1Timer();
    QCOMPARE(panel.KonvTextBox->text(), QStringLiteral("32N 0.63V").replace('.', Separator()));
    QCOMPARE(panel.MAFTextBox->text(), QStringLiteral("0N 0.00V").replace('.', Separator()));
    QCOMPARE(panel.VAFTextBox->text(), QStringLiteral("255N 4.98V").replace('.', Separator()));
    QCOMPARE(panel.VAF->Progress(), 255);
    QCOMPARE(panel.Konv->Progress(), 32);
    QCOMPARE(panel.O2->Progress(), 50);
    QCOMPARE(form().Stream().Flags().O2Level.load(), 50);
    log.SetCount(1);
    form().Timer1Timer();
    QCOMPARE(panel.MAFTextBox->text(), QStringLiteral("128N 2.50V").replace('.', Separator()));
    // Count 0: slot 0 again.
    log.SetCount(0);
    form().Timer1Timer();
    QCOMPARE(panel.MAF->Progress(), 128);
  }

  void o2GaugeWithAndWithoutTheWideBandSensor() {
    Launch();
    LogBuffer& log = form().Stream().Log();
    const testing::PanelControls panel(form());
    const std::pair<int, int> narrow[] = {{10, 50}, {25, 124}, {51, 254}, {52, 255}, {200, 255}};
    for (const auto& [raw, gauge] : narrow) {
      log.Store(0, Sample(0, 128, 0, 0, raw));
      log.SetCount(1);
      panel.WBO->setChecked(false);
      form().Timer1Timer();
      QCOMPARE(panel.O2->Progress(), gauge);
      QCOMPARE(form().Stream().Flags().O2Level.load(), gauge);
      QVERIFY(panel.O2TextBox->text().startsWith(QString::number(raw) + "N "));
      panel.WBO->setChecked(true);
      form().Timer1Timer();
      QCOMPARE(panel.O2->Progress(), raw);
    }
  }

  void mafInRangeIncludesBothEnds() {
    Launch();
    LogBuffer& log = form().Stream().Log();
    const testing::PanelControls panel(form());
    panel.TrackBarMafKon->setValue(120);
    panel.TrackBarMafNach->setValue(100);
    for (const auto& [maf, inside] :
         {std::pair{99, false}, {100, true}, {120, true}, {121, false}}) {
      log.Store(0, Sample(0, 128, maf, 0, 0));
      log.SetCount(1);
      form().Timer1Timer();
      QCOMPARE(form().Stream().Flags().MafInRange.load(), inside);
    }
  }

  void frozenPointsAndLearning() {
    Launch();
    LogBuffer& log = form().Stream().Log();
    const testing::PanelControls panel(form());
    form().RefreshInsertCellChart();
    log.Store(0, Sample(70, 128, 40, 63, 0));
    log.SetCount(1);
    panel.CheckBoxKonvMaf->setChecked(false);
    form().Timer1Timer();
    QCOMPARE(panel.Konv_MAF->data()->at(0)->key, 0.0);  // frozen
    QCOMPARE(panel.VAF_MAF->data()->at(0)->key, 0.0);
    QCOMPARE(form().Table().CellText(40), QStringLiteral("0"));  // learning off

    // Fast learning: the cell of MAF 40 (row 13, column 8) takes VAF 63.
    panel.CheckBoxLearnTable->setChecked(true);
    panel.CheckBoxInsertCell->setChecked(true);
    form().Timer1Timer();
    QCOMPARE(form().Grid().Grid()->item(13, 8)->text(), QStringLiteral("63"));
    QCOMPARE(panel.Tab->data()->at(40)->value, 63.0);
    QCOMPARE(panel.VAF_MAF->data()->at(0)->key, 40.0);
    QCOMPARE(panel.VAF_MAF->data()->at(0)->value, 63.0);

    // Without VAF-MAF the grid learns but the curve waits.
    panel.CheckBoxInsertCell->setChecked(false);
    log.Store(0, Sample(70, 128, 41, 90, 0));
    form().Timer1Timer();
    QCOMPARE(form().Table().CellText(41), QStringLiteral("90"));
    QCOMPARE(panel.Tab->data()->at(41)->value, 0.0);
  }

  void slowLearningNeedsSevenEqualSamples() {
    Launch();
    LogBuffer& log = form().Stream().Log();
    const testing::PanelControls panel(form());
    panel.CheckBoxLearnTable->setChecked(true);
    panel.Obuchenie[1]->setChecked(true);
    auto fill = [&](const std::vector<int>& mafs) {
      for (int i = 0; i < int(mafs.size()); ++i) log.Store(i, Sample(0, 128, mafs[i], 100 + i, 0));
      log.SetCount(int(mafs.size()));
    };
    fill({41, 41, 41, 41, 41, 41, 41, 41});  // 8 samples: too few
    form().Timer1Timer();
    QCOMPARE(form().Table().CellText(41), QStringLiteral("0"));
    fill({1, 2, 3, 4, 5, 6, 40, 40, 40, 40, 40, 40, 41});
    form().Timer1Timer();
    QCOMPARE(form().Table().CellText(40), QStringLiteral("0"));
    QCOMPARE(form().Table().CellText(41), QStringLiteral("0"));
    fill({1, 2, 3, 4, 5, 6, 41, 41, 41, 41, 41, 41, 41});
    form().Timer1Timer();
    QCOMPARE(form().Table().CellText(41), QStringLiteral("112"));  // the newest VAF
  }

  void fullBufferKeepsThePanelLive() {
    Launch();
    LogBuffer& log = form().Stream().Log();
    std::uint8_t frame[8] = {0, 0, 128, 0, 0, 0, 0, 0};
    for (int i = 0; i < LogBuffer::kCapacity; ++i) {
      frame[3] = static_cast<std::uint8_t>(i % 200);
      log.Append(frame, false);
    }
    QCOMPARE(log.Count(), LogBuffer::kCapacity);
    frame[3] = 250;
    frame[4] = 77;
    log.Append(frame, false);
    QCOMPARE(log.Count(), LogBuffer::kCapacity);  // the recording keeps its cap
    QCOMPARE(log.At(LogChannel::Maf, LogBuffer::kCapacity), std::uint8_t(250));
    form().Timer1Timer();
    const testing::PanelControls panel(form());
    QCOMPARE(panel.MAF->Progress(), 250);  // not the stale 499,999th sample
    QCOMPARE(panel.VAF->Progress(), 77);
  }

  void noPortChosen() {
    Launch();
    Click("ButtonStart");
    Click("ButtonStop");
    QCOMPARE(dialogs_->TakeMessages(),
             (QStringList{"Вы не выбрали COM порт!", "Вы не выбрали COM порт!"}));
    QVERIFY(!form().Stream().Streaming());
    QVERIFY(testing::PanelControls(form()).ButtonStart->isEnabled());
  }

 private:
  MessageTexts& messages() { return form().Messages(); }
  QLabel* LinkLostMark() { return form().findChild<QLabel*>(QStringLiteral("LinkLostMark")); }
  bool LinkLostShown() {
    return LinkLostMark() && LinkLostMark()->isVisibleTo(form().TabSheet("TabSheet4"));
  }
  QString StreamRunningMessage() { return messages().Own(OwnMessage::kStreamRunning); }

  static QChar Separator() {
    const QString point = QLocale::system().decimalPoint();
    return point.size() == 1 && point[0].unicode() < 128 ? point[0] : QChar('.');
  }

  void Launch() { windows_ = StartUp({}); }

  void Connect(const QStringList& args) {
    SimWindow::Launch(args);
    Pick();
    if (!args.contains("silent")) QVERIFY(dialogs_->TakeMessages().isEmpty());
    dialogs_->TakeMessages();
  }
};

QTEST_MAIN(TestLiveStream)
#include "test_live_stream.moc"
