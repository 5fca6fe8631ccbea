#include "core/Scaling.h"

#include <cstdint>
#include <cstdlib>

namespace zelor {

int ScreenScalePercent(int screenWidth, int screenHeight) {
  const int pw = static_cast<int>(screenWidth * 100.0 / 1024.0);
  const int ph = static_cast<int>(screenHeight * 100.0 / 600.0);
  return pw < ph ? pw : ph;
}

int MulDiv(int value, int multiplier, int divisor) {
  if (divisor == 0) return 0;
  const std::int64_t product = static_cast<std::int64_t>(value) * multiplier;
  const std::int64_t magnitude =
      (std::llabs(product) + std::llabs(divisor) / 2) / std::llabs(divisor);
  const bool negative = (product < 0) != (divisor < 0);
  return static_cast<int>(negative ? -magnitude : magnitude);
}

int ScaledColumnWidth(int gridHeight) { return static_cast<int>(gridHeight * 30.0 / 340.0); }

int ScaledRowHeight(int gridWidth) { return static_cast<int>(gridWidth * 20.0 / 500.0); }

}  // namespace zelor
