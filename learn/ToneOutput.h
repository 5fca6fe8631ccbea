#pragma once
// Where the beeper's tones go. The beeper thread calls these; each call
// blocks for as long as its sound lasts and returns early once `stop` is
// requested (Stop, the window's close), so the thread ends at once.

#include <cstdio>
#include <memory>
#include <stop_token>

namespace zelor {

class ToneOutput {
 public:
  virtual ~ToneOutput() = default;

  // Plays a sine of frequencyHz for durationMs and returns when it has
  // ended. Where no sound can be made it still lasts durationMs, in silence.
  virtual void Play(int frequencyHz, int durationMs, std::stop_token stop) = 0;

  // Keeps silent for durationMs: a timed wait, never a busy one.
  virtual void Rest(int durationMs, std::stop_token stop);

  // The beeper's run is over: releases what the calls set up on its thread.
  // Called on that thread, last.
  virtual void End() {}
};

// Waits durationMs on a condition variable, or less when stop is requested.
void WaitSilently(int durationMs, const std::stop_token& stop);

// An output without sound: every tone is a silence of its length.
class SilentToneOutput final : public ToneOutput {
 public:
  void Play(int frequencyHz, int durationMs, std::stop_token stop) override;
};

// Passes everything on to another output and writes one line per call to
// `log` ("tone 800 Hz 204 ms", "rest 204 ms"): shows the beeper at work on a
// machine without sound.
class LoggingToneOutput final : public ToneOutput {
 public:
  LoggingToneOutput(std::unique_ptr<ToneOutput> output, std::FILE* log);
  void Play(int frequencyHz, int durationMs, std::stop_token stop) override;
  void Rest(int durationMs, std::stop_token stop) override;
  void End() override { output_->End(); }

 private:
  std::unique_ptr<ToneOutput> output_;
  std::FILE* log_;
};

}  // namespace zelor
