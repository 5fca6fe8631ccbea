// The beeper's audio output on Windows through WinMM: a waveOut stream on
// the default device (WAVE_MAPPER), opened on the beeper's thread at the
// first call of a run and closed by End. Each tone or rest is one buffer
// queued behind the others. The stream is kept a short lead ahead of the
// calls: a call returns when its buffer is due to end less that lead, so
// the next buffer is queued before the device runs dry and steady tones
// join without a gap. The calls follow the stream's own schedule, so their
// lengths add up to the audio's, however late a wait wakes.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// mmsystem.h needs windows.h first.
#include <mmsystem.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <list>
#include <vector>

#include "learn/AudioToneOutput.h"
#include "learn/Tone.h"

namespace zelor {
namespace {

using Clock = std::chrono::steady_clock;

// About a third of full scale: clearly audible, never harsh.
constexpr int kAmplitude = 10000;
// How far the queued audio runs ahead of the calls.
constexpr int kLeadMs = 60;

class WinMmToneOutput final : public AudioToneOutput {
 public:
  WinMmToneOutput() : hasDevice_(::waveOutGetNumDevs() > 0) {}
  ~WinMmToneOutput() override { End(); }

  void Play(int frequencyHz, int durationMs, std::stop_token stop) override;
  void Rest(int durationMs, std::stop_token stop) override;
  void End() override;
  bool HasDevice() const override { return hasDevice_; }

 private:
  // One queued buffer; WinMM reads it until it marks the header done.
  struct Buffer {
    std::vector<std::int16_t> samples;
    WAVEHDR header{};
  };

  // Opens the stream unless it is open or has failed in this run; the lead
  // goes in first, as silence.
  bool Open();
  // Queues samples lasting durationMs and waits until they are due to end,
  // less the lead. A stream that fails makes the rest of the run silent.
  void Queue(std::vector<std::int16_t> samples, int durationMs, const std::stop_token& stop);
  bool Write(std::vector<std::int16_t> samples);
  // Releases the buffers WinMM has finished with.
  void Reclaim();

  bool hasDevice_;
  HWAVEOUT out_ = nullptr;
  bool failed_ = false;
  std::list<Buffer> buffers_;
  // When the audio queued so far is due to end.
  Clock::time_point queuedEnd_;
};

std::vector<std::int16_t> Silence(int durationMs) {
  return std::vector<std::int16_t>(static_cast<std::size_t>(kToneSampleRate) * durationMs / 1000,
                                   0);
}

bool WinMmToneOutput::Open() {
  if (out_ != nullptr) return true;
  if (failed_ || !hasDevice_) return false;
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 1;
  format.nSamplesPerSec = kToneSampleRate;
  format.wBitsPerSample = 16;
  format.nBlockAlign = static_cast<WORD>(format.nChannels * format.wBitsPerSample / 8);
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  if (::waveOutOpen(&out_, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
    out_ = nullptr;
    failed_ = true;
    return false;
  }
  queuedEnd_ = Clock::now();
  if (!Write(Silence(kLeadMs))) return false;
  queuedEnd_ += std::chrono::milliseconds(kLeadMs);
  return true;
}

bool WinMmToneOutput::Write(std::vector<std::int16_t> samples) {
  Reclaim();
  Buffer& buffer = buffers_.emplace_back();
  buffer.samples = std::move(samples);
  buffer.header.lpData = reinterpret_cast<LPSTR>(buffer.samples.data());
  buffer.header.dwBufferLength = static_cast<DWORD>(buffer.samples.size() * sizeof(std::int16_t));
  if (::waveOutPrepareHeader(out_, &buffer.header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
    buffers_.pop_back();
    failed_ = true;
    return false;
  }
  if (::waveOutWrite(out_, &buffer.header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
    ::waveOutUnprepareHeader(out_, &buffer.header, sizeof(WAVEHDR));
    buffers_.pop_back();
    failed_ = true;
    return false;
  }
  return true;
}

void WinMmToneOutput::Reclaim() {
  for (auto it = buffers_.begin(); it != buffers_.end();) {
    if ((it->header.dwFlags & WHDR_DONE) == 0) {
      ++it;
      continue;
    }
    ::waveOutUnprepareHeader(out_, &it->header, sizeof(WAVEHDR));
    it = buffers_.erase(it);
  }
}

void WinMmToneOutput::Queue(std::vector<std::int16_t> samples, int durationMs,
                            const std::stop_token& stop) {
  const auto now = Clock::now();
  if (failed_ || !Write(std::move(samples))) return WaitSilently(durationMs, stop);
  // After a late call the device has run dry: the buffer starts now.
  queuedEnd_ = std::max(queuedEnd_, now) + std::chrono::milliseconds(durationMs);
  const auto due = queuedEnd_ - std::chrono::milliseconds(kLeadMs);
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now());
  WaitSilently(static_cast<int>(left.count()), stop);
}

void WinMmToneOutput::Play(int frequencyHz, int durationMs, std::stop_token stop) {
  if (stop.stop_requested()) return;
  if (!Open()) return WaitSilently(durationMs, stop);
  Queue(ToneSamples(frequencyHz, durationMs, kToneSampleRate, kAmplitude), durationMs, stop);
}

void WinMmToneOutput::Rest(int durationMs, std::stop_token stop) {
  if (stop.stop_requested()) return;
  // Silence keeps an open stream flowing; without one a rest is a wait.
  if (out_ == nullptr) return WaitSilently(durationMs, stop);
  Queue(Silence(durationMs), durationMs, stop);
}

void WinMmToneOutput::End() {
  if (out_ != nullptr) {
    // Stops at once and hands every buffer back, marked done.
    ::waveOutReset(out_);
    Reclaim();
    ::waveOutClose(out_);
    out_ = nullptr;
  }
  buffers_.clear();
  failed_ = false;
}

}  // namespace

std::unique_ptr<AudioToneOutput> AudioToneOutput::ForDefaultDevice() {
  return std::make_unique<WinMmToneOutput>();
}

}  // namespace zelor
