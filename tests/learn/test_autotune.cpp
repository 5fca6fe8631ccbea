// Autotune by lambda without a window: the live analysis against the
// recording's (in uneven feeds, across a restart), the push's rules per
// cell, and a drive on the simulator's engine whose table autotune corrects,
// pushed every interval, a cell corrected by hand, then rolled back.

#include <QtTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "learn/Autotune.h"
#include "learn/LambdaLive.h"
#include "sim/AccelPump.h"
#include "sim/DeviceMemory.h"
#include "sim/EngineModel.h"

using namespace zelor;

namespace {

// The simulator's engine in the process, behind a converter with whatever
// table it holds at each 10 ms step: its drive cycle, the accelerator pump
// at 20 %, a wideband LC-1 reading the exhaust 600 ms late at idle and
// 120 ms at full flow, with a 100 ms lag and 1.5 % noise, pinned at lambda
// 1.31 in the overrun's fuel cut; with ecuLoopBelow, the control unit's
// own closed loop below that MAF.
struct SimDrive {
  explicit SimDrive(int ecuLoopBelow)
      : engine(3, {sim::O2Sensor::kLc1, 600, 3, 120, 100, 1.5, 1.31},
               {ecuLoopBelow > 0 ? std::optional(ecuLoopBelow) : std::nullopt}) {
    settings[sim::kEnrichment] = 128 + 26;
  }
  static DelayCurve Delay() { return DelayCurve::IdleFull(600, 120); }
  void Step(const std::array<int, 256>& table) {
    const sim::EngineSample s = engine.Step();
    const int out = table[s.maf];
    const std::uint8_t enrichment = pump.Step(s.maf, settings);
    rec.o2.push_back(engine.StepO2(out, s.vaf, (enrichment - 128) / 1.28));
    rec.output.push_back(static_cast<std::uint8_t>(out));
    rec.enrichment.push_back(enrichment);
    rec.maf.push_back(s.maf);
    lambda.push_back(engine.Lambda());
  }
  sim::EngineModel engine;
  sim::AccelPump pump;
  sim::Settings settings = sim::DeviceMemory::DefaultSettings();
  LambdaChannels rec;          // every sample so far
  std::vector<double> lambda;  // the mixture of every sample (infinite in a cut)
};

// A table 10 % lean over MAF 80..160 and 8 % rich over 170..220 against
// what the control unit expects.
std::array<int, 256> WrongTable() {
  std::array<int, 256> t{};
  for (int m = 0; m < 256; ++m) {
    const double f = m >= 80 && m <= 160 ? 0.9 : m >= 170 && m <= 220 ? 1.08 : 1.0;
    t[m] = static_cast<int>(std::lround(sim::EngineModel::ExpectedVaf(m) * f));
  }
  return t;
}

LambdaRecording Slice(const LambdaChannels& c, std::size_t from, std::size_t n) {
  auto part = [&](const std::vector<std::uint8_t>& v) {
    return std::span<const std::uint8_t>(v).subspan(from, n);
  };
  return {part(c.output), part(c.enrichment), part(c.maf), part(c.o2)};
}

}  // namespace

class TestAutotune : public QObject {
  Q_OBJECT

 private slots:
  void theLiveAnalysisGathersWhatTheRecordingsDoes();
  void aPushMovesReadyCellsWithinItsLimits();
  void autotuneCorrectsADriveAndRollsBack();
};

void TestAutotune::theLiveAnalysisGathersWhatTheRecordingsDoes() {
  // Five minutes of the simulator's drive with every filter's case (warm-up,
  // enrichment, fuel cut, a pinned sensor, the control unit's loop, a locked
  // cell), fed in chunks of every size a tick may bring: one sample, a few
  // hundred, a stall of 10,000; once with a restart of every third cell.
  // It ends with the sensor unplugged long enough that every sample before
  // is decided live; the recording's analysis decides the last ones, all
  // dead, alike.
  SimDrive drive(60);
  const std::array<int, 256> table = WrongTable();
  for (int k = 0; k < 30000; ++k) drive.Step(table);
  std::array<std::uint8_t, 256> locked{};
  locked[120] = 1;
  const struct {
    const char* what;
    DelayCurve delay;
    bool narrow;
    int firstChunk, chunkMost;  // chunks of 1..chunkMost samples after the first
    int restartAt;              // -1: none
  } cases[] = {
      {"ticks of 1..300", SimDrive::Delay(), false, 1, 300, -1},
      {"narrowband, 50 ms, ticks of one sample", DelayCurve::Flat(50), true, 1, 1, -1},
      {"a stall first", SimDrive::Delay(), false, 10000, 40, -1},
      {"a restart", SimDrive::Delay(), false, 3, 120, 15000},
  };
  for (const auto& c : cases) {
    LambdaSettings settings;
    settings.delay = c.delay;
    settings.wideband = !c.narrow;
    LiveLambda live(settings, locked);
    LambdaChannels rec = drive.rec;
    const std::size_t n = rec.maf.size(), all = n + live.MaxPending();
    rec.o2.resize(all, 0);
    rec.enrichment.resize(all, 128);
    rec.maf.resize(all, 22);
    rec.output.resize(all, 22);
    LambdaCellReadings gathered;
    const LambdaResult batch = AnalyseLambda(rec.View(), table, locked, settings, &gathered);
    std::vector<int> restarted;
    for (int m = 0; m < 256; m += 3) restarted.push_back(m);
    std::mt19937 rng(3);
    for (std::size_t fed = 0, chunk = c.firstChunk; fed < all; chunk = 1 + rng() % c.chunkMost) {
      chunk = std::min(chunk, all - fed);
      if (c.restartAt >= 0 && fed < std::size_t(c.restartAt))
        chunk = std::min(chunk, c.restartAt - fed);
      live.Feed(Slice(rec, fed, chunk));
      fed += chunk;
      QVERIFY2(live.Fed() - live.Decided() <= live.MaxPending(), c.what);
      if (std::int64_t(fed) == c.restartAt) live.Restart(restarted, c.restartAt);
    }
    LambdaResult result;
    live.Propose(table, result);
    for (int k = int(LambdaReject::kEnrichment); k < int(LambdaReject::kClosedLoop); ++k)
      QVERIFY2(result.rejected[k] == batch.rejected[k], c.what);
    if (c.restartAt >= 0) {
      // A restarted cell counts its readings from the restart on.
      std::array<int, 256> since{};
      for (std::size_t s = c.restartAt; s < n; ++s)
        since[rec.maf[s]] += batch.reject[s] == LambdaReject::kAccepted ||
                             batch.reject[s] == LambdaReject::kClosedLoop;
      int both = 0;
      for (int m = 0; m < 256; ++m) {
        QCOMPARE(result.cells[m].n, m % 3 == 0 ? since[m] : batch.cells[m].n);
        both += m % 3 == 0 && since[m] > 0 && since[m] < batch.cells[m].n;
      }
      QVERIFY(both > 10);
      continue;
    }
    const LambdaCellReadings& got = live.Readings();
    QVERIFY2(got.n == gathered.n && got.rich == gathered.rich &&
                 got.crossings == gathered.crossings && got.unsteady == gathered.unsteady &&
                 got.o2 == gathered.o2 && got.output == gathered.output,
             c.what);
    int judged = 0, closedLoop = 0;
    for (int m = 0; m < 256; ++m) {
      const LambdaCell &a = result.cells[m], &b = batch.cells[m];
      QVERIFY2(a.n == b.n && a.medianLambda == b.medianLambda && a.richShare == b.richShare &&
                   a.newValue == b.newValue && a.state == b.state,
               c.what);
      judged += b.state == LambdaCellState::kChanged;
      closedLoop += b.state == LambdaCellState::kClosedLoop;
    }
    QVERIFY2(judged > 20 && (c.narrow || closedLoop > 5), c.what);
  }
}

void TestAutotune::aPushMovesReadyCellsWithinItsLimits() {
  using P = LambdaCellState;
  using A = AutotuneState;
  const struct {
    const char* what;
    int snapshot, now;
    double hits;
    P proposed;
    int newValue;
    bool locked;
    A state;
    int next;
  } cases[] = {
      {"too few readings", 100, 100, 19.5, P::kChanged, 110, false, A::kCollecting, 100},
      {"right, changed before", 100, 103, 50, P::kRight, 103, false, A::kChanged, 103},
      {"capped at 4 counts", 200, 200, 20, P::kChanged, 220, false, A::kReady, 204},
      {"capped at 3 %", 60, 60, 20, P::kChanged, 50, false, A::kReady, 59},
      {"at least one count", 20, 20, 20, P::kChanged, 25, false, A::kReady, 21},
      {"up to the authority", 100, 113, 20, P::kChanged, 125, false, A::kReady, 115},
      {"at the authority", 100, 115, 20, P::kChanged, 125, false, A::kAtLimit, 115},
      {"authority at least a count", 5, 6, 20, P::kChanged, 9, false, A::kAtLimit, 6},
      {"put beyond by hand: not further", 100, 120, 20, P::kChanged, 125, false, A::kAtLimit, 120},
      {"put beyond by hand: back", 100, 120, 20, P::kChanged, 110, false, A::kReady, 117},
      {"closed loop", 100, 100, 80, P::kClosedLoop, 100, false, A::kClosedLoop, 100},
      {"locked", 100, 100, 80, P::kChanged, 110, true, A::kLocked, 100},
      {"the top of the scale", 250, 254, 20, P::kChanged, 255, false, A::kReady, 255},
  };
  for (const auto& c : cases) {
    LambdaResult proposal;
    proposal.cells[7].hits = c.hits;
    proposal.cells[7].state = c.proposed;
    proposal.cells[7].oldValue = c.now;
    proposal.cells[7].newValue = c.newValue;
    std::array<int, 256> table{}, snapshot{};
    table[7] = c.now;
    snapshot[7] = c.snapshot;
    std::array<std::uint8_t, 256> locked{};
    locked[7] = c.locked;
    const AutotuneCell cell = PlanAutotune(proposal, table, snapshot, locked, 20, {})[7];
    QVERIFY2(cell.state == c.state && cell.next == c.next && cell.now == c.now &&
                 cell.snapshot == c.snapshot,
             c.what);
  }
}

void TestAutotune::autotuneCorrectsADriveAndRollsBack() {
  // Four minutes on the lean and rich table, a tick every 100 ms; what a
  // push changes reaches the engine at once and restarts its cells. A cell
  // is locked; at two minutes the tuner corrects one by hand. The mixture's
  // error in the last minute is at most a third of the first minute's.
  std::array<int, 256> table = WrongTable();
  std::array<std::uint8_t, 256> locked{};
  locked[120] = 1;
  LambdaSettings lambda;
  lambda.delay = SimDrive::Delay();
  lambda.targetHigh = 1.0;
  const AutotuneSettings settings;
  Autotune autotune(table, locked, lambda, settings, 0);
  SimDrive drive(0);
  const int minutes = 4, handCell = 140;
  std::vector<std::int64_t> pushes;
  for (std::int64_t tick = 1; tick <= minutes * 600; ++tick) {
    const std::int64_t nowMs = tick * 100;
    const std::size_t from = drive.rec.maf.size();
    for (int k = 0; k < 10; ++k) drive.Step(table);
    autotune.Feed(Slice(drive.rec, from, 10));
    if (nowMs == 120'000) {
      table[handCell] += 2;
      autotune.Restart(std::array{handCell}, autotune.Fed());
      const AutotuneCell cell = autotune.Cells(table)[handCell];
      QCOMPARE(cell.n, 0);
      QVERIFY(cell.state == AutotuneState::kChanged);
    }
    const std::vector<AutotuneChange> changes = autotune.Push(nowMs, table);
    if (changes.empty()) continue;
    pushes.push_back(nowMs);
    std::vector<int> cells;
    const LambdaCellReadings& readings = autotune.Analysis().Readings();
    for (const AutotuneChange& change : changes) {
      const int m = change.cell;
      // It was driven on its value now alone since its last change.
      QCOMPARE(readings.output[m * 256 + table[m]], std::uint32_t(readings.n[m]));
      QVERIFY(std::abs(change.to - autotune.Snapshot()[m]) <=
              std::max(1.0, std::floor(0.15 * autotune.Snapshot()[m])));
      table[m] = change.to;
      cells.push_back(m);
    }
    autotune.Restart(cells, autotune.Fed());
  }
  QVERIFY(pushes.size() > 10);
  QVERIFY(pushes.front() >= settings.pushIntervalMs);
  for (std::size_t k = 1; k < pushes.size(); ++k)
    QVERIFY(pushes[k] - pushes[k - 1] >= settings.pushIntervalMs);
  QCOMPARE(table[120], autotune.Snapshot()[120]);
  QVERIFY(table[119] != autotune.Snapshot()[119] && table[121] != autotune.Snapshot()[121]);

  // The mean |lambda - 1| outside the cut and the enrichment, first minute
  // and last.
  std::array<double, 2> sum{}, count{};
  const std::size_t n = drive.lambda.size();
  for (std::size_t s = 0; s < n; ++s) {
    const int minute = s < 6000 ? 0 : s >= n - 6000 ? 1 : -1;
    if (minute < 0 || !std::isfinite(drive.lambda[s]) || drive.rec.enrichment[s] != 128) continue;
    sum[minute] += std::fabs(drive.lambda[s] - 1.0);
    ++count[minute];
  }
  QVERIFY(sum[1] / count[1] <= sum[0] / count[0] / 3);

  // The rollback gives the snapshot back and counts as the interval's push.
  const std::int64_t endMs = minutes * 60'000 + 100;
  const std::vector<AutotuneChange> back = autotune.Rollback(endMs, table);
  QVERIFY(back.size() > 50);
  for (const AutotuneChange& change : back) table[change.cell] = change.to;
  QVERIFY(table == autotune.Snapshot());
  QCOMPARE(autotune.LastPushMs(), std::optional<std::int64_t>(endMs));
  QVERIFY(autotune.Push(endMs + settings.pushIntervalMs - 1, table).empty());
}

QTEST_GUILESS_MAIN(TestAutotune)
#include "test_autotune.moc"
