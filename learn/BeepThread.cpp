#include "learn/BeepThread.h"

#include <stdexcept>

#include "learn/Tone.h"
#include "link/ThreadPriority.h"

namespace zelor {
namespace {

std::atomic<int> gLiveBeepers{0};

}  // namespace

TBeepThread::TBeepThread(const StreamFlags& flags, ToneOutput& tones)
    : flags_(flags), tones_(tones) {}

TBeepThread::~TBeepThread() { Join(); }

void TBeepThread::Start() {
  if (thread_.joinable() || finished_.load()) throw std::logic_error("TBeepThread started twice");
  thread_ = std::thread([this] {
    gLiveBeepers.fetch_add(1, std::memory_order_relaxed);
    priorityRaised_.store(RaiseCurrentThreadPriority(), std::memory_order_relaxed);
    Execute();
    gLiveBeepers.fetch_sub(1, std::memory_order_relaxed);
    finished_.store(true, std::memory_order_release);
  });
}

void TBeepThread::Execute() {
  const std::stop_token stop = stop_.get_token();
  try {
    while (flags_.Streaming.load(std::memory_order_relaxed) && !stop.stop_requested()) {
      if (!flags_.BeeperOn.load(std::memory_order_relaxed) ||
          !flags_.MafInRange.load(std::memory_order_relaxed)) {
        tones_.Rest(kIdleMs, stop);
        continue;
      }
      const Tone tone = ToneFor(flags_.O2Level.load(std::memory_order_relaxed));
      tones_.Play(tone.frequencyHz, tone.toneMs, stop);
      if (tone.pauseMs > 0 && !stop.stop_requested()) tones_.Rest(tone.pauseMs, stop);
    }
  } catch (...) {
    // A failing tone output ends the beeper without a word.
  }
  try {
    tones_.End();
  } catch (...) {
  }
}

void TBeepThread::RequestStop() { stop_.request_stop(); }

void TBeepThread::Join() {
  RequestStop();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool TBeepThread::Finished() const { return finished_.load(std::memory_order_acquire); }

bool TBeepThread::PriorityRaised() const { return priorityRaised_.load(std::memory_order_relaxed); }

int TBeepThread::LiveCount() { return gLiveBeepers.load(std::memory_order_relaxed); }

}  // namespace zelor
