#include "link/Correction.h"

#include <algorithm>
#include <cstdlib>

#include "link/Protocol.h"

namespace zelor {
namespace {

std::uint8_t Byte(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

}  // namespace

int CorrectedCell(int value, int correction) {
  // Widened: a cell may hold any 32-bit integer.
  const long long sum = static_cast<long long>(value) + correction;
  return static_cast<int>(std::clamp(sum, 0LL, 255LL));
}

std::array<std::uint8_t, kCorrectionRangeFrameSize> CorrectionRangeFrame(int begin, int end) {
  return {protocol::kCorrectionRange, Byte(begin), Byte(end)};
}

std::array<std::uint8_t, kCorrectionStepFrameSize> CorrectionStepFrame(int correction) {
  const long long magnitude = std::llabs(static_cast<long long>(correction));
  return {protocol::kCorrectionStep, static_cast<std::uint8_t>(std::min(magnitude, 255LL)),
          static_cast<std::uint8_t>(correction < 0 ? 1 : 0)};
}

std::array<std::uint8_t, kLiveTableUpdateFrameSize> LiveTableUpdateFrame(
    const std::array<std::uint8_t, kCellCount>& cells, const TableSettings& settings) {
  std::array<std::uint8_t, kLiveTableUpdateFrameSize> frame{};
  frame[0] = protocol::kLiveTableUpdate;
  const auto image = EncodeTableImage(cells, settings);
  std::copy(image.begin(), image.end(), frame.begin() + 1);
  return frame;
}

}  // namespace zelor
