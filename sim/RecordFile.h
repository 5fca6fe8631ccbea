#pragma once
// Reader of the simulator's record files (format described in Recorder.h):
// one "<microseconds> <hex byte>" line per byte the simulator received.

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "sim/SimTime.h"

namespace zelor::sim {

// One received byte and when it arrived.
struct RecordedByte {
  SimTime at{};
  std::uint8_t value = 0;
};

class RecordFile {
 public:
  // Parses a record. A last line without its newline is taken as still
  // being written and left out. Returns false and sets `error` (naming the
  // line) at the first malformed line; `out` then holds the lines before it.
  static bool Parse(std::istream& in, std::vector<RecordedByte>& out, std::string& error);

  // Parses the record file at `path` as Parse does; a missing file is an
  // error.
  static bool Load(const std::string& path, std::vector<RecordedByte>& out, std::string& error);

  // The received bytes alone, in order.
  static std::vector<std::uint8_t> Bytes(const std::vector<RecordedByte>& record);
};

}  // namespace zelor::sim
