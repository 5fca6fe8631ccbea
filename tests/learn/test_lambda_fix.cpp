// The correction of the table by lambda: the filters, the delay shift, the
// median and the caps, the narrowband steps, the direction switch, the
// delay estimate on recordings of a known delay, the sensor parser.

#include <QtTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "learn/LambdaFix.h"

using namespace zelor;

namespace {

// The LC-1 count of a lambda at stoich 14.7.
int Lc1Count(double lambda) {
  const double volts =
      (lambda * kStoichPetrol - kLc1Scale.afr1) / (kLc1Scale.afr2 - kLc1Scale.afr1) * 5.0;
  return std::clamp(static_cast<int>(std::lround(volts * 255.0 / 5.0)), 0, 255);
}

// A steady recording: n samples of MAF 100, output 100, no enrichment, O2
// at lambda 1.00 on the LC-1.
LambdaChannels Steady(std::size_t n) {
  LambdaChannels c;
  c.output.assign(n, 100);
  c.enrichment.assign(n, 128);
  c.maf.assign(n, 100);
  c.o2.assign(n, static_cast<std::uint8_t>(Lc1Count(1.0)));
  return c;
}

std::array<int, 256> Flat(int value) {
  std::array<int, 256> t;
  t.fill(value);
  return t;
}

void Fill(std::vector<std::uint8_t>& channel, std::size_t from, std::size_t to, int value) {
  std::fill(channel.begin() + from, channel.begin() + to, static_cast<std::uint8_t>(value));
}

// A drive of 90 s whose lambda reaches the O2 sensor after delayMs: steps
// of MAF between steady stretches over a table whose error changes from
// cell to cell, tip-ins with an accelerator pump's decaying enrichment,
// fast overruns with fuel cut (the lean rail), a 3 s warm-up at 0 V, a
// sensor that answers in about 30 ms, and noise on MAF (+-2) and O2 (+-1).
LambdaChannels DelayedDrive(int delayMs, std::uint32_t seed) {
  const int n = 9000;
  const int d = delayMs / kLambdaSampleMs;
  std::mt19937 rng(seed);
  auto noise = [&](int span) { return static_cast<int>(rng() % (2 * span + 1)) - span; };
  LambdaChannels c;
  c.output.resize(n);
  c.enrichment.resize(n);
  c.maf.resize(n);
  c.o2.resize(n);
  std::vector<double> engineLambda(n);
  std::vector<bool> cut(n, false);
  const int levels[] = {40, 90, 60, 150, 120, 200, 70, 180, 110, 230, 50, 140};
  int level = 30;
  int t = 0;
  double enrichment = 0;
  for (int k = 0; t < n; ++k) {
    const int next = levels[k % std::size(levels)];
    const int hold = 200 + static_cast<int>(rng() % 200);
    const bool tipIn = next - level > 50;
    const bool overrun = k % 4 == 3;
    if (tipIn) enrichment = 20;
    for (int j = 0; j < hold && t < n; ++j, ++t) {
      int maf = next;
      if (overrun && j < 150) maf = 15;  // throttle shut, fuel cut
      if (j < 3) maf = level + (maf - level) * (j + 1) / 4;
      c.maf[t] = static_cast<std::uint8_t>(std::clamp(maf + noise(2), 0, 255));
      c.output[t] = c.maf[t];
      c.enrichment[t] = static_cast<std::uint8_t>(128 + std::lround(enrichment));
      cut[t] = overrun && j < 150;
      const double error = 0.08 * std::sin(c.maf[t] / 23.0);  // the table's error
      engineLambda[t] = (1.0 + error) / (1.0 + enrichment / 128.0);
      enrichment *= 0.933;  // half per 100 ms
      if (enrichment < 0.5) enrichment = 0;
    }
    level = next;
  }
  double sensed = 1.0;
  for (int i = 0; i < n; ++i) {
    const int s = std::max(0, i - d);
    const double target = cut[s] ? 2.0 : engineLambda[s];
    sensed += (target - sensed) * 0.3;  // about 30 ms
    int count = sensed > 1.5 ? 255 : Lc1Count(sensed) + noise(1);
    if (i < 300) count = 0;  // warming up
    c.o2[i] = static_cast<std::uint8_t>(std::clamp(count, 0, 255));
  }
  return c;
}

using Rejects = std::array<int, kLambdaRejectKinds>;
constexpr int R(LambdaReject r) { return static_cast<int>(r); }

}  // namespace

class TestLambdaFix : public QObject {
  Q_OBJECT

 private slots:
  void eachFilterCountsWhatItRejects();
  void theReadingIsShiftedByTheDelay();
  void theMedianIsCappedAndClamped();
  void narrowbandMovesOneStep();
  void theDelayEstimateFindsAKnownDelay();
  void sensorsAreParsed();
};

void TestLambdaFix::eachFilterCountsWhatItRejects() {
  using C = LambdaChannels;
  const struct {
    const char* what;
    void (*change)(C&);
    int delayMs;
    bool narrow;
    Rejects expected;  // by LambdaReject; [0] stays 0
  } cases[] = {
      {"nothing", [](C&) {}, 0, false, {}},
      {"no reading past the end", [](C&) {}, 50, false, {0, 5}},
      {"O2 at 0 V", [](C& c) { Fill(c.o2, 100, 130, 0); }, 0, false, {0, 0, 30}},
      // A narrowband's 254 is railed; a wideband's would also be lean.
      {"O2 railed", [](C& c) { Fill(c.o2, 100, 120, 254); }, 0, true, {0, 0, 20}},
      {"enrichment and 1 s after",
       [](C& c) { Fill(c.enrichment, 1000, 1005, 140); },
       0,
       false,
       {0, 0, 0, 105}},
      {"lean beyond 1.35 and 1 s after",
       [](C& c) { Fill(c.o2, 1000, 1010, Lc1Count(1.4)); },
       0,
       false,
       {0, 0, 0, 0, 110}},
      // MAF 100 -> 80 falls 20 in 100 ms (more than 150/s) at 1000..1009;
      // 990..999 see the drop within their 100 ms window.
      {"MAF falling fast",
       [](C& c) { Fill(c.maf, 1000, 2000, 80); },
       0,
       false,
       {0, 0, 0, 0, 110, 0, 10}},
      {"MAF below the minimum", [](C& c) { Fill(c.maf, 0, 50, 5); }, 0, false, {0, 0, 0, 0, 0, 50}},
      // A rise of 10: the 10 samples before it see it in their window; with
      // a delay of 300 ms the window is 30 samples (and 30 have no reading).
      {"MAF not steady",
       [](C& c) { Fill(c.maf, 1000, 2000, 110); },
       0,
       false,
       {0, 0, 0, 0, 0, 0, 10}},
      {"MAF not steady, delay window",
       [](C& c) { Fill(c.maf, 1000, 2000, 110); },
       300,
       false,
       {0, 30, 0, 0, 0, 0, 30}},
      {"a locked cell",
       [](C& c) { Fill(c.maf, 500, 700, 103); },
       0,
       false,
       {0, 0, 0, 0, 0, 0, 0, 200}},
  };
  std::array<std::uint8_t, 256> locked{};
  locked[103] = 1;
  for (const auto& c : cases) {
    LambdaChannels rec = Steady(2000);
    c.change(rec);
    LambdaSettings settings;
    settings.delayMs = c.delayMs;
    settings.wideband = !c.narrow;
    settings.minSamples = 1;
    const LambdaResult r = AnalyseLambda(rec.View(), Flat(100), locked, settings);
    QVERIFY2(r.rejected == c.expected, c.what);
    int rejected = 0;
    for (int k = 1; k < kLambdaRejectKinds; ++k) {
      rejected += r.rejected[k];
      QCOMPARE(std::count(r.reject.begin(), r.reject.end(), LambdaReject(k)), r.rejected[k]);
    }
    QCOMPARE(r.accepted + rejected, 2000);
    // The locked cell is left alone, with no reading counted for it.
    QCOMPARE(r.cells[103].n, 0);
    QCOMPARE(r.cells[103].newValue, 100);
  }
}

void TestLambdaFix::theReadingIsShiftedByTheDelay() {
  // MAF alternates between 100 and 110 every 30 samples; the sensor shows
  // each cell's lambda (1.10 and 0.90) 200 ms later.
  LambdaChannels rec = Steady(3000);
  const int lag = 20;
  for (std::size_t t = 0; t < 3000; ++t) {
    const bool high = (t / 30) % 2 == 1;
    rec.maf[t] = high ? 110 : 100;
    rec.output[t] = rec.maf[t];
    if (t + lag < 3000) rec.o2[t + lag] = static_cast<std::uint8_t>(Lc1Count(high ? 0.90 : 1.10));
  }
  const std::uint8_t c110 = static_cast<std::uint8_t>(Lc1Count(1.10));
  const std::uint8_t c090 = static_cast<std::uint8_t>(Lc1Count(0.90));
  const double l110 = WidebandLambda(c110, kLc1Scale, kStoichPetrol);
  const double l090 = WidebandLambda(c090, kLc1Scale, kStoichPetrol);
  const struct {
    int delayMs;
    int samples;
    double median100, median110;
  } cases[] = {
      {200, 20, l110, l090},
      {205, 20, l110, l090},  // 20.5 samples: halves to even
      {0, 0, l090, l110},     // unshifted, two thirds of a cell's readings are the other's
  };
  for (const auto& c : cases) {
    LambdaSettings settings;
    settings.delayMs = c.delayMs;
    settings.steadyCounts = 255;
    settings.capPercent = 100;
    settings.capCounts = 255;
    const LambdaResult r = AnalyseLambda(rec.View(), Flat(100), {}, settings);
    QCOMPARE(r.delaySamples, c.samples);
    QCOMPARE(r.rejected[R(LambdaReject::kNoReading)], c.samples);
    QCOMPARE(r.cells[100].medianLambda, c.median100);
    QCOMPARE(r.cells[110].medianLambda, c.median110);
    QCOMPARE(double(r.lambda[0]),
             double(float(WidebandLambda(rec.o2[c.samples], kLc1Scale, kStoichPetrol))));
  }
  LambdaSettings settings;
  settings.delayMs = 200;
  settings.steadyCounts = 255;
  settings.capPercent = 100;
  settings.capCounts = 255;
  const LambdaResult r = AnalyseLambda(rec.View(), Flat(100), {}, settings);
  QCOMPARE(r.cells[100].newValue, static_cast<int>(std::lround(100 * l110)));
  QCOMPARE(r.cells[110].newValue, static_cast<int>(std::lround(110 * l090)));
  QVERIFY(r.meanErrorAfter < 0.01 && r.meanErrorBefore > 0.08);
}

void TestLambdaFix::theMedianIsCappedAndClamped() {
  // One cell (MAF 100, old value `old`), readings of output `out` and O2
  // counts on a scale where lambda is count / 100 and the target is exactly
  // the lambda of count 100.
  struct Reading {
    int count, out, times;
  };
  const struct {
    const char* what;
    int old;
    std::vector<Reading> readings;
    bool inverse;
    double capPercent;
    int capCounts;
    int expected;
  } cases[] = {
      {"5 % lean", 100, {{105, 100, 21}}, false, 10, 12, 105},
      {"median, not mean", 100, {{105, 100, 15}, {70, 100, 6}}, false, 10, 12, 105},
      {"even count: the middle two, halves to even up",
       100,
       {{100, 100, 10}, {100, 103, 10}},
       false,
       10,
       12,
       102},
      {"even count: halves to even down",
       100,
       {{100, 100, 10}, {100, 101, 10}},
       false,
       10,
       12,
       100},
      {"too few readings", 100, {{105, 100, 19}}, false, 10, 12, 100},
      {"capped at 10 %", 100, {{120, 100, 21}}, false, 10, 12, 110},
      {"capped at 12 counts", 200, {{120, 200, 21}}, false, 10, 12, 212},
      {"at least one count", 5, {{150, 5, 21}}, false, 10, 12, 6},
      {"clamped to 255", 250, {{120, 250, 21}}, false, 100, 100, 255},
      {"inverse divides", 100, {{105, 100, 21}}, true, 10, 12, 95},
      {"inverse, rich", 100, {{95, 100, 21}}, true, 10, 12, 105},
      {"applied once already: the cap counts from the recording's output",
       110,
       {{120, 100, 21}},
       false,
       10,
       12,
       110},
      {"edited since: the proposal comes from what was driven",
       90,
       {{105, 100, 21}},
       false,
       10,
       12,
       105},
  };
  const WidebandScale scale{0.0, 0.0, 5.0, 25.5};
  const double stoich = 10.0;
  for (const auto& c : cases) {
    LambdaChannels rec;
    for (const Reading& reading : c.readings) {
      for (int k = 0; k < reading.times; ++k) {
        rec.output.push_back(static_cast<std::uint8_t>(reading.out));
        rec.o2.push_back(static_cast<std::uint8_t>(reading.count));
      }
    }
    rec.maf.assign(rec.o2.size(), 100);
    rec.enrichment.assign(rec.o2.size(), 128);
    LambdaSettings settings;
    settings.scale = scale;
    settings.stoich = stoich;
    settings.targetLow = WidebandLambda(100, scale, stoich);
    settings.fuelCutLambda = 5;
    settings.inverse = c.inverse;
    settings.capPercent = c.capPercent;
    settings.capCounts = c.capCounts;
    settings.steadyCounts = 255;
    const LambdaResult r = AnalyseLambda(rec.View(), Flat(c.old), {}, settings);
    QVERIFY2(r.cells[100].newValue == c.expected,
             qPrintable(QString("%1: %2").arg(c.what).arg(r.cells[100].newValue)));
    QCOMPARE(r.cellsChanged, c.expected != c.old ? 1 : 0);
  }
}

void TestLambdaFix::narrowbandMovesOneStep() {
  // Cells below and above targetMaf 200 with a share of rich readings
  // (0.8 V) among lean ones (0.1 V); 20 readings each.
  const struct {
    const char* what;
    int maf, old, richOf20, step;
    bool inverse;
    int expected;
  } cases[] = {
      {"70 % rich: leaner", 100, 100, 14, 1, false, 99},
      {"30 % rich: richer", 100, 100, 6, 1, false, 101},
      {"50 % rich: left", 100, 100, 10, 1, false, 100},
      {"60 % is within", 100, 100, 12, 1, false, 100},
      {"step 3", 100, 100, 4, 3, false, 103},
      {"step 0 counts as 1", 100, 100, 4, 0, false, 101},
      {"inverse: swapped", 100, 100, 14, 1, true, 101},
      {"clamped to 0", 100, 0, 20, 1, false, 0},
      {"a rich target is left alone", 210, 100, 20, 1, false, 100},
  };
  for (const auto& c : cases) {
    LambdaChannels rec = Steady(20);
    Fill(rec.maf, 0, 20, c.maf);
    Fill(rec.output, 0, 20, c.old);  // driven on the table as it is
    Fill(rec.o2, 0, 20, 5);
    Fill(rec.o2, 0, c.richOf20, 41);
    LambdaSettings settings;
    settings.wideband = false;
    settings.narrowStep = c.step;
    settings.inverse = c.inverse;
    const LambdaResult r = AnalyseLambda(rec.View(), Flat(c.old), {}, settings);
    QVERIFY2(r.cells[c.maf].newValue == c.expected, c.what);
    QCOMPARE(r.cells[c.maf].richShare, c.richOf20 / 20.0);
    QCOMPARE(r.cells[c.maf].n, 20);
  }
  // The O2 count 23 (0.451 V) is rich, 22 (0.431 V) lean.
  LambdaChannels rec = Steady(40);
  Fill(rec.o2, 0, 20, 23);
  Fill(rec.o2, 20, 40, 22);
  LambdaSettings settings;
  settings.wideband = false;
  QCOMPARE(AnalyseLambda(rec.View(), Flat(100), {}, settings).cells[100].richShare, 0.5);
}

void TestLambdaFix::theDelayEstimateFindsAKnownDelay() {
  for (const int delayMs : {200, 450, 800}) {
    for (const std::uint32_t seed : {1u, 2u, 3u}) {
      const LambdaChannels rec = DelayedDrive(delayMs, seed);
      const DelayEstimate e = EstimateDelay(rec.View(), LambdaSettings{});
      QVERIFY2(e.found && std::abs(e.delayMs - delayMs) <= 50,
               qPrintable(QString("%1 ms, seed %2: estimated %3 ms (confidence %4)")
                              .arg(delayMs)
                              .arg(seed)
                              .arg(e.delayMs)
                              .arg(e.confidence)));
      QVERIFY(e.confidence > 0.5);
      QVERIFY(e.events >= 10);
    }
  }
  // A recording without steps shows no delay.
  const DelayEstimate none = EstimateDelay(Steady(5000).View(), LambdaSettings{});
  QVERIFY(!none.found);
  QCOMPARE(none.confidence, 0.0);
}

void TestLambdaFix::sensorsAreParsed() {
  const struct {
    const char* text;
    bool ok;
    bool wideband;
    WidebandScale scale;
  } cases[] = {
      {"lc1", true, true, kLc1Scale},
      {"LC1", true, true, kLc1Scale},
      {"aem", true, true, kAemScale},
      {"14point7", true, true, k14Point7Scale},
      {"narrow", true, false, kLc1Scale},
      {"0.5:10:4.5:20", true, true, {0.5, 10, 4.5, 20}},
      {"0:9.5:5:19.5", true, true, {0, 9.5, 5, 19.5}},
      {"lambda", false, true, kLc1Scale},
      {"0.5:10:4.5", false, true, kLc1Scale},
      {"0.5:10:4.5:20:1", false, true, kLc1Scale},
      {"0.5:ten:4.5:20", false, true, kLc1Scale},
      {"1:10:1:20", false, true, kLc1Scale},  // the volts must differ
      {"0:10:6:20", false, true, kLc1Scale},  // beyond 5 V
      {"", false, true, kLc1Scale},
  };
  for (const auto& c : cases) {
    LambdaSettings settings;
    std::string error;
    QVERIFY2(ParseLambdaSensor(c.text, settings, error) == c.ok, c.text);
    QCOMPARE(error.empty(), c.ok);
    QCOMPARE(settings.wideband, c.wideband);
    QVERIFY2(settings.scale == c.scale, c.text);
  }
  // The wideband's line: 0 V is the LC-1's AFR 7.35; the AEM's runs on past 4.5 V.
  QCOMPARE(WidebandLambda(0, kLc1Scale, 14.7), 7.35 / 14.7);
  QVERIFY(std::fabs(WidebandLambda(255, kAemScale, 14.7) - (8.5 + 4.5 * 9.5 / 4) / 14.7) < 1e-12);
}

QTEST_APPLESS_MAIN(TestLambdaFix)
#include "test_lambda_fix.moc"
