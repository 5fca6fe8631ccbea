#pragma once
// TThreadLog: the reader of the live stream. It reads 8-byte frames from the
// port while Streaming is true and appends each to the LogBuffer.
//
// One object per run. The window makes a new TThreadLog at every Start and
// keeps it until the next Start or its own closing, and joins the old one
// before it purges the port and sets the count to 0; so two readers never
// run side by side, and an old reader can neither take bytes of the new
// stream nor store into the new recording:
//
//   ButtonStartClick:  reader_.reset();             // joins the old reader
//                      Purge, ..., SetCount(0), Streaming = true, ...
//                      reader_ = std::make_unique<TThreadLog>(...);
//                      reader_->Start();
//   ButtonStopClick:   Streaming = false, ...       // does not wait
//   closing:           Streaming = false; reader_.reset();
//
// Joining waits for the reader's pending Read, at most about one second
// (the port's time-out); closing the port first ends it at once (silently).
//
// The failure path cannot deadlock a join. When a read comes back short
// while Streaming is true, the reader must have the GUI thread show the
// message and perform Stop, and wait for that. A plain blocking call to the
// GUI thread would hang forever if the GUI thread were at that moment
// joining this reader (a Start or the window's closing). So the reader does
// not block inside the GUI: it hands a task to `post` (which queues it on
// the GUI thread and returns at once, e.g. QMetaObject::invokeMethod with
// Qt::QueuedConnection) and then waits for a latch of its own. The task,
// when the GUI thread runs it, calls `failure` with the message and then
// releases the latch. Join first marks the run abandoned and releases the
// latch itself, so the reader ends at once; a task still queued from an
// abandoned run runs nothing. The task also runs nothing when Streaming is
// false by the time it runs (Stop was pressed after the short read but
// before the task came up): a short read after Stop is silent.
//
// Everything the reader uses (port, buffer, flags) must outlive the object;
// the destructor joins. Join, Start and the destructor are called from the
// owning (GUI) thread only, never from the reader itself.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "link/LogBuffer.h"
#include "link/LogSample.h"
#include "link/StreamFlags.h"

namespace zelor {

class SerialPort;

class TThreadLog {
 public:
  // The stream failure routine: shows the message and performs Stop; run on
  // the GUI thread.
  using FailureRoutine = std::function<void(const std::string& message)>;
  // Queues a task to run on the GUI thread and returns without waiting; a
  // task it drops (the window is gone) does no harm.
  using GuiPost = std::function<void(std::function<void()> task)>;

  // A reader for one run, not started. `streamMessage` is the text shown
  // when the stream breaks off. Both callbacks must be set
  // (std::invalid_argument otherwise).
  TThreadLog(SerialPort& port, LogBuffer& buffer, StreamFlags& flags, FailureRoutine failure,
             std::string streamMessage, GuiPost post);

  // Joins the reader (see Join).
  ~TThreadLog();

  TThreadLog(const TThreadLog&) = delete;
  TThreadLog& operator=(const TThreadLog&) = delete;

  // Starts the thread running Execute, one step above normal priority where
  // the system allows it. A second call raises std::logic_error.
  void Start();

  // The thread body: while Streaming (and the run is not abandoned), reads
  // a frame; a short read copies the stream message and, if Streaming is
  // still true, has the GUI run the failure routine, waits for it and
  // leaves; a full frame is appended with the marker flag of this moment.
  // Any error ends it silently.
  void Execute();

  // Marks the run abandoned (the reader stops waiting for the GUI and
  // reports nothing more) and waits until the thread has ended. Never
  // deadlocks with a failure task queued on the calling thread.
  void Join();

  // True once Execute has returned on the started thread.
  bool Finished() const;

  // True when the thread's priority was raised by one step.
  bool PriorityRaised() const;

  // The reader's system thread id while it runs (Linux), 0 otherwise.
  long ThreadId() const;

  // Reader bodies running in this process right now, over all objects.
  static int LiveCount();

 private:
  struct Gate;

  // Hands the failure to the GUI thread and waits until it was handled or
  // the run abandoned.
  void ReportFailure();
  void RaisePriority();

  SerialPort& port_;
  LogBuffer& buffer_;
  StreamFlags& flags_;
  FailureRoutine failure_;
  GuiPost post_;
  const std::string streamMessage_;
  // The reader's own copy of the message, taken at the short read.
  std::string message_;
  std::uint8_t frame_[kLogChannelCount] = {};

  std::shared_ptr<Gate> gate_;
  std::atomic<bool> abandoned_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> priorityRaised_{false};
  std::atomic<long> threadId_{0};
  std::thread thread_;
};

}  // namespace zelor
