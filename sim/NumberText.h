#pragma once
// Reading the numbers of the simulator's command line.

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

}  // namespace zelor::sim
