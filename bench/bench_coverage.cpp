// The coverage of a full recording (500,000 samples) against a plain pass
// over the same bytes measured in the same run: the MAF and VAF channels
// copied into plain arrays and summed. For scale, the same pass reading the
// buffer a byte at a time through LogBuffer::At. Each figure is the median
// of several runs.
// Usage: bench_coverage [runs]

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/MedianTime.h"
#include "link/LogBuffer.h"
#include "log/RecordingCoverage.h"
#include "table/Coverage.h"

using namespace zelor;

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::stoi(argv[1])) : 9;

  // A drive: MAF wanders in small steps and often stands still, VAF follows
  // it with noise.
  auto log = std::make_unique<LogBuffer>();
  const std::int32_t count = LogBuffer::kCapacity;
  std::vector<std::uint8_t> maf(count);
  std::vector<std::uint8_t> vaf(count);
  std::uint32_t x = 12345;
  int m = 40;
  for (std::int32_t i = 0; i < count; ++i) {
    x = x * 1664525u + 1013904223u;
    m = std::clamp(m + static_cast<int>(x >> 30) - 1, 0, 255);
    maf[i] = static_cast<std::uint8_t>(m);
    vaf[i] = static_cast<std::uint8_t>(std::min(255, m / 2 + 30 + static_cast<int>(x >> 28)));
    LogSample s;
    s.bytes[static_cast<int>(LogChannel::Maf)] = maf[i];
    s.bytes[static_cast<int>(LogChannel::Vaf)] = vaf[i];
    log->Store(i, s);
  }
  log->SetCount(count);

  LogCoverage coverage;
  const double coverageMs = MedianMs(runs, [&] { coverage = CoverageOf(*log); });
  std::uint64_t total = 0;
  const double plainMs = MedianMs(runs, [&] {
    std::uint64_t s = 0;
    for (std::int32_t i = 0; i < count; ++i) s += maf[i] + vaf[i];
    total += s;
  });

  const double byByteMs = MedianMs(runs, [&] {
    std::uint64_t s = 0;
    for (std::int32_t i = 0; i < count; ++i)
      s += log->At(LogChannel::Maf, i) + log->At(LogChannel::Vaf, i);
    total += s;
  });

  std::uint64_t samples = 0;
  for (const CellCoverage& c : coverage) samples += c.n;
  std::printf("samples: %d (counted %llu), runs: %d, medians\n", count,
              static_cast<unsigned long long>(samples), runs);
  std::printf("coverage:                         %8.3f ms\n", coverageMs);
  std::printf("baseline, plain pass (sum %llu): %8.3f ms   coverage / baseline = %.1f\n",
              static_cast<unsigned long long>(total / runs / 2), plainMs, coverageMs / plainMs);
  std::printf("for scale, sum through At:        %8.3f ms   coverage / At sum = %.2f\n", byByteMs,
              coverageMs / byByteMs);
  return 0;
}
