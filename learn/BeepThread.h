#pragma once
// TBeepThread: the lambda beeper. While the stream runs and its switch is
// on, it turns the O2 level into tones whenever the newest MAF lies inside
// the correction range; otherwise it rests 200 ms and looks again.
//
// One object per run, owned by the window like the reader TThreadLog:
//
//   ButtonStartClick:  beeper_.reset();             // ends and joins the old one
//                      ... reader started ...
//                      beeper_ = std::make_unique<TBeepThread>(flags_, *tones_);
//                      beeper_->Start();
//   ButtonStopClick:   Streaming = false; beeper_->RequestStop();   // no wait
//   closing:           Streaming = false; beeper_.reset();
//
// It reads only the flags Streaming, BeeperOn, MafInRange and O2Level
// (single atomic values the window writes) and never touches a widget or
// the LogBuffer. Its waits are timed waits that a stop request cuts short,
// so RequestStop and Join end it at once, not after its pass; a Start right
// after a Stop therefore never leaves the old beeper sounding beside the
// new one. The flags and the tone output must outlive the object; the
// destructor joins. Start, RequestStop, Join and the destructor are called
// from the owning (GUI) thread.

#include <atomic>
#include <stop_token>
#include <thread>

#include "learn/ToneOutput.h"
#include "link/StreamFlags.h"

namespace zelor {

class TBeepThread {
 public:
  // The silence of a pass that plays nothing.
  static constexpr int kIdleMs = 200;

  TBeepThread(const StreamFlags& flags, ToneOutput& tones);
  ~TBeepThread();

  TBeepThread(const TBeepThread&) = delete;
  TBeepThread& operator=(const TBeepThread&) = delete;

  // Starts the thread running Execute, one step above normal priority where
  // the system allows it. A second call raises std::logic_error.
  void Start();

  // The thread body: while Streaming and no stop was requested, one pass:
  // with the switch off or MAF outside the range a rest of kIdleMs;
  // otherwise the tone of the O2 level and its pause (ToneFor). An error in
  // a pass ends the thread quietly. Last, the tone output's End.
  void Execute();

  // Cuts the current tone or wait short; the thread ends without another
  // pass. Does not wait.
  void RequestStop();

  // RequestStop, then waits until the thread has ended.
  void Join();

  // True once Execute has returned on the started thread.
  bool Finished() const;

  // True when the thread's priority was raised by one step.
  bool PriorityRaised() const;

  // Beeper bodies running in this process right now, over all objects.
  static int LiveCount();

 private:
  const StreamFlags& flags_;
  ToneOutput& tones_;
  std::stop_source stop_;
  std::atomic<bool> finished_{false};
  std::atomic<bool> priorityRaised_{false};
  std::thread thread_;
};

}  // namespace zelor
