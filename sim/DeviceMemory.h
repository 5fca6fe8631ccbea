#pragma once
// What the converter keeps in its memory: the 256-cell replacement table and
// the six TableSettings bytes in their stored form (Sample_Time, Porog,
// Enrichment x 1.28 + 128, Enrichment_decr x 1.28, Smooth_MAF x 1.28,
// Smooth_VAF x 1.28), the same bytes a .tab file holds at offsets 256..261.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zelor::sim {

inline constexpr std::size_t kTableSize = 256;
inline constexpr std::size_t kSettingsSize = 6;
// A table and its settings as one block: the payload of "t" and a .tab file.
inline constexpr std::size_t kImageSize = kTableSize + kSettingsSize;

using Table = std::array<std::uint8_t, kTableSize>;
using Settings = std::array<std::uint8_t, kSettingsSize>;

// Indices into Settings.
enum SettingIndex : std::size_t {
  kSampleTime = 0,
  kPorog = 1,
  kEnrichment = 2,
  kEnrichmentDecr = 3,
  kSmoothMaf = 4,
  kSmoothVaf = 5,
};

class DeviceMemory {
 public:
  // The 1:1 table (cell i holds i) with the default settings.
  DeviceMemory();

  // The default settings 4, 5, 0 %, 50 %, 100 %, 100 % in stored form:
  // 4, 5, 128, 64, 128, 128.
  static Settings DefaultSettings();

  // The 1:1 table: cell i holds i.
  static Table IdentityTable();

  // Memory filled from the bytes of a .tab file: cells from the first 256
  // bytes (a short file repeats its last byte, 0 for an empty one); each of
  // bytes 256..261 present is taken as it stands, a missing one keeps its
  // default; anything after byte 261 is ignored.
  static DeviceMemory FromImage(const std::vector<std::uint8_t>& bytes);

  // Reads a .tab file as FromImage does. Returns false and sets `error` when
  // the file cannot be read; `out` is then unchanged.
  static bool LoadTabFile(const std::string& path, DeviceMemory& out, std::string& error);

  // The 257th byte of the "sr" reply: the low 8 bits of the sum of the 256
  // table bytes.
  static std::uint8_t Checksum(const Table& table);

  Table table;
  Settings settings;
};

}  // namespace zelor::sim
