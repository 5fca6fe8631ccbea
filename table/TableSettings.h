#pragma once

#include <array>

namespace zelor {

// Allowed range of one table setting, both ends included.
struct SettingRange {
  int min;
  int max;
};

// Number of TableSettings fields.
inline constexpr int kSettingCount = 6;

// Ranges of the settings in their stored order: Sample_Time, Porog,
// Enrichment, Enrichment_decr, Smooth_MAF, Smooth_VAF.
inline constexpr std::array<SettingRange, kSettingCount> kSettingRanges{
    {{1, 100}, {1, 100}, {0, 99}, {1, 99}, {1, 100}, {1, 100}}};

// The six settings kept with the replacement table: the accelerator pump
// (sampling interval, threshold, enrichment and its decay, in per cent) and
// the smoothing of the MAF and VAF signals. Index order is the order in
// which they are stored after the table cells.
struct TableSettings {
  int Sample_Time = 4;
  int Porog = 5;
  int Enrichment = 0;
  int Enrichment_decr = 50;
  int Smooth_MAF = 100;
  int Smooth_VAF = 100;

  // Value of the setting with the given index (0..5); throws
  // std::out_of_range for any other index.
  int Get(int index) const;

  // Sets the setting with the given index (0..5) to `value` brought into
  // its range; throws std::out_of_range for any other index.
  void Set(int index, int value);

  // True when all six fields are equal.
  friend bool operator==(const TableSettings&, const TableSettings&) = default;
};

// `value` brought into the range of setting `index` (0..5): below the
// minimum gives the minimum, above the maximum the maximum. Throws
// std::out_of_range for an index outside 0..5.
int ClampSetting(int index, int value);

// The default settings: 4, 5, 0, 50, 100, 100.
TableSettings Defaults();

}  // namespace zelor
