#pragma once
// The beeper's tones on the computer's default audio output, through Qt
// Multimedia: one QAudioSink stream per run of the beeper, fed with the
// generated sine of each tone and with silence during rests, so that the
// stream never runs dry and every tone, however short, is heard whole.

#include <QAudioDevice>
#include <QAudioFormat>
#include <QByteArray>
#include <QPointer>
#include <chrono>
#include <memory>

#include "learn/ToneOutput.h"

class QAudioSink;
class QEventLoop;
class QIODevice;

namespace zelor {

class AudioToneOutput final : public ToneOutput {
 public:
  // Looks up the default output. Call it on the GUI thread: Qt's audio
  // services then belong to that thread, not to the beeper's.
  AudioToneOutput();
  ~AudioToneOutput() override;

  // Called from the beeper's thread; the stream is opened there at the
  // first call of a run and closed by End. Each call lasts its length (a
  // little longer when the stream's buffer is full); with no output, or one
  // that fails, it lasts its length in silence.
  void Play(int frequencyHz, int durationMs, std::stop_token stop) override;
  void Rest(int durationMs, std::stop_token stop) override;
  void End() override;

  // True when a default output was found.
  bool HasDevice() const { return !device_.isNull(); }

 private:
  // Opens the stream unless it is open or has failed in this run.
  bool Open();
  // Feeds bytes into the stream, then waits out the rest of durationMs.
  void Feed(const QByteArray& bytes, int durationMs, const std::stop_token& stop);

  QAudioDevice device_;
  QAudioFormat format_;
  // The run's stream, on the beeper's thread.
  std::unique_ptr<QEventLoop> events_;
  std::unique_ptr<QAudioSink> sink_;
  QPointer<QIODevice> input_;
  bool failed_ = false;
};

// The window's tone output: the default audio output; with the environment
// variable ZELOR_TONE_LOG set, every tone and rest is also written to the
// standard error (for a machine without sound). Call on the GUI thread.
std::unique_ptr<ToneOutput> MakeToneOutput();

}  // namespace zelor
