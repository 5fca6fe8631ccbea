// The frame-learning rule on a recording, and the plotted point a double
// click on the log chart takes.

#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "learn/FrameLearning.h"
#include "link/LogBuffer.h"

using namespace zelor;

namespace {

struct Planted {
  std::int32_t index;
  int maf;
  int vaf;
};

// A recording of count samples of MAF 200, VAF 0, with planted samples
// (also beyond the count, where stale bytes of an older recording lie).
std::unique_ptr<LogBuffer> Recording(std::int32_t count, const std::vector<Planted>& planted) {
  auto log = std::make_unique<LogBuffer>();
  LogSample filler;
  filler.bytes[static_cast<int>(LogChannel::Maf)] = 200;
  for (std::int32_t k = 0; k < count; ++k) log->Store(k, filler);
  for (const Planted& p : planted) {
    LogSample s = filler;
    s.bytes[static_cast<int>(LogChannel::Maf)] = static_cast<std::uint8_t>(p.maf);
    s.bytes[static_cast<int>(LogChannel::Vaf)] = static_cast<std::uint8_t>(p.vaf);
    log->Store(p.index, s);
  }
  log->SetCount(count);
  return log;
}

// The search as a straight scan of the pairs, first match wins.
std::optional<int> ScanPairs(const std::vector<double>& xs, double t) {
  for (std::size_t k = 0; k + 1 < xs.size(); ++k) {
    const double mid = (xs[k] + xs[k + 1]) / 2;
    if (xs[k] <= t && t < mid) return int(k);
    if (mid <= t && t <= xs[k + 1]) return int(k + 1);
  }
  return std::nullopt;
}

}  // namespace

class TestFrameLearning : public QObject {
  Q_OBJECT

 private slots:
  void learnsTheRoundedMeanOfSamplesOneStepApart();
  void doubleClickTakesThePointNearestInTime();
};

void TestFrameLearning::learnsTheRoundedMeanOfSamplesOneStepApart() {
  using Write = std::optional<FrameLearningWrite>;
  const struct {
    const char* what;
    int n, step;
    std::int32_t i;
    std::vector<Planted> planted;
    Write expected;
  } cases[] = {
      {"100/101 to even", 2, 1, 10, {{10, 40, 100}, {11, 40, 101}}, Write({40, 100})},
      {"101/102 to even", 2, 1, 10, {{10, 40, 101}, {11, 40, 102}}, Write({40, 102})},
      {"one differs", 3, 25, 10, {{10, 40, 10}, {35, 41, 20}, {60, 40, 31}}, std::nullopt},
      // Slot 100 lies past the count of 100: never compared, whatever it holds.
      {"up to count - 1", 2, 10, 89, {{89, 40, 60}, {99, 40, 62}}, Write({40, 61})},
      {"past the count", 2, 10, 90, {{90, 40, 60}, {100, 40, 62}}, std::nullopt},
  };
  for (const auto& c : cases) {
    const auto log = Recording(100, c.planted);
    LearnedCellFlags learned{};
    QVERIFY2(FrameLearningStep(*log, c.i, c.step, c.n, learned, false) == c.expected, c.what);
    // The flag of the written cell, and no other, is set.
    LearnedCellFlags flags{};
    if (c.expected) flags[c.expected->m] = 1;
    QVERIFY2(learned == flags, c.what);
  }
}

void TestFrameLearning::doubleClickTakesThePointNearestInTime() {
  const std::vector<double> xs = {0, 10, 20, 30, 70, 80, 200};
  auto pick = [&](double t) {
    return PlottedPointAt(int(xs.size()), t, [&](int k) { return xs.at(k); });
  };
  QCOMPARE(pick(5), std::optional(1));  // the mean takes the later point
  QCOMPARE(pick(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
  // The same choice as a scan of every pair, before, over and after them.
  for (double t = -3; t <= 203; t += 0.25) QCOMPARE(pick(t), ScanPairs(xs, t));
  QCOMPARE(PlottedPointAt(1, 0.0, [](int) { return 0.0; }), std::nullopt);
}

QTEST_APPLESS_MAIN(TestFrameLearning)
#include "test_frame_learning.moc"
