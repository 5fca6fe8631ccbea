// The LogBuffer: channel layout, the count and its cap, the panel's view of
// the newest sample in both regimes, and a writer racing a reader.

#include <QtTest>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "link/LogBuffer.h"
#include "link/LogSample.h"

using zelor::LogBuffer;
using zelor::LogChannel;
using zelor::LogSample;
using zelor::PanelView;

namespace {

using Frame = std::array<std::uint8_t, 8>;
constexpr std::int32_t kCap = LogBuffer::kCapacity;

// A frame whose bytes all derive from one counter (below 2^24): MAF is its
// low byte, the output and enrichment bytes its higher ones, bytes 4..7 a
// hash of it, byte 1 a value the buffer must drop.
Frame MakeFrame(std::uint32_t c) {
  const std::uint32_t h = c * 2654435761u;
  return Frame{static_cast<std::uint8_t>(c >> 8),  0xEE,
               static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c),
               static_cast<std::uint8_t>(h >> 24), static_cast<std::uint8_t>(h >> 16),
               static_cast<std::uint8_t>(h >> 8),  static_cast<std::uint8_t>(h ^ (c >> 3))};
}

// The marker the counter's frame is appended with.
bool MarkerOf(std::uint32_t c) { return c % 3 == 0; }

// The sample the buffer should hold for the counter's frame.
LogSample SampleOf(std::uint32_t c) {
  LogSample s;
  const Frame f = MakeFrame(c);
  for (int k = 0; k < 8; ++k) s.bytes[k] = f[k];
  s.bytes[1] = MarkerOf(c) ? LogBuffer::kMarkerOn : 0;
  return s;
}

// The counter a sample was made from.
std::uint32_t CounterOf(const LogSample& s) {
  return static_cast<std::uint32_t>(s.Maf()) | static_cast<std::uint32_t>(s.Output()) << 8 |
         static_cast<std::uint32_t>(s.Enrichment()) << 16;
}

// True when every byte of the sample belongs to the same frame.
bool Whole(const LogSample& s) { return s == SampleOf(CounterOf(s)); }

void AppendCounter(LogBuffer& b, std::uint32_t c) {
  const Frame f = MakeFrame(c);
  b.Append(f.data(), MarkerOf(c));
}

// Fills slots 0..count-1 with counters 0..count-1 the way the reader does.
void FillTo(LogBuffer& b, std::uint32_t count) {
  b.SetCount(0);
  for (std::uint32_t c = 0; c < count; ++c) AppendCounter(b, c);
}

std::array<std::uint8_t, 7> MafRun(std::uint32_t newest) {
  std::array<std::uint8_t, 7> m{};
  for (int j = 0; j < 7; ++j) m[j] = static_cast<std::uint8_t>(newest - 6 + j);
  return m;
}

}  // namespace

class TestLogBuffer : public QObject {
  Q_OBJECT

 private slots:
  void appendStoresChannelsInFrameOrder();
  void boundsAreChecked();
  void setCountKeepsOldSlots();
  void panelFollowsTheCountBelowTheCap();
  void capKeepsCountAndOverwritesTheSlotAfterIt();
  void panelFollowsNewestFrameOnceFull();
  void loadedFullBufferThenAppends();
  void newestWithoutAppendFollowsThePanel();
  void concurrentWriterIsNeverSeenTorn();
};

void TestLogBuffer::appendStoresChannelsInFrameOrder() {
  auto b = std::make_unique<LogBuffer>();
  QCOMPARE(b->Count(), 0);
  // A fresh buffer holds zeros everywhere.
  QCOMPARE(b->SampleAt(0), LogSample{});
  QCOMPARE(b->SampleAt(LogBuffer::kChannelSize - 1), LogSample{});

  const std::uint8_t f0[8] = {10, 99, 128, 40, 63, 5, 6, 77};
  const std::uint8_t f1[8] = {11, 0, 130, 41, 64, 7, 8, 78};
  const std::uint8_t f2[8] = {12, 128, 131, 42, 65, 9, 10, 79};
  b->Append(f0, true);
  b->Append(f1, false);
  b->Append(f2, false);
  QCOMPARE(b->Count(), 3);

  QCOMPARE(int(b->At(LogChannel::ConverterOutput, 0)), 10);
  QCOMPARE(int(b->At(LogChannel::Marker, 0)), 128);  // frame byte 1 (99) dropped
  QCOMPARE(int(b->At(LogChannel::Enrichment, 0)), 128);
  QCOMPARE(int(b->At(LogChannel::Maf, 0)), 40);
  QCOMPARE(int(b->At(LogChannel::Vaf, 0)), 63);
  QCOMPARE(int(b->At(LogChannel::Channel5, 0)), 5);
  QCOMPARE(int(b->At(LogChannel::Channel6, 0)), 6);
  QCOMPARE(int(b->At(LogChannel::O2, 0)), 77);

  QCOMPARE(int(b->At(LogChannel::Marker, 1)), 0);
  QCOMPARE(int(b->At(LogChannel::Marker, 2)), 0);  // byte 1 = 128 in the frame, marker off
  const LogSample s1 = b->SampleAt(1);
  QCOMPARE(s1, (LogSample{{11, 0, 130, 41, 64, 7, 8, 78}}));
  QCOMPARE(int(s1.Output()), 11);
  QCOMPARE(int(s1.Maf()), 41);
  QCOMPARE(int(s1.Vaf()), 64);
  QCOMPARE(int(s1.O2()), 78);
  QCOMPARE(int(s1.Enrichment()), 130);
  QCOMPARE(int(s1[LogChannel::Channel5]), 7);
  QCOMPARE(b->SampleAt(3), LogSample{});  // nothing beyond the count
  QCOMPARE(b->Appended(), std::uint64_t{3});
}

void TestLogBuffer::boundsAreChecked() {
  auto b = std::make_unique<LogBuffer>();
  FillTo(*b, 5);
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, b->SetCount(-1));
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, b->SetCount(kCap + 1));
  QCOMPARE(b->Count(), 5);
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, b->At(LogChannel::Maf, -1));
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, b->At(LogChannel::O2, LogBuffer::kChannelSize));
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, b->SampleAt(LogBuffer::kChannelSize));
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, b->Store(kCap + 1, LogSample{}));
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, b->Store(-1, LogSample{}));
  std::uint8_t two[2];
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, b->ReadChannel(LogChannel::Maf, -1, 2, two));
  QVERIFY_THROWS_EXCEPTION(std::out_of_range,
                           b->ReadChannel(LogChannel::Vaf, LogBuffer::kChannelSize - 1, 2, two));
  // The last storage bytes and the cap itself are reachable.
  QCOMPARE(int(b->At(LogChannel::O2, LogBuffer::kChannelSize - 1)), 0);
  b->Store(kCap, SampleOf(77));
  QCOMPARE(b->SampleAt(kCap), SampleOf(77));
  b->SetCount(kCap);
  QCOMPARE(b->Count(), kCap);
}

void TestLogBuffer::setCountKeepsOldSlots() {
  auto b = std::make_unique<LogBuffer>();
  FillTo(*b, 10);
  b->SetCount(0);
  QCOMPARE(b->Count(), 0);
  QCOMPARE(b->Appended(), std::uint64_t{0});
  for (std::uint32_t c = 0; c < 10; ++c) QCOMPARE(b->SampleAt(c), SampleOf(c));

  // Count 0: the panel shows slot 0, the first sample of the old recording.
  const PanelView v = b->Panel();
  QCOMPARE(v.slot, 0);
  QCOMPARE(v.sample, SampleOf(0));
  QCOMPARE(v.recentMaf, (std::array<std::uint8_t, 7>{0, 0, 0, 0, 0, 0, SampleOf(0).Maf()}));
  QCOMPARE(b->PanelSample(), SampleOf(0));
  QCOMPARE(b->PanelSlot(), 0);

  // The next frame replaces slot 0 and only it.
  AppendCounter(*b, 1000);
  QCOMPARE(b->Count(), 1);
  QCOMPARE(b->SampleAt(0), SampleOf(1000));
  QCOMPARE(b->SampleAt(1), SampleOf(1));
  QCOMPARE(b->PanelSample(), SampleOf(1000));
  QCOMPARE(b->Newest(), SampleOf(1000));
}

void TestLogBuffer::panelFollowsTheCountBelowTheCap() {
  auto b = std::make_unique<LogBuffer>();
  FillTo(*b, 3);
  PanelView v = b->Panel();
  QCOMPARE(v.slot, 2);
  QCOMPARE(v.sample, SampleOf(2));
  // Samples before slot 0 read as MAF 0.
  QCOMPARE(v.recentMaf, (std::array<std::uint8_t, 7>{0, 0, 0, 0, 0, 1, 2}));

  for (std::uint32_t c = 3; c < 300; ++c) AppendCounter(*b, c);
  v = b->Panel();
  QCOMPARE(v.slot, 299);
  QCOMPARE(b->PanelSlot(), 299);
  QCOMPARE(v.sample, SampleOf(299));
  QCOMPARE(v.recentMaf, MafRun(299));
  QCOMPARE(b->RecentMaf(), MafRun(299));
  QCOMPARE(b->Newest(), SampleOf(299));

  // A shorter count (as a loaded file sets it) is followed at once.
  b->SetCount(100);
  QCOMPARE(b->PanelSample(), SampleOf(99));
  QCOMPARE(b->RecentMaf(), MafRun(99));
}

void TestLogBuffer::capKeepsCountAndOverwritesTheSlotAfterIt() {
  auto b = std::make_unique<LogBuffer>();
  FillTo(*b, kCap - 1);
  QCOMPARE(b->Count(), kCap - 1);
  AppendCounter(*b, kCap - 1);
  QCOMPARE(b->Count(), kCap);
  // Exactly full, nothing overwritten yet: the panel shows slot 499,999.
  PanelView v = b->Panel();
  QCOMPARE(v.slot, kCap - 1);
  QCOMPARE(v.sample, SampleOf(kCap - 1));
  QCOMPARE(v.recentMaf, MafRun(kCap - 1));

  for (std::uint32_t c = kCap; c < kCap + 5; ++c) {
    AppendCounter(*b, c);
    QCOMPARE(b->Count(), kCap);
    QCOMPARE(b->SampleAt(kCap), SampleOf(c));  // slot 500,000 overwritten
  }
  QCOMPARE(b->Appended(), std::uint64_t(kCap + 5));
  // The counted slots are untouched, the storage beyond slot 500,000 too.
  QCOMPARE(b->SampleAt(kCap - 1), SampleOf(kCap - 1));
  QCOMPARE(b->SampleAt(0), SampleOf(0));
  QCOMPARE(b->SampleAt(123456), SampleOf(123456));
  for (std::int32_t s = kCap + 1; s < LogBuffer::kChannelSize; ++s)
    QCOMPARE(b->SampleAt(s), LogSample{});
}

void TestLogBuffer::panelFollowsNewestFrameOnceFull() {
  auto b = std::make_unique<LogBuffer>();
  FillTo(*b, kCap);
  AppendCounter(*b, 900000);
  PanelView v = b->Panel();
  QCOMPARE(v.slot, kCap);  // the slot the newest frame went into
  QCOMPARE(v.sample, SampleOf(900000));
  QVERIFY(v.sample != b->SampleAt(kCap - 1));  // not stuck on slot 499,999
  // One overwrite: six counted samples, then the new frame.
  std::array<std::uint8_t, 7> expected{};
  for (int j = 0; j < 6; ++j) expected[j] = static_cast<std::uint8_t>(kCap - 6 + j);
  expected[6] = SampleOf(900000).Maf();
  QCOMPARE(v.recentMaf, expected);

  for (std::uint32_t c = 900001; c < 900020; ++c) AppendCounter(*b, c);
  v = b->Panel();
  QCOMPARE(v.slot, kCap);
  QCOMPARE(v.sample, SampleOf(900019));
  QCOMPARE(v.recentMaf, MafRun(900019));
  QCOMPARE(b->PanelSample(), SampleOf(900019));
  QCOMPARE(b->Newest(), SampleOf(900019));
  QCOMPARE(b->RecentMaf(), MafRun(900019));
  QCOMPARE(b->PanelSlot(), kCap);
  QCOMPARE(b->Count(), kCap);

  // A new run starts from the slots again, not from the frames of the old one.
  b->SetCount(0);
  QCOMPARE(b->PanelSample(), SampleOf(0));
  QCOMPARE(b->Newest(), SampleOf(0));
}

void TestLogBuffer::loadedFullBufferThenAppends() {
  auto b = std::make_unique<LogBuffer>();
  // A loader fills the slots itself and sets the count to the cap.
  for (std::uint32_t s = kCap - 10; s < static_cast<std::uint32_t>(kCap); ++s)
    b->Store(s, SampleOf(s));
  b->SetCount(kCap);
  PanelView v = b->Panel();
  QCOMPARE(v.slot, kCap - 1);
  QCOMPARE(v.sample, SampleOf(kCap - 1));
  QCOMPARE(v.recentMaf, MafRun(kCap - 1));
  QCOMPARE(b->Newest(), SampleOf(kCap - 1));

  AppendCounter(*b, 5000000);
  AppendCounter(*b, 5000001);
  v = b->Panel();
  QCOMPARE(v.slot, kCap);
  QCOMPARE(v.sample, SampleOf(5000001));
  std::array<std::uint8_t, 7> expected{};
  for (int j = 0; j < 5; ++j) expected[j] = static_cast<std::uint8_t>(kCap - 5 + j);
  expected[5] = SampleOf(5000000).Maf();
  expected[6] = SampleOf(5000001).Maf();
  QCOMPARE(v.recentMaf, expected);
  QCOMPARE(b->Count(), kCap);
}

void TestLogBuffer::newestWithoutAppendFollowsThePanel() {
  auto b = std::make_unique<LogBuffer>();
  QCOMPARE(b->Newest(), LogSample{});  // never written: zeros
  FillTo(*b, 50);
  b->SetCount(20);
  QCOMPARE(b->Newest(), SampleOf(19));
  AppendCounter(*b, 7777);
  QCOMPARE(b->Newest(), SampleOf(7777));
  QCOMPARE(b->SampleAt(20), SampleOf(7777));
  QCOMPARE(b->Count(), 21);
}

void TestLogBuffer::concurrentWriterIsNeverSeenTorn() {
  auto b = std::make_unique<LogBuffer>();
  // Slot 0 holds an old sample, as after a previous recording.
  constexpr std::uint32_t kOld = 0xABCDEF;
  b->Store(0, SampleOf(kOld));
  b->SetCount(0);

  constexpr std::uint32_t kMinFrames = kCap + 300000;
  constexpr std::uint32_t kMaxFrames = 1u << 24;  // the counter must fit in 3 bytes
  std::atomic<bool> done{false};
  std::atomic<std::uint32_t> written{0};
  std::atomic<int> uncappedReads{0};
  std::atomic<int> cappedReads{0};

  std::thread writer([&] {
    std::uint32_t c = 0;
    for (; c < kMaxFrames; ++c) {
      // Make sure the reader gets to look in each regime.
      if (c == kCap / 2) {
        while (uncappedReads.load() < 2000) std::this_thread::yield();
      }
      if (c >= kMinFrames && cappedReads.load() >= 2000) break;
      AppendCounter(*b, c);
      if ((c & 1023) == 0) written.store(c, std::memory_order_relaxed);
    }
    written.store(c, std::memory_order_relaxed);
    done.store(true);
  });

  int torn = 0, wrongRecent = 0, wrongSlot = 0, backwards = 0, wrongCounted = 0;
  std::uint32_t lastPanel = 0, lastNewest = 0;
  bool firstPanel = true, firstNewest = true;
  std::string firstFault;
  const auto guard = std::chrono::steady_clock::now() + std::chrono::minutes(3);
  while (!done.load() && std::chrono::steady_clock::now() < guard) {
    const PanelView v = b->Panel();
    const std::uint32_t c = CounterOf(v.sample);
    if (!Whole(v.sample)) {
      ++torn;
      if (firstFault.empty()) firstFault = "torn panel sample at slot " + std::to_string(v.slot);
    } else if (c == kOld) {
      if (v.slot != 0) ++wrongSlot;  // the old sample only while nothing arrived
    } else {
      if (v.slot < kCap) {
        uncappedReads.fetch_add(1, std::memory_order_relaxed);
        if (c != static_cast<std::uint32_t>(v.slot)) ++wrongSlot;
      } else {
        cappedReads.fetch_add(1, std::memory_order_relaxed);
        if (c < static_cast<std::uint32_t>(kCap)) ++wrongSlot;
      }
      if (c >= 6 && v.recentMaf != MafRun(c)) ++wrongRecent;
      if (!firstPanel && c < lastPanel) ++backwards;
      lastPanel = c;
      firstPanel = false;
    }
    const LogSample n = b->Newest();
    const std::uint32_t nc = CounterOf(n);
    if (!Whole(n)) {
      ++torn;
      if (firstFault.empty()) firstFault = "torn newest sample";
    } else if (nc != kOld) {
      if (!firstNewest && nc < lastNewest) ++backwards;
      lastNewest = nc;
      firstNewest = false;
    }
    // The slot below the count is complete and final.
    const std::int32_t count = b->Count();
    if (count > 0 && b->SampleAt(count - 1) != SampleOf(count - 1)) ++wrongCounted;
  }
  writer.join();
  QVERIFY2(done.load(), "writer did not finish (hang guard)");
  QVERIFY2(torn == 0, firstFault.c_str());
  QCOMPARE(wrongSlot, 0);
  QCOMPARE(wrongRecent, 0);
  QCOMPARE(backwards, 0);
  QCOMPARE(wrongCounted, 0);
  QVERIFY(uncappedReads.load() >= 2000);
  QVERIFY(cappedReads.load() >= 2000);

  // After the writer: the counted slots hold frames 0..cap-1, slot cap the last.
  const std::uint32_t last = written.load() - 1;
  QCOMPARE(b->Count(), kCap);
  QCOMPARE(b->Appended(), std::uint64_t(last) + 1);
  for (std::int32_t s = 0; s < kCap; s += 997) QCOMPARE(b->SampleAt(s), SampleOf(s));
  QCOMPARE(b->SampleAt(kCap - 1), SampleOf(kCap - 1));
  QCOMPARE(b->SampleAt(kCap), SampleOf(last));
  QCOMPARE(b->PanelSample(), SampleOf(last));
  QCOMPARE(b->RecentMaf(), MafRun(last));
}

QTEST_APPLESS_MAIN(TestLogBuffer)
#include "test_log_buffer.moc"
