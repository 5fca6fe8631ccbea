#include "table/TableSettings.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace zelor {

namespace {

void CheckIndex(int index) {
  if (index < 0 || index >= kSettingCount)
    throw std::out_of_range("table setting index " + std::to_string(index) + " is outside 0..5");
}

}  // namespace

int TableSettings::Get(int index) const {
  CheckIndex(index);
  switch (index) {
    case 0: return Sample_Time;
    case 1: return Porog;
    case 2: return Enrichment;
    case 3: return Enrichment_decr;
    case 4: return Smooth_MAF;
    default: return Smooth_VAF;
  }
}

void TableSettings::Set(int index, int value) {
  const int clamped = ClampSetting(index, value);
  switch (index) {
    case 0: Sample_Time = clamped; break;
    case 1: Porog = clamped; break;
    case 2: Enrichment = clamped; break;
    case 3: Enrichment_decr = clamped; break;
    case 4: Smooth_MAF = clamped; break;
    default: Smooth_VAF = clamped; break;
  }
}

int ClampSetting(int index, int value) {
  CheckIndex(index);
  const SettingRange& r = kSettingRanges[static_cast<std::size_t>(index)];
  return std::clamp(value, r.min, r.max);
}

TableSettings Defaults() { return TableSettings{}; }

}  // namespace zelor
