#include "log/StreamRun.h"

#include <chrono>
#include <utility>

#include "link/Protocol.h"
#include "link/SerialPort.h"
#include "link/SerialPortError.h"

namespace zelor {

StreamRun::StreamRun(SerialPort& port, TThreadLog::FailureRoutine failure, TThreadLog::GuiPost post,
                     ToneFactory makeTones)
    : port_(port),
      link_(port),
      failure_(std::move(failure)),
      post_(std::move(post)),
      makeTones_(std::move(makeTones)) {}

StreamRun::~StreamRun() { End(); }

void StreamRun::Start(bool learning, const std::string& streamMessage,
                      const std::function<void()>& first) {
  // The previous run's reader is at most in its last read (about a second).
  reader_.reset();
  readerLeftByPortChange_ = false;
  stopUnsettled_ = false;
  beeper_.reset();
  port_.Purge();
  if (first) first();
  link_.StartStream(learning);
  log_->SetCount(0);
  flags_.Streaming.store(true, std::memory_order_relaxed);
  reader_ = std::make_unique<TThreadLog>(port_, *log_, flags_, failure_, streamMessage, post_);
  reader_->Start();
  if (!tones_) tones_ = makeTones_ ? makeTones_() : std::make_unique<SilentToneOutput>();
  beeper_ = std::make_unique<TBeepThread>(flags_, *tones_);
  beeper_->Start();
}

void StreamRun::Stop() {
  flags_.Streaming.store(false, std::memory_order_relaxed);
  if (beeper_) beeper_->RequestStop();  // silent at once, not after its pass
  link_.StopStream();
  stopUnsettled_ = true;
}

void StreamRun::LeavePort() {
  stopUnsettled_ = false;
  if (Streaming()) {
    // The reader ends as its port closes: no loss of the converter.
    readerLeftByPortChange_ = ReaderRunning();
    // A converter left streaming would still be streaming when the user
    // comes back to it, and its frames would be taken for the table. It may
    // be gone already (a reason to leave it), so a failing write keeps no
    // one on its port.
    try {
      link_.StopStream();
    } catch (const SerialPortError&) {
    }
  }
  port_.Close();
  // A run's reader ends on the closed port, silently; it is waited for, so
  // that from here on the run counts as one whose reader is lost.
  JoinReader();
}

void StreamRun::JoinReader() {
  if (reader_) reader_->Join();
}

void StreamRun::AwaitStreamEnd() {
  JoinReader();
  if (!std::exchange(stopUnsettled_, false)) return;
  const auto bound =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(protocol::kDrainTimeLimitMs);
  std::uint8_t discarded = 0;
  while (port_.Read(&discarded, 1) == 1 && std::chrono::steady_clock::now() < bound) {
  }
}

void StreamRun::End() {
  flags_.Streaming.store(false, std::memory_order_relaxed);
  beeper_.reset();
  reader_.reset();
}

void StreamRun::SetToneOutput(std::unique_ptr<ToneOutput> tones) {
  // The running beeper plays on the old output until its run ends.
  if (beeper_) beeper_->Join();
  beeper_.reset();
  tones_ = std::move(tones);
}

}  // namespace zelor
