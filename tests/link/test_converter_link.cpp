// The converter's exchanges (ConverterLink) through the real serial layer,
// against the converter simulator: what each brings back, and the bytes
// that reached the converter.

#include <QtTest>
#include <array>
#include <fstream>
#include <optional>
#include <vector>

#include "link/ConverterLink.h"
#include "link/SerialPort.h"
#include "support/SimProcess.h"

using zelor::ConverterLink;
using zelor::SerialPort;
using zelor::testing::SimProcess;
using Bytes = std::vector<std::uint8_t>;

namespace {

// A table no default or simple rule gives: cell i holds (7 i + 3) mod 256.
std::array<std::uint8_t, 256> OddTable() {
  std::array<std::uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return t;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// A recording simulator holding OddTable at power-on, version 2.1, with the
// given faults; a written table is held at once.
struct Rig {
  explicit Rig(const QStringList& faults) {
    const QString tab = dir.filePath(QStringLiteral("odd.tab"));
    const auto table = OddTable();
    std::ofstream(tab.toStdString(), std::ios::binary)
        .write(reinterpret_cast<const char*>(table.data()), table.size());
    QStringList args{"--table", tab, "--version", "21", "--flash-ms", "0"};
    for (const QString& fault : faults) args << "--fault" << fault;
    started = sim.StartRecording(args);
    if (!started) return;
    port.SetPortName(sim.port);
    port.Open();
  }
  QTemporaryDir dir;
  SimProcess sim;
  SerialPort port;
  bool started = false;
};

}  // namespace

Q_DECLARE_METATYPE(Bytes)

class TestConverterLink : public QObject {
  Q_OBJECT

 private slots:
  void readsTheTable_data();
  void readsTheTable();
  void writesAndReadsBack_data();
  void writesAndReadsBack();
  void sendsStreamAndCorrectionFrames();
};

void TestConverterLink::readsTheTable_data() {
  QTest::addColumn<QStringList>("faults");
  QTest::addColumn<int>("received");
  QTest::addColumn<int>("drained");  // -1: some, however many
  QTest::addColumn<bool>("silent");
  QTest::addColumn<int>("version");  // -1: none
  QTest::addColumn<Bytes>("sent");

  const Bytes sr{'s', 'r'}, srv{'s', 'r', 'v'};
  QTest::newRow("full") << QStringList{} << 257 << 0 << true << 21 << srv;
  QTest::newRow("tail drained") << QStringList{"tail=40"} << 257 << 40 << true << 21 << srv;
  QTest::newRow("no version") << QStringList{"no-version"} << 257 << 0 << true << -1 << srv;
  QTest::newRow("short") << QStringList{"short-table"} << 256 << 0 << false << -1 << sr;
  QTest::newRow("silent") << QStringList{"silent"} << 0 << 0 << false << -1 << sr;
  QTest::newRow("drain never ends")
      << QStringList{"keep-talking"} << 257 << -1 << false << -1 << sr;
}

void TestConverterLink::readsTheTable() {
  QFETCH(QStringList, faults);
  QFETCH(int, received);
  QFETCH(int, drained);
  QFETCH(bool, silent);
  QFETCH(int, version);
  QFETCH(Bytes, sent);

  Rig rig(faults);
  QVERIFY(rig.started);
  const zelor::TableRead read = ConverterLink(rig.port).ReadTable();
  QCOMPARE(read.received, received);
  QVERIFY2(drained < 0 ? read.drained > 0 : read.drained == drained,
           qPrintable(QString::number(read.drained)));
  QCOMPARE(read.silent, silent);
  QCOMPARE(read.Complete(), received == 257 && silent);
  QCOMPARE(read.version,
           version < 0 ? std::nullopt : std::optional<std::uint8_t>(std::uint8_t(version)));
  const auto table = OddTable();
  QVERIFY(
      std::equal(read.reply.begin(), read.reply.begin() + std::min(received, 256), table.begin()));
  // Nothing more goes out once a read has failed: no version query. A stop
  // sent last fences the record: once it is in, so is all before it.
  ConverterLink(rig.port).StopStream();
  QTRY_COMPARE(rig.sim.Received(), Concat({sent, {'s'}}));
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

void TestConverterLink::sendsStreamAndCorrectionFrames() {
  Rig rig({});
  QVERIFY(rig.started);
  ConverterLink link(rig.port);
  link.SendCorrectionRange(40, 60);
  link.SendCorrectionStep(-5);
  link.StartStream(true);
  link.StopStream();
  link.StartStream(false);
  const auto cells = OddTable();
  link.SendLiveTableUpdate(cells, zelor::Defaults());
  link.StopStream();
  QTRY_COMPARE(rig.sim.Received(), Concat({{'g', 40, 60, 'c', 5, 1, 's', 'a', 's', 's', 'l', 't'},
                                           Bytes(cells.begin(), cells.end()),
                                           {4, 5, 0x80, 0x40, 0x80, 0x80, 's'}}));
}

QTEST_GUILESS_MAIN(TestConverterLink)
#include "test_converter_link.moc"
