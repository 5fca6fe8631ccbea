#include "table/CellText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>

namespace zelor {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

[[noreturn]] void ThrowNotInteger(const std::string& text, CellPlace place) {
  throw ConversionError("'" + text + "' is not a valid integer value", place);
}

[[noreturn]] void ThrowNotNumber(const std::string& text, CellPlace place) {
  throw ConversionError("'" + text + "' is not a valid floating point value", place);
}

// Advances `pos` over a run of digits; returns how many there were.
std::size_t SkipDigits(const std::string& text, std::size_t& pos) {
  const std::size_t start = pos;
  while (pos < text.size() && IsDigit(text[pos])) ++pos;
  return pos - start;
}

}  // namespace

std::optional<int> IntegerOf(std::string_view text) {
  std::size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  if (pos == text.size()) return std::nullopt;

  // Accumulate the magnitude, stopping as soon as it can no longer fit:
  // the largest magnitude allowed is 2^31 for a negative value.
  const std::int64_t limit =
      negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
               : static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max());
  std::int64_t magnitude = 0;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (!IsDigit(c)) return std::nullopt;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > limit) return std::nullopt;
  }
  return static_cast<int>(negative ? -magnitude : magnitude);
}

int ParseInteger(const std::string& text, CellPlace place) {
  const std::optional<int> value = IntegerOf(text);
  if (!value) ThrowNotInteger(text, place);
  return *value;
}

double ParseNumber(const std::string& text, CellPlace place) {
  // Check the shape first, then hand a normalised copy ('.' as separator,
  // no '+') to the locale-independent converter.
  std::size_t pos = 0;
  std::string normalised;
  normalised.reserve(text.size());
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    if (text[pos] == '-') normalised.push_back('-');
    ++pos;
  }
  std::size_t digitsStart = pos;
  if (SkipDigits(text, pos) == 0) ThrowNotNumber(text, place);
  normalised.append(text, digitsStart, pos - digitsStart);

  if (pos < text.size() && (text[pos] == '.' || text[pos] == ',')) {
    ++pos;
    digitsStart = pos;
    if (SkipDigits(text, pos) == 0) ThrowNotNumber(text, place);
    normalised.push_back('.');
    normalised.append(text, digitsStart, pos - digitsStart);
  }

  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    const std::size_t exponentStart = pos;
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
    if (SkipDigits(text, pos) == 0) ThrowNotNumber(text, place);
    normalised.append(text, exponentStart, pos - exponentStart);
  }

  if (pos != text.size()) ThrowNotNumber(text, place);

  double value = 0.0;
  const char* first = normalised.data();
  const char* last = first + normalised.size();
  const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (ec != std::errc() || end != last || !std::isfinite(value)) ThrowNotNumber(text, place);
  return value;
}

std::string CellRangeMessage(int index, const std::string& text, bool english) {
  const std::string i = std::to_string(index);
  if (english)
    return "Cell MAF=" + i + " holds '" + text +
           "': the value is outside 0..255. The table was not written.";
  return "Ячейка MAF=" + i + " содержит '" + text +
         "': значение вне диапазона 0..255. Таблица не записана.";
}

std::optional<std::uint8_t> CellByteOf(std::string_view text) {
  const std::optional<int> value = IntegerOf(text);
  if (!value || *value < 0 || *value > 255) return std::nullopt;
  return static_cast<std::uint8_t>(*value);
}

std::uint8_t CellByte(int index, const std::string& text, bool english, const void* table) {
  const int value = ParseInteger(text, {table, index});
  if (value < 0 || value > 255)
    throw CellRangeError(index, text, CellRangeMessage(index, text, english), table);
  return static_cast<std::uint8_t>(value);
}

}  // namespace zelor
