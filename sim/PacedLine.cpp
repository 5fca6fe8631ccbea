#include "sim/PacedLine.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace zelor::sim {

namespace {

constexpr std::int64_t kMaxLateNs = 50'000'000;

std::int64_t ToNs(SimTime t) { return t.count() * 1000; }

}  // namespace

PacedLine::PacedLine(int fd, std::int64_t byteTimeNs) : fd_(fd), byteTimeNs_(byteTimeNs) {}

void PacedLine::Enqueue(const std::vector<std::uint8_t>& bytes, SimTime now) {
  if (bytes.empty()) return;
  if (queue_.empty()) {
    // An idle line starts the first byte now, or when the byte still on the
    // wire has gone.
    nextDueNs_ = std::max(nextDueNs_, ToNs(now) + byteTimeNs_);
  }
  queue_.insert(queue_.end(), bytes.begin(), bytes.end());
}

bool PacedLine::Pump(SimTime now) {
  const std::int64_t nowNs = ToNs(now);
  if (queue_.empty() || nextDueNs_ > nowNs) return true;
  if (nowNs - nextDueNs_ > kMaxLateNs) nextDueNs_ = nowNs;
  std::vector<std::uint8_t> due;
  while (!queue_.empty() && nextDueNs_ <= nowNs) {
    due.push_back(queue_.front());
    queue_.pop_front();
    nextDueNs_ += byteTimeNs_;
  }
  std::size_t off = 0;
  while (off < due.size()) {
    const ssize_t n = ::write(fd_, due.data() + off, due.size() - off);
    if (n > 0) {
      off += static_cast<std::size_t>(n);
      written_ += static_cast<std::uint64_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      dropped_ += due.size() - off;
      return true;
    }
    dropped_ += due.size() - off;
    return false;
  }
  return true;
}

std::optional<SimTime> PacedLine::NextDue() const {
  if (queue_.empty()) return std::nullopt;
  return SimTime{(nextDueNs_ + 999) / 1000};
}

}  // namespace zelor::sim
