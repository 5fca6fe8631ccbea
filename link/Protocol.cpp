#include "link/Protocol.h"

#include <algorithm>

namespace zelor::protocol {

std::array<std::uint8_t, kTableWriteSize> TableWriteFrame(
    std::span<const std::uint8_t, 256> cells) {
  std::array<std::uint8_t, kTableWriteSize> frame{};
  frame[0] = 's';
  frame[1] = 'w';
  std::copy(cells.begin(), cells.end(), frame.begin() + 2);
  frame[258] = 0x00;
  return frame;
}

std::optional<int> FirstMismatch(std::span<const std::uint8_t, 256> sent,
                                 std::span<const std::uint8_t> readBack) {
  for (int k = 0; k < 256; ++k) {
    if (k >= static_cast<int>(readBack.size()) || readBack[k] != sent[k]) return k;
  }
  return std::nullopt;
}

int VerifyProgress(int ticks) { return ticks * 100 / kVerifyTicks; }

std::string FirmwareCaption(std::optional<std::uint8_t> versionByte) {
  if (!versionByte) return "FirmWare:  V1.00";
  // One decimal of byte / 10 is exact, so no rounding is involved; the point
  // is written whatever the locale's separator.
  return "FirmWare:  V_" + std::to_string(*versionByte / 10) + "." +
         std::to_string(*versionByte % 10);
}

}  // namespace zelor::protocol
