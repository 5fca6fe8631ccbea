#include "log/RecordingCoverage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "link/LogBuffer.h"

namespace zelor {

LogCoverage CoverageOf(const LogBuffer& log) {
  // Exact integer sums: at most 500,000 samples of 255 fit 32 bits, their
  // squares 64 bits, and n x sum of squares too.
  std::array<std::uint32_t, 256> n{};
  std::array<std::uint32_t, 256> sum{};
  std::array<std::uint64_t, 256> squares{};
  // The two channels a block at a time, so the pass runs over plain bytes.
  constexpr std::int32_t kBlock = 4096;
  std::uint8_t maf[kBlock];
  std::uint8_t vaf[kBlock];
  const std::int32_t count = log.Count();
  for (std::int32_t first = 0; first < count; first += kBlock) {
    const std::int32_t size = std::min(kBlock, count - first);
    log.ReadChannel(LogChannel::Maf, first, size, maf);
    log.ReadChannel(LogChannel::Vaf, first, size, vaf);
    for (std::int32_t k = 0; k < size; ++k) {
      const std::uint32_t v = vaf[k];
      ++n[maf[k]];
      sum[maf[k]] += v;
      squares[maf[k]] += v * v;
    }
  }
  LogCoverage coverage;
  for (int m = 0; m < 256; ++m) {
    if (n[m] == 0) continue;
    // n² x variance = n x Σv² - (Σv)², never negative in integers.
    const std::uint64_t spread = std::uint64_t{n[m]} * squares[m] - std::uint64_t{sum[m]} * sum[m];
    coverage[m] = {n[m], double(sum[m]) / n[m], std::sqrt(double(spread)) / n[m]};
  }
  return coverage;
}

}  // namespace zelor
