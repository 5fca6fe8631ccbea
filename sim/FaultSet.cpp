#include "sim/FaultSet.h"
#include "sim/NumberText.h"

#include <limits>

namespace zelor::sim {

namespace {

// The longest tail after the table reply, about 104 s of line time.
constexpr std::uint64_t kMaxTail = 100'000;

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
      {"silent", &FaultSet::silent},
      {"short-table", &FaultSet::shortTable},
      {"extra-bytes", &FaultSet::extraBytes},
      {"no-version", &FaultSet::noVersion},
      {"version-zero", &FaultSet::versionZero},
      {"ignore-write", &FaultSet::ignoreWrite},
      {"keep-talking", &FaultSet::keepTalking},
      {"ignore-stop", &FaultSet::ignoreStop},
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
      if (!hasValue || !ParseUnsigned(value, kMaxFrames, n)) {
        error = "fault '" + name + "' needs a frame count: " + name + "=N";
        return false;
      }
      this->*(f.member) = n;
      return true;
    }
  }

  if (name == "corrupt-readback") {
    std::uint64_t k = 0;
    if (!hasValue || !ParseUnsigned(value, 255, k)) {
      error = "fault 'corrupt-readback' needs a cell index 0..255: corrupt-readback=K";
      return false;
    }
    corruptReadback = static_cast<int>(k);
    return true;
  }

  if (name == "tail") {
    std::uint64_t n = 0;
    if (!hasValue || !ParseUnsigned(value, kMaxTail, n)) {
      error = "fault 'tail' needs a byte count 0..100000: tail=N";
      return false;
    }
    tail = n;
    return true;
  }

  error = "unknown fault '" + name + "'";
  return false;
}

bool FaultSet::None() const {
  return !silent && !shortTable && !extraBytes && !noVersion && !versionZero && !ignoreWrite &&
         !corruptReadback && !tail && !keepTalking && !ignoreStop && !stallAfter &&
         !dropByteAfter && !hangupAfter;
}

}  // namespace zelor::sim
