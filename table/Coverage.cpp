#include "table/Coverage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zelor {

std::bitset<256> CoveredCells(const LogCoverage& coverage) {
  std::bitset<256> covered;
  for (int m = 0; m < 256; ++m) covered[m] = coverage[m].n > 0;
  return covered;
}

int CoverageLevel(std::uint32_t n) {
  if (n == 0) return 0;
  if (n < 10) return 1;
  if (n < 100) return 2;
  if (n < 1000) return 3;
  return 4;
}

std::string CoverageHintText(const CellCoverage& cell, char decimalSeparator) {
  std::string text = "n = " + std::to_string(cell.n);
  if (cell.n == 0) return text;
  // Tenths, halves away from zero; both values lie within 0..255.
  auto tenths = [decimalSeparator](double v) {
    const long long t = std::llround(v * 10);
    return std::to_string(t / 10) + decimalSeparator + std::to_string(t % 10);
  };
  return text + ", VAF ≈ " + tenths(cell.vafMean) + " ± " + tenths(cell.vafStdDev);
}

}  // namespace zelor
