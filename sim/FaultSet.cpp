#include "sim/FaultSet.h"

#include <charconv>
#include <limits>

namespace zelor::sim {

namespace {

// Parses all of `text` as a decimal number within 0..max.
bool ParseNumber(const std::string& text, std::uint64_t max, std::uint64_t& out) {
  if (text.empty()) return false;
  std::uint64_t v = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || ptr != end || v > max) return false;
  out = v;
  return true;
}

}  // namespace

bool FaultSet::Add(const std::string& text, std::string& error) {
  const auto eq = text.find('=');
  const std::string name = text.substr(0, eq);
  const bool hasValue = eq != std::string::npos;
  const std::string value = hasValue ? text.substr(eq + 1) : std::string();

  struct Flag {
    const char* name;
    bool FaultSet::*member;
  };
  static const Flag kFlags[] = {
      {"silent", &FaultSet::silent},           {"short-table", &FaultSet::shortTable},
      {"extra-bytes", &FaultSet::extraBytes},  {"no-version", &FaultSet::noVersion},
      {"version-zero", &FaultSet::versionZero}, {"ignore-write", &FaultSet::ignoreWrite},
      {"keep-talking", &FaultSet::keepTalking},
  };
  for (const Flag& f : kFlags) {
    if (name == f.name) {
      if (hasValue) {
        error = "fault '" + name + "' takes no value";
        return false;
      }
      this->*(f.member) = true;
      return true;
    }
  }

  struct Counted {
    const char* name;
    std::optional<std::uint64_t> FaultSet::*member;
  };
  static const Counted kCounted[] = {
      {"stall-after", &FaultSet::stallAfter},
      {"drop-byte-after", &FaultSet::dropByteAfter},
      {"hangup-after", &FaultSet::hangupAfter},
  };
  const std::uint64_t kMaxFrames = std::numeric_limits<std::uint32_t>::max();
  for (const Counted& f : kCounted) {
    if (name == f.name) {
      std::uint64_t n = 0;
      if (!hasValue || !ParseNumber(value, kMaxFrames, n)) {
        error = "fault '" + name + "' needs a frame count: " + name + "=N";
        return false;
      }
      this->*(f.member) = n;
      return true;
    }
  }

  if (name == "corrupt-readback") {
    std::uint64_t k = 0;
    if (!hasValue || !ParseNumber(value, 255, k)) {
      error = "fault 'corrupt-readback' needs a cell index 0..255: corrupt-readback=K";
      return false;
    }
    corruptReadback = static_cast<int>(k);
    return true;
  }

  error = "unknown fault '" + name + "'";
  return false;
}

bool FaultSet::None() const {
  return !silent && !shortTable && !extraBytes && !noVersion && !versionZero && !ignoreWrite &&
         !corruptReadback && !keepTalking && !stallAfter && !dropByteAfter && !hangupAfter;
}

}  // namespace zelor::sim
