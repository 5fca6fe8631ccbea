#pragma once
// The device's side of the serial line: bytes given to it go out on a file
// descriptor at the pace of a 9600 baud 8N1 line, one byte per 10 bit times
// (about 1.04 ms), or of a line as many times faster as the stream is sped
// up. A byte is written when its last bit would have arrived, so the first
// byte of a reply to an idle line appears one byte time after it was queued.
// When the owner is woken late, every byte that is due goes out in one
// write, so the average pace stays that of the line; after a stall of more
// than 50 ms the pace starts afresh instead of bursting.
//
// A line does not wait for its listener: when the descriptor cannot take a
// byte (nobody reads the port and its buffer is full), the byte is lost.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "sim/SimTime.h"

namespace zelor::sim {

class PacedLine {
 public:
  // A line that writes to `fd` (not owned; best non-blocking), a byte every
  // `byteTimeNs`.
  explicit PacedLine(int fd, std::int64_t byteTimeNs = kByteTimeNs);

  // Queues bytes handed over at `now` behind any still waiting.
  void Enqueue(const std::vector<std::uint8_t>& bytes, SimTime now);

  // Writes every queued byte due by `now`. Returns false when the
  // descriptor failed for another reason than a full buffer.
  bool Pump(SimTime now);

  // When the next queued byte is due, if any is queued.
  std::optional<SimTime> NextDue() const;

  // Bytes queued and not yet written.
  std::size_t Pending() const { return queue_.size(); }

  // Bytes written so far.
  std::uint64_t Written() const { return written_; }

  // Bytes lost because the descriptor could not take them.
  std::uint64_t Dropped() const { return dropped_; }

 private:
  int fd_;
  std::int64_t byteTimeNs_;
  std::deque<std::uint8_t> queue_;
  std::int64_t nextDueNs_ = 0;  // completion time of the queue's first byte
  std::uint64_t written_ = 0;
  std::uint64_t dropped_ = 0;
};

}  // namespace zelor::sim
