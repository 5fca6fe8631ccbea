// The coverage of a recording: samples, mean and deviation per cell, only
// below the count, exact at a full buffer's sums; the grid hint's text.

#include <QtTest>

#include <memory>

#include "link/LogBuffer.h"
#include "log/RecordingCoverage.h"
#include "table/Coverage.h"

using namespace zelor;

namespace {

// A recording of (MAF, VAF) pairs; the pair after the count, if any, is
// stored in its slot but not counted.
std::unique_ptr<LogBuffer> Recording(const std::vector<std::pair<int, int>>& samples,
                                     std::int32_t count) {
  auto log = std::make_unique<LogBuffer>();
  for (std::int32_t slot = 0; slot < std::int32_t(samples.size()); ++slot) {
    LogSample s;
    s.bytes[int(LogChannel::Maf)] = std::uint8_t(samples[slot].first);
    s.bytes[int(LogChannel::Vaf)] = std::uint8_t(samples[slot].second);
    log->Store(slot, s);
  }
  log->SetCount(count);
  return log;
}

}  // namespace

class TestCoverage : public QObject {
  Q_OBJECT

 private slots:
  void cellsOfASmallRecording() {
    const LogCoverage coverage = CoverageOf(*Recording(
        {{10, 100}, {14, 140}, {10, 104}, {12, 255}, {10, 100}, {12, 0}, {10, 104}, {30, 9}}, 7));
    QCOMPARE(coverage[10], (CellCoverage{4, 102.0, 2.0}));
    QCOMPARE(coverage[14], (CellCoverage{1, 140.0, 0.0}));
    QCOMPARE(coverage[12], (CellCoverage{2, 127.5, 127.5}));
    QCOMPARE(coverage[30], CellCoverage{});
    QCOMPARE(CoveredCells(coverage).count(), 3u);
  }

  // A full buffer: one cell alternating 0 and 255 (sums beyond 32 bits) up
  // to the last two samples, which are another cell's.
  void fullBufferIsExact() {
    std::vector<std::pair<int, int>> samples(LogBuffer::kCapacity);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = {7, i % 2 ? 255 : 0};
    samples[samples.size() - 2] = {8, 200};
    samples.back() = {8, 100};
    const LogCoverage coverage = CoverageOf(*Recording(samples, LogBuffer::kCapacity));
    QCOMPARE(coverage[7], (CellCoverage{499998, 127.5, 127.5}));
    QCOMPARE(coverage[8], (CellCoverage{2, 150.0, 50.0}));
    QCOMPARE(CoveredCells(coverage).count(), 2u);
  }

  void hintText_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<double>("mean");
    QTest::addColumn<double>("deviation");
    QTest::addColumn<QString>("text");
    QTest::newRow("no sample") << 0 << 0.0 << 0.0 << "n = 0";
    QTest::newRow("one sample") << 1 << 140.0 << 0.0 << "n = 1, VAF ≈ 140,0 ± 0,0";
    // 409 / 4: a half of a tenth exactly, away from zero.
    QTest::newRow("half a tenth up") << 4 << 102.25 << 1.96 << "n = 4, VAF ≈ 102,3 ± 2,0";
  }
  void hintText() {
    QFETCH(int, n);
    QFETCH(double, mean);
    QFETCH(double, deviation);
    const CellCoverage cell{std::uint32_t(n), mean, deviation};
    QTEST(QString::fromStdString(CoverageHintText(cell, ',')), "text");
  }
};

QTEST_MAIN(TestCoverage)
#include "test_coverage.moc"
