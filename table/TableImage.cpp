#include "table/TableImage.h"

#include <limits>
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
  if (den == -1) {
    // The one quotient that does not fit: -INT64_MIN.
    if (num == std::numeric_limits<std::int64_t>::min())
      throw std::overflow_error("RoundHalfEven: quotient out of range");
    return -num;
  }
  // Truncated quotient and a remainder with the sign of num; with |den| >= 2
  // neither overflows, and |q| <= 2^62 leaves room for the step below.
  std::int64_t q = num / den;
  const std::int64_t r = num % den;
  if (r == 0) return q;
  // Compare |r| / |den| with one half in unsigned arithmetic: |den| may be
  // 2^63, and 2 |r| <= 2^64 - 2.
  const auto magnitude = [](std::int64_t v) {
    return v < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  };
  const std::uint64_t twice = magnitude(r) * 2;
  const std::uint64_t whole = magnitude(den);
  if (twice > whole || (twice == whole && q % 2 != 0)) q += (num < 0) != (den < 0) ? -1 : 1;
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
