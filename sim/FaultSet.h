#pragma once
// The faulty behaviours the simulator can reproduce, each chosen by name on
// the command line (--fault NAME, repeatable). A fault that takes a number is
// written NAME=N.
//
//   silent              answers nothing at all: no table, no version, no frames
//   short-table         answers "sr" with the 256 table bytes only
//   extra-bytes         answers "sr" with 300 bytes: the 257 of the reply, then
//                       43 more, then falls silent
//   tail=N              answers "sr" with the 257 bytes of the reply, then N
//                       more (at most 100000) counting 0, 1, ..., 254, 0, ...
//                       (never 255), then falls silent
//   no-version          does not answer "v"
//   version-zero        answers "v" with 0
//   ignore-write        takes "sw" but keeps the old table
//   corrupt-readback=K  a written table is stored with cell K (0..255) changed
//                       (its lowest bit flipped), so the read-back differs there
//   keep-talking        after the "sr" reply keeps sending a byte every 10 ms
//                       until the next byte arrives from the configurator
//   ignore-stop         a running stream goes on through "s" (and through the
//                       "r" after it): only the end of the simulator ends it
//   stall-after=N       each stream stops sending after N frames (the stream
//                       stays on, silent, until "s")
//   drop-byte-after=N   each stream loses one byte (the first of frame N + 1),
//                       so every later frame is shifted by one byte
//   hangup-after=N      after N frames of a stream the simulator closes its
//                       pseudo-terminal, as an unplugged adapter does, and exits

#include <cstdint>
#include <optional>
#include <string>

namespace zelor::sim {

class FaultSet {
 public:
  // Adds the fault written as `text` ("name" or "name=N"). Returns false and
  // sets `error` for an unknown name or a missing or bad number; the set is
  // then unchanged.
  bool Add(const std::string& text, std::string& error);

  // True when no fault is chosen.
  bool None() const;

  bool silent = false;
  bool shortTable = false;
  bool extraBytes = false;
  bool noVersion = false;
  bool versionZero = false;
  bool ignoreWrite = false;
  std::optional<int> corruptReadback;  // cell index 0..255
  std::optional<std::uint64_t> tail;   // bytes after the "sr" reply
  bool keepTalking = false;
  bool ignoreStop = false;
  std::optional<std::uint64_t> stallAfter;  // frames per stream
  std::optional<std::uint64_t> dropByteAfter;
  std::optional<std::uint64_t> hangupAfter;
};

}  // namespace zelor::sim
