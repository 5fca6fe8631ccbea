#include "table/TableImage.h"

#include <stdexcept>

namespace zelor {

namespace {

// Setting indices as stored.
constexpr int kEnrichment = 2;

// 1 % on the converter scale is kScaleNum / kScaleDen steps (1.28).
constexpr std::int64_t kScaleNum = 32;
constexpr std::int64_t kScaleDen = 25;
constexpr std::int64_t kEnrichmentOffset = 128;

}  // namespace

std::int64_t RoundHalfEven(std::int64_t num, std::int64_t den) {
  if (den == 0) throw std::invalid_argument("RoundHalfEven: zero denominator");
  if (den < 0) {
    num = -num;
    den = -den;
  }
  // Floor quotient and a remainder in 0..den-1.
  std::int64_t q = num / den;
  std::int64_t r = num % den;
  if (r < 0) {
    q -= 1;
    r += den;
  }
  // Compare the fraction r/den with one half without overflow.
  const std::int64_t twice = r * 2;
  if (twice > den || (twice == den && (q % 2 != 0))) q += 1;
  return q;
}

std::uint8_t EncodeSetting(int index, int value) {
  const std::int64_t v = ClampSetting(index, value);
  switch (index) {
    case 0:
    case 1: return static_cast<std::uint8_t>(v);
    case kEnrichment:
      return static_cast<std::uint8_t>(RoundHalfEven(v * kScaleNum, kScaleDen) + kEnrichmentOffset);
    default: return static_cast<std::uint8_t>(RoundHalfEven(v * kScaleNum, kScaleDen));
  }
}

int DecodeSetting(int index, std::uint8_t byte) {
  const std::int64_t b = byte;
  std::int64_t value = 0;
  switch (index) {
    case 0:
    case 1: value = b; break;
    case kEnrichment: value = RoundHalfEven((b - kEnrichmentOffset) * kScaleDen, kScaleNum); break;
    default: value = RoundHalfEven(b * kScaleDen, kScaleNum); break;
  }
  return ClampSetting(index, static_cast<int>(value));
}

std::array<std::uint8_t, kTableImageSize> EncodeTableImage(
    const std::array<std::uint8_t, kCellCount>& cells, const TableSettings& settings) {
  std::array<std::uint8_t, kTableImageSize> image{};
  for (std::size_t i = 0; i < kCellCount; ++i) image[i] = cells[i];
  for (int s = 0; s < kSettingCount; ++s)
    image[kCellCount + static_cast<std::size_t>(s)] = EncodeSetting(s, settings.Get(s));
  return image;
}

std::array<std::uint8_t, kCellCount> DecodeCells(const std::vector<std::uint8_t>& fileBytes) {
  std::array<std::uint8_t, kCellCount> cells{};
  std::uint8_t last = 0;
  for (std::size_t i = 0; i < kCellCount; ++i) {
    if (i < fileBytes.size()) last = fileBytes[i];
    cells[i] = last;
  }
  return cells;
}

DecodedTable DecodeTableImage(const std::vector<std::uint8_t>& fileBytes) {
  DecodedTable table;
  table.cells = DecodeCells(fileBytes);
  for (int s = 0; s < kSettingCount; ++s) {
    const std::size_t offset = kCellCount + static_cast<std::size_t>(s);
    if (offset < fileBytes.size()) table.settings.Set(s, DecodeSetting(s, fileBytes[offset]));
  }
  return table;
}

std::array<std::uint8_t, kCompareImageSize> EncodeCompareImage(
    const std::array<std::uint8_t, kCellCount>& cells) {
  std::array<std::uint8_t, kCompareImageSize> image{};
  for (std::size_t i = 0; i < kCellCount; ++i) image[i] = cells[i];
  image[kCellCount] = 1;
  return image;
}

std::array<std::uint8_t, kCellCount> DecodeCompareImage(
    const std::vector<std::uint8_t>& fileBytes) {
  return DecodeCells(fileBytes);
}

}  // namespace zelor
