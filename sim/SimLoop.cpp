#include "sim/SimLoop.h"

#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace zelor::sim {

namespace {

// Longest wait of Run between two checks of keepGoing.
constexpr SimTime kRunWait{20'000};

timespec ToTimespec(SimTime t) {
  const auto us = std::max<std::int64_t>(0, t.count());
  return timespec{static_cast<time_t>(us / 1'000'000), static_cast<long>((us % 1'000'000) * 1000)};
}

}  // namespace

SimLoop::SimLoop(int masterFd, ConverterDevice& device, Recorder* recorder,
                 std::chrono::steady_clock::time_point start)
    : fd_(masterFd),
      device_(device),
      recorder_(recorder),
      start_(start),
      line_(masterFd, kByteTimeNs / device.Speed()) {}

SimTime SimLoop::Now() const {
  return std::chrono::duration_cast<SimTime>(std::chrono::steady_clock::now() - start_);
}

SimLoop::Status SimLoop::RunOnce(SimTime maxWait) {
  SimTime now = Now();
  SimTime until = now + maxWait;
  if (auto d = device_.NextDeadline()) until = std::min(until, *d);
  if (auto d = line_.NextDue()) until = std::min(until, *d);

  pollfd p{fd_, POLLIN, 0};
  const timespec wait = ToTimespec(until - now);
  const int r = ::ppoll(&p, 1, &wait, nullptr);
  if (r < 0 && errno != EINTR) return Status::kPortError;
  now = Now();

  if (r > 0 && (p.revents & POLLIN)) {
    std::uint8_t buf[1024];
    for (;;) {
      const ssize_t n = ::read(fd_, buf, sizeof buf);
      if (n > 0) {
        if (recorder_ != nullptr) recorder_->Record(buf, static_cast<std::size_t>(n), now);
        device_.Receive(buf, static_cast<std::size_t>(n), now);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      break;  // drained (EAGAIN), or nothing to read right now
    }
  } else if (r > 0 && (p.revents & POLLNVAL)) {
    return Status::kPortError;
  } else if (r > 0 && (p.revents & (POLLHUP | POLLERR))) {
    // No slave side open (the port's holder is gone): nothing can arrive;
    // do not spin on the hang-up.
    const timespec pause = ToTimespec(std::min(until - now, SimTime{10'000}));
    ::nanosleep(&pause, nullptr);
    now = Now();
  }

  device_.Advance(now);
  line_.Enqueue(device_.TakeOutput(), now);
  if (!line_.Pump(now)) return Status::kPortError;
  if (device_.HangupRequested() && line_.Pending() == 0) return Status::kHangup;
  return Status::kRunning;
}

SimLoop::Status SimLoop::Run(const std::function<bool()>& keepGoing) {
  while (keepGoing()) {
    const Status s = RunOnce(kRunWait);
    if (s != Status::kRunning) return s;
  }
  return Status::kRunning;
}

}  // namespace zelor::sim
