// Tests of the converter simulator: the device logic on an explicit clock,
// its parts (engine, pump, paced line, record files, options), the loop on a
// real pseudo-terminal in-process, and the converter-sim executable.

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <numeric>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/AccelPump.h"
#include "sim/ConverterDevice.h"
#include "sim/DeviceMemory.h"
#include "sim/EngineModel.h"
#include "sim/FaultSet.h"
#include "sim/PacedLine.h"
#include "sim/Pty.h"
#include "sim/RecordFile.h"
#include "sim/Recorder.h"
#include "sim/SimLoop.h"
#include "sim/SimOptions.h"
#include "support/SimProcess.h"

using namespace zelor::sim;
using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

namespace {

Bytes Str(const char* s) { return Bytes(s, s + std::strlen(s)); }

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// A table that is neither 1:1 nor constant: cell i holds (7 i + 3) mod 256.
Table OddTable() {
  Table t{};
  for (std::size_t i = 0; i < kTableSize; ++i) t[i] = static_cast<std::uint8_t>((7 * i + 3) & 0xFF);
  return t;
}

// The "sw" frame for a table.
Bytes WriteFrame(const Table& t) {
  Bytes f = Str("sw");
  f.insert(f.end(), t.begin(), t.end());
  f.push_back(0x00);
  return f;
}

// A device driven on a simulated clock. Output is handed out once: by Take,
// or by Run for what came before and during the run.
struct Bench {
  explicit Bench(DeviceConfig c = {}) : dev(std::move(c)) {}

  void Send(const Bytes& b) { dev.Receive(b, now); }

  // Moves the clock forward in 1 ms steps; returns everything sent that was
  // not yet taken, including what was sent during the run.
  Bytes Run(milliseconds d) {
    Bytes got = dev.TakeOutput();
    const SimTime end = now + d;
    while (now < end) {
      now += milliseconds(1);
      dev.Advance(now);
      const Bytes o = dev.TakeOutput();
      got.insert(got.end(), o.begin(), o.end());
    }
    return got;
  }

  // Everything sent and not yet taken.
  Bytes Take() { return dev.TakeOutput(); }

  ConverterDevice dev;
  SimTime now{0};
};

DeviceConfig WithFault(const char* text) {
  DeviceConfig c;
  std::string err;
  if (!c.faults.Add(text, err)) qFatal("bad fault %s: %s", text, err.c_str());
  return c;
}

DeviceConfig WithTable(const Table& t) {
  DeviceConfig c;
  c.memory.table = t;
  return c;
}

// The table the simulated ECU expects: output = ExpectedVaf(MAF), lambda 1.
Table TunedTable() {
  Table t{};
  for (std::size_t i = 0; i < kTableSize; ++i)
    t[i] = static_cast<std::uint8_t>(EngineModel::ExpectedVaf(static_cast<int>(i)));
  return t;
}

// Splits a byte stream into 8-byte frames (an incomplete tail is dropped).
std::vector<Bytes> Frames(const Bytes& b) {
  std::vector<Bytes> f;
  for (std::size_t i = 0; i + 8 <= b.size(); i += 8)
    f.emplace_back(b.begin() + i, b.begin() + i + 8);
  return f;
}

// ---- POSIX helpers for the real port ----

// Opens a serial port raw at 9600 8N1, as a configurator would.
int OpenPortRaw(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) return -1;
  termios tio{};
  ::tcgetattr(fd, &tio);
  ::cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  ::cfsetispeed(&tio, B9600);
  ::cfsetospeed(&tio, B9600);
  ::tcsetattr(fd, TCSANOW, &tio);
  return fd;
}

bool WriteAll(int fd, const Bytes& b) {
  std::size_t off = 0;
  while (off < b.size()) {
    const ssize_t n = ::write(fd, b.data() + off, b.size() - off);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    off += static_cast<std::size_t>(n);
  }
  return true;
}

// Reads until `want` bytes arrived, the line fell silent for `silence`, or
// the port hung up. `hungUp` tells whether it did.
Bytes ReadUpTo(int fd, std::size_t want, milliseconds silence, bool* hungUp = nullptr) {
  Bytes got;
  if (hungUp) *hungUp = false;
  while (got.size() < want) {
    pollfd p{fd, POLLIN, 0};
    const int r = ::poll(&p, 1, static_cast<int>(silence.count()));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    if (p.revents & POLLIN) {
      std::uint8_t buf[512];
      const ssize_t n = ::read(fd, buf, std::min(sizeof buf, want - got.size()));
      if (n > 0) {
        got.insert(got.end(), buf, buf + n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
    }
    if (hungUp) *hungUp = true;  // POLLHUP, or a read of 0 / EIO
    break;
  }
  return got;
}

using zelor::testing::SimPath;
using zelor::testing::SimProcess;

}  // namespace

class TestConverterSim : public QObject {
  Q_OBJECT

 private slots:
  // ---- command parsing and replies ----
  void tableReadRepliesCellsAndChecksum();
  void sIsStopUnlessALetterFollowsInTime();
  void commandsSplitAcrossWritesAndJoinedInOne();
  void versionReply();
  void writeTakesEffectAfterFlashDelay();
  void malformedOrAbandonedDataIsDropped();
  void correctionShiftsOutputOnlyInsideRange();
  void liveTableUpdateReplacesTableAndSettings();
  void correctionCommandsLeaveNoGapInStream();

  // ---- stream ----
  void streamFramesAtHundredPerSecond();
  void frameLayout();
  void streamStopsOnS();
  void o2FollowsOutputAgainstVaf();
  void o2WidebandCountFollowsScale();
  void o2DelayShiftsTheAnswerByWholeFrames();
  void o2WidebandStreamFuelCutAndEnrichment();
  void o2DefaultStreamUnchanged();
  void o2AnswersAsARealSensor();
  void ecuTrimsOrEnriches();
  void spedUpStreamIsTheSameDrive();

  // ---- faults ----
  void faultSilent();
  void faultShortAndExtraTable();
  void faultVersion();
  void faultIgnoreWriteAndCorruptReadback();
  void faultKeepTalking();
  void faultStallDropHangup();

  // ---- parts ----
  void engineStaysInRangeAndCoversIt();
  void engineIsReproducibleBySeed();
  void accelPumpEnrichesOnFastRise();
  void memoryFromTabImage();
  void recordFileRoundTrip();
  void pacedLineKeepsLinePace();
  void optionsAndFaultNames();

  // ---- on a real pseudo-terminal ----
  void loopServesPtyInProcess();
  void unreadBytesCountEveryByteSent();
  void executableServesTableAndVersion();
  void executableRecordsAndLoadsTable();
  void executableHangupFault();
  void executableRejectsBadOptions();
  void executableStreamsWidebandAfterWarmup();
};

// ---------------------------------------------------------------------------

void TestConverterSim::tableReadRepliesCellsAndChecksum() {
  {
    Bench b;  // default memory: the 1:1 table
    b.Send(Str("sr"));
    const Bytes r = b.Take();
    QCOMPARE(r.size(), std::size_t{257});
    for (int i = 0; i < 256; ++i) QCOMPARE(int(r[i]), i);
    // 0 + 1 + ... + 255 = 32640 = 127 * 256 + 128.
    QCOMPARE(int(r[256]), 128);
  }
  {
    Table ones;
    ones.fill(1);  // sum 256: low 8 bits 0
    Bench b(WithTable(ones));
    b.Send(Str("sr"));
    const Bytes r = b.Take();
    QCOMPARE(r.size(), std::size_t{257});
    QVERIFY(std::all_of(r.begin(), r.begin() + 256, [](auto v) { return v == 1; }));
    QCOMPARE(int(r[256]), 0);
  }
  {
    const Table t = OddTable();
    Bench b(WithTable(t));
    b.Send(Str("sr"));
    const Bytes r = b.Take();
    QVERIFY(std::equal(t.begin(), t.end(), r.begin()));
    unsigned sum = 0;
    for (auto v : t) sum += v;
    QCOMPARE(int(r[256]), int(sum % 256));
    QCOMPARE(DeviceMemory::Checksum(t), std::uint8_t(sum % 256));
    // Nothing more follows: the line falls silent after the reply.
    QVERIFY(b.Run(milliseconds(2000)).empty());
  }
}

void TestConverterSim::sIsStopUnlessALetterFollowsInTime() {
  // 's' then 'r' 5 ms later: still the table read.
  {
    Bench b;
    b.Send(Str("s"));
    b.Run(milliseconds(5));
    b.Send(Str("r"));
    QCOMPARE(b.Take().size(), std::size_t{257});
  }
  // 's' alone for longer than the stop wait: a stop; a later 'r' is nothing.
  {
    Bench b;
    b.Send(Str("s"));
    b.Run(milliseconds(30));
    b.Send(Str("r"));
    QVERIFY(b.Run(milliseconds(100)).empty());
  }
  // 's' followed at once by 'v': the stop, then the version query.
  {
    Bench b;
    b.Send(Str("sl"));
    b.Run(milliseconds(50));
    QVERIFY(b.dev.Streaming());
    b.Take();
    b.Send(Str("sv"));
    QVERIFY(!b.dev.Streaming());
    const Bytes r = b.Take();
    QCOMPARE(r.size(), std::size_t{1});
    QCOMPARE(int(r[0]), 32);
    QVERIFY(b.Run(milliseconds(200)).empty());
  }
  // "s" "s" "r": a stop, then a table read.
  {
    Bench b;
    b.Send(Str("ssr"));
    QCOMPARE(b.Take().size(), std::size_t{257});
  }
}

void TestConverterSim::commandsSplitAcrossWritesAndJoinedInOne() {
  // The table write byte by byte, 1 ms apart, then a read-back after the delay.
  const Table t = OddTable();
  {
    Bench b;
    Bytes replies;
    for (std::uint8_t byte : WriteFrame(t)) {
      b.Send(Bytes{byte});
      const Bytes r = b.Run(milliseconds(1));
      replies.insert(replies.end(), r.begin(), r.end());
    }
    QVERIFY(b.dev.FlashPending());
    const Bytes later = b.Run(milliseconds(400));
    QVERIFY(replies.empty());  // a write has no reply
    QVERIFY(later.empty());
    b.Send(Str("s"));
    b.Run(milliseconds(3));
    b.Send(Str("r"));
    const Bytes r = b.Take();
    QCOMPARE(r.size(), std::size_t{257});
    QVERIFY(std::equal(t.begin(), t.end(), r.begin()));
  }
  // Several commands in one write: range, step, version, table read.
  {
    Bench b;
    b.Send(Concat({Str("g"), Bytes{10, 20}, Str("c"), Bytes{5, 1}, Str("v"), Str("sr")}));
    QCOMPARE(b.dev.RangeBegin(), 10);
    QCOMPARE(b.dev.RangeEnd(), 20);
    QCOMPARE(b.dev.Step(), -5);
    const Bytes r = b.Take();
    QCOMPARE(r.size(), std::size_t{258});
    QCOMPARE(int(r[0]), 32);
    QCOMPARE(int(r[1]), 0);  // cell 0 of the 1:1 table
  }
  // Command byte in one write, data in another (as the configurator sends them).
  {
    Bench b;
    b.Send(Str("g"));
    b.Run(milliseconds(2));
    b.Send(Bytes{0x73, 0x76});  // 's' and 'v' are data here, not commands
    QCOMPARE(b.dev.RangeBegin(), 0x73);
    QCOMPARE(b.dev.RangeEnd(), 0x76);
    QVERIFY(b.Take().empty());
    QVERIFY(!b.dev.Streaming());
  }
}

void TestConverterSim::versionReply() {
  for (int v : {32, 0, 5, 255}) {
    DeviceConfig c;
    c.version = static_cast<std::uint8_t>(v);
    Bench b(c);
    b.Send(Str("v"));
    const Bytes r = b.Take();
    QCOMPARE(r.size(), std::size_t{1});
    QCOMPARE(int(r[0]), v);
  }
}

void TestConverterSim::writeTakesEffectAfterFlashDelay() {
  const Table t = OddTable();
  Bench b;
  b.Send(WriteFrame(t));
  QVERIFY(b.dev.FlashPending());
  b.Run(milliseconds(100));
  // A read-back inside the delay returns the old table.
  b.Send(Str("sr"));
  Bytes r = b.Take();
  QCOMPARE(r.size(), std::size_t{257});
  QCOMPARE(int(r[1]), 1);
  QCOMPARE(int(r[256]), 128);
  b.Run(milliseconds(250));  // 350 ms after the write
  QVERIFY(!b.dev.FlashPending());
  b.Send(Str("sr"));
  r = b.Take();
  QVERIFY(std::equal(t.begin(), t.end(), r.begin()));
  QCOMPARE(b.dev.CurrentTable(), t);

  // A second write inside the delay restarts it with the newer table.
  Table u;
  u.fill(9);
  Bench c;
  c.Send(WriteFrame(t));
  c.Run(milliseconds(200));
  c.Send(WriteFrame(u));
  c.Run(milliseconds(200));  // 400 ms after the first, 200 after the second
  QCOMPARE(int(c.dev.CurrentTable()[5]), 5);
  c.Run(milliseconds(150));
  QCOMPARE(c.dev.CurrentTable(), u);

  // The flash delay is configurable.
  DeviceConfig slow;
  slow.flashDelay = milliseconds(2000);
  Bench d(slow);
  d.Send(WriteFrame(t));
  d.Run(milliseconds(1900));
  QCOMPARE(int(d.dev.CurrentTable()[5]), 5);
  d.Run(milliseconds(150));
  QCOMPARE(d.dev.CurrentTable(), t);
}

void TestConverterSim::malformedOrAbandonedDataIsDropped() {
  // A write frame whose terminator is not 0x00 is not taken; the terminator
  // byte is read as a command of its own (here 'v').
  {
    Bench b;
    Bytes f = WriteFrame(OddTable());
    f.back() = 'v';
    b.Send(f);
    const Bytes r = b.Take();
    QCOMPARE(r.size(), std::size_t{1});
    QCOMPARE(int(r[0]), 32);
    QVERIFY(!b.dev.FlashPending());
    QVERIFY(b.Run(milliseconds(1000)).empty());
    QCOMPARE(b.dev.CurrentTable(), DeviceMemory::IdentityTable());
  }
  // "g" whose data never comes: abandoned after the data timeout, so the
  // next bytes are commands again.
  {
    Bench b;
    b.Send(Str("g"));
    b.Run(milliseconds(1500));
    b.Send(Str("v"));
    QCOMPARE(b.Take().size(), std::size_t{1});
    QCOMPARE(b.dev.RangeBegin(), 0);
    QCOMPARE(b.dev.RangeEnd(), 0);
  }
  // A half-sent table write is abandoned and does not change the table.
  {
    Bench b;
    Bytes f = WriteFrame(OddTable());
    f.resize(100);
    b.Send(f);
    b.Run(milliseconds(1500));
    b.Send(Str("sr"));
    const Bytes r = b.Take();
    QCOMPARE(r.size(), std::size_t{257});
    QCOMPARE(int(r[10]), 10);
  }
  // Unknown bytes are ignored.
  {
    Bench b;
    b.Send(Bytes{0x00, 'x', 0xFF, 'r', 'a', 'l', 'w'});
    QVERIFY(b.Run(milliseconds(100)).empty());
    QVERIFY(!b.dev.Streaming());
  }
}

void TestConverterSim::correctionShiftsOutputOnlyInsideRange() {
  Table t = DeviceMemory::IdentityTable();
  t[110] = 250;
  Bench b(WithTable(t));
  b.Send(Concat({Str("g"), Bytes{100, 120}, Str("c"), Bytes{10, 0}}));
  QCOMPARE(b.dev.Step(), 10);
  for (int m = 0; m < 256; ++m) {
    const int want = (m >= 100 && m <= 120) ? std::min(255, t[m] + 10) : t[m];
    QCOMPARE(int(b.dev.OutputFor(static_cast<std::uint8_t>(m))), want);
  }
  QCOMPARE(int(b.dev.OutputFor(110)), 255);  // clamped
  // Negative step, clamped at 0.
  b.Send(Concat({Str("g"), Bytes{0, 20}, Str("c"), Bytes{15, 1}}));
  QCOMPARE(b.dev.Step(), -15);
  QCOMPARE(int(b.dev.OutputFor(5)), 0);
  QCOMPARE(int(b.dev.OutputFor(20)), 5);
  QCOMPARE(int(b.dev.OutputFor(21)), 21);
  QCOMPARE(int(b.dev.OutputFor(110)), 250);
  // The table itself is not changed by a correction.
  QCOMPARE(b.dev.CurrentTable(), t);
  // A range given with b > e holds no cell.
  b.Send(Concat({Str("g"), Bytes{50, 40}, Str("c"), Bytes{30, 0}}));
  for (int m = 0; m < 256; ++m)
    QCOMPARE(int(b.dev.OutputFor(static_cast<std::uint8_t>(m))), int(t[m]));

  // In the stream, byte 0 of every frame is the corrected cell of its MAF.
  Bench s(WithTable(OddTable()));
  s.Send(Concat({Str("g"), Bytes{60, 180}, Str("c"), Bytes{20, 0}, Str("sl")}));
  const auto frames = Frames(s.Run(milliseconds(25'000)));
  QVERIFY(frames.size() > 2000);
  int inside = 0;
  int outside = 0;
  const Table o = OddTable();
  for (const Bytes& f : frames) {
    const int maf = f[3];
    const bool in = maf >= 60 && maf <= 180;
    (in ? inside : outside)++;
    QCOMPARE(int(f[0]), in ? std::min(255, o[maf] + 20) : int(o[maf]));
  }
  QVERIFY(inside > 100);
  QVERIFY(outside > 100);
}

void TestConverterSim::liveTableUpdateReplacesTableAndSettings() {
  const Table t = OddTable();
  const Settings set{10, 20, 192, 32, 64, 96};
  Bytes image = Str("t");
  image.insert(image.end(), t.begin(), t.end());
  image.insert(image.end(), set.begin(), set.end());

  Bench b;
  b.Send(image);
  QVERIFY(b.Take().empty());
  QCOMPARE(b.dev.CurrentTable(), t);
  QCOMPARE(b.dev.CurrentSettings(), set);
  b.Send(Str("sr"));
  const Bytes r = b.Take();
  QVERIFY(std::equal(t.begin(), t.end(), r.begin()));

  // A live update after a write still waiting in flash wins over it.
  Bench c;
  Table u;
  u.fill(77);
  c.Send(WriteFrame(u));
  c.Run(milliseconds(50));
  c.Send(image);
  c.Run(milliseconds(500));
  QCOMPARE(c.dev.CurrentTable(), t);

  // While streaming: the frames switch to the new table.
  Bench s;
  s.Send(Str("sa"));
  s.Run(milliseconds(200));
  s.Take();
  s.Send(image);
  for (const Bytes& f : Frames(s.Run(milliseconds(3000)))) QCOMPARE(int(f[0]), int(t[f[3]]));
}

void TestConverterSim::correctionCommandsLeaveNoGapInStream() {
  // Commands arrive at line pace while the stream runs; the frames keep
  // coming every 10 ms throughout.
  Bench b;
  b.Send(Str("sl"));
  b.Run(milliseconds(100));
  b.Take();
  Bytes traffic = Concat({Str("g"), Bytes{40, 90}, Str("c"), Bytes{3, 0}, Str("t")});
  const Table t = OddTable();
  traffic.insert(traffic.end(), t.begin(), t.end());
  const Settings set = DeviceMemory::DefaultSettings();
  traffic.insert(traffic.end(), set.begin(), set.end());
  Bytes during;
  for (std::uint8_t byte : traffic) {
    b.Send(Bytes{byte});
    const Bytes r = b.Run(milliseconds(1));
    during.insert(during.end(), r.begin(), r.end());
  }
  // 269 ms of traffic: 26 or 27 frames, whole, with no byte lost.
  QCOMPARE(traffic.size(), std::size_t{269});
  QVERIFY(during.size() % 8 == 0);
  QVERIFY(during.size() / 8 >= 26 && during.size() / 8 <= 27);
  QVERIFY(b.dev.Streaming());
  QCOMPARE(b.dev.RangeBegin(), 40);
  QCOMPARE(b.dev.RangeEnd(), 90);
  QCOMPARE(b.dev.Step(), 3);
  QCOMPARE(b.dev.CurrentTable(), t);
  // Frame counters run on without a jump.
  const auto f = Frames(during);
  for (std::size_t i = 1; i < f.size(); ++i) QCOMPARE(int(f[i][1]), (f[i - 1][1] + 1) & 0xFF);
}

void TestConverterSim::streamFramesAtHundredPerSecond() {
  Bench b;
  b.Send(Str("sa"));
  QVERIFY(b.dev.Streaming());
  QVERIFY(b.dev.LearningMode());
  // The first frame is due at once, with no header before it.
  QCOMPARE(b.dev.NextDeadline()->count(), b.now.count());
  b.dev.Advance(b.now);
  const Bytes first = b.Take();
  QCOMPARE(first.size(), std::size_t{8});
  QCOMPARE(int(first[1]), 0);
  // Then one every 10 ms: 100 more in the next second.
  const Bytes r = b.Run(milliseconds(1000));
  QCOMPARE(r.size(), std::size_t{800});
  QCOMPARE(b.dev.StreamFrames(), std::uint64_t{101});
  // Next deadline is the next frame.
  QVERIFY(b.dev.NextDeadline().has_value());
  QCOMPARE(b.dev.NextDeadline()->count(), (b.now + milliseconds(10)).count());
  // "sl" restarts the stream, with learning off; the counter starts again.
  b.Send(Str("sl"));
  QVERIFY(!b.dev.LearningMode());
  const auto f = Frames(b.Run(milliseconds(50)));
  QVERIFY(!f.empty());
  QCOMPARE(int(f[0][1]), 0);
}

void TestConverterSim::frameLayout() {
  DeviceConfig c = WithTable(OddTable());
  c.memory.settings[kEnrichment] = 128 + 64;  // 50 %: the pump acts
  Bench b(c);
  b.Send(Str("sl"));
  const auto frames = Frames(b.Run(milliseconds(50'000)));  // two drive cycles
  QCOMPARE(frames.size(), std::size_t{5001});
  const Table t = OddTable();
  bool enriched = false;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const Bytes& f = frames[i];
    QCOMPARE(int(f[0]), int(t[f[3]]));   // output = cell of MAF
    QCOMPARE(int(f[1]), int(i & 0xFF));  // frame counter
    QVERIFY(f[2] >= 128);                // 128 + enrichment
    enriched = enriched || f[2] > 128;
    QVERIFY(std::abs(f[4] - EngineModel::ExpectedVaf(f[3])) <= 1);  // VAF
    QVERIFY(f[5] >= 14 && f[5] <= 126);                             // 700..6300 rpm / 50
    QVERIFY(f[6] >= 60 && f[6] <= 130);                             // coolant 20..90 deg C
    QVERIFY(i == 0 || f[6] >= frames[i - 1][6]);                    // only warms up
  }
  QVERIFY(enriched);
  QVERIFY(frames.back()[6] > frames.front()[6]);
  // Engine speed follows the load: one speed per MAF value, higher with MAF.
  std::map<int, int> rpm;
  for (const Bytes& f : frames) {
    const auto it = rpm.emplace(f[3], f[5]).first;
    QCOMPARE(it->second, int(f[5]));
  }
  QVERIFY(rpm.size() > 150);
  for (auto it = std::next(rpm.begin()); it != rpm.end(); ++it)
    QVERIFY(it->second >= std::prev(it)->second);
  QVERIFY(rpm.rbegin()->second > 3 * rpm.begin()->second);
}

void TestConverterSim::streamStopsOnS() {
  Bench b;
  b.Send(Str("sa"));
  b.Run(milliseconds(95));
  b.Take();
  b.Send(Str("s"));
  QVERIFY(!b.dev.Streaming());
  QVERIFY(b.Run(milliseconds(2000)).empty());
  // A table read after the stop is answered by the table alone.
  b.Send(Str("sr"));
  QCOMPARE(b.Take().size(), std::size_t{257});
  QVERIFY(b.Run(milliseconds(1500)).empty());
  // A table read during the stream ends the stream before the reply.
  b.Send(Str("sl"));
  b.Run(milliseconds(30));
  b.Take();
  b.Send(Str("sr"));
  const Bytes r = b.Take();
  QCOMPARE(r.size(), std::size_t{257});
  QCOMPARE(int(r[200]), 200);
  QVERIFY(b.Run(milliseconds(1500)).empty());
}

void TestConverterSim::o2FollowsOutputAgainstVaf() {
  // The sensor model alone.
  EngineModel e(3);
  for (int i = 0; i < 500; ++i) {
    const int rich = e.StepO2(150, 140);
    QVERIFY2(rich >= 40 && rich <= 42, qPrintable(QString::number(rich)));
    const int lean = e.StepO2(130, 140);
    QVERIFY2(lean >= 4 && lean <= 6, qPrintable(QString::number(lean)));
  }
  int low = 0;
  int high = 0;
  for (int i = 0; i < 500; ++i) {
    const int v = e.StepO2(140, 140);
    QVERIFY(v >= 5 && v <= 41);
    low += v < 15;
    high += v > 31;
  }
  QVERIFY(low > 50);  // swings both ways at the match
  QVERIFY(high > 50);
  // In the stream, with the 1:1 table against the S-shaped VAF curve.
  Bench b;
  b.Send(Str("sl"));
  int rich = 0;
  int lean = 0;
  for (const Bytes& f : Frames(b.Run(milliseconds(25'000)))) {
    const int diff = f[0] - f[4];
    if (diff > EngineModel::kO2Window) {
      QVERIFY(f[7] >= 40 && f[7] <= 42);
      ++rich;
    } else if (diff < -EngineModel::kO2Window) {
      QVERIFY(f[7] >= 4 && f[7] <= 6);
      ++lean;
    } else {
      QVERIFY(f[7] >= 5 && f[7] <= 41);
    }
  }
  QVERIFY(rich > 100);
  QVERIFY(lean > 100);
}

void TestConverterSim::o2WidebandCountFollowsScale() {
  // MAF 200, where the ECU expects 220; counts worked out by hand from each
  // scale: (v1 + (lambda x 14.7 - afr1) (v2 - v1) / (afr2 - afr1)) x 51.
  QCOMPARE(EngineModel::ExpectedVaf(200), 220);
  struct Row {
    int maf, output;
    double enrichment;
    int lc1, aem, p147;
  } const rows[] = {
      {200, 220, 0.0, 125, 159, 120},  // lambda 1
      {200, 200, 0.0, 150, 190, 157},  // 1.1
      {200, 176, 0.0, 187, 238, 214},  // 1.25
      {200, 220, 10.0, 102, 130, 86},  // 1 / 1.1: the pump's 10 % richer
      {200, 0, 0.0, 255, 255, 255},    // no output, no fuel: the lean rail
      {22, 255, 0.0, 0, 0, 0},         // lambda 0.06, below every scale
  };
  for (const Row& r : rows) {
    const double lambda = EngineModel::MixtureLambda(r.maf, r.output, r.enrichment);
    QCOMPARE(int(EngineModel::WidebandCount(O2Sensor::kLc1, lambda)), r.lc1);
    QCOMPARE(int(EngineModel::WidebandCount(O2Sensor::kAem, lambda)), r.aem);
    QCOMPARE(int(EngineModel::WidebandCount(O2Sensor::k14Point7, lambda)), r.p147);
  }
}

void TestConverterSim::o2DelayShiftsTheAnswerByWholeFrames() {
  // In the cruise (MAF about 130) the output steps from 20 counts rich to 20
  // lean of the expected VAF at frame kStep; the sensor answers exactly the
  // delay's frames later. Lean is low on a narrowband (4..6, rich 40..42),
  // high on a wideband (LC-1 91 at lambda 0.87, 170 at 1.18).
  constexpr int kStep = 1400;
  for (const O2Sensor sensor : {O2Sensor::kNarrow, O2Sensor::kLc1}) {
    for (const int delayMs : {0, 10, 450, 800}) {
      EngineModel e(5, {.sensor = sensor, .delayMs = delayMs});
      int answer = -1;
      for (int i = 0; i < kStep + 200 && answer < 0; ++i) {
        const EngineSample s = e.Step();
        const int expected = EngineModel::ExpectedVaf(s.maf);
        const int o2 = e.StepO2(i < kStep ? expected + 20 : expected - 20, s.vaf);
        if (sensor == O2Sensor::kNarrow ? o2 < 23 : o2 > 130) answer = i;
      }
      QVERIFY2(answer - kStep == delayMs / 10,
               qPrintable(QString("sensor %1, %2 ms: answered %3 frames after the step")
                              .arg(int(sensor))
                              .arg(delayMs)
                              .arg(answer - kStep)));
    }
  }
}

void TestConverterSim::o2WidebandStreamFuelCutAndEnrichment() {
  // The converter holds the ECU's own curve, the pump is at 25 %, an LC-1
  // reads: lambda 1 (125 +-1) but for the pump's enrichment and one stretch
  // of fuel cut (255) in the deceleration.
  DeviceConfig c = WithTable(TunedTable());
  c.memory.settings[kEnrichment] = 128 + 32;
  c.o2 = {.sensor = O2Sensor::kLc1};
  Bench b(c);
  b.Send(Str("sa"));
  std::vector<int> cut;  // frames
  int enriched = 0;
  const std::vector<Bytes> frames = Frames(b.Run(milliseconds(25'000)));
  for (int i = 0; i < 2500; ++i) {
    const Bytes& f = frames[i];
    const double lambda = 1.0 / (1.0 + (f[2] - 128) / 1.28 / 100.0);
    if (f[7] == 255) {
      cut.push_back(i);
    } else {
      QVERIFY2(std::abs(f[7] - EngineModel::WidebandCount(O2Sensor::kLc1, lambda)) <= 1,
               qPrintable(QString("frame %1: O2 %2, byte 2 %3").arg(i).arg(f[7]).arg(f[2])));
      enriched += f[2] >= 128 + 13 && f[7] <= 103;  // 10 % and more
    }
  }
  QVERIFY2(enriched >= 10, QByteArray::number(enriched));
  QVERIFY(cut.size() >= 200 && cut.front() >= 1900 && cut.back() <= 2250);
  QCOMPARE(int(cut.size()), cut.back() - cut.front() + 1);
}

void TestConverterSim::o2DefaultStreamUnchanged() {
  // The stream as it was before the sensor could be chosen: a hash (FNV-1a)
  // of 30 s of frames, taken from that build, for seed 7 with another table
  // and the pump at 20 %, by default and with the default O2 options given.
  // Then a wideband's, hashed before the engine's effects came (60 s of an
  // LC-1 and an AEM 450 ms late, warming up, on the ECU's curve), without
  // them and with them given as off.
  DeviceConfig c = WithTable(OddTable());
  c.seed = 7;
  c.memory.settings[kEnrichment] = 128 + 26;
  SimOptions o;
  std::string err;
  QCOMPARE(SimOptions::Parse({"--o2", "narrow", "--o2-delay-ms", "0", "--o2-warmup-s=0"}, o, err),
           SimOptions::Outcome::kRun);
  auto hash = [&c](milliseconds length) {
    Bench b(c);
    b.Send(Str("sa"));
    std::uint64_t h = 1469598103934665603ull;
    for (std::uint8_t v : b.Run(length)) h = (h ^ v) * 1099511628211ull;
    return h;
  };
  for (const O2Setup setup : {O2Setup{}, o.o2}) {
    c.o2 = setup;
    QCOMPARE(hash(milliseconds(30'000)), std::uint64_t{0x9cf86d5f91f563d0});
  }
  c.memory.table = TunedTable();
  for (const auto& [sensor, expected] :
       {std::pair{"wide:lc1", 0xad81f5292cb7d15f}, {"wide:aem", 0xaef5112884c9ee8a}}) {
    for (const std::vector<std::string>& off :
         {std::vector<std::string>{"--o2-delay-ms=450"},
          {"--o2-delay-ms=450:450", "--o2-lag-ms=0", "--o2-noise-percent=0", "--speed=1"}}) {
      std::vector<std::string> args = {"--o2", sensor, "--o2-warmup-s=2"};
      args.insert(args.end(), off.begin(), off.end());
      QCOMPARE(SimOptions::Parse(args, o, err), SimOptions::Outcome::kRun);
      c.o2 = o.o2;
      QCOMPARE(hash(milliseconds(60'000)), std::uint64_t{expected});
    }
  }
}

void TestConverterSim::o2AnswersAsARealSensor() {
  // At a steady flow the mixture steps from 15 % rich to 15 % lean; an LC-1
  // has made 63 % of the step in 1 / lambda (the oxygen it measures) after
  // the flow's delay and the lag, within a frame. IDLE:FULL is IDLE at MAF
  // 22 and below, FULL at 255, a + b / MAF between; one number, every flow.
  auto curve = [](double idle, double full, double maf) {
    return full + (idle - full) * (1 / maf - 1 / 255.0) / (1 / 22.0 - 1 / 255.0);
  };
  const struct {
    const char* delay;
    int maf, lagMs;
    double ms;
  } rows[] = {{"630:125", 12, 0, 630},
              {"630:125", 22, 0, 630},
              {"630:125", 44, 0, curve(630, 125, 44)},
              {"630:125", 128, 0, curve(630, 125, 128)},
              {"630:125", 255, 0, 125},
              {"1100:100", 22, 150, 1250},
              {"450", 255, 0, 450},
              {"0", 128, 80, 80},
              {"0:0", 100, 100, 100}};
  for (const auto& r : rows) {
    SimOptions o;
    std::string err;
    QCOMPARE(SimOptions::Parse(
                 {"--o2", "wide", "--o2-delay-ms", r.delay, "--o2-lag-ms", std::to_string(r.lagMs)},
                 o, err),
             SimOptions::Outcome::kRun);
    EngineModel e(5, o.o2);
    e.HoldMaf(r.maf);
    const int vaf = EngineModel::ExpectedVaf(r.maf);
    double before = 0.0;
    int answer = -1;
    for (int i = 0; i < 600 && answer < 0; ++i) {
      e.Step();
      e.StepO2(static_cast<int>(std::lround(vaf * (i < 200 ? 1.15 : 0.85))), vaf);
      if (i < 200) before = 1 / e.Lambda();
      const double step = 1 / e.Lambda() - before;
      if (i >= 200 && 1 / e.SensorLambda() - before <= step * (1 - std::exp(-1.0))) answer = i;
    }
    QVERIFY2(std::abs((answer - 200) * 10 - r.ms) <= 10,
             qPrintable(QString::asprintf("%s, lag %d at MAF %d: %d ms, %.0f expected", r.delay,
                                          r.lagMs, r.maf, (answer - 200) * 10, r.ms)));
  }

  // The noise is relative on lambda, as many per cent as asked (one standard
  // deviation), the same for the same seed; a sensor that pins reads the
  // pin in a fuel cut's air (no fuel), exactly, noise or not.
  auto reading = [](std::uint32_t seed, int output, double* deviation) {
    SimOptions o;
    std::string err;
    SimOptions::Parse(
        {"--o2=wide", "--o2-lag-ms=100", "--o2-noise-percent=1.5", "--o2-pin-lambda=1.31"}, o, err);
    EngineModel e(seed, o.o2);
    e.HoldMaf(100);
    Bytes counts;
    double squares = 0.0;
    for (int i = 0; i < 5000; ++i) {
      counts.push_back(e.StepO2(output, e.Step().vaf));
      squares += std::pow(e.SensorLambda() / e.Lambda() - 1.0, 2);
    }
    if (deviation) *deviation = std::sqrt(squares / 5000);
    return counts;
  };
  double deviation = 0.0;
  QCOMPARE(reading(3, 90, &deviation), reading(3, 90, nullptr));
  QVERIFY(reading(3, 90, nullptr) != reading(4, 90, nullptr));
  QVERIFY2(std::abs(deviation - 0.015) < 0.001, QByteArray::number(deviation));
  QCOMPARE(reading(3, 0, nullptr), Bytes(5000, EngineModel::WidebandCount(O2Sensor::kLc1, 1.31)));
}

void TestConverterSim::ecuTrimsOrEnriches() {
  // At a steady flow, a table `factor` times the ECU's curve. In closed loop
  // lambda runs a triangle around 1 whatever the table: over 10 s after 10 s
  // to settle, its mean within 0.5 %, its swing 3..5 % peak to peak and its
  // period 0.9..1.1 s. In open loop (above the closed loop's MAF, while the
  // pump enriches, in the ECU's enrichment) it is as metered, times the
  // enrichment's lambda.
  const struct {
    int maf;
    double factor, pump;
    std::vector<std::string> ecu;
    bool closed;
    double enrichment;
  } rows[] = {{100, 0.90, 0, {"--ecu-closed-loop=150"}, true, 1},
              {100, 1.12, 0, {"--ecu-closed-loop=150"}, true, 1},
              {22, 0.85, 0, {"--ecu-closed-loop=150"}, true, 1},
              {160, 0.90, 0, {"--ecu-closed-loop=150"}, false, 1},
              {100, 0.90, 10, {"--ecu-closed-loop=150"}, false, 1},
              {200, 0.90, 0, {"--ecu-closed-loop=150", "--ecu-enrich=180:0.86"}, false, 0.86},
              {100, 0.90, 0, {"--ecu-closed-loop=256", "--ecu-enrich=80:0.86"}, false, 0.86},
              {100, 0.90, 0, {}, false, 1}};
  for (const auto& r : rows) {
    SimOptions o;
    std::string err;
    QCOMPARE(SimOptions::Parse(r.ecu, o, err), SimOptions::Outcome::kRun);
    EngineModel e(9, {.sensor = O2Sensor::kLc1}, o.ecu);
    e.HoldMaf(r.maf);
    const int output = static_cast<int>(std::lround(EngineModel::ExpectedVaf(r.maf) * r.factor));
    std::vector<double> lambda;
    for (int i = 0; i < 2000; ++i) {
      e.StepO2(output, e.Step().vaf, r.pump);
      QCOMPARE(e.Ecu().ClosedLoop(), r.closed);
      if (i >= 1000) lambda.push_back(e.Lambda());
    }
    const double metered = EngineModel::MixtureLambda(r.maf, output, r.pump) * r.enrichment;
    const auto [low, high] = std::minmax_element(lambda.begin(), lambda.end());
    const double mean = std::accumulate(lambda.begin(), lambda.end(), 0.0) / lambda.size();
    int switches = 0;
    for (std::size_t i = 1; i < lambda.size(); ++i)
      switches += (lambda[i] < 1.0) != (lambda[i - 1] < 1.0);
    const bool ok = r.closed ? std::abs(mean - 1.0) < 0.005 && *high - *low >= 0.03 &&
                                   *high - *low <= 0.05 && switches >= 18 && switches <= 22
                             : std::abs(*low - metered) < 1e-9 && std::abs(*high - metered) < 1e-9;
    QVERIFY2(ok, qPrintable(QString::asprintf("MAF %d, table x %.2f: mean %.4f, %.4f..%.4f, %d "
                                              "switches in 10 s",
                                              r.maf, r.factor, mean, *low, *high, switches)));
  }
}

void TestConverterSim::spedUpStreamIsTheSameDrive() {
  // Ten times faster, a second brings the drive's first ten seconds; the
  // same at twenty times through the executable's line, with every effect
  // of a real engine on: the engine advances 10 ms a frame, whatever the pace.
  QTemporaryDir dir;
  const QString tab = dir.filePath("odd.tab");
  const Table t = OddTable();
  std::ofstream(tab.toStdString(), std::ios::binary)
      .write(reinterpret_cast<const char*>(t.data()), 256);
  const QStringList args = QString(
                               "--table %1 --o2 wide --o2-delay-ms 600:120 --o2-lag-ms 100 "
                               "--o2-noise-percent 1.5 --ecu-closed-loop 150 --ecu-enrich "
                               "200:0.88 --speed 20")
                               .arg(tab)
                               .split(' ');
  SimOptions o;
  std::string err;
  std::vector<std::string> words;
  for (const QString& a : args) words.push_back(a.toStdString());
  QCOMPARE(SimOptions::Parse(words, o, err), SimOptions::Outcome::kRun);
  QCOMPARE(o.speed, 20);
  DeviceConfig c = WithTable(t);
  c.o2 = o.o2;
  c.ecu = o.ecu;
  Bench paced(c);
  paced.Send(Str("sl"));
  const Bytes drive = paced.Run(milliseconds(10'000));  // 1001 frames
  c.speed = 10;
  Bench fast(c);
  fast.Send(Str("sl"));
  QCOMPARE(fast.Run(milliseconds(1000)), drive);
  SimProcess sim;
  QVERIFY(sim.Start(args));
  const int fd = OpenPortRaw(sim.port);
  QVERIFY(fd >= 0 && WriteAll(fd, Str("sl")));
  // Less than the port's buffer holds: none is lost however late it is read.
  QCOMPARE(ReadUpTo(fd, drive.size(), milliseconds(3000)), drive);
  ::close(fd);
  QVERIFY(sim.Terminate());
}

void TestConverterSim::faultSilent() {
  Bench b(WithFault("silent"));
  b.Send(Str("sr"));
  b.Send(Str("v"));
  b.Send(Str("sa"));
  QVERIFY(b.Run(milliseconds(2000)).empty());
  QVERIFY(b.dev.Streaming());  // it listens, it just never talks
}

void TestConverterSim::faultShortAndExtraTable() {
  {
    Bench b(WithFault("short-table"));
    b.Send(Str("sr"));
    const Bytes r = b.Take();
    QCOMPARE(r.size(), std::size_t{256});
    QCOMPARE(int(r[255]), 255);
    QVERIFY(b.Run(milliseconds(1500)).empty());
  }
  {
    Bench b(WithFault("extra-bytes"));
    b.Send(Str("sr"));
    const Bytes r = b.Take();
    QCOMPARE(r.size(), ConverterDevice::kExtraReplySize);
    QVERIFY(r.size() > 257);
    for (int i = 0; i < 256; ++i) QCOMPARE(int(r[i]), i);
    QCOMPARE(int(r[256]), 128);
    QVERIFY(b.Run(milliseconds(1500)).empty());  // then silence
  }
  {
    Bench b(WithFault("tail=1100"));
    b.Send(Str("sr"));
    const Bytes r = b.Take();
    QCOMPARE(r.size(), std::size_t{257 + 1100});
    QCOMPARE(int(r[255]), 255);
    QCOMPARE(int(r[257 + 254]), 254);
    QCOMPARE(int(r[257 + 255]), 0);
    QVERIFY(std::find(r.begin() + 257, r.end(), 255) == r.end());
    QVERIFY(b.Run(milliseconds(1500)).empty());
  }
}

void TestConverterSim::faultVersion() {
  {
    Bench b(WithFault("no-version"));
    b.Send(Str("v"));
    QVERIFY(b.Run(milliseconds(1500)).empty());
    b.Send(Str("sr"));
    QCOMPARE(b.Take().size(), std::size_t{257});  // the rest works
  }
  {
    Bench b(WithFault("version-zero"));
    b.Send(Str("v"));
    const Bytes r = b.Take();
    QCOMPARE(r.size(), std::size_t{1});
    QCOMPARE(int(r[0]), 0);
  }
}

void TestConverterSim::faultIgnoreWriteAndCorruptReadback() {
  const Table t = OddTable();
  {
    Bench b(WithFault("ignore-write"));
    b.Send(WriteFrame(t));
    b.Run(milliseconds(1000));
    b.Send(Str("sr"));
    const Bytes r = b.Take();
    QCOMPARE(r.size(), std::size_t{257});
    for (int i = 0; i < 256; ++i) QCOMPARE(int(r[i]), i);
  }
  {
    Bench b(WithFault("corrupt-readback=17"));
    // Before any write the table reads back as it is.
    b.Send(Str("sr"));
    Bytes r = b.Take();
    for (int i = 0; i < 256; ++i) QCOMPARE(int(r[i]), i);
    b.Send(WriteFrame(t));
    b.Run(milliseconds(1000));
    b.Send(Str("sr"));
    r = b.Take();
    QCOMPARE(r.size(), std::size_t{257});
    for (int i = 0; i < 256; ++i) {
      if (i == 17)
        QVERIFY(r[i] != t[i]);
      else
        QCOMPARE(int(r[i]), int(t[i]));
    }
    QCOMPARE(int(r[256]), int(DeviceMemory::Checksum(b.dev.CurrentTable())));
  }
}

void TestConverterSim::faultKeepTalking() {
  Bench b(WithFault("keep-talking"));
  b.Send(Str("sr"));
  QCOMPARE(b.Take().size(), std::size_t{257});
  // The chatter starts once the reply is off the line and goes on.
  const Bytes first = b.Run(milliseconds(2000));
  QVERIFY2(first.size() >= 150, qPrintable(QString::number(first.size())));
  const Bytes second = b.Run(milliseconds(2000));
  QVERIFY(second.size() >= 190 && second.size() <= 210);  // a byte every 10 ms
  // No gap of 1000 ms: the drain of a table read would never end.
  b.Send(Str("v"));  // the next command silences it
  QCOMPARE(b.Take().size(), std::size_t{1});
  QVERIFY(b.Run(milliseconds(2000)).empty());
}

void TestConverterSim::faultStallDropHangup() {
  {
    Bench b(WithFault("stall-after=5"));
    b.Send(Str("sl"));
    QCOMPARE(b.Run(milliseconds(2000)).size(), std::size_t{40});
    QVERIFY(b.dev.Streaming());
    QVERIFY(!b.dev.NextDeadline().has_value());  // nothing more to do
    // Each new stream stalls again after 5 frames.
    b.Send(Str("s"));
    b.Run(milliseconds(50));
    b.Send(Str("sl"));
    QCOMPARE(b.Run(milliseconds(1000)).size(), std::size_t{40});
  }
  {
    Bench b(WithFault("drop-byte-after=3"));
    b.Send(Str("sl"));
    const Bytes r = b.Run(milliseconds(1000));  // 101 frames, one byte short
    QCOMPARE(r.size(), std::size_t{101 * 8 - 1});
    // Frames 0..2 intact: byte 1 is the counter.
    for (int i = 0; i < 3; ++i) QCOMPARE(int(r[i * 8 + 1]), i);
    // From frame 3 on, every frame read at 8-byte boundaries is shifted:
    // the counter stands at offset 0 of the following frame slot.
    for (int i = 4; i < 100; ++i) QCOMPARE(int(r[i * 8]), i);
  }
  {
    Bench b(WithFault("hangup-after=4"));
    b.Send(Str("sa"));
    const Bytes r = b.Run(milliseconds(500));
    QCOMPARE(r.size(), std::size_t{32});
    QVERIFY(b.dev.HangupRequested());
    QVERIFY(!b.dev.Streaming());
  }
  {
    Bench b;  // without the fault no hang-up ever
    b.Send(Str("sa"));
    b.Run(milliseconds(500));
    QVERIFY(!b.dev.HangupRequested());
  }
}

void TestConverterSim::engineStaysInRangeAndCoversIt() {
  // The noiseless cycle lies inside the byte range with room for noise.
  for (int ms = 0; ms <= 25'000; ms += 5) {
    const double m = EngineModel::CycleMaf(ms / 1000.0);
    QVERIFY2(m >= 5.0 && m <= 250.0, qPrintable(QString("t=%1 maf=%2").arg(ms).arg(m)));
  }
  QCOMPARE(EngineModel::CycleMaf(3.3), EngineModel::CycleMaf(28.3));  // repeats
  // Phases: idle low, tip-in fast, cruise in the middle, overrun lowest.
  QVERIFY(EngineModel::CycleMaf(2.0) < 30.0);
  QVERIFY(EngineModel::CycleMaf(5.0) - EngineModel::CycleMaf(4.0) > 100.0);
  QVERIFY(EngineModel::CycleMaf(9.9) > 235.0);
  QVERIFY(EngineModel::CycleMaf(15.0) > 100.0 && EngineModel::CycleMaf(15.0) < 160.0);
  QVERIFY(EngineModel::CycleMaf(21.9) < 20.0);

  EngineModel e(42);
  std::set<int> seen;
  int minMaf = 255;
  int maxMaf = 0;
  for (int i = 0; i < 2 * 2500; ++i) {
    const EngineSample s = e.Step();
    seen.insert(s.maf);
    minMaf = std::min<int>(minMaf, s.maf);
    maxMaf = std::max<int>(maxMaf, s.maf);
    QVERIFY(std::abs(s.vaf - EngineModel::ExpectedVaf(s.maf)) <= 1);
  }
  QVERIFY2(seen.size() >= 200, qPrintable(QString::number(seen.size())));
  QVERIFY(minMaf <= 15);
  QVERIFY(maxMaf >= 240);
  // The expected VAF curve: strictly increasing, in range.
  for (int m = 1; m < 256; ++m)
    QVERIFY(EngineModel::ExpectedVaf(m) >= EngineModel::ExpectedVaf(m - 1));
  for (int m = 16; m < 256; ++m)
    QVERIFY(EngineModel::ExpectedVaf(m) > EngineModel::ExpectedVaf(m - 16));
  // It crosses the 1:1 line in the middle: below it low, above it high.
  QVERIFY(EngineModel::ExpectedVaf(64) < 60);
  QVERIFY(EngineModel::ExpectedVaf(192) > 196);
  QVERIFY(std::abs(EngineModel::ExpectedVaf(128) - 128) <= 1);
  QCOMPARE(EngineModel::ExpectedVaf(0), 8);
  QCOMPARE(EngineModel::ExpectedVaf(255), 248);
  QCOMPARE(EngineModel::ExpectedVaf(-5), 8);
  QCOMPARE(EngineModel::ExpectedVaf(300), 248);
  // It is not 1:1, so the default table does not already match.
  int differing = 0;
  for (int m = 0; m < 256; ++m) differing += std::abs(EngineModel::ExpectedVaf(m) - m) > 3;
  QVERIFY(differing > 100);
}

void TestConverterSim::engineIsReproducibleBySeed() {
  auto run = [](std::uint32_t seed) {
    EngineModel e(seed);
    std::vector<int> v;
    for (int i = 0; i < 3000; ++i) {
      const EngineSample s = e.Step();
      v.push_back(s.maf * 256 + s.vaf);
      v.push_back(e.StepO2(s.maf, s.vaf));
    }
    return v;
  };
  QCOMPARE(run(7), run(7));
  QVERIFY(run(7) != run(8));
  // Two devices with the same seed stream the same bytes.
  DeviceConfig c;
  c.seed = 99;
  Bench a(c);
  Bench b(c);
  a.Send(Str("sa"));
  b.Send(Str("sa"));
  QCOMPARE(a.Run(milliseconds(3000)), b.Run(milliseconds(3000)));
}

void TestConverterSim::accelPumpEnrichesOnFastRise() {
  Settings s = DeviceMemory::DefaultSettings();  // Enrichment 0 %
  {
    AccelPump p;
    for (int i = 0; i < 50; ++i) QCOMPARE(int(p.Step(static_cast<std::uint8_t>(i * 5), s)), 128);
  }
  s[kEnrichment] = 128 + 64;  // 50 %
  s[kEnrichmentDecr] = 64;    // half per 100 ms
  AccelPump p;
  for (int i = 0; i < 20; ++i) QCOMPARE(int(p.Step(30, s)), 128);
  // A slow rise (1 per frame, 4 over Sample_Time 4, under Porog 5) does nothing.
  for (int i = 0; i < 20; ++i) QCOMPARE(int(p.Step(static_cast<std::uint8_t>(30 + i), s)), 128);
  // A fast rise fires the full enrichment.
  std::uint8_t maf = 50;
  int peak = 0;
  for (int i = 0; i < 6; ++i) {
    maf += 3;
    peak = std::max<int>(peak, p.Step(maf, s));
  }
  QCOMPARE(peak, 128 + 64);
  // Steady MAF: once the rise has left the window, it halves in 100 ms and
  // then dies away.
  for (int i = 0; i < 4; ++i) p.Step(maf, s);
  const double start = p.Level();
  QVERIFY(start > 40.0);
  for (int i = 0; i < 10; ++i) p.Step(maf, s);
  QVERIFY(std::abs(p.Level() - start / 2) < 0.01 * start);
  for (int i = 0; i < 200; ++i) p.Step(maf, s);
  QCOMPARE(int(p.Step(maf, s)), 128);
  p.Reset();
  QCOMPARE(p.Level(), 0.0);
}

void TestConverterSim::memoryFromTabImage() {
  const DeviceMemory empty = DeviceMemory::FromImage({});
  QVERIFY(std::all_of(empty.table.begin(), empty.table.end(), [](auto v) { return v == 0; }));
  QCOMPARE(empty.settings, (Settings{4, 5, 128, 64, 128, 128}));

  Bytes ten{9, 8, 7, 6, 5, 4, 3, 2, 1, 42};
  const DeviceMemory shortFile = DeviceMemory::FromImage(ten);
  for (int i = 0; i < 10; ++i) QCOMPARE(int(shortFile.table[i]), int(ten[i]));
  for (int i = 10; i < 256; ++i) QCOMPARE(int(shortFile.table[i]), 42);
  QCOMPARE(shortFile.settings, DeviceMemory::DefaultSettings());

  Bytes img(256);
  for (int i = 0; i < 256; ++i) img[i] = static_cast<std::uint8_t>(255 - i);
  img.push_back(1);  // comparison-window file: one settings byte
  const DeviceMemory cmp = DeviceMemory::FromImage(img);
  QCOMPARE(int(cmp.table[0]), 255);
  QCOMPARE(cmp.settings, (Settings{1, 5, 128, 64, 128, 128}));
  img.insert(img.end(), {2, 3, 4, 5, 6, 7, 8, 9});  // full image and junk after it
  QCOMPARE(DeviceMemory::FromImage(img).settings, (Settings{1, 2, 3, 4, 5, 6}));

  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const std::string path = dir.filePath("t.tab").toStdString();
  {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(img.data()), static_cast<std::streamsize>(img.size()));
  }
  DeviceMemory loaded;
  std::string err;
  QVERIFY(DeviceMemory::LoadTabFile(path, loaded, err));
  QCOMPARE(int(loaded.table[255]), 0);
  QCOMPARE(loaded.settings, (Settings{1, 2, 3, 4, 5, 6}));
  DeviceMemory untouched;
  QVERIFY(!DeviceMemory::LoadTabFile(dir.filePath("missing.tab").toStdString(), untouched, err));
  QVERIFY(!err.empty());
  QCOMPARE(untouched.table, DeviceMemory::IdentityTable());
}

void TestConverterSim::recordFileRoundTrip() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const std::string path = dir.filePath("rec.txt").toStdString();
  Recorder rec;
  std::string err;
  QVERIFY(rec.Open(path, err));
  const Bytes a = Str("sr");
  const Bytes b{0x00, 0xFF, 0x0A, 0x67};
  QVERIFY(rec.Record(a.data(), a.size(), SimTime{1500}));
  QVERIFY(rec.Record(b.data(), b.size(), SimTime{3'000'000'123LL}));
  // Flushed as it goes: readable before the recorder closes.
  std::vector<RecordedByte> got;
  QVERIFY2(RecordFile::Load(path, got, err), err.c_str());
  QCOMPARE(got.size(), std::size_t{6});
  rec.Close();
  {
    std::ifstream f(path);
    std::string first;
    std::getline(f, first);
    QCOMPARE(QString::fromStdString(first), QString("1500 73"));
  }
  QCOMPARE(RecordFile::Bytes(got), Concat({a, b}));
  QCOMPARE(got[0].at.count(), std::int64_t{1500});
  QCOMPARE(got[1].at.count(), std::int64_t{1500});
  QCOMPARE(got[5].at.count(), std::int64_t{3'000'000'123LL});
  QCOMPARE(int(got[3].value), 0xFF);

  // A last line without its newline is still being written: left out.
  std::istringstream partial("10 73\n20 7");
  QVERIFY(RecordFile::Parse(partial, got, err));
  QCOMPARE(got.size(), std::size_t{1});
  // Malformed lines are reported with their number.
  for (const char* bad :
       {"10 73\nx 72\n", "10 7\n", "10 123\n", "-4 73\n", "10 zz\n", "\n", "10  73\n"}) {
    std::istringstream in(bad);
    err.clear();
    QVERIFY2(!RecordFile::Parse(in, got, err), bad);
    QVERIFY(!err.empty());
  }
  std::istringstream one("10 73\nx 72\n");
  QVERIFY(!RecordFile::Parse(one, got, err));
  QCOMPARE(got.size(), std::size_t{1});
  QVERIFY(err.find("line 2") != std::string::npos);
  QVERIFY(!RecordFile::Load(dir.filePath("none").toStdString(), got, err));
}

void TestConverterSim::pacedLineKeepsLinePace() {
  int fds[2];
  QCOMPARE(::pipe(fds), 0);
  ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
  ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
  auto drain = [&] {
    std::uint8_t buf[8192];
    const ssize_t n = ::read(fds[0], buf, sizeof buf);
    return n > 0 ? Bytes(buf, buf + n) : Bytes{};
  };
  PacedLine line(fds[1]);
  Bytes data(20);
  for (int i = 0; i < 20; ++i) data[i] = static_cast<std::uint8_t>(i);
  line.Enqueue(data, SimTime{0});
  QVERIFY(line.Pump(SimTime{0}));
  QVERIFY(drain().empty());  // the first byte is still on the wire
  QCOMPARE(line.NextDue()->count(), std::int64_t{1042});
  QVERIFY(line.Pump(SimTime{1042}));
  QCOMPARE(drain(), (Bytes{0}));
  QVERIFY(line.Pump(SimTime{10'000}));  // 9 bytes' time: bytes 1..8
  QCOMPARE(drain().size(), std::size_t{8});
  QVERIFY(line.Pump(SimTime{20'834}));  // 20 x 1041.667 us
  QCOMPARE(drain().size(), std::size_t{11});
  QCOMPARE(line.Pending(), std::size_t{0});
  QVERIFY(!line.NextDue().has_value());
  QCOMPARE(line.Written(), std::uint64_t{20});
  // 257 bytes take 257 byte times (about 268 ms) and not less.
  line.Enqueue(Bytes(257, 0x55), SimTime{100'000});
  std::size_t got = 0;
  for (SimTime t{100'000}; t < SimTime{100'000 + 267'000}; t += milliseconds(5)) {
    QVERIFY(line.Pump(t));
    got += drain().size();
  }
  QVERIFY(line.Pump(SimTime{100'000 + 267'000}));
  got += drain().size();
  QCOMPARE(got, std::size_t{256});
  QVERIFY(line.Pump(SimTime{100'000 + 267'800}));
  QCOMPARE(drain().size(), std::size_t{1});
  // Woken a second late: no burst of the missed bytes, the pace restarts.
  line.Enqueue(Bytes(10, 0x11), SimTime{500'000});
  QVERIFY(line.Pump(SimTime{1'500'000}));
  QCOMPARE(drain().size(), std::size_t{1});
  QVERIFY(line.Pump(SimTime{1'500'000 + 9 * 1042}));
  QCOMPARE(drain().size(), std::size_t{9});
  // Nobody reading and the buffer full: the line loses bytes, never blocks.
  const int cap = ::fcntl(fds[1], F_SETPIPE_SZ, 4096);
  QVERIFY(cap > 0);
  const std::size_t flood = static_cast<std::size_t>(cap) + 1000;
  const std::uint64_t before = line.Written();
  line.Enqueue(Bytes(flood, 0xAA), SimTime{2'000'000});
  for (SimTime t{2'000'000}; line.Pending() > 0; t += milliseconds(10)) QVERIFY(line.Pump(t));
  const std::uint64_t written = line.Written() - before;
  QVERIFY(written <= std::uint64_t(cap) && written + 64 >= std::uint64_t(cap));
  QVERIFY(line.Dropped() > 0);
  QCOMPARE(written + line.Dropped(), std::uint64_t(flood));
  ::close(fds[0]);
  ::close(fds[1]);
}

void TestConverterSim::optionsAndFaultNames() {
  SimOptions o;
  std::string err;
  QCOMPARE(SimOptions::Parse({}, o, err), SimOptions::Outcome::kRun);
  QCOMPARE(int(o.version), 32);
  QCOMPARE(o.seed, std::uint32_t{1});
  QVERIFY(o.faults.None());
  QVERIFY(!o.linkPath && !o.tableFile && !o.recordFile);

  QCOMPARE(SimOptions::Parse({"--version", "25", "--seed=9", "--link", "/tmp/x", "--table", "a.tab",
                              "--record=r.txt", "--fault", "silent", "--fault=stall-after=12",
                              "--fault", "corrupt-readback=255", "--flash-ms", "0"},
                             o, err),
           SimOptions::Outcome::kRun);
  QCOMPARE(int(o.version), 25);
  QCOMPARE(o.seed, std::uint32_t{9});
  QCOMPARE(*o.linkPath, std::string("/tmp/x"));
  QCOMPARE(*o.tableFile, std::string("a.tab"));
  QCOMPARE(*o.recordFile, std::string("r.txt"));
  QVERIFY(o.faults.silent);
  QCOMPARE(*o.faults.stallAfter, std::uint64_t{12});
  QCOMPARE(*o.faults.corruptReadback, 255);
  QCOMPARE(o.flashMs, 0);
  QVERIFY(o.o2.sensor == O2Sensor::kNarrow && o.o2.delayMs == 0 && o.o2.warmupS == 0);
  const std::pair<const char*, O2Sensor> sensors[] = {{"narrow", O2Sensor::kNarrow},
                                                      {"wide", O2Sensor::kLc1},
                                                      {"wide:lc1", O2Sensor::kLc1},
                                                      {"wide:aem", O2Sensor::kAem},
                                                      {"wide:14point7", O2Sensor::k14Point7}};
  for (const auto& [text, sensor] : sensors) {
    QCOMPARE(SimOptions::Parse({"--o2", text, "--o2-delay-ms=450", "--o2-warmup-s", "20"}, o, err),
             SimOptions::Outcome::kRun);
    QVERIFY2(o.o2.sensor == sensor && o.o2.delayMs == 450 && o.o2.warmupS == 20, text);
  }
  QCOMPARE(SimOptions::Parse({"--help"}, o, err), SimOptions::Outcome::kHelp);
  QVERIFY(SimOptions::Usage().find("--fault") != std::string::npos);

  const std::vector<std::vector<std::string>> bad = {
      {"--version", "256"},
      {"--version", "x"},
      {"--version"},
      {"--seed", "-1"},
      {"--fault", "nonsense"},
      {"--fault", "silent=1"},
      {"--fault", "stall-after"},
      {"--fault", "stall-after=x"},
      {"--fault", "corrupt-readback=256"},
      {"--fault", "tail=100001"},
      {"--bogus"},
      {"stray"},
      {"--link="},
      {"--flash-ms", "99999"},
      {"--o2", "wide:lc2"},
      {"--o2-delay-ms", "-10"},
      {"--o2-delay-ms", "455"},
      {"--o2-warmup-s", "3601"},
  };
  for (const auto& args : bad) {
    SimOptions keep;
    keep.version = 77;
    err.clear();
    QVERIFY2(SimOptions::Parse(args, keep, err) == SimOptions::Outcome::kError, args[0].c_str());
    QVERIFY(!err.empty());
    QCOMPARE(int(keep.version), 77);  // untouched on error
  }
  for (const char* bad :
       {"--o2-delay-ms=125:600", "--o2-delay-ms=1200:100",
        "--o2-delay-ms=600:", "--o2-delay-ms=6:1:5", "--o2-lag-ms=2001", "--o2-noise-percent=-1",
        "--o2-noise-percent=1e1", "--o2-pin-lambda=1.0", "--o2-pin-lambda=nan",
        "--ecu-closed-loop=0", "--ecu-closed-loop=257", "--ecu-enrich=180", "--ecu-enrich=180:1.1",
        "--ecu-enrich=256:0.9", "--speed=0", "--speed=101"})
    QVERIFY2(SimOptions::Parse({bad}, o, err) == SimOptions::Outcome::kError, bad);

  FaultSet f;
  for (const char* name : {"silent", "short-table", "extra-bytes", "no-version", "version-zero",
                           "ignore-write", "keep-talking", "ignore-stop", "corrupt-readback=0",
                           "stall-after=0", "drop-byte-after=7", "hangup-after=100", "tail=1100"}) {
    QVERIFY2(f.Add(name, err), name);
  }
  QVERIFY(f.silent && f.shortTable && f.extraBytes && f.noVersion && f.versionZero &&
          f.ignoreWrite && f.keepTalking && f.ignoreStop);
  QCOMPARE(*f.dropByteAfter, std::uint64_t{7});
  QCOMPARE(*f.hangupAfter, std::uint64_t{100});
  QCOMPARE(*f.tail, std::uint64_t{1100});
  QVERIFY(!f.None());
}

void TestConverterSim::loopServesPtyInProcess() {
  Pty pty;
  std::string err;
  QVERIFY2(pty.Open(err), err.c_str());
  QVERIFY(pty.SlavePath().rfind("/dev/pts/", 0) == 0);
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const std::string recPath = dir.filePath("rec.txt").toStdString();
  Recorder rec;
  QVERIFY(rec.Open(recPath, err));

  DeviceConfig c = WithTable(OddTable());
  c.version = 41;
  ConverterDevice dev(c);
  std::atomic<bool> run{true};
  SimLoop::Status status = SimLoop::Status::kRunning;
  SimLoop loop(pty.MasterFd(), dev, &rec, SteadyClock::now());
  std::thread t([&] { status = loop.Run([&] { return run.load(); }); });

  const int fd = OpenPortRaw(pty.SlavePath());
  QVERIFY(fd >= 0);
  // Every byte value passes unchanged (no echo, no CR/LF or ^C handling).
  Bytes bin = Str("t");
  for (int i = 0; i < 256; ++i) bin.push_back(static_cast<std::uint8_t>(i));
  bin.insert(bin.end(), {3, 0x0A, 0x0D, 0x03, 0x11, 0x13});
  QVERIFY(WriteAll(fd, bin));
  QVERIFY(ReadUpTo(fd, 1, milliseconds(300)).empty());  // "t" is silent, no echo
  QVERIFY(WriteAll(fd, Str("v")));
  const Bytes v = ReadUpTo(fd, 1, milliseconds(3000));
  QCOMPARE(v.size(), std::size_t{1});
  QCOMPARE(int(v[0]), 41);
  QVERIFY(WriteAll(fd, Str("sr")));
  const Bytes r = ReadUpTo(fd, 300, milliseconds(1200));
  QCOMPARE(r.size(), std::size_t{257});
  for (int i = 0; i < 256; ++i) QCOMPARE(int(r[i]), i);
  // Closing and reopening the port leaves the device serving.
  ::close(fd);
  const int fd2 = OpenPortRaw(pty.SlavePath());
  QVERIFY(fd2 >= 0);
  QVERIFY(WriteAll(fd2, Str("v")));
  QCOMPARE(ReadUpTo(fd2, 1, milliseconds(3000)).size(), std::size_t{1});
  ::close(fd2);

  run = false;
  t.join();
  QCOMPARE(int(status), int(SimLoop::Status::kRunning));
  QCOMPARE(dev.CurrentSettings(), (Settings{3, 0x0A, 0x0D, 0x03, 0x11, 0x13}));
  std::vector<RecordedByte> got;
  QVERIFY(RecordFile::Load(recPath, got, err));
  QCOMPARE(RecordFile::Bytes(got), Concat({bin, Str("v"), Str("sr"), Str("v")}));
  for (std::size_t i = 1; i < got.size(); ++i) QVERIFY(got[i].at >= got[i - 1].at);
}

void TestConverterSim::unreadBytesCountEveryByteSent() {
  // The hang-up waits for this count to fall to 0 and then discards what is
  // left: a byte just written to the master must count at once, though the
  // kernel moves it into the port's queue only later.
  Pty pty;
  std::string err;
  QVERIFY2(pty.Open(err), err.c_str());
  const int fd = OpenPortRaw(pty.SlavePath());
  QVERIFY(fd >= 0);
  for (int round = 0; round < 200; ++round) {
    const Bytes burst(1 + round % 40, static_cast<std::uint8_t>(round));
    QVERIFY(WriteAll(pty.MasterFd(), burst));
    QCOMPARE(pty.UnreadBytes(), int(burst.size()));
    QCOMPARE(ReadUpTo(fd, burst.size(), milliseconds(3000)), burst);
    QCOMPARE(pty.UnreadBytes(), 0);
  }
  // A user that never reads holds the close up only for the given time.
  QVERIFY(WriteAll(pty.MasterFd(), Str("abc")));
  pty.CloseWhenRead(50);
  QVERIFY(!pty.IsOpen());
  QCOMPARE(pty.UnreadBytes(), 0);
  ::close(fd);
}

void TestConverterSim::executableServesTableAndVersion() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString link = dir.filePath("ttyZELOR");
  SimProcess sim;
  QVERIFY2(sim.Start({"--link", link}), qPrintable(sim.proc.readAllStandardError()));
  QVERIFY(sim.port.rfind("/dev/pts/", 0) == 0);
  QCOMPARE(QFileInfo(link).symLinkTarget().toStdString(), sim.port);

  const int fd = OpenPortRaw(link.toStdString());
  QVERIFY(fd >= 0);
  ::tcflush(fd, TCIOFLUSH);
  QVERIFY(WriteAll(fd, Str("sr")));
  const auto t0 = SteadyClock::now();
  const Bytes r = ReadUpTo(fd, 257, milliseconds(3000));
  const auto took = SteadyClock::now() - t0;
  QCOMPARE(r.size(), std::size_t{257});
  for (int i = 0; i < 256; ++i) QCOMPARE(int(r[i]), i);
  QCOMPARE(int(r[256]), 128);
  // At the line's pace: 257 bytes need about 268 ms.
  QVERIFY2(took >= milliseconds(250),
           qPrintable(QString::number(std::chrono::duration_cast<milliseconds>(took).count())));
  QVERIFY(took < std::chrono::seconds(5));               // hang guard only
  QVERIFY(ReadUpTo(fd, 1, milliseconds(1000)).empty());  // then silence

  QVERIFY(WriteAll(fd, Str("v")));
  const Bytes v = ReadUpTo(fd, 1, milliseconds(3000));
  QCOMPARE(v.size(), std::size_t{1});
  QCOMPARE(int(v[0]), 32);

  // Stream: frames arrive at about 100 per second, then "s" stops them.
  QVERIFY(WriteAll(fd, Str("sa")));
  const auto s0 = SteadyClock::now();
  const Bytes frames = ReadUpTo(fd, 400, milliseconds(3000));
  const auto streamed = SteadyClock::now() - s0;
  QCOMPARE(frames.size(), std::size_t{400});
  QVERIFY(streamed >= milliseconds(450));                                // 50 frames at 10 ms apart
  for (const Bytes& f : Frames(frames)) QCOMPARE(int(f[0]), int(f[3]));  // 1:1 table
  QVERIFY(WriteAll(fd, Str("s")));
  ReadUpTo(fd, 100000, milliseconds(300));  // what was already on its way
  QVERIFY(ReadUpTo(fd, 1, milliseconds(1000)).empty());
  ::close(fd);

  QVERIFY(sim.Terminate());
  QCOMPARE(sim.proc.exitStatus(), QProcess::NormalExit);
  QCOMPARE(sim.proc.exitCode(), 0);
  QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
}

void TestConverterSim::executableRecordsAndLoadsTable() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const std::string tab = dir.filePath("start.tab").toStdString();
  const Table t = OddTable();
  {
    std::ofstream f(tab, std::ios::binary);
    f.write(reinterpret_cast<const char*>(t.data()), 256);
  }
  const std::string rec = dir.filePath("rec.txt").toStdString();
  SimProcess sim;
  QVERIFY(sim.Start({"--table", QString::fromStdString(tab), "--record",
                     QString::fromStdString(rec), "--version", "21", "--flash-ms", "100"}));
  const int fd = OpenPortRaw(sim.port);
  QVERIFY(fd >= 0);
  QVERIFY(WriteAll(fd, Str("sr")));
  Bytes r = ReadUpTo(fd, 257, milliseconds(3000));
  QCOMPARE(r.size(), std::size_t{257});
  QVERIFY(std::equal(t.begin(), t.end(), r.begin()));
  QVERIFY(WriteAll(fd, Str("v")));
  r = ReadUpTo(fd, 1, milliseconds(3000));
  QCOMPARE(r.size(), std::size_t{1});
  QCOMPARE(int(r[0]), 21);
  // A write, in the configurator's one write, then its read-back.
  const Table u = DeviceMemory::IdentityTable();
  QVERIFY(WriteAll(fd, WriteFrame(u)));
  QVERIFY(ReadUpTo(fd, 1, milliseconds(600)).empty());
  QVERIFY(WriteAll(fd, Str("sr")));
  r = ReadUpTo(fd, 257, milliseconds(3000));
  QCOMPARE(r.size(), std::size_t{257});
  QVERIFY(std::equal(u.begin(), u.end(), r.begin()));
  // Command byte and data in two writes.
  QVERIFY(WriteAll(fd, Str("g")));
  QVERIFY(WriteAll(fd, Bytes{7, 9}));
  const Bytes expected =
      Concat({Str("sr"), Str("v"), WriteFrame(u), Str("sr"), Str("g"), Bytes{7, 9}});
  std::vector<RecordedByte> got;
  std::string err;
  // The simulator may still be taking the last bytes in on a busy machine.
  QTRY_VERIFY_WITH_TIMEOUT(
      RecordFile::Load(rec, got, err) && RecordFile::Bytes(got).size() >= expected.size(), 10000);
  ::close(fd);
  QVERIFY(sim.Terminate());

  QVERIFY2(RecordFile::Load(rec, got, err), err.c_str());
  QCOMPARE(RecordFile::Bytes(got), expected);
  // The time stamps follow the exchange: the write came after the replies.
  QVERIFY(got[2].at - got[1].at >= milliseconds(250));  // "v" after 257 bytes of reply
}

void TestConverterSim::executableHangupFault() {
  SimProcess sim;
  QVERIFY(sim.Start({"--fault", "hangup-after=10"}));
  const int fd = OpenPortRaw(sim.port);
  QVERIFY(fd >= 0);
  QVERIFY(WriteAll(fd, Str("sl")));
  bool hungUp = false;
  const Bytes r = ReadUpTo(fd, 1000, milliseconds(3000), &hungUp);
  QCOMPARE(r.size(), std::size_t{80});
  QVERIFY(hungUp);
  QVERIFY(sim.proc.waitForFinished(10000));
  QCOMPARE(sim.proc.exitCode(), 0);
  ::close(fd);
}

void TestConverterSim::executableRejectsBadOptions() {
  QProcess p;
  p.start(SimPath(), {"--fault", "no-such-fault"});
  QVERIFY(p.waitForFinished(10000));
  QCOMPARE(p.exitCode(), 2);
  QVERIFY(p.readAllStandardOutput().isEmpty());  // no port announced
  QVERIFY(p.readAllStandardError().contains("no-such-fault"));

  QProcess h;
  h.start(SimPath(), {"--help"});
  QVERIFY(h.waitForFinished(10000));
  QCOMPARE(h.exitCode(), 0);
  QVERIFY(h.readAllStandardOutput().contains("--record"));

  QProcess m;
  m.start(SimPath(), {"--table", "/nonexistent/dir/x.tab"});
  QVERIFY(m.waitForFinished(10000));
  QCOMPARE(m.exitCode(), 1);

  // --link never clobbers a file that is not a symbolic link.
  QTemporaryDir dir;
  const QString plain = dir.filePath("plain");
  {
    QFile f(plain);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("keep");
  }
  QProcess l;
  l.start(SimPath(), {"--link", plain});
  QVERIFY(l.waitForFinished(10000));
  QCOMPARE(l.exitCode(), 1);
  QFile f(plain);
  QVERIFY(f.open(QIODevice::ReadOnly));
  QCOMPARE(f.readAll(), QByteArray("keep"));
}

void TestConverterSim::executableStreamsWidebandAfterWarmup() {
  // The options reach the device: an AEM controller warming up for 1 s, on
  // the ECU's own curve, reads 0 V for 100 frames and then lambda 1 (159).
  QTemporaryDir dir;
  const std::string tab = dir.filePath("tuned.tab").toStdString();
  const Table t = TunedTable();
  std::ofstream(tab, std::ios::binary).write(reinterpret_cast<const char*>(t.data()), 256);
  SimProcess sim;
  QVERIFY(sim.Start({"--table", QString::fromStdString(tab), "--o2", "wide:aem", "--o2-warmup-s",
                     "1", "--o2-delay-ms", "300"}));
  const int fd = OpenPortRaw(sim.port);
  QVERIFY(fd >= 0 && WriteAll(fd, Str("sl")));
  const std::vector<Bytes> frames = Frames(ReadUpTo(fd, 8 * 300, milliseconds(3000)));
  QCOMPARE(frames.size(), std::size_t{300});
  for (std::size_t i = 0; i < frames.size(); ++i) {
    QCOMPARE(int(frames[i][1]), int(i % 256));  // no frame lost
    QVERIFY(i < 100 ? frames[i][7] == 0 : frames[i][7] >= 158 && frames[i][7] <= 160);
  }
  ::close(fd);
  QVERIFY(sim.Terminate());
}

QTEST_GUILESS_MAIN(TestConverterSim)
#include "test_converter_sim.moc"
