// The stream reader TThreadLog against the converter simulator, served
// in-process on a real pseudo-terminal. The test thread plays the GUI
// thread: it runs the tasks the reader queues for it, and starts and stops
// runs the way the main window does.

#include <QtTest>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "link/LogBuffer.h"
#include "link/SerialPort.h"
#include "link/SerialPortError.h"
#include "link/StreamFlags.h"
#include "link/StreamReader.h"
#include "sim/ConverterDevice.h"
#include "sim/EngineModel.h"
#include "sim/Pty.h"
#include "sim/SimLoop.h"

namespace sim = zelor::sim;
using zelor::LogBuffer;
using zelor::LogChannel;
using zelor::LogSample;
using zelor::SerialPort;
using zelor::StreamFlags;
using zelor::TThreadLog;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

const std::string kStreamMessage =
    "THREAD ERROR! ОТСУТСТВУЕТ ПОТОК ДАННЫХ ИЗ КОНВЕРТЕРА.\r\nПроверьте наличие "
    "питающего напряжения\r\n и убедитесь в иcправности Com порта.";

constexpr milliseconds kHangGuard{15000};

// The converter simulator on a pseudo-terminal of its own, served in a thread
// until destroyed or until its hang-up fault has closed the terminal.
class SimRig {
 public:
  explicit SimRig(sim::DeviceConfig config) : device_(std::move(config)) {
    std::string error;
    if (!pty_.Open(error)) throw std::runtime_error(error);
    path_ = pty_.SlavePath();
    thread_ = std::thread([this] {
      sim::SimLoop loop(pty_.MasterFd(), device_, nullptr, Clock::now());
      const sim::SimLoop::Status s = loop.Run([this] { return run_.load(); });
      if (s == sim::SimLoop::Status::kHangup) pty_.CloseWhenRead(2000);
      status_.store(static_cast<int>(s));
      ended_.store(true);
    });
  }
  ~SimRig() {
    run_.store(false);
    thread_.join();
  }
  SimRig(const SimRig&) = delete;
  SimRig& operator=(const SimRig&) = delete;

  const std::string& Path() const { return path_; }
  bool Ended() const { return ended_.load(); }
  sim::SimLoop::Status Status() const { return static_cast<sim::SimLoop::Status>(status_.load()); }

 private:
  sim::Pty pty_;
  sim::ConverterDevice device_;
  std::string path_;
  std::atomic<bool> run_{true};
  std::atomic<bool> ended_{false};
  std::atomic<int> status_{static_cast<int>(sim::SimLoop::Status::kRunning)};
  std::thread thread_;
};

// The GUI thread's queue: tasks posted from any thread, run by the test
// thread when it says so.
class GuiQueue {
 public:
  void Post(std::function<void()> task) {
    std::lock_guard<std::mutex> lock(mutex_);
    tasks_.push_back(std::move(task));
    ++posted_;
  }
  int Posted() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return posted_;
  }
  // Runs the tasks queued now, on the calling thread.
  void RunPending() {
    for (;;) {
      std::function<void()> task;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (tasks_.empty()) return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
  }

 private:
  mutable std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;
  int posted_ = 0;
};

// Aborts the test program when its scope is not left in time: the guard
// against a deadlock that would otherwise hang the run.
class Watchdog {
 public:
  Watchdog(milliseconds limit, const char* what)
      : what_(what), thread_([this, limit] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (!changed_.wait_for(lock, limit, [this] { return done_; })) {
            std::fprintf(stderr, "hang guard fired: %s\n", what_);
            std::abort();
          }
        }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }

 private:
  const char* what_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool done_ = false;
  std::thread thread_;
};

// What the main window does around the reader, reduced to the stream.
class Window {
 public:
  explicit Window(const std::string& portPath) : buffer(std::make_unique<LogBuffer>()) {
    port.SetPortName(portPath);
    port.Open();
  }
  ~Window() {
    flags.Streaming.store(false);
    reader.reset();
  }

  // Start: the old reader is joined first, then purge, start command, count
  // 0, Streaming, and a new reader for this run.
  void Start(bool learning = false) {
    reader.reset();
    liveAfterJoin.push_back(TThreadLog::LiveCount());
    port.Purge();
    const std::uint8_t start[2] = {'s', static_cast<std::uint8_t>(learning ? 'a' : 'l')};
    port.Write(start, 2);
    buffer->SetCount(0);
    flags.Streaming.store(true);
    reader = std::make_unique<TThreadLog>(
        port, *buffer, flags, [this](const std::string& m) { Failure(m); }, kStreamMessage,
        [this](std::function<void()> task) { gui.Post(std::move(task)); });
    reader->Start();
  }

  // Stop: Streaming off and "s"; does not wait for the reader.
  void Stop() {
    flags.Streaming.store(false);
    const std::uint8_t s = 's';
    port.Write(&s, 1);
  }

  // The stream failure routine (the message box is replaced by a record).
  void Failure(const std::string& message) {
    failures.push_back(message);
    onGuiThread = onGuiThread && std::this_thread::get_id() == guiThread;
    readerWaited = readerWaited && !reader->Finished();
    if (throwInFailure) throw std::runtime_error("routine failed");
    Stop();
  }

  // Polls until pred holds, running GUI tasks meanwhile when asked to.
  bool WaitFor(const std::function<bool()>& pred, bool runGui = true) {
    const auto deadline = Clock::now() + kHangGuard;
    for (;;) {
      if (runGui) gui.RunPending();
      if (pred()) return true;
      if (Clock::now() >= deadline) return false;
      std::this_thread::sleep_for(milliseconds(2));
    }
  }

  SerialPort port;
  std::unique_ptr<LogBuffer> buffer;
  StreamFlags flags;
  GuiQueue gui;
  std::vector<std::string> failures;
  std::vector<int> liveAfterJoin;
  std::thread::id guiThread = std::this_thread::get_id();
  bool onGuiThread = true;
  bool readerWaited = true;
  bool throwInFailure = false;
  std::unique_ptr<TThreadLog> reader;
};

sim::DeviceConfig Config() { return sim::DeviceConfig{}; }

sim::DeviceConfig WithFault(const char* text) {
  sim::DeviceConfig c;
  std::string error;
  if (!c.faults.Add(text, error)) throw std::runtime_error(error);
  return c;
}

// The bytes a device with this configuration puts on the line for one
// stream started at once, up to `frames` frames' worth (fewer when it falls
// silent). The device logic is deterministic, so these are the bytes the
// served device sends too.
std::vector<std::uint8_t> OfflineStream(const sim::DeviceConfig& config, std::size_t frames) {
  sim::ConverterDevice d(config);
  const std::uint8_t start[2] = {'s', 'l'};
  d.Receive(start, 2, sim::SimTime{0});
  std::vector<std::uint8_t> out;
  const std::size_t want = frames * 8;
  for (std::int64_t t = 0;
       out.size() < want && t <= static_cast<std::int64_t>(frames + 200) * 10000; t += 10000) {
    d.Advance(sim::SimTime{t});
    const std::vector<std::uint8_t> o = d.TakeOutput();
    out.insert(out.end(), o.begin(), o.end());
  }
  if (out.size() > want) out.resize(want);
  return out;
}

// Frame j of a byte stream as it is received, byte 1 still in place.
std::array<std::uint8_t, 8> FrameAt(const std::vector<std::uint8_t>& bytes, std::size_t j) {
  std::array<std::uint8_t, 8> f{};
  for (int k = 0; k < 8; ++k) f[k] = bytes.at(j * 8 + k);
  return f;
}

// Compares a stored sample with a received frame, all but byte 1.
bool SameButMarker(const LogSample& s, const std::array<std::uint8_t, 8>& f) {
  for (int k = 0; k < 8; ++k) {
    if (k != 1 && s.bytes[k] != f[k]) return false;
  }
  return true;
}

// A sample as the converter with the 1:1 table makes it: the output is the
// MAF value, the VAF the engine's expected value within its noise.
bool PlausibleFrame(const LogSample& s) {
  return s.Output() == s.Maf() && std::abs(s.Vaf() - sim::EngineModel::ExpectedVaf(s.Maf())) <= 1 &&
         (s.Marker() == 0 || s.Marker() == LogBuffer::kMarkerOn);
}

long Tid() { return static_cast<long>(::syscall(SYS_gettid)); }

}  // namespace

class TestReadLogThread : public QObject {
  Q_OBJECT

 private slots:
  void constructionRules();
  void framesAreStoredInOrderWithTheMarker();
  void stalledConverterReportsOnceAndWaitsForTheGui();
  void stopIsSilentEvenWhenTheLastReadIsShort();
  void portClosedUnderTheReaderEndsItSilently();
  void droppedByteShiftsEveryLaterFrame();
  void hangupEndsTheReaderSilently();
  void startRightAfterStopNeverRunsTwoReaders();
  void joinWhileAFailureIsQueuedDoesNotDeadlock();
  void failureQueuedBeforeStopShowsNothing();
  void failureRoutineThatThrowsStillReleasesTheReader();
  void priorityIsOneStepAboveNormalWhenAllowed();
};

void TestReadLogThread::constructionRules() {
  SerialPort port;
  LogBuffer buffer;
  StreamFlags flags;
  auto post = [](std::function<void()> t) { t(); };
  auto failure = [](const std::string&) {};
  QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                           TThreadLog(port, buffer, flags, nullptr, "m", post));
  QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                           TThreadLog(port, buffer, flags, failure, "m", nullptr));
  // Streaming is off: the body ends at once; a second Start is refused.
  TThreadLog reader(port, buffer, flags, failure, "m", post);
  reader.Start();
  QVERIFY_THROWS_EXCEPTION(std::logic_error, reader.Start());
  reader.Join();
  QVERIFY(reader.Finished());
  QCOMPARE(buffer.Count(), 0);
  reader.Join();  // a second Join does nothing
}

void TestReadLogThread::framesAreStoredInOrderWithTheMarker() {
  SimRig rig(Config());
  Window w(rig.Path());
  w.Start(true);
  std::vector<int> seen;
  auto countAtLeast = [&](int n) {
    return w.WaitFor([&] {
      seen.push_back(w.buffer->Count());
      return w.buffer->Count() >= n;
    });
  };
  QVERIFY(countAtLeast(40));
  // The count just before and just after each change of the flag: the test
  // thread may be held up between the two on a busy machine.
  const int onBefore = w.buffer->Count();
  w.flags.MarkerFlag.store(true);
  const int onAfter = w.buffer->Count();
  QVERIFY(countAtLeast(onAfter + 30));
  const int offBefore = w.buffer->Count();
  w.flags.MarkerFlag.store(false);
  const int offAfter = w.buffer->Count();
  QVERIFY(countAtLeast(offAfter + 40));
  w.Stop();
  w.reader->Join();
  QVERIFY(w.reader->Finished());
  QVERIFY(w.failures.empty());
  QVERIFY(std::is_sorted(seen.begin(), seen.end()));  // the count only grows

  const int n = w.buffer->Count();
  QVERIFY(n >= offAfter + 40);
  const std::vector<std::uint8_t> line = OfflineStream(Config(), static_cast<std::size_t>(n));
  QCOMPARE(line.size(), static_cast<std::size_t>(n) * 8);
  int firstMarked = -1, lastMarked = -1, marked = 0;
  for (int j = 0; j < n; ++j) {
    const LogSample s = w.buffer->SampleAt(j);
    QVERIFY2(SameButMarker(s, FrameAt(line, j)), qPrintable(QString("slot %1").arg(j)));
    QVERIFY2(PlausibleFrame(s), qPrintable(QString("slot %1").arg(j)));
    if (s.Marker() == LogBuffer::kMarkerOn) {
      if (firstMarked < 0) firstMarked = j;
      lastMarked = j;
      ++marked;
    }
  }
  // The frame counter (byte 1) is not kept: its slot holds the marker, on
  // for one unbroken stretch from the frame stored as the flag went on to the
  // one stored as it went off (a frame read just before a change may still
  // be stored with the old state).
  QCOMPARE(marked, lastMarked - firstMarked + 1);
  QVERIFY(marked >= 20);
  QVERIFY2(firstMarked >= onBefore && firstMarked <= onAfter + 1,
           qPrintable(QString("first marked slot %1, flag on at %2..%3")
                          .arg(firstMarked)
                          .arg(onBefore)
                          .arg(onAfter)));
  QVERIFY2(lastMarked >= offBefore - 1 && lastMarked <= offAfter,
           qPrintable(QString("last marked slot %1, flag off at %2..%3")
                          .arg(lastMarked)
                          .arg(offBefore)
                          .arg(offAfter)));
}

void TestReadLogThread::stalledConverterReportsOnceAndWaitsForTheGui() {
  SimRig rig(WithFault("stall-after=30"));
  Window w(rig.Path());
  w.Start();
  QVERIFY(w.WaitFor([&] { return !w.failures.empty(); }));
  QVERIFY(w.WaitFor([&] { return w.reader->Finished(); }));
  w.gui.RunPending();
  QCOMPARE(w.failures.size(), std::size_t{1});
  QCOMPARE(w.gui.Posted(), 1);
  QCOMPARE(w.failures[0], kStreamMessage);
  QVERIFY(w.onGuiThread);
  QVERIFY(w.readerWaited);  // the reader was still waiting while the routine ran
  QCOMPARE(w.buffer->Count(), 30);
  QCOMPARE(w.flags.Streaming.load(), false);  // the routine performed Stop
  for (int j = 0; j < 30; ++j) QVERIFY(PlausibleFrame(w.buffer->SampleAt(j)));
}

void TestReadLogThread::stopIsSilentEvenWhenTheLastReadIsShort() {
  // The converter falls silent after 20 frames, so the reader's next read
  // comes back short about a second later; Stop comes in before that.
  bool checked = false;
  for (int attempt = 0; attempt < 3 && !checked; ++attempt) {
    SimRig rig(WithFault("stall-after=20"));
    Window w(rig.Path());
    w.Start();
    Clock::time_point belowAt = Clock::now();
    QVERIFY(w.WaitFor(
        [&] {
          if (w.buffer->Count() < 20) belowAt = Clock::now();
          return w.buffer->Count() >= 20;
        },
        false));
    const Clock::time_point stopAt = Clock::now();
    w.Stop();
    // The short read cannot have come before this Stop unless the test
    // thread was held up for most of a second: try again then.
    if (stopAt - belowAt > milliseconds(800) || w.gui.Posted() > 0) continue;
    QVERIFY(w.WaitFor([&] { return w.reader->Finished(); }));
    w.gui.RunPending();
    QCOMPARE(w.gui.Posted(), 0);
    QVERIFY(w.failures.empty());
    QCOMPARE(w.buffer->Count(), 20);
    checked = true;
  }
  QVERIFY2(checked, "the test thread never got to Stop in time");
}

void TestReadLogThread::portClosedUnderTheReaderEndsItSilently() {
  SimRig rig(Config());
  Window w(rig.Path());
  w.Start();
  QVERIFY(w.WaitFor([&] { return w.buffer->Count() >= 20; }));
  w.port.Close();
  QVERIFY(w.WaitFor([&] { return w.reader->Finished(); }));
  w.gui.RunPending();
  QCOMPARE(w.gui.Posted(), 0);
  QVERIFY(w.failures.empty());
  QCOMPARE(w.flags.Streaming.load(), true);  // left for the user's "Стоп"
  QCOMPARE(TThreadLog::LiveCount(), 0);
  const int n = w.buffer->Count();
  QVERIFY(n >= 20);
  for (int j = 0; j < n; ++j) QVERIFY(PlausibleFrame(w.buffer->SampleAt(j)));
}

void TestReadLogThread::droppedByteShiftsEveryLaterFrame() {
  constexpr int kDropAt = 20;
  SimRig rig(WithFault("drop-byte-after=20"));
  Window w(rig.Path());
  w.Start();
  QVERIFY(w.WaitFor([&] { return w.buffer->Count() >= 70; }));
  w.Stop();
  w.reader->Join();
  QVERIFY(w.failures.empty());
  const int n = w.buffer->Count();
  // The frames as the converter made them, before the byte was lost.
  const std::vector<std::uint8_t> sent = OfflineStream(Config(), static_cast<std::size_t>(n) + 1);
  for (int j = 0; j < kDropAt; ++j) {
    QVERIFY(SameButMarker(w.buffer->SampleAt(j), FrameAt(sent, j)));
  }
  for (int j = kDropAt; j < n; ++j) {
    const LogSample s = w.buffer->SampleAt(j);
    const auto f = FrameAt(sent, j);
    const auto next = FrameAt(sent, j + 1);
    const QString where = QString("slot %1").arg(j);
    QVERIFY2(int(s.Output()) == (j & 0xFF), qPrintable(where));  // the frame counter
    QVERIFY2(s.Enrichment() == f[3], qPrintable(where));         // MAF
    QVERIFY2(s.Maf() == f[4], qPrintable(where));                // VAF
    QVERIFY2(s[LogChannel::Vaf] == f[5], qPrintable(where));
    QVERIFY2(s[LogChannel::Channel5] == f[6], qPrintable(where));
    QVERIFY2(s[LogChannel::Channel6] == f[7], qPrintable(where));  // O2 moved down
    QVERIFY2(s.O2() == next[0], qPrintable(where));                // the next frame's output
  }
  // The stream never re-synchronises: the shifted frames fail the 1:1 test.
  int plausible = 0;
  for (int j = kDropAt; j < n; ++j) plausible += PlausibleFrame(w.buffer->SampleAt(j)) ? 1 : 0;
  QVERIFY(plausible < (n - kDropAt) / 4);
}

void TestReadLogThread::hangupEndsTheReaderSilently() {
  SimRig rig(WithFault("hangup-after=25"));
  Window w(rig.Path());
  w.Start();
  QVERIFY(w.WaitFor([&] { return w.reader->Finished(); }));
  QVERIFY(w.WaitFor([&] { return rig.Ended(); }));
  QCOMPARE(int(rig.Status()), int(sim::SimLoop::Status::kHangup));
  w.gui.RunPending();
  QCOMPARE(w.gui.Posted(), 0);
  QVERIFY(w.failures.empty());
  QCOMPARE(w.buffer->Count(), 25);
  // The thread is gone, not looping on the dead line.
  QCOMPARE(TThreadLog::LiveCount(), 0);
  w.reader->Join();
}

void TestReadLogThread::startRightAfterStopNeverRunsTwoReaders() {
  // Each run falls silent after 20 frames: no byte of it is still on its way
  // when the next Start purges the port (a frame's tail arriving after the
  // purge would shift the next run's frames whatever the readers do), and
  // each Stop finds its reader waiting in a read.
  constexpr int kFrames = 20;
  SimRig rig(WithFault("stall-after=20"));
  Window w(rig.Path());
  std::atomic<bool> watching{true};
  std::atomic<int> most{0};
  std::thread watcher([&] {
    // Two readers side by side would last for a read at least (milliseconds
    // to a second); looking every 100 us sees them without taking a core
    // from the simulator and the reader.
    while (watching.load()) {
      const int live = TThreadLog::LiveCount();
      int m = most.load();
      while (live > m && !most.compare_exchange_weak(m, live)) {
      }
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
  });
  struct StopWatching {
    std::atomic<bool>& watching;
    std::thread& watcher;
    ~StopWatching() {
      watching.store(false);
      watcher.join();
    }
  } stopWatching{watching, watcher};
  // Starts a run and waits for its frames. On a machine so busy that the
  // line stays silent for the reader's whole second, the reader reports the
  // silence instead, as it must (a report stays queued; Join abandons it).
  // That run is ended, its late frames are let go by, and it starts again.
  auto fullRun = [&] {
    for (int attempt = 0; attempt < 5; ++attempt) {
      const int reports = w.gui.Posted();
      w.Start();
      if (!w.WaitFor([&] { return w.buffer->Count() == kFrames || w.gui.Posted() > reports; },
                     false))
        return false;
      if (w.buffer->Count() == kFrames) return true;
      w.Stop();
      w.reader->Join();
      std::uint8_t frame[8];
      while (w.port.Read(frame, 8) == 8) {
      }
    }
    return false;
  };
  for (int run = 0; run < 4; ++run) {
    QVERIFY(fullRun());
    w.Stop();
    // The next Start follows at once: it must end the old reader first.
  }
  w.reader->Join();

  QCOMPARE(most.load(), 1);
  QVERIFY(w.liveAfterJoin.size() >= 4);
  QCOMPARE(std::count(w.liveAfterJoin.begin(), w.liveAfterJoin.end(), 0),
           std::ptrdiff_t(w.liveAfterJoin.size()));
  // The last run's frames are whole: no old reader took bytes of them.
  for (int j = 0; j < kFrames; ++j)
    QVERIFY2(PlausibleFrame(w.buffer->SampleAt(j)), qPrintable(QString::number(j)));
}

void TestReadLogThread::joinWhileAFailureIsQueuedDoesNotDeadlock() {
  SimRig rig(WithFault("stall-after=10"));
  Window w(rig.Path());
  w.Start();
  // The reader has queued its failure task; the GUI thread does not run it
  // but joins the reader, as a Start or closing the window would.
  QVERIFY(w.WaitFor([&] { return w.gui.Posted() == 1; }, false));
  QVERIFY(!w.reader->Finished());  // waiting for the GUI
  {
    Watchdog guard(kHangGuard, "Join with a queued failure task");
    w.reader->Join();
  }
  QVERIFY(w.reader->Finished());
  // The task of the abandoned run shows nothing when it finally runs.
  w.gui.RunPending();
  QVERIFY(w.failures.empty());
  QCOMPARE(w.buffer->Count(), 10);
}

void TestReadLogThread::failureQueuedBeforeStopShowsNothing() {
  SimRig rig(WithFault("stall-after=10"));
  Window w(rig.Path());
  w.Start();
  QVERIFY(w.WaitFor([&] { return w.gui.Posted() == 1; }, false));
  w.Stop();  // "Стоп" was handled before the queued task
  w.gui.RunPending();
  QVERIFY(w.failures.empty());
  // The task released the reader without a Join.
  QVERIFY(w.WaitFor([&] { return w.reader->Finished(); }));
}

void TestReadLogThread::failureRoutineThatThrowsStillReleasesTheReader() {
  SimRig rig(WithFault("stall-after=5"));
  Window w(rig.Path());
  w.throwInFailure = true;
  w.Start();
  QVERIFY(w.WaitFor([&] { return w.gui.Posted() == 1; }, false));
  bool thrown = false;
  try {
    w.gui.RunPending();
  } catch (const std::runtime_error&) {
    thrown = true;  // left to the GUI's error handler
  }
  QVERIFY(thrown);
  QCOMPARE(w.failures.size(), std::size_t{1});
  QVERIFY(w.WaitFor([&] { return w.reader->Finished(); }));
}

void TestReadLogThread::priorityIsOneStepAboveNormalWhenAllowed() {
  SimRig rig(Config());
  Window w(rig.Path());
  errno = 0;
  const int normal = ::getpriority(PRIO_PROCESS, static_cast<id_t>(Tid()));
  QCOMPARE(errno, 0);
  w.Start();
  QVERIFY(w.WaitFor([&] { return w.buffer->Count() >= 3; }));
  const long tid = w.reader->ThreadId();
  QVERIFY(tid != 0 && tid != Tid());
  errno = 0;
  const int readerNice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
  QCOMPARE(errno, 0);
  if (w.reader->PriorityRaised()) {
    QCOMPARE(readerNice, normal - 1);
  } else {
    QCOMPARE(readerNice, normal);  // no right to raise it: normal priority
    qInfo("the reader runs at normal priority here (no right to raise it)");
  }
  // The GUI thread's own priority is left alone.
  QCOMPARE(::getpriority(PRIO_PROCESS, static_cast<id_t>(Tid())), normal);
  w.Stop();
  w.reader->Join();
  QCOMPARE(w.reader->ThreadId(), 0L);
}

QTEST_APPLESS_MAIN(TestReadLogThread)
#include "test_read_log_thread.moc"
