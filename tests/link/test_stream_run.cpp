// A stream run against the simulated converter, without a window: what goes
// out at Start and Stop, how a run ends when its converter falls silent,
// hangs up or is left for another port, and that no reader or beeper
// outlives its run.

#include <QCoreApplication>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "learn/ToneOutput.h"
#include "link/SerialPort.h"
#include "log/StreamRun.h"
#include "support/SimProcess.h"

using namespace zelor;
using testing::SimProcess;
using Bytes = std::vector<std::uint8_t>;

namespace {

// A simulator, its port open, and a run over it whose failure routine
// records the message and stops the run, as the window's does.
struct Rig {
  explicit Rig(const QStringList& args) {
    started = sim.StartRecording(args);
    if (!started) return;
    port.SetPortName(sim.port);
    port.Open();
    run = std::make_unique<StreamRun>(
        port,
        [this](const std::string& message) {
          failures.push_back(message);
          run->Stop();
        },
        [](std::function<void()> task) {
          QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(task),
                                    Qt::QueuedConnection);
        },
        [] { return std::make_unique<SilentToneOutput>(); });
  }
  Bytes Tail(std::size_t n) const {
    const Bytes all = sim.Received();
    return Bytes(all.end() - std::min(n, all.size()), all.end());
  }

  SimProcess sim;
  SerialPort port;
  std::unique_ptr<StreamRun> run;
  std::vector<std::string> failures;
  bool started = false;
};

}  // namespace

class TestStreamRun : public QObject {
  Q_OBJECT

 private slots:
  void startAndStopSendTheirCommandsAroundTheCallersOwn_data() {
    QTest::addColumn<bool>("learning");
    QTest::newRow("learning") << true;
    QTest::newRow("not learning") << false;
  }
  void startAndStopSendTheirCommandsAroundTheCallersOwn() {
    QFETCH(bool, learning);
    Rig rig({});
    QVERIFY(rig.started);
    rig.run->Log().SetCount(10);
    const std::uint8_t own[] = {'c', 0, 0};
    rig.run->Start(learning, "gone", [&] { rig.port.Write(own, 3); });
    QVERIFY(rig.run->Streaming());
    QVERIFY(rig.run->BeeperRunning());
    const Bytes start{'c', 0, 0, 's', std::uint8_t(learning ? 'a' : 'l')};
    QTRY_COMPARE_WITH_TIMEOUT(rig.sim.Received(), start, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(rig.run->Log().Count() > 20, 10000);
    QVERIFY(rig.run->ReaderRunning());
    rig.run->Stop();
    QVERIFY(!rig.run->Streaming());
    QTRY_VERIFY_WITH_TIMEOUT(!rig.run->BeeperRunning(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.run->ReaderRunning(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(rig.Tail(1), Bytes{'s'}, 5000);
    QVERIFY(rig.failures.empty());
  }

  // How a run ends without Stop: a silent converter is reported once (the
  // routine stops the run); one that hangs up, or a port left for another,
  // ends the reader silently while the run counts as running, and only the
  // hang-up is a lost converter.
  void aRunEndsWithItsConverterOrItsPort_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("leave");
    QTest::addColumn<int>("failures");
    QTest::addColumn<bool>("streaming");
    QTest::addColumn<bool>("linkLost");
    QTest::newRow("silent") << QStringList{"--fault", "silent"} << false << 1 << false << false;
    QTest::newRow("hang-up") << QStringList{"--fault", "hangup-after=50"} << false << 0 << true
                             << true;
    QTest::newRow("port left") << QStringList{} << true << 0 << true << false;
  }
  void aRunEndsWithItsConverterOrItsPort() {
    QFETCH(QStringList, args);
    QFETCH(bool, leave);
    QFETCH(int, failures);
    QFETCH(bool, streaming);
    QFETCH(bool, linkLost);
    Rig rig(args);
    QVERIFY(rig.started);
    rig.run->Start(false, "gone", {});
    if (leave) {
      QTRY_VERIFY_WITH_TIMEOUT(rig.run->Log().Count() > 5, 10000);
      rig.run->LeavePort();
      QVERIFY(!rig.port.IsOpen());
      QTRY_COMPARE_WITH_TIMEOUT(rig.Tail(3), (Bytes{'s', 'l', 's'}), 5000);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!rig.run->ReaderRunning(), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(int(rig.failures.size()), failures, 5000);
    if (failures) QCOMPARE(rig.failures.front(), std::string("gone"));
    QCOMPARE(rig.run->Streaming(), streaming);
    QCOMPARE(rig.run->ReaderLost(), streaming);
    QCOMPARE(rig.run->LinkLost(), linkLost);
  }

  void noReaderOrBeeperOutlivesItsRun() {
    Rig rig({});
    QVERIFY(rig.started);
    for (int run = 0; run < 3; ++run) {
      rig.run->Start(true, "gone", {});
      // The run gets going, or (on a machine so busy that the simulator
      // stays silent for a second) ends as a silent converter's run does:
      // either way its threads are what the next Start must not outlive.
      QTRY_VERIFY_WITH_TIMEOUT(rig.run->Log().Count() > 5 || !rig.failures.empty(), 10000);
      rig.run->Stop();
      rig.run->Start(false, "gone", {});
      QVERIFY(TThreadLog::LiveCount() <= 1);
      QVERIFY(TBeepThread::LiveCount() <= 1);
      rig.run->Stop();
    }
    // A new tone output ends the beeper playing on the old one.
    rig.run->Start(false, "gone", {});
    QTRY_COMPARE_WITH_TIMEOUT(TBeepThread::LiveCount(), 1, 5000);
    rig.run->SetToneOutput(std::make_unique<SilentToneOutput>());
    QVERIFY(!rig.run->BeeperRunning());
    rig.run->End();
    QVERIFY(!rig.run->Streaming());
    QCOMPARE(TThreadLog::LiveCount(), 0);
    QCOMPARE(TBeepThread::LiveCount(), 0);
  }
};

QTEST_GUILESS_MAIN(TestStreamRun)
#include "test_stream_run.moc"
