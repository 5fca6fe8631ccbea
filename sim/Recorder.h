#pragma once
// Records every byte the simulator receives, so that tests can check exactly
// what the configurator sent and in which order.
//
// Record file format: plain text, one line per received byte, in the order
// received:
//     <microseconds since the simulator started> <byte as two hex digits>\n
// e.g. "1502331 73". Bytes that arrived together share their time stamp.
// Lines are flushed as they are written, so the file can be read while the
// simulator runs; RecordFile parses it.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "sim/SimTime.h"

namespace zelor::sim {

class Recorder {
 public:
  Recorder() = default;
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;
  // Closes the file.
  ~Recorder();

  // Creates (or empties) the record file. Returns false and sets `error`
  // when it cannot be created.
  bool Open(const std::string& path, std::string& error);

  // Appends one line per byte, all stamped `at`, and flushes them. Returns
  // false when the file could not be written (the bytes are then lost from
  // the record, not from the device). Does nothing when no file is open.
  bool Record(const std::uint8_t* data, std::size_t size, SimTime at);

  // Closes the file; later Record calls do nothing.
  void Close();

  // True while a file is open.
  bool IsOpen() const { return file_ != nullptr; }

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace zelor::sim
