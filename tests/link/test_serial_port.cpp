// The serial layer on real pseudo-terminals: the test holds the master side,
// the SerialPort opens the slave side by its name.

#include <QtTest>

#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fstream>
#include <future>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "link/PortList.h"
#include "link/Protocol.h"
#include "link/PtyPair.h"
#include "link/SerialPort.h"
#include "link/SerialPortError.h"

using zelor::SerialPort;
using zelor::SerialPortError;
using zelor::test::PtyPair;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::chrono::seconds kHangGuard{10};

long long MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Runs f and returns the SerialPortError it raised, if any.
template <class F>
std::optional<SerialPortError> ErrorOf(F&& f) {
  try {
    f();
  } catch (const SerialPortError& e) {
    return e;
  }
  return std::nullopt;
}

QString Text(const std::string& s) { return QString::fromStdString(s); }

std::vector<std::uint8_t> AllByteValues() {
  std::vector<std::uint8_t> v(256);
  for (int i = 0; i < 256; ++i) v[i] = static_cast<std::uint8_t>(i);
  return v;
}

// True when the terminal behind fd is in exclusive mode.
bool IsExclusive(int fd) {
  int state = -1;
  return ::ioctl(fd, TIOCGEXCL, &state) == 0 && state != 0;
}

// Waits until the thread tid sleeps inside poll(), i.e. is really blocked
// in a Read or Write. Falls back to a pause where /proc cannot tell.
void WaitBlockedInPoll(pid_t tid) {
  const std::string path = "/proc/self/task/" + std::to_string(tid) + "/";
  const auto start = Clock::now();
  while (Clock::now() - start < kHangGuard) {
    std::ifstream sys(path + "syscall");
    std::ifstream stat(path + "stat");
    long nr = -1;
    if (!(sys >> nr)) {
      PtyPair::Sleep(200);
      return;
    }
    std::string statLine;
    std::getline(stat, statLine);
    const auto close = statLine.rfind(')');
    const char state =
        close != std::string::npos && close + 2 < statLine.size() ? statLine[close + 2] : '?';
    if (state == 'S' && (nr == SYS_poll || nr == SYS_ppoll)) return;
    PtyPair::Sleep(2);
  }
}

// A call made by another thread: its thread id, then its outcome.
struct BackgroundCall {
  std::atomic<pid_t> tid{0};
  std::promise<void> started;
  std::atomic<int> result{-1};
  std::atomic<int> error{0};
  std::string message;
  std::thread thread;

  template <class F>
  void Start(F f) {
    thread = std::thread([this, f] {
      tid = static_cast<pid_t>(::gettid());
      started.set_value();
      try {
        result = f();
      } catch (const SerialPortError& e) {
        message = e.what();
        error = e.Number();
      }
    });
    started.get_future().wait();
  }

  // A check that failed before the join leaves no thread running.
  ~BackgroundCall() { Join(); }

  // Joins the thread; false when it did not end within the hang guard.
  bool Join() {
    if (!thread.joinable()) return true;
    const auto start = Clock::now();
    while (result.load() < 0 && error.load() == 0 && Clock::now() - start < kHangGuard) {
      PtyPair::Sleep(5);
    }
    const bool ended = result.load() >= 0 || error.load() != 0;
    if (ended)
      thread.join();
    else
      thread.detach();
    return ended;
  }
};

// Holds back the line's output, as a far end that takes nothing more would:
// writes then wait for room until ResumeOutput.
bool HoldOutput(const PtyPair& pty) { return ::tcflow(pty.SlaveFd(), TCOOFF) == 0; }
bool ResumeOutput(const PtyPair& pty) { return ::tcflow(pty.SlaveFd(), TCOON) == 0; }

// Signals taken by the reader (SIGUSR1) and by the writer (SIGUSR2).
std::atomic<int> readerSignals{0};
std::atomic<int> writerSignals{0};

extern "C" void CountSignal(int signal) {
  (signal == SIGUSR1 ? readerSignals : writerSignals).fetch_add(1);
}

// Counts a signal for its lifetime, installed without SA_RESTART: each one
// breaks off the wait it lands in.
struct CountingHandler {
  explicit CountingHandler(int number) : signal(number) {
    struct sigaction action {};
    action.sa_handler = CountSignal;
    sigemptyset(&action.sa_mask);
    installed = ::sigaction(signal, &action, &previous) == 0;
  }
  ~CountingHandler() {
    if (installed) ::sigaction(signal, &previous, nullptr);
  }
  int signal;
  struct sigaction previous {};
  bool installed = false;
};

// Waits until counter has reached at least n or the call has ended.
void WaitForSignals(const std::atomic<int>& counter, int n, const BackgroundCall& call) {
  const auto start = Clock::now();
  while (counter.load() < n && call.result.load() < 0 && call.error.load() == 0 &&
         Clock::now() - start < kHangGuard) {
    std::this_thread::yield();
  }
}

}  // namespace

class TestSerialPort : public QObject {
  Q_OBJECT

 private slots:
  void errorTexts();
  void portListOrderAndExtras();
  void newPortIsClosedCom1();
  void openAndCloseTwiceDoNothing();
  void openAppliesFixedLine();
  void allByteValuesPassBothWays();
  void silentLongReadReturnsZeroAfterASecond();
  void shortReadKeepsUnreadTail();
  void readCollectsQueuedAndLaterBytes();
  void failedOpenLeavesPortClosed();
  void purgeDiscardsQueuedInput();
  void openIsExclusiveUntilClose();
  void writeStopsAtItsTimeOut();
  void closeWakesBlockedRead();
  void closeWakesBlockedWrite();
  void farEndHangUpRaisesReadError();
  void farEndGoneDuringTableWrite();
  void readAndWriteUnderASignalStorm();
  void reopenAndPortNameChange();
  void staleReaderNeverReadsNewPort();
  void readerAndWriterRunTogether();
};

void TestSerialPort::errorTexts() {
  const struct {
    int number;
    const char* text;
  } table[] = {
      {zelor::kErrorOpen, "Unable to open com port"},
      {zelor::kErrorWrite, "WriteFile function failed"},
      {zelor::kErrorRead, "ReadFile function failed"},
      {zelor::kErrorPurge, "PurgeComm function failed"},
      {zelor::kErrorLineSettings, "SetCommState function failed"},
      {zelor::kErrorTimeouts, "SetCommTimeouts failed"},
      {zelor::kErrorQueueSizes, "SetupComm function failed"},
      {zelor::kErrorStatus, "ClearCommError function failed"},
      {zelor::kErrorPortNotOpen, "Port Not Open"},
  };
  const int expectedNumbers[] = {1, 2, 3, 5, 7, 8, 9, 10, 24};
  for (std::size_t i = 0; i < std::size(table); ++i) {
    QCOMPARE(table[i].number, expectedNumbers[i]);
    const SerialPortError plain(table[i].number);
    QCOMPARE(QString(plain.what()), QString(table[i].text));
    QCOMPARE(plain.Number(), table[i].number);
    QCOMPARE(plain.OsCode(), 0);
    const SerialPortError coded(table[i].number, 13);
    if (table[i].number == zelor::kErrorPortNotOpen) {
      QCOMPARE(QString(coded.what()), QString("Port Not Open"));
    } else {
      QCOMPARE(QString(coded.what()), QString(table[i].text) + " (Error: 13)");
      QCOMPARE(coded.OsCode(), 13);
    }
  }
  QCOMPARE(QString(SerialPortError(3, -7).what()), QString("ReadFile function failed (Error: -7)"));
  QCOMPARE(QString(SerialPortError(5, 1234567).what()),
           QString("PurgeComm function failed (Error: 1234567)"));
  // Caught as any standard error, with the same text.
  try {
    throw SerialPortError(zelor::kErrorWrite, EIO);
  } catch (const std::exception& e) {
    QCOMPARE(QString(e.what()), QString("WriteFile function failed (Error: %1)").arg(EIO));
  }
}

void TestSerialPort::portListOrderAndExtras() {
  using zelor::MergePortNames;
  using V = std::vector<std::string>;
  // Case-insensitive text order: digits compare as characters.
  QVERIFY(MergePortNames({"COM2", "com10", "COM1", "Com3"}, {}) ==
          (V{"COM1", "com10", "COM2", "Com3"}));
  QVERIFY(MergePortNames({"ttyUSB0", "/dev/ttyS1", "COM1", "ttyACM0"}, {}) ==
          (V{"/dev/ttyS1", "COM1", "ttyACM0", "ttyUSB0"}));
  QVERIFY(MergePortNames({"COM1", "COM"}, {}) == (V{"COM", "COM1"}));
  // Names equal but for case: a fixed order whatever the input order.
  QVERIFY(MergePortNames({"com1", "COM1"}, {}) == MergePortNames({"COM1", "com1"}, {}));
  QVERIFY(MergePortNames({}, {}).empty());
  // Extras go after the sorted list, in their own order, each once, and
  // only when not listed already.
  QVERIFY(
      MergePortNames({"COM2", "COM1"}, {"/dev/pts/7", "COM2", "/dev/pts/3", "/dev/pts/7", ""}) ==
      (V{"COM1", "COM2", "/dev/pts/7", "/dev/pts/3"}));
  QVERIFY(MergePortNames({}, {"/dev/pts/4"}) == V{"/dev/pts/4"});
  // The system's own list: sorted, and the extras follow.
  const V system = zelor::ListPorts();
  for (std::size_t i = 1; i < system.size(); ++i) {
    QVERIFY(!zelor::PortNameLess(system[i], system[i - 1]));
  }
  PtyPair pty;
  const V withExtra = zelor::ListPorts({pty.SlaveName()});
  QVERIFY(!withExtra.empty());
  QCOMPARE(Text(withExtra.back()), Text(pty.SlaveName()));
  QVERIFY(V(withExtra.begin(), withExtra.end() - 1) == system);
}

void TestSerialPort::newPortIsClosedCom1() {
  SerialPort port;
  QCOMPARE(Text(port.PortName()), QString("COM1"));
  QVERIFY(!port.IsOpen());
  port.SetPortName("/dev/pts/999");
  QCOMPARE(Text(port.PortName()), QString("/dev/pts/999"));
  QVERIFY(!port.IsOpen());
}

void TestSerialPort::openAndCloseTwiceDoNothing() {
  PtyPair pty;
  SerialPort port;
  port.SetPortName(pty.SlaveName());
  port.Open();
  QVERIFY(port.IsOpen());
  QVERIFY(IsExclusive(pty.SlaveFd()));
  port.Open();  // already open: nothing happens
  QVERIFY(port.IsOpen());
  // Still the same working line.
  const std::uint8_t out[3] = {'s', 'r', 0};
  QCOMPARE(port.Write(out, 3), 3);
  const auto got = pty.ReadMaster(3);
  QCOMPARE(int(got.size()), 3);
  QVERIFY(std::equal(got.begin(), got.end(), out));
  port.Close();
  QVERIFY(!port.IsOpen());
  QVERIFY(!IsExclusive(pty.SlaveFd()));
  port.Close();  // already closed: nothing happens
  QVERIFY(!port.IsOpen());
  QCOMPARE(Text(port.PortName()), Text(pty.SlaveName()));
  // A port that is destroyed while open is closed: the line is free again.
  {
    SerialPort scoped;
    scoped.SetPortName(pty.SlaveName());
    scoped.Open();
    QVERIFY(IsExclusive(pty.SlaveFd()));
  }
  QVERIFY(!IsExclusive(pty.SlaveFd()));
}

void TestSerialPort::openAppliesFixedLine() {
  PtyPair pty;
  // Leave the line in the worst state a previous user could: 7 bits with
  // parity, every translation and flow control on, canonical with echo.
  termios bad{};
  QVERIFY(pty.SlaveSettings(bad));
  bad.c_iflag |= IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                 IXOFF | IXANY;
  bad.c_oflag |= OPOST | ONLCR | OCRNL;
  bad.c_lflag |= ICANON | ECHO | ECHOE | ISIG | IEXTEN;
  bad.c_cflag = (bad.c_cflag & ~CSIZE) | CS7 | PARENB | PARODD | CSTOPB | CRTSCTS;
  bad.c_cc[VMIN] = 5;
  bad.c_cc[VTIME] = 20;
  cfsetispeed(&bad, B115200);
  cfsetospeed(&bad, B115200);
  QVERIFY(pty.SetSlaveSettings(bad));

  SerialPort port;
  port.SetPortName(pty.SlaveName());
  port.Open();
  termios t{};
  QVERIFY(pty.SlaveSettings(t));
  QCOMPARE(cfgetispeed(&t), speed_t(B9600));
  QCOMPARE(cfgetospeed(&t), speed_t(B9600));
  QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
  QCOMPARE(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));
  QCOMPARE(t.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
  QCOMPARE(t.c_iflag & (IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR | IGNCR | ICRNL |
                        IXON | IXOFF | IXANY),
           tcflag_t(0));
  QCOMPARE(t.c_oflag & OPOST, tcflag_t(0));
  QCOMPARE(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), tcflag_t(0));
  QCOMPARE(int(t.c_cc[VMIN]), 0);
  QCOMPARE(int(t.c_cc[VTIME]), 0);
}

void TestSerialPort::allByteValuesPassBothWays() {
  PtyPair pty;
  termios cooked{};
  QVERIFY(pty.SlaveSettings(cooked));
  cooked.c_iflag |= ISTRIP | ICRNL | IXON | PARMRK | INPCK;
  cooked.c_oflag |= OPOST | ONLCR;
  QVERIFY(pty.SetSlaveSettings(cooked));
  SerialPort port;
  port.SetPortName(pty.SlaveName());
  port.Open();
  std::vector<std::uint8_t> values = AllByteValues();
  // Forwards and backwards, so that CR LF and XON/XOFF pairs occur in both orders.
  std::vector<std::uint8_t> sequence = values;
  sequence.insert(sequence.end(), values.rbegin(), values.rend());

  QCOMPARE(port.Write(sequence.data(), int(sequence.size())), int(sequence.size()));
  const auto atMaster = pty.ReadMaster(int(sequence.size()));
  QCOMPARE(int(atMaster.size()), int(sequence.size()));
  QVERIFY(atMaster == sequence);
  QVERIFY(pty.DrainMaster(200).empty());  // nothing added, nothing echoed

  QCOMPARE(pty.WriteMaster(sequence), int(sequence.size()));
  std::vector<std::uint8_t> atPort(sequence.size() + 1, 0xA5);
  int total = 0;
  while (total < int(sequence.size())) {
    const int n = port.Read(atPort.data() + total, int(sequence.size()) - total);
    if (n == 0) break;
    total += n;
  }
  QCOMPARE(total, int(sequence.size()));
  QVERIFY(std::equal(sequence.begin(), sequence.end(), atPort.begin()));
  QCOMPARE(int(atPort.back()), 0xA5);
  std::uint8_t extra = 0;
  QCOMPARE(port.Read(&extra, 1), 0);  // no byte doubled or added
  QVERIFY(pty.DrainMaster(100).empty());
}

void TestSerialPort::silentLongReadReturnsZeroAfterASecond() {
  PtyPair pty;
  SerialPort port;
  port.SetPortName(pty.SlaveName());
  port.Open();
  std::vector<std::uint8_t> buffer(257, 0x5C);
  const auto start = Clock::now();
  const int n = port.Read(buffer.data(), 257);
  const long long ms = MsSince(start);
  QCOMPARE(n, 0);
  QVERIFY2(ms >= 950, qPrintable(QString("returned after %1 ms").arg(ms)));
  QVERIFY2(ms < 5000, qPrintable(QString("returned after %1 ms").arg(ms)));
  for (std::uint8_t b : buffer) QCOMPARE(int(b), 0x5C);
  // A one-byte read behaves the same.
  const auto start1 = Clock::now();
  QCOMPARE(port.Read(buffer.data(), 1), 0);
  QVERIFY(MsSince(start1) >= 950);
}

void TestSerialPort::shortReadKeepsUnreadTail() {
  PtyPair pty;
  SerialPort port;
  port.SetPortName(pty.SlaveName());
  port.Open();
  const std::vector<std::uint8_t> five = {0x00, 0xFF, 0x0D, 0x0A, 0x11};
  std::uint8_t buffer[8] = {1, 2, 3, 4, 5, 0xE1, 0xE2, 0xE3};
  const auto start = Clock::now();
  const pid_t self = static_cast<pid_t>(::gettid());
  auto later = std::async(std::launch::async, [&] {
    WaitBlockedInPoll(self);  // the bytes come while the read waits
    return pty.WriteMaster(five);
  });
  const int n = port.Read(buffer, 8);
  const long long ms = MsSince(start);
  QCOMPARE(later.get(), 5);
  QCOMPARE(n, 5);
  QVERIFY(std::equal(five.begin(), five.end(), buffer));
  QCOMPARE(int(buffer[5]), 0xE1);
  QCOMPARE(int(buffer[6]), 0xE2);
  QCOMPARE(int(buffer[7]), 0xE3);
  QVERIFY2(ms >= 950, qPrintable(QString("returned after %1 ms").arg(ms)));
  QVERIFY(ms < 5000);
}

void TestSerialPort::readCollectsQueuedAndLaterBytes() {
  PtyPair pty;
  SerialPort port;
  port.SetPortName(pty.SlaveName());
  port.Open();
  // Bytes already waiting are taken at once.
  const std::vector<std::uint8_t> frame = {10, 20, 30, 40, 50, 60, 70, 80};
  QCOMPARE(pty.WriteMaster(frame), 8);
  QVERIFY(pty.WaitSlaveQueued(8));
  std::uint8_t buffer[8] = {};
  QCOMPARE(port.Read(buffer, 8), 8);
  QVERIFY(std::equal(frame.begin(), frame.end(), buffer));
  // A read that has part of its bytes keeps waiting for the rest.
  QCOMPARE(pty.WriteMaster(frame.data(), 3), 3);
  QVERIFY(pty.WaitSlaveQueued(3));
  const pid_t self = static_cast<pid_t>(::gettid());
  auto rest = std::async(std::launch::async, [&] {
    WaitBlockedInPoll(self);  // the read holds 3 bytes and waits for more
    return pty.WriteMaster(frame.data() + 3, 5);
  });
  std::uint8_t second[8] = {};
  QCOMPARE(port.Read(second, 8), 8);
  QCOMPARE(rest.get(), 5);
  QVERIFY(std::equal(frame.begin(), frame.end(), second));
  // More waiting than asked for: the rest stays for the next read.
  QCOMPARE(pty.WriteMaster(frame), 8);
  QVERIFY(pty.WaitSlaveQueued(8));
  std::uint8_t small[3] = {};
  QCOMPARE(port.Read(small, 3), 3);
  QVERIFY(std::equal(small, small + 3, frame.begin()));
  std::uint8_t tail[5] = {};
  QCOMPARE(port.Read(tail, 5), 5);
  QVERIFY(std::equal(tail, tail + 5, frame.begin() + 3));
  QCOMPARE(port.Read(tail, 0), 0);
}

void TestSerialPort::failedOpenLeavesPortClosed() {
  SerialPort port;
  port.SetPortName("/nonexistent/ttyZELOR0");
  auto e = ErrorOf([&] { port.Open(); });
  QVERIFY(e.has_value());
  QCOMPARE(e->Number(), 1);
  QCOMPARE(e->OsCode(), ENOENT);
  QCOMPARE(QString(e->what()), QString("Unable to open com port (Error: %1)").arg(ENOENT));
  QVERIFY(!port.IsOpen());

  e = ErrorOf([&] { port.Purge(); });
  QVERIFY(e.has_value());
  QCOMPARE(e->Number(), 5);
  QCOMPARE(e->OsCode(), EBADF);
  QCOMPARE(QString(e->what()), QString("PurgeComm function failed (Error: %1)").arg(EBADF));

  const std::uint8_t bytes[2] = {'s', 'r'};
  e = ErrorOf([&] { port.Write(bytes, 2); });
  QVERIFY(e.has_value());
  QCOMPARE(e->Number(), 24);
  QCOMPARE(QString(e->what()), QString("Port Not Open"));

  std::uint8_t buffer[4] = {7, 7, 7, 7};
  e = ErrorOf([&] { port.Read(buffer, 4); });
  QVERIFY(e.has_value());
  QCOMPARE(e->Number(), 24);
  QCOMPARE(QString(e->what()), QString("Port Not Open"));
  QCOMPARE(int(buffer[0]), 7);

  // Something that opens but is no terminal is refused and released.
  port.SetPortName("/dev/null");
  e = ErrorOf([&] { port.Open(); });
  QVERIFY(e.has_value());
  QCOMPARE(e->Number(), 1);
  QCOMPARE(e->OsCode(), ENOTTY);
  QVERIFY(!port.IsOpen());

  // A port never opened at all behaves the same.
  SerialPort fresh;
  e = ErrorOf([&] { fresh.Purge(); });
  QVERIFY(e.has_value());
  QCOMPARE(e->Number(), 5);
  e = ErrorOf([&] { fresh.Write(bytes, 2); });
  QVERIFY(e.has_value());
  QCOMPARE(e->Number(), 24);
}

void TestSerialPort::purgeDiscardsQueuedInput() {
  PtyPair pty;
  SerialPort port;
  port.SetPortName(pty.SlaveName());
  port.Open();
  const std::vector<std::uint8_t> stale = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  QCOMPARE(pty.WriteMaster(stale), 10);
  QVERIFY(pty.WaitSlaveQueued(10));
  port.Purge();
  QCOMPARE(pty.SlaveQueued(), 0);
  std::uint8_t buffer[10] = {};
  QCOMPARE(port.Read(buffer, 10), 0);
  // What arrives after the purge is read normally.
  const std::vector<std::uint8_t> fresh = {0xAA, 0xBB};
  QCOMPARE(pty.WriteMaster(fresh), 2);
  QCOMPARE(port.Read(buffer, 2), 2);
  QCOMPARE(int(buffer[0]), 0xAA);
  QCOMPARE(int(buffer[1]), 0xBB);
  port.Purge();  // an empty queue purges without error
}

void TestSerialPort::openIsExclusiveUntilClose() {
  PtyPair pty;
  SerialPort first;
  SerialPort second;
  first.SetPortName(pty.SlaveName());
  second.SetPortName(pty.SlaveName());
  first.Open();
  QVERIFY(IsExclusive(pty.SlaveFd()));
  // Refused whoever runs it: the superuser passes the terminal's exclusive
  // mode, but not the lock.
  auto e = ErrorOf([&] { second.Open(); });
  QVERIFY(e.has_value());
  QCOMPARE(e->Number(), 1);
  QCOMPARE(e->OsCode(), EBUSY);
  QVERIFY(!second.IsOpen());
  // The refusal took nothing from the holder.
  QVERIFY(IsExclusive(pty.SlaveFd()));
  first.Close();
  QVERIFY(!IsExclusive(pty.SlaveFd()));
  second.Close();
  second.Open();
  QVERIFY(second.IsOpen());
  QVERIFY(IsExclusive(pty.SlaveFd()));
}

void TestSerialPort::writeStopsAtItsTimeOut() {
  PtyPair pty;
  SerialPort port;
  port.SetPortName(pty.SlaveName());
  port.Open();
  // Far more than a pseudo-terminal buffers while nobody reads the master.
  std::vector<std::uint8_t> big(4 << 20, 0x55);
  const auto start = Clock::now();
  const int n = port.Write(big.data(), int(big.size()));
  const long long ms = MsSince(start);
  QVERIFY2(n > 0 && n < int(big.size()), qPrintable(QString("wrote %1").arg(n)));
  QVERIFY2(ms >= 950, qPrintable(QString("returned after %1 ms").arg(ms)));
  QVERIFY(ms < 5000);
  // What was handed over really went out, intact.
  const auto got = pty.DrainMaster(300);
  QCOMPARE(int(got.size()), n);
  QVERIFY(std::all_of(got.begin(), got.end(), [](std::uint8_t b) { return b == 0x55; }));
}

void TestSerialPort::closeWakesBlockedRead() {
  PtyPair pty;
  SerialPort port;
  port.SetPortName(pty.SlaveName());
  port.Open();
  std::uint8_t buffer[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  BackgroundCall reader;
  reader.Start([&] { return port.Read(buffer, 8); });
  WaitBlockedInPoll(reader.tid);
  port.Close();
  QVERIFY(!port.IsOpen());
  QVERIFY(reader.Join());
  // Raised rather than returned: it did not sit out its time-out.
  QCOMPARE(reader.error.load(), 3);
  QCOMPARE(Text(reader.message), QString("ReadFile function failed"));
  QCOMPARE(int(buffer[0]), 9);
  // The device is released once the reader has left: the line is free.
  QVERIFY(!IsExclusive(pty.SlaveFd()));
  port.Open();
  QVERIFY(port.IsOpen());
}

void TestSerialPort::closeWakesBlockedWrite() {
  PtyPair pty;
  SerialPort port;
  port.SetPortName(pty.SlaveName());
  port.Open();
  std::vector<std::uint8_t> big(4 << 20, 0x33);
  BackgroundCall writer;
  writer.Start([&] { return port.Write(big.data(), int(big.size())); });
  WaitBlockedInPoll(writer.tid);
  port.Close();
  QVERIFY(writer.Join());
  QCOMPARE(writer.error.load(), 2);
  QCOMPARE(Text(writer.message), QString("WriteFile function failed"));
}

void TestSerialPort::farEndHangUpRaisesReadError() {
  {
    // The far end goes away while a read waits.
    PtyPair pty;
    SerialPort port;
    port.SetPortName(pty.SlaveName());
    port.Open();
    std::uint8_t buffer[8] = {};
    BackgroundCall reader;
    reader.Start([&] { return port.Read(buffer, 8); });
    WaitBlockedInPoll(reader.tid);
    pty.CloseMaster();
    QVERIFY(reader.Join());
    QCOMPARE(reader.error.load(), 3);
    QVERIFY(QString::fromStdString(reader.message).startsWith("ReadFile function failed"));
    // Every later call fails at once as well, none waits out its time-out.
    for (int i = 0; i < 3; ++i) {
      const auto start = Clock::now();
      auto e = ErrorOf([&] { port.Read(buffer, 8); });
      QVERIFY(e.has_value());
      QCOMPARE(e->Number(), 3);
      QVERIFY(MsSince(start) < 5000);
    }
    const std::uint8_t cmd[1] = {'s'};
    auto e = ErrorOf([&] { port.Write(cmd, 1); });
    QVERIFY(e.has_value());
    QCOMPARE(e->Number(), 2);
    port.Close();
    QVERIFY(!port.IsOpen());
  }
  {
    // The far end is gone before the read starts; here the pair keeps no
    // slave of its own, so the port holds the terminal's only slave side.
    PtyPair pty(false);
    SerialPort port;
    port.SetPortName(pty.SlaveName());
    port.Open();
    pty.CloseMaster();
    std::uint8_t buffer[8] = {};
    auto e = ErrorOf([&] { port.Read(buffer, 8); });
    QVERIFY(e.has_value());
    QCOMPARE(e->Number(), 3);
  }
}

void TestSerialPort::farEndGoneDuringTableWrite() {
  PtyPair pty;
  SerialPort port;
  port.SetPortName(pty.SlaveName());
  port.Open();
  QVERIFY(HoldOutput(pty));  // the frame has to wait for room
  std::array<std::uint8_t, 256> cells{};
  const auto frame = zelor::protocol::TableWriteFrame(cells);
  BackgroundCall writer;
  writer.Start([&] { return port.Write(frame.data(), int(frame.size())); });
  WaitBlockedInPoll(writer.tid);
  pty.CloseMaster();
  QVERIFY(writer.Join());
  // Raised at once rather than a count returned after the time-out.
  QCOMPARE(writer.error.load(), 2);
  QVERIFY2(Text(writer.message).startsWith("WriteFile function failed"), writer.message.c_str());
}

void TestSerialPort::readAndWriteUnderASignalStorm() {
  readerSignals = 0;
  writerSignals = 0;
  const CountingHandler onReader(SIGUSR1);
  const CountingHandler onWriter(SIGUSR2);
  QVERIFY(onReader.installed && onWriter.installed);
  PtyPair pty;
  SerialPort port;
  port.SetPortName(pty.SlaveName());
  port.Open();
  QVERIFY(HoldOutput(pty));
  std::array<std::uint8_t, 256> cells{};
  for (int i = 0; i < 256; ++i) cells[i] = static_cast<std::uint8_t>(255 - i);
  const auto frame = zelor::protocol::TableWriteFrame(cells);
  std::vector<std::uint8_t> reply(zelor::protocol::kTableReplySize);
  for (std::size_t i = 0; i < reply.size(); ++i) reply[i] = static_cast<std::uint8_t>(i * 7);
  std::vector<std::uint8_t> in(reply.size(), 0);

  BackgroundCall reader;
  BackgroundCall writer;
  reader.Start([&] { return port.Read(in.data(), int(in.size())); });
  writer.Start([&] { return port.Write(frame.data(), int(frame.size())); });
  const std::jthread stormer([&](std::stop_token stop) {
    while (!stop.stop_requested()) {
      ::syscall(SYS_tgkill, ::getpid(), reader.tid.load(), SIGUSR1);
      ::syscall(SYS_tgkill, ::getpid(), writer.tid.load(), SIGUSR2);
      std::this_thread::yield();
    }
  });
  // Both calls are broken off while they wait, ...
  WaitBlockedInPoll(reader.tid);
  WaitBlockedInPoll(writer.tid);
  WaitForSignals(readerSignals, 10, reader);
  WaitForSignals(writerSignals, 10, writer);
  // ... the read between the parts of the reply, ...
  QCOMPARE(pty.WriteMaster(reply.data(), 100), 100);
  WaitForSignals(readerSignals, 20, reader);
  QCOMPARE(pty.WriteMaster(reply.data() + 100, int(reply.size()) - 100), int(reply.size()) - 100);
  // ... the write until the far end takes bytes again.
  WaitForSignals(writerSignals, 20, writer);
  QVERIFY(ResumeOutput(pty));
  const auto atFarEnd = pty.ReadMaster(int(frame.size()));
  QVERIFY(reader.Join());
  QVERIFY(writer.Join());

  QCOMPARE(reader.error.load(), 0);
  QCOMPARE(reader.result.load(), int(reply.size()));
  QVERIFY(in == reply);
  QCOMPARE(writer.error.load(), 0);
  QCOMPARE(writer.result.load(), int(frame.size()));
  QVERIFY(std::equal(frame.begin(), frame.end(), atFarEnd.begin(), atFarEnd.end()));
  QVERIFY(pty.DrainMaster(100).empty());
  // The storm did land on both while they were inside.
  QVERIFY(readerSignals.load() >= 20);
  QVERIFY(writerSignals.load() >= 20);
}

void TestSerialPort::reopenAndPortNameChange() {
  PtyPair a;
  PtyPair b;
  SerialPort port;
  port.SetPortName(a.SlaveName());
  for (int round = 0; round < 3; ++round) {
    port.Open();
    const std::uint8_t byte = static_cast<std::uint8_t>(0x40 + round);
    QCOMPARE(a.WriteMaster(&byte, 1), 1);
    std::uint8_t got = 0;
    QCOMPARE(port.Read(&got, 1), 1);
    QCOMPARE(int(got), int(byte));
    port.Close();
  }
  port.Open();
  // The same name again changes nothing.
  port.SetPortName(a.SlaveName());
  QVERIFY(port.IsOpen());
  QVERIFY(IsExclusive(a.SlaveFd()));
  // Another name while open: closed here, opened there.
  port.SetPortName(b.SlaveName());
  QVERIFY(port.IsOpen());
  QCOMPARE(Text(port.PortName()), Text(b.SlaveName()));
  QVERIFY(!IsExclusive(a.SlaveFd()));
  QVERIFY(IsExclusive(b.SlaveFd()));
  const std::uint8_t hello[2] = {'h', 'i'};
  QCOMPARE(port.Write(hello, 2), 2);
  QCOMPARE(int(b.ReadMaster(2).size()), 2);
  QVERIFY(a.DrainMaster(100).empty());
  // A failing new name leaves the port closed under that name.
  auto e = ErrorOf([&] { port.SetPortName("/nonexistent/ttyZELOR1"); });
  QVERIFY(e.has_value());
  QCOMPARE(e->Number(), 1);
  QVERIFY(!port.IsOpen());
  QVERIFY(!IsExclusive(b.SlaveFd()));
  QCOMPARE(Text(port.PortName()), QString("/nonexistent/ttyZELOR1"));
}

void TestSerialPort::staleReaderNeverReadsNewPort() {
  PtyPair pty;
  SerialPort port;
  port.SetPortName(pty.SlaveName());
  port.Open();
  for (int round = 0; round < 20; ++round) {
    std::uint8_t staleBuffer[8] = {};
    BackgroundCall reader;
    reader.Start([&] { return port.Read(staleBuffer, 8); });
    WaitBlockedInPoll(reader.tid);
    port.Close();
    port.Open();  // the OS may hand out the same descriptor number again
    std::vector<std::uint8_t> frame(8);
    for (int i = 0; i < 8; ++i) frame[i] = static_cast<std::uint8_t>(round * 8 + i);
    QCOMPARE(pty.WriteMaster(frame), 8);
    std::uint8_t buffer[8] = {};
    QCOMPARE(port.Read(buffer, 8), 8);
    QVERIFY(std::equal(frame.begin(), frame.end(), buffer));
    QVERIFY(reader.Join());
    QCOMPARE(reader.error.load(), 3);
    for (std::uint8_t b : staleBuffer) QCOMPARE(int(b), 0);
    // The old opening, released as its reader left, took nothing from the
    // new one: the port is still held against a second user.
    QVERIFY(IsExclusive(pty.SlaveFd()));
    SerialPort second;
    second.SetPortName(pty.SlaveName());
    const auto e = ErrorOf([&] { second.Open(); });
    QVERIFY(e.has_value());
    QCOMPARE(e->OsCode(), EBUSY);
  }
}

void TestSerialPort::readerAndWriterRunTogether() {
  PtyPair pty;
  SerialPort port;
  port.SetPortName(pty.SlaveName());
  port.Open();
  constexpr int kFrames = 60;
  // The far end streams numbered 8-byte frames ...
  auto farEnd = std::async(std::launch::async, [&] {
    int sent = 0;
    for (int f = 0; f < kFrames; ++f) {
      std::vector<std::uint8_t> frame(8, static_cast<std::uint8_t>(f));
      sent += pty.WriteMaster(frame);
      if (f % 10 == 0) PtyPair::Sleep(5);
    }
    return sent;
  });
  // ... a reader thread takes them frame by frame ...
  std::vector<std::uint8_t> received;
  std::atomic<int> receivedCount{0};
  std::atomic<pid_t> readerTid{0};
  std::atomic<int> readerError{0};
  std::thread reader([&] {
    readerTid = static_cast<pid_t>(::gettid());
    try {
      std::uint8_t frame[8];
      for (;;) {
        const int n = port.Read(frame, 8);
        received.insert(received.end(), frame, frame + n);
        receivedCount += n;
        if (n < 8) break;
      }
    } catch (const SerialPortError& e) {
      readerError = e.Number();
    }
  });
  // ... while this thread sends commands the other way.
  std::vector<std::uint8_t> commands;
  for (int i = 0; i < 40; ++i) {
    const std::uint8_t cmd[3] = {'c', static_cast<std::uint8_t>(i), '\r'};
    QCOMPARE(port.Write(cmd, 3), 3);
    commands.insert(commands.end(), cmd, cmd + 3);
  }
  QCOMPARE(farEnd.get(), kFrames * 8);
  const auto atMaster = pty.ReadMaster(int(commands.size()));
  QVERIFY(atMaster == commands);
  // Wait for all frames, then close under the reader's next read.
  const auto start = Clock::now();
  while (receivedCount.load() < kFrames * 8 && Clock::now() - start < kHangGuard) PtyPair::Sleep(5);
  WaitBlockedInPoll(readerTid.load());
  port.Close();
  reader.join();
  QCOMPARE(int(received.size()), kFrames * 8);
  for (int i = 0; i < kFrames * 8; ++i) QCOMPARE(int(received[i]), i / 8);
  // It ended either on the close (3) or on a silent second before it.
  QVERIFY(readerError.load() == 3 || readerError.load() == 0);
}

QTEST_APPLESS_MAIN(TestSerialPort)
#include "test_serial_port.moc"
