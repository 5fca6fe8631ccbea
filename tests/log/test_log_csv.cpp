// The CSV export of a recording: the rows' fields and time base, the table
// field of cells that are and are not numbers, the whole text of a buffer and
// the name rule.

#include <QTemporaryDir>
#include <QtTest>
#include <climits>
#include <memory>

#include "link/LogBuffer.h"
#include "log/LogCsv.h"
#include "table/CellText.h"

using namespace zelor;

namespace {

LogSample SampleOf(int output, int marker, int enrichment, int maf, int vaf, int ch5, int ch6,
                   int o2) {
  const int channels[kLogChannelCount] = {output, marker, enrichment, maf, vaf, ch5, ch6, o2};
  LogSample s;
  for (int c = 0; c < kLogChannelCount; ++c) s.bytes[c] = static_cast<std::uint8_t>(channels[c]);
  return s;
}

std::string Row(std::int32_t index, const LogSample& s, const LogCsvTable& table) {
  char buffer[kLogCsvRowMax];
  return std::string(buffer, WriteLogCsvRow(buffer, index, s, table));
}

}  // namespace

class TestLogCsv : public QObject {
  Q_OBJECT

 private slots:
  void rowsHoldWhatTheChartPlots() {
    LogCsvTable table;
    table[200] = 17;
    table[0] = INT_MIN;  // the longest table field
    table[255] = 300;    // an integer beyond a byte is written as the chart plots it
    // table[7] stays empty: its cell is not a number.
    const struct {
      std::int32_t index;
      LogSample sample;
      const char* row;
    } cases[] = {
        {0, SampleOf(60, 0, 128, 200, 50, 5, 6, 80), "0.00,200,50,60,17,80,0,0,5,6\r\n"},
        {1, SampleOf(0, 128, 0, 200, 0, 0, 0, 0), "0.01,200,0,0,17,0,-100,128,0,0\r\n"},
        {99, SampleOf(1, 0, 255, 255, 2, 3, 4, 5), "0.99,255,2,1,300,5,99,0,3,4\r\n"},
        {100, SampleOf(9, 0, 129, 7, 8, 0, 0, 10), "1.00,7,8,9,,10,1,0,0,0\r\n"},
        {499999, SampleOf(255, 128, 127, 7, 255, 255, 255, 255),
         "4999.99,7,255,255,,255,-1,128,255,255\r\n"},
        {INT_MAX, SampleOf(255, 128, 0, 0, 255, 255, 255, 255),
         "21474836.47,0,255,255,-2147483648,255,-100,128,255,255\r\n"},
    };
    for (const auto& c : cases) {
      const std::string row = Row(c.index, c.sample, table);
      QCOMPARE(row, std::string(c.row));
      QVERIFY(row.size() <= kLogCsvRowMax);
    }
    // Cells are read as the chart reads them; a text that is no integer gives
    // no value.
    const std::pair<const char*, std::optional<int>> cells[] = {
        {"007", 7}, {"-5", -5}, {"", std::nullopt}, {"1.5", std::nullopt}};
    for (const auto& [text, value] : cells) QCOMPARE(IntegerOf(text), value);
  }

  void aBufferGivesTheHeaderAndOneRowPerCountedSample() {
    auto log = std::make_unique<LogBuffer>();
    for (std::int32_t k = 0; k < 130; ++k) log->Store(k, SampleOf(k, 0, 128, k, 0, 0, 0, 0));
    log->SetCount(118);
    LogCsvTable table;
    for (int maf = 0; maf < 256; ++maf) table[maf] = 255 - maf;
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.csv"));
    QCOMPARE(SaveLogCsvFile(*log, path, table), std::nullopt);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QCOMPARE(text, EncodeLogCsv(*log, 118, table));
    const QList<QByteArray> lines = text.split('\n');
    QCOMPARE(lines.size(), 1 + 118 + 1);  // the last line end leaves an empty piece
    // The header is what scripts and viewers key the columns on.
    QCOMPARE(lines[0],
             QByteArray("Time_s,MAF,VAF,Output,Table,Lambda,Enrichment_pct,Marker,Ch5,Ch6\r"));
    QCOMPARE(lines[1], QByteArray("0.00,0,0,0,255,0,0,0,0,0\r"));
    QCOMPARE(lines[118], QByteArray("1.17,117,0,117,138,0,0,0,0,0\r"));
    QCOMPARE(EncodeLogCsv(*log, 0, table), QByteArray(kLogCsvHeader.data()));
  }

  void extensionIsAddedUnlessItIsThereInAnyCase() {
    const std::pair<const char*, const char*> names[] = {{"run", "run.csv"},
                                                         {"run.csv", "run.csv"},
                                                         {"run.CSV", "run.CSV"},
                                                         {"run.log", "run.log.csv"}};
    for (const auto& [chosen, saved] : names) QCOMPARE(LogCsvFileName(chosen), QString(saved));
  }
};

QTEST_GUILESS_MAIN(TestLogCsv)
#include "test_log_csv.moc"
