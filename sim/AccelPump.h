#pragma once
// The converter's accelerator pump: on a fast rise of MAF it enriches the
// mixture and lets the enrichment decay. Its reading is stream byte 2,
// 128 + the enrichment (128 = none). Settings used (stored form):
//   Sample_Time      the rise is measured over this many frames (0 counts as 1)
//   Porog            the pump fires when MAF rose by more than this
//   Enrichment       128 + the enrichment the pump fires with (below 128: none)
//   Enrichment_decr  the share of the enrichment taken off per 100 ms, in
//                    1/128 (64 = half per 100 ms, 0 = no decay)
// Smooth_MAF and Smooth_VAF are held by the device and sent back with the
// table but are not modelled.

#include <array>
#include <cstddef>
#include <cstdint>

#include "sim/DeviceMemory.h"

namespace zelor::sim {

class AccelPump {
 public:
  // Takes the MAF reading of one frame with the settings in force and
  // returns the frame's byte 2 (128 + enrichment, at most 255).
  std::uint8_t Step(std::uint8_t maf, const Settings& settings);

  // Forgets the MAF history and any enrichment (a new stream).
  void Reset();

  // The current enrichment in counts above 128.
  double Level() const { return level_; }

 private:
  static constexpr std::size_t kHistory = 256;
  std::array<std::uint8_t, kHistory> history_{};
  std::size_t count_ = 0;  // readings taken since Reset
  double level_ = 0.0;
};

}  // namespace zelor::sim
