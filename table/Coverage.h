#pragma once
// What a recording says about each table cell: how many samples it holds
// with that MAF value, and the VAF they showed, as a mean and a standard
// deviation. Computed in one pass when the recording changes (Stop, open;
// log/RecordingCoverage); the views (the grid's tint and hint, the chart's
// band) read these 256 records, never the LogBuffer.
//
// The spread is the standard deviation rather than min..max: a drive's
// transients (a throttle blip, a gear change) stretch min..max of a
// well-covered cell to nearly the whole scale, while the deviation of many
// samples stays narrow, and a learned value far from mean ± deviation stands
// out even when one sample of the recording happened to show it.

#include <array>
#include <bitset>
#include <cstdint>
#include <string>

namespace zelor {

// The samples of one MAF value.
struct CellCoverage {
  // How many samples had this MAF value.
  std::uint32_t n = 0;
  // Their mean VAF; 0 when n is 0.
  double vafMean = 0.0;
  // The standard deviation of their VAF about vafMean, over all n samples
  // (divided by n, not n - 1): 0 for a single sample and when n is 0.
  double vafStdDev = 0.0;

  friend bool operator==(const CellCoverage&, const CellCoverage&) = default;
};

// One record per MAF value 0..255.
using LogCoverage = std::array<CellCoverage, 256>;

// The cells that hold at least one sample: what "Заполнить пропуски" keeps
// and fills between (table/TableTools).
std::bitset<256> CoveredCells(const LogCoverage& coverage);

// The grid's tint of a cell by its sample count, in decades of the 100
// samples a second: 0 none, 1 under 10 (under a tenth of a second), 2 under
// 100, 3 under 1000, 4 from 1000 on (ten seconds and more).
inline constexpr int kCoverageLevels = 5;
int CoverageLevel(std::uint32_t n);

// What the grid's hint adds for a cell: "n = 0" without samples, else
// "n = 152, VAF ≈ 104.3 ± 2.1", the mean and the deviation with one decimal
// (halves away from zero) and the given decimal separator. UTF-8.
std::string CoverageHintText(const CellCoverage& cell, char decimalSeparator);

}  // namespace zelor
