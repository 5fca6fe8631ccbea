#include "link/StreamReader.h"

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <utility>

#include "link/SerialPort.h"
#include "link/ThreadPriority.h"

namespace zelor {

namespace {

std::atomic<int> gLiveReaders{0};

// Counts a running reader body for as long as it lives.
class LiveReader {
 public:
  LiveReader() { gLiveReaders.fetch_add(1, std::memory_order_relaxed); }
  ~LiveReader() { gLiveReaders.fetch_sub(1, std::memory_order_relaxed); }
  LiveReader(const LiveReader&) = delete;
  LiveReader& operator=(const LiveReader&) = delete;
};

}  // namespace

// The latch between a reader waiting in its failure path and the task it
// queued on the GUI thread. Shared, so that a task which runs after its
// reader is gone finds it still there, marked abandoned.
struct TThreadLog::Gate {
  std::mutex mutex;
  std::condition_variable changed;
  bool abandoned = false;  // Join was called: report nothing, wait no more
  bool handled = false;    // the queued task has run (or skipped) the routine
};

TThreadLog::TThreadLog(SerialPort& port, LogBuffer& buffer, StreamFlags& flags,
                       FailureRoutine failure, std::string streamMessage, GuiPost post)
    : port_(port),
      buffer_(buffer),
      flags_(flags),
      failure_(std::move(failure)),
      post_(std::move(post)),
      streamMessage_(std::move(streamMessage)),
      gate_(std::make_shared<Gate>()) {
  if (!failure_ || !post_)
    throw std::invalid_argument("TThreadLog needs a failure routine and a GUI post");
}

TThreadLog::~TThreadLog() { Join(); }

void TThreadLog::Start() {
  if (thread_.joinable() || finished_.load()) throw std::logic_error("TThreadLog started twice");
  thread_ = std::thread([this] {
    {
      LiveReader live;
      RaisePriority();
      Execute();
      threadId_.store(0, std::memory_order_relaxed);
    }
    finished_.store(true, std::memory_order_release);
  });
}

void TThreadLog::RaisePriority() {
  // One step above normal where the system allows it; otherwise the reader
  // runs at normal priority, as it must keep up anyway (120 frames/s at most).
  threadId_.store(CurrentThreadId(), std::memory_order_relaxed);
  if (RaiseCurrentThreadPriority()) priorityRaised_.store(true, std::memory_order_relaxed);
}

void TThreadLog::Execute() {
  try {
    while (flags_.Streaming.load(std::memory_order_relaxed) &&
           !abandoned_.load(std::memory_order_relaxed)) {
      const int got = port_.Read(frame_, kLogChannelCount);
      if (got < kLogChannelCount) {
        message_ = streamMessage_;
        if (flags_.Streaming.load(std::memory_order_relaxed)) ReportFailure();
        break;
      }
      buffer_.Append(frame_, flags_.MarkerFlag.load(std::memory_order_relaxed));
    }
  } catch (...) {
    // A serial error (the port closed under the reader, a hang-up) or any
    // other: the reader ends without a word; Streaming stays as it is.
  }
}

void TThreadLog::ReportFailure() {
  const std::shared_ptr<Gate> gate = gate_;
  {
    std::lock_guard<std::mutex> lock(gate->mutex);
    if (gate->abandoned) return;
  }
  StreamFlags* flags = &flags_;
  post_([gate, flags, failure = failure_, message = message_] {
    // On the GUI thread.
    {
      std::lock_guard<std::mutex> lock(gate->mutex);
      if (gate->abandoned) return;  // a run that is over: nothing to show
    }
    // Releases the reader however the routine ends (it may throw into the
    // GUI's error handler).
    struct Release {
      Gate& g;
      ~Release() {
        {
          std::lock_guard<std::mutex> lock(g.mutex);
          g.handled = true;
        }
        g.changed.notify_all();
      }
    } release{*gate};
    if (flags->Streaming.load(std::memory_order_relaxed)) failure(message);
  });
  std::unique_lock<std::mutex> lock(gate->mutex);
  gate->changed.wait(lock, [&] { return gate->handled || gate->abandoned; });
}

void TThreadLog::Join() {
  abandoned_.store(true, std::memory_order_relaxed);
  {
    std::lock_guard<std::mutex> lock(gate_->mutex);
    gate_->abandoned = true;
  }
  gate_->changed.notify_all();
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool TThreadLog::Finished() const { return finished_.load(std::memory_order_acquire); }

bool TThreadLog::PriorityRaised() const { return priorityRaised_.load(std::memory_order_relaxed); }

long TThreadLog::ThreadId() const { return threadId_.load(std::memory_order_relaxed); }

int TThreadLog::LiveCount() { return gLiveReaders.load(std::memory_order_relaxed); }

}  // namespace zelor
