// The table read, write and read-back of ConverterLink through the real
// serial layer, against the converter simulator: what each brings back, and
// the bytes that reached the converter; and what ConverterTransfer keeps of
// them (the TableMirror, the verification's ticks, whether the converter's
// table is known).

#include <QtTest>
#include <array>
#include <optional>
#include <vector>

#include "link/ConverterLink.h"
#include "link/ConverterTransfer.h"
#include "link/SerialPort.h"
#include "support/SimProcess.h"

using zelor::ConverterLink;
using zelor::SerialPort;
using zelor::testing::SimProcess;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// A recording simulator holding the 1:1 table, version 3.2, with the given
// faults; a written table is held at once.
struct Rig {
  explicit Rig(const QStringList& faults) {
    QStringList args{"--flash-ms", "0"};
    for (const QString& fault : faults) args << "--fault" << fault;
    started = sim.StartRecording(args);
    if (!started) return;
    port.SetPortName(sim.port);
    port.Open();
  }
  SimProcess sim;
  SerialPort port;
  bool started = false;
};

}  // namespace

class TestConverterLink : public QObject {
  Q_OBJECT

 private slots:
  void readsTheTable_data();
  void readsTheTable();
  void stopsAConverterLeftStreaming_data();
  void stopsAConverterLeftStreaming();
  void writesAndReadsBack_data();
  void writesAndReadsBack();
  void transferKnowsTheTableOnlyOnceReadOrVerified_data();
  void transferKnowsTheTableOnlyOnceReadOrVerified();
};

void TestConverterLink::readsTheTable_data() {
  QTest::addColumn<QStringList>("faults");
  QTest::addColumn<int>("received");
  QTest::addColumn<int>("drained");  // -1: some, however many
  QTest::addColumn<bool>("silent");
  QTest::addColumn<int>("version");  // -1: none

  QTest::newRow("full") << QStringList{} << 257 << 0 << true << 32;
  QTest::newRow("tail drained") << QStringList{"tail=40"} << 257 << 40 << true << 32;
  QTest::newRow("no version") << QStringList{"no-version"} << 257 << 0 << true << -1;
  QTest::newRow("short") << QStringList{"short-table"} << 256 << 0 << false << -1;
  QTest::newRow("silent") << QStringList{"silent"} << 0 << 0 << false << -1;
  QTest::newRow("drain never ends") << QStringList{"keep-talking"} << 257 << -1 << false << -1;
}

void TestConverterLink::readsTheTable() {
  QFETCH(QStringList, faults);
  QFETCH(int, received);
  QFETCH(int, drained);
  QFETCH(bool, silent);
  QFETCH(int, version);

  Rig rig(faults);
  QVERIFY(rig.started);
  const zelor::TableRead read = ConverterLink(rig.port).ReadTable();
  QCOMPARE(read.received, received);
  QVERIFY2(drained < 0 ? read.drained > 0 : read.drained == drained,
           qPrintable(QString::number(read.drained)));
  QCOMPARE(read.silent, silent);
  const bool complete = received == 257 && silent;
  QCOMPARE(read.Complete(), complete);
  QCOMPARE(read.version,
           version < 0 ? std::nullopt : std::optional<std::uint8_t>(std::uint8_t(version)));
  for (int i = 0; i < std::min(received, 256); ++i) QCOMPARE(read.reply[i], std::uint8_t(i));
  // The version is asked only after a complete read. A stop sent last fences
  // the record: once it is in, so is all before it.
  ConverterLink(rig.port).StopStream();
  const Bytes sent = complete ? Bytes{'s', 'r', 'v', 's'} : Bytes{'s', 'r', 's'};
  QTRY_COMPARE(rig.sim.Received(), sent);
}

// A program that ended during a run left the converter streaming: the read
// stops the stream first, so that no frame in flight is taken for a cell.
// One that will not stop is refused before anything is asked of it.
void TestConverterLink::stopsAConverterLeftStreaming_data() {
  QTest::addColumn<QStringList>("faults");
  QTest::addColumn<bool>("complete");

  QTest::newRow("stops") << QStringList{} << true;
  QTest::newRow("will not stop") << QStringList{"ignore-stop"} << false;
}

void TestConverterLink::stopsAConverterLeftStreaming() {
  QFETCH(QStringList, faults);
  QFETCH(bool, complete);

  Rig rig(faults);
  QVERIFY(rig.started);
  ConverterLink link(rig.port);
  link.StartStream(false);
  std::array<std::uint8_t, 64> frames{};
  QCOMPARE(rig.port.Read(frames.data(), int(frames.size())), int(frames.size()));

  const zelor::TableRead read = link.ReadTable();
  QVERIFY(read.before.heard > 0);
  QVERIFY(read.before.stopSent);
  QCOMPARE(read.before.silent, complete);
  QCOMPARE(read.Complete(), complete);
  if (complete) {
    for (int i = 0; i < 256; ++i) QCOMPARE(read.reply[i], std::uint8_t(i));
    QCOMPARE(read.version, std::optional<std::uint8_t>(32));
    QTRY_COMPARE(rig.sim.Received(), (Bytes{'s', 'l', 's', 's', 'r', 'v'}));
  } else {
    QCOMPARE(read.received, 0);
    QVERIFY(read.before.waited.count() >= zelor::protocol::kSilenceLimitMs);
    QTRY_COMPARE(rig.sim.Received(), (Bytes{'s', 'l', 's'}));
  }
}

void TestConverterLink::writesAndReadsBack_data() {
  QTest::addColumn<QStringList>("faults");
  QTest::addColumn<int>("received");
  QTest::addColumn<int>("mismatch");  // -1: none
  QTest::addColumn<bool>("verified");

  QTest::newRow("match") << QStringList{} << 257 << -1 << true;
  QTest::newRow("one cell differs") << QStringList{"corrupt-readback=17"} << 257 << 17 << false;
  // All 256 cells agree, but the reply is not whole.
  QTest::newRow("short") << QStringList{"short-table"} << 256 << -1 << false;
  QTest::newRow("silent") << QStringList{"silent"} << 0 << 0 << false;
}

void TestConverterLink::writesAndReadsBack() {
  QFETCH(QStringList, faults);
  QFETCH(int, received);
  QFETCH(int, mismatch);
  QFETCH(bool, verified);

  Rig rig(faults);
  QVERIFY(rig.started);
  std::array<std::uint8_t, 256> cells{};
  for (int i = 0; i < 256; ++i) cells[i] = static_cast<std::uint8_t>(255 - i);
  ConverterLink link(rig.port);
  link.WriteTable(cells);
  const Bytes frame = Concat({{'s', 'w'}, Bytes(cells.begin(), cells.end()), {0x00}});
  // The converter takes the frame before the read-back purges the line.
  QTRY_COMPARE_WITH_TIMEOUT(rig.sim.Received(), frame, 10000);
  const zelor::TableReadBack back = link.ReadBack(cells);
  QCOMPARE(back.received, received);
  QCOMPARE(back.mismatch, mismatch < 0 ? std::nullopt : std::optional<int>(mismatch));
  QCOMPARE(back.Verified(), verified);
  QTRY_COMPARE(rig.sim.Received(), Concat({frame, {'s', 'r'}}));
}

void TestConverterLink::transferKnowsTheTableOnlyOnceReadOrVerified_data() {
  QTest::addColumn<QStringList>("faults");
  QTest::addColumn<int>("received");
  QTest::addColumn<bool>("knownByRead");
  QTest::addColumn<bool>("knownByWrite");

  QTest::newRow("full") << QStringList{} << 257 << true << true;
  QTest::newRow("short") << QStringList{"short-table"} << 256 << false << false;
  QTest::newRow("read-back differs") << QStringList{"corrupt-readback=17"} << 257 << true << false;
  QTest::newRow("silent") << QStringList{"silent"} << 0 << false << false;
}

void TestConverterLink::transferKnowsTheTableOnlyOnceReadOrVerified() {
  QFETCH(QStringList, faults);
  QFETCH(int, received);
  QFETCH(bool, knownByRead);
  QFETCH(bool, knownByWrite);

  QStringList args{"--flash-ms", "0"};
  for (const QString& fault : faults) args << "--fault" << fault;
  SimProcess sim;
  QVERIFY(sim.StartRecording(args));
  zelor::ConverterTransfer transfer;
  QVERIFY(!transfer.PortChosen());
  transfer.Choose(sim.port);
  QVERIFY(transfer.PortChosen());
  // The read's bytes, as far as they came, are the mirror.
  const zelor::TableRead read = transfer.ReadTable();
  QCOMPARE(read.received, received);
  QCOMPARE(transfer.TableKnown(), knownByRead);
  for (int i = 0; i < std::min(received, 256); ++i)
    QCOMPARE(transfer.TableMirror()[i], std::uint8_t(i));

  // Another port: nothing known until a write there is verified.
  transfer.Leave();
  QVERIFY(!transfer.TableKnown());
  std::array<std::uint8_t, 256> cells{};
  for (int i = 0; i < 256; ++i) cells[i] = static_cast<std::uint8_t>(255 - i);
  transfer.WriteTable(cells);
  QVERIFY(std::equal(cells.begin(), cells.end(), transfer.TableMirror().begin()));
  for (int tick = 1; tick < zelor::protocol::kVerifyTicks; ++tick) {
    QCOMPARE(transfer.VerifyTick(), tick);
    QVERIFY(!transfer.ReadBackDue());
  }
  QCOMPARE(transfer.VerifyTick(), zelor::protocol::kVerifyTicks);
  QVERIFY(transfer.ReadBackDue());
  const Bytes frame = Concat({{'s', 'w'}, Bytes(cells.begin(), cells.end()), {0x00}});
  QTRY_VERIFY_WITH_TIMEOUT(sim.Received().size() >= 2 + frame.size(), 10000);
  QCOMPARE(transfer.ReadBack().Verified(), knownByWrite);
  QCOMPARE(transfer.TableKnown(), knownByWrite);
}

QTEST_GUILESS_MAIN(TestConverterLink)
#include "test_converter_link.moc"
