// The CSV export of a full recording (500,000 samples): formatting alone and
// the whole export to a file, against two baselines measured in the same
// run: writing the same CSV bytes through the same save, and the .log save
// of the same recording. Each figure is the median of several runs.
// Usage: bench_log_csv [runs] [directory for the files]

#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "bench/MedianTime.h"
#include "core/FileSave.h"
#include "link/LogBuffer.h"
#include "log/LogCsv.h"
#include "log/LogFile.h"

using namespace zelor;

namespace {

void Check(const std::optional<QString>& error) {
  if (error) {
    std::fprintf(stderr, "save failed: %s\n", qPrintable(*error));
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::stoi(argv[1])) : 5;
  QTemporaryDir scratch;
  const QString dir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : scratch.path();

  // A full recording of varied bytes, as a drive would give.
  auto log = std::make_unique<LogBuffer>();
  const std::int32_t n = LogBuffer::kCapacity;
  std::vector<std::uint8_t> records(static_cast<std::size_t>(n) * kLogRecordSize);
  std::uint32_t x = 12345;
  for (std::uint8_t& b : records) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<std::uint8_t>(x >> 24);
  }
  log->StoreRecords(0, records.data(), n);
  log->SetCount(n);
  LogCsvTable table;
  for (int maf = 0; maf < 256; ++maf) table[maf] = maf / 2 + 20;

  const QString csvPath = dir + QStringLiteral("/bench.csv");
  const QString rawPath = dir + QStringLiteral("/bench_raw.csv");
  const QString logPath = dir + QStringLiteral("/bench.log");
  QByteArray text;
  const double encode = MedianMs(runs, [&] { text = EncodeLogCsv(*log, n, table); });
  const double exportMs = MedianMs(runs, [&] { Check(SaveLogCsvFile(*log, csvPath, table)); });
  const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.constData()),
                               static_cast<std::size_t>(text.size()));
  const double raw = MedianMs(runs, [&] { Check(SaveWholeFile(rawPath, bytes)); });
  const double logSave = MedianMs(runs, [&] { Check(SaveLogFile(*log, logPath)); });

  std::printf("rows: %d, CSV bytes: %lld (%.1f per row), runs: %d, medians\n", n,
              static_cast<long long>(text.size()), double(text.size()) / n, runs);
  std::printf("format only:                 %8.1f ms\n", encode);
  std::printf("CSV export (format + save):  %8.1f ms\n", exportMs);
  std::printf("baseline, same bytes saved:  %8.1f ms   export / baseline = %.2f\n", raw,
              exportMs / raw);
  std::printf("baseline, .log save:         %8.1f ms   export / .log save = %.2f\n", logSave,
              exportMs / logSave);
  return 0;
}
