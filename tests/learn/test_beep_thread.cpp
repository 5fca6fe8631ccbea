// The lambda beeper: its tone table, the samples of a tone, and the thread
// with a recording tone output. Runs under ThreadSanitizer (scripts/tsan).

#include <QtTest>

#include <cmath>
#include <vector>

#include "learn/BeepThread.h"
#include "learn/Tone.h"
#include "link/StreamFlags.h"
#include "log/PanelText.h"
#include "support/RecordingTones.h"

using namespace zelor;
using testing::RecordingTones;
using Call = RecordingTones::Call;

namespace {

// Flags of a running stream with the beeper's inputs set.
void SetFlags(StreamFlags& flags, bool on, bool inRange, int level) {
  flags.BeeperOn.store(on);
  flags.MafInRange.store(inRange);
  flags.O2Level.store(level);
  flags.Streaming.store(true);
}

}  // namespace

class TestBeepThread : public QObject {
  Q_OBJECT

 private slots:
  void toneTableAtEveryRowEdge() {
    struct Row {
      int v;
      Tone tone;
    };
    const Row rows[] = {
        {-3, {200, 100, 0}},   {0, {200, 100, 0}},    {24, {200, 100, 0}},   {25, {800, 204, 204}},
        {40, {800, 128, 128}},                         // 127.5 goes to the even 128
        {128, {800, 40, 40}},  {129, {1000, 40, 40}},  // 39.5 goes to the even 40
        {200, {1000, 26, 26}},                         // 25.5 goes to the even 26
        {225, {1000, 23, 23}}, {226, {2000, 200, 0}}, {255, {2000, 200, 0}}, {300, {2000, 200, 0}},
    };
    for (const Row& row : rows) {
      QCOMPARE(ToneFor(row.v), row.tone);
    }
    // The narrow-band sensor's gauge scaling decides the row: raw 45 (0.88 V)
    // still beeps fast, 46 and above give the steady high tone.
    QCOMPARE(ToneFor(O2GaugePosition(45, false)), (Tone{1000, 23, 23}));
    QCOMPARE(ToneFor(O2GaugePosition(46, false)), (Tone{2000, 200, 0}));
  }

  void toneSamplesHaveTheirFrequencyAndLengthAndNoClicks() {
    const std::pair<int, int> tones[] = {{200, 100}, {800, 204}, {1000, 23}, {2000, 200}};
    for (const auto& [hz, ms] : tones) {
      const std::vector<std::int16_t> s = ToneSamples(hz, ms, kToneSampleRate, 10000);
      QCOMPARE(s.size(), std::size_t(kToneSampleRate / 1000 * ms));
      QCOMPARE(s.front(), std::int16_t(0));
      QCOMPARE(s.back(), std::int16_t(0));
      // Sign changes, zeros skipped: two per period.
      int crossings = 0;
      int last = 0;
      std::int16_t peak = 0;
      for (std::int16_t v : s) {
        const int sign = (v > 0) - (v < 0);
        if (sign != 0 && last != 0 && sign != last) ++crossings;
        if (sign != 0) last = sign;
        peak = std::max<std::int16_t>(peak, v);
      }
      const double expected = 2.0 * hz * ms / 1000.0;
      QVERIFY2(std::abs(crossings - expected) <= 1.5,
               qPrintable(QStringLiteral("%1 Hz: %2 crossings").arg(hz).arg(crossings)));
      QVERIFY(peak > 9900 && peak <= 10000);
    }
    QVERIFY(ToneSamples(800, 0, kToneSampleRate, 10000).empty());
  }

  // What each pass plays, in order, for the switch, the range and the level.
  void passesFollowTheSwitchRangeAndLevel() {
    struct Row {
      bool on;
      bool inRange;
      int level;
      std::vector<Call> sound;
    };
    const Call idle{0, TBeepThread::kIdleMs};
    const Row rows[] = {
        {false, true, 40, {idle, idle, idle}},
        {true, false, 40, {idle, idle, idle}},
        {true, true, 24, {{200, 100}, {200, 100}, {200, 100}}},
        {true, true, 25, {{800, 204}, {0, 204}, {800, 204}}},
        {true, true, 200, {{1000, 26}, {0, 26}, {1000, 26}}},
        {true, true, 226, {{2000, 200}, {2000, 200}, {2000, 200}}},
    };
    for (const Row& row : rows) {
      StreamFlags flags;
      SetFlags(flags, row.on, row.inRange, row.level);
      RecordingTones tones(row.sound.size());
      TBeepThread beeper(flags, tones);
      beeper.Start();
      QVERIFY(tones.WaitForCalls(row.sound.size()));
      QCOMPARE(tones.Calls(), row.sound);
      beeper.Join();  // cuts the output's wait short
      QVERIFY(beeper.Finished());
      QCOMPARE(tones.Calls(), row.sound);  // no pass after the stop request
    }
  }

  void stopRequestCutsAWaitShort() {
    // The real silent output: a 200 ms rest or a 408 ms pass, cut short.
    StreamFlags flags;
    SilentToneOutput silent;
    for (bool on : {false, true}) {
      SetFlags(flags, on, true, 25);
      TBeepThread beeper(flags, silent);
      beeper.Start();
      QTRY_COMPARE_WITH_TIMEOUT(TBeepThread::LiveCount(), 1, 20000);
      beeper.RequestStop();
      QTRY_VERIFY_WITH_TIMEOUT(beeper.Finished(), 20000);
      QVERIFY(flags.Streaming.load());  // it ended on the request alone
    }
  }

  // The window writes the flags while runs come and go; under
  // ThreadSanitizer this must stay free of race reports.
  void flagsChangingUnderManyRuns() {
    StreamFlags flags;
    RecordingTones tones;
    for (int run = 0; run < 20; ++run) {
      SetFlags(flags, false, false, 0);
      TBeepThread beeper(flags, tones);
      beeper.Start();
      for (int k = 0; k < 200; ++k) {
        flags.BeeperOn.store(k % 3 != 0);
        flags.MafInRange.store(k % 5 != 0);
        flags.O2Level.store((k * 37) % 256);
      }
      const std::size_t before = tones.Calls().size();
      QVERIFY(tones.WaitForCalls(before + 2));
      if (run % 2) {  // Stop: the thread ends at its next Streaming test
        flags.Streaming.store(false);
        QTRY_VERIFY_WITH_TIMEOUT(beeper.Finished(), 20000);
      }
    }
    QCOMPARE(TBeepThread::LiveCount(), 0);
  }
};

QTEST_GUILESS_MAIN(TestBeepThread)
#include "test_beep_thread.moc"
