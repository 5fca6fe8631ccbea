#pragma once
// A tone output for tests: records every tone and rest in order and returns
// at once (or, paced, after the call's length in silence), until it holds
// `limit` calls; from then on each call waits until the beeper is told to
// stop (so a test sees an exact prefix of the sound, and a beeper that
// ignored its stop request would never end).

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <limits>
#include <mutex>
#include <vector>

#include "learn/ToneOutput.h"

namespace zelor::testing {

class RecordingTones final : public ToneOutput {
 public:
  // One call: a tone of frequencyHz, or a rest (frequencyHz 0).
  struct Call {
    int frequencyHz = 0;
    int ms = 0;
    bool operator==(const Call&) const = default;
  };

  explicit RecordingTones(std::size_t limit = std::numeric_limits<std::size_t>::max(),
                          bool paced = false)
      : limit_(limit), paced_(paced) {}

  void Play(int frequencyHz, int durationMs, std::stop_token stop) override {
    Record({frequencyHz, durationMs}, stop);
  }
  void Rest(int durationMs, std::stop_token stop) override { Record({0, durationMs}, stop); }

  // The calls so far.
  std::vector<Call> Calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }

  // Waits (at most a hang guard) until at least n calls were made.
  bool WaitForCalls(std::size_t n) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(20), [&] { return calls_.size() >= n; });
  }

 private:
  void Record(Call call, const std::stop_token& stop) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      calls_.push_back(call);
      changed_.notify_all();
      if (calls_.size() >= limit_) {
        std::condition_variable_any stopped;
        stopped.wait(lock, stop, [] { return false; });
      }
    }
    if (paced_) WaitSilently(call.ms, stop);
  }

  const std::size_t limit_;
  const bool paced_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<Call> calls_;
};

}  // namespace zelor::testing
