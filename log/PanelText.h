#pragma once
// The plain computations of the instrument panel tick: the text of a count,
// the O2 gauge's scaling and the correction-range test.

#include <string>

namespace zelor {

// The panel text of a count v: its decimal digits, "N ", the voltage
// v x 5 / 256 with exactly two decimals (halves rounded away from zero) and
// the given decimal separator, then "V"; 255 -> "255N 4.98V".
std::string PanelText(int v, char decimalSeparator);

// The O2 gauge's position for a raw O2 count: with the wide-band sensor
// (wbo) the raw count, otherwise raw x 4.98 rounded to the nearest integer
// with halves to even; either way clamped to the gauge's 0..255.
int O2GaugePosition(int raw, bool wbo);

// True when begin <= maf <= end (both ends count as inside).
bool MafInRange(int maf, int begin, int end);

}  // namespace zelor
