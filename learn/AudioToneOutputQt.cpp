// The beeper's audio output through Qt Multimedia: a QAudioSink stream,
// opened on the beeper's thread at the first call of a run and closed by End.

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QByteArray>
#include <QEventLoop>
#include <QIODevice>
#include <QMediaDevices>
#include <QPointer>
#include <algorithm>
#include <chrono>

#include "learn/AudioToneOutput.h"
#include "learn/Tone.h"

namespace zelor {
namespace {

// About a third of full scale: clearly audible, never harsh.
constexpr int kAmplitude = 10000;
// How often a full stream is offered more samples.
constexpr int kFeedPollMs = 5;

QByteArray Bytes(const std::vector<std::int16_t>& samples) {
  return QByteArray(reinterpret_cast<const char*>(samples.data()),
                    static_cast<qsizetype>(samples.size() * sizeof(std::int16_t)));
}

class QtAudioToneOutput final : public AudioToneOutput {
 public:
  QtAudioToneOutput();

  void Play(int frequencyHz, int durationMs, std::stop_token stop) override;
  void Rest(int durationMs, std::stop_token stop) override;
  void End() override;
  bool HasDevice() const override { return !device_.isNull(); }

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

}  // namespace

std::unique_ptr<AudioToneOutput> AudioToneOutput::ForDefaultDevice() {
  return std::make_unique<QtAudioToneOutput>();
}

QtAudioToneOutput::QtAudioToneOutput() : device_(QMediaDevices::defaultAudioOutput()) {
  format_.setSampleRate(kToneSampleRate);
  format_.setChannelCount(1);
  format_.setSampleFormat(QAudioFormat::Int16);
}

bool QtAudioToneOutput::Open() {
  if (input_) return true;
  if (failed_ || device_.isNull()) return false;
  // The loop gives this thread the event dispatcher the stream's timers and
  // signals need.
  events_ = std::make_unique<QEventLoop>();
  sink_ = std::make_unique<QAudioSink>(device_, format_);
  input_ = sink_->start();
  failed_ = !input_ || sink_->error() != QAudio::NoError;
  return !failed_;
}

void QtAudioToneOutput::Feed(const QByteArray& bytes, int durationMs, const std::stop_token& stop) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(durationMs);
  qsizetype written = 0;
  while (written < bytes.size() && !stop.stop_requested()) {
    if (!input_ || sink_->error() != QAudio::NoError) {
      failed_ = true;  // the rest of the run is silent
      break;
    }
    const qsizetype room = std::min<qsizetype>(bytes.size() - written, sink_->bytesFree());
    if (room > 0) {
      const qint64 n = input_->write(bytes.constData() + written, room);
      if (n < 0) {
        failed_ = true;
        break;
      }
      written += n;
    }
    events_->processEvents();
    if (written < bytes.size()) WaitSilently(kFeedPollMs, stop);
  }
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
  WaitSilently(static_cast<int>(left.count()), stop);
}

void QtAudioToneOutput::Play(int frequencyHz, int durationMs, std::stop_token stop) {
  if (stop.stop_requested()) return;
  if (!Open()) return WaitSilently(durationMs, stop);
  Feed(Bytes(ToneSamples(frequencyHz, durationMs, kToneSampleRate, kAmplitude)), durationMs, stop);
}

void QtAudioToneOutput::Rest(int durationMs, std::stop_token stop) {
  if (stop.stop_requested()) return;
  // Silence keeps an open stream flowing; without one a rest is a wait.
  if (!input_) return WaitSilently(durationMs, stop);
  const qsizetype size = qsizetype(kToneSampleRate) * durationMs / 1000 * sizeof(std::int16_t);
  Feed(QByteArray(size, '\0'), durationMs, stop);
}

void QtAudioToneOutput::End() {
  if (sink_) sink_->stop();
  input_.clear();
  sink_.reset();
  events_.reset();
  failed_ = false;
}

}  // namespace zelor
