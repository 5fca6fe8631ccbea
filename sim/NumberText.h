#pragma once
// Reading the numbers of the simulator's command line.

#include <cctype>
#include <charconv>
#include <cstdint>
#include <string>

namespace zelor::sim {

// Parses all of text as a decimal number within 0..max into out; false (out
// unchanged) for anything else.
inline bool ParseUnsigned(const std::string& text, std::uint64_t max, std::uint64_t& out) {
  if (text.empty()) return false;
  std::uint64_t v = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || ptr != end || v > max) return false;
  out = v;
  return true;
}

// Parses all of text as a plain decimal number ("1.31", "2", no sign or
// exponent) within min..max into out; false (out unchanged) for anything else.
inline bool ParseDecimal(const std::string& text, double min, double max, double& out) {
  if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text.front())) != 0)) return false;
  double v = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, v, std::chars_format::fixed);
  if (ec != std::errc() || ptr != end || v < min || v > max) return false;
  out = v;
  return true;
}

// Splits "A:B" at its one colon; false when there is none or more than one.
inline bool SplitPair(const std::string& text, std::string& a, std::string& b) {
  const auto colon = text.find(':');
  if (colon == std::string::npos || text.find(':', colon + 1) != std::string::npos) return false;
  a = text.substr(0, colon);
  b = text.substr(colon + 1);
  return true;
}

}  // namespace zelor::sim
