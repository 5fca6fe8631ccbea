#include "learn/ToneOutput.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace zelor {

void WaitSilently(int durationMs, const std::stop_token& stop) {
  if (durationMs <= 0) return;
  std::mutex mutex;
  std::condition_variable_any woken;
  std::unique_lock<std::mutex> lock(mutex);
  // Only a stop request ends the wait early; the predicate is the request.
  woken.wait_for(lock, stop, std::chrono::milliseconds(durationMs), [] { return false; });
}

void ToneOutput::Rest(int durationMs, std::stop_token stop) { WaitSilently(durationMs, stop); }

void SilentToneOutput::Play(int, int durationMs, std::stop_token stop) {
  WaitSilently(durationMs, stop);
}

LoggingToneOutput::LoggingToneOutput(std::unique_ptr<ToneOutput> output, std::FILE* log)
    : output_(std::move(output)), log_(log) {}

void LoggingToneOutput::Play(int frequencyHz, int durationMs, std::stop_token stop) {
  std::fprintf(log_, "tone %d Hz %d ms\n", frequencyHz, durationMs);
  std::fflush(log_);
  output_->Play(frequencyHz, durationMs, std::move(stop));
}

void LoggingToneOutput::Rest(int durationMs, std::stop_token stop) {
  std::fprintf(log_, "rest %d ms\n", durationMs);
  std::fflush(log_);
  output_->Rest(durationMs, std::move(stop));
}

}  // namespace zelor
