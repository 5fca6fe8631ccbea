#include "log/PanelText.h"

#include <algorithm>
#include <cstdlib>

namespace zelor {

std::string PanelText(int v, char decimalSeparator) {
  // Hundredths of a volt, exactly: |v| x 500 / 256, halves away from zero.
  const long long scaled = std::llabs(static_cast<long long>(v)) * 500;
  long long hundredths = scaled / 256;
  if ((scaled % 256) * 2 >= 256) ++hundredths;
  std::string text = std::to_string(v) + "N ";
  if (v < 0 && hundredths != 0) text += '-';
  text += std::to_string(hundredths / 100);
  text += decimalSeparator;
  const long long cents = hundredths % 100;
  text += static_cast<char>('0' + cents / 10);
  text += static_cast<char>('0' + cents % 10);
  text += 'V';
  return text;
}

int O2GaugePosition(int raw, bool wbo) {
  if (wbo) return std::clamp(raw, 0, 255);
  if (raw <= 0) return 0;
  // raw x 4.98 = raw x 498 / 100, halves to even.
  const long long scaled = static_cast<long long>(raw) * 498;
  long long position = scaled / 100;
  const long long rest = scaled % 100;
  if (rest > 50 || (rest == 50 && position % 2 != 0)) ++position;
  return static_cast<int>(std::min<long long>(position, 255));
}

bool MafInRange(int maf, int begin, int end) { return begin <= maf && maf <= end; }

}  // namespace zelor
