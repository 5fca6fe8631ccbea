// The live learning rule, alone and on what a panel tick reads from the
// LogBuffer.

#include <QtTest>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "learn/LiveLearning.h"
#include "link/LogBuffer.h"

using zelor::kFastLearning;
using zelor::kSlowLearning;
using zelor::LiveLearningStep;
using zelor::LiveLearningWrite;
using zelor::LogBuffer;

namespace {

using Maf7 = std::array<std::uint8_t, 7>;

void AppendMafVaf(LogBuffer& b, std::uint8_t maf, std::uint8_t vaf) {
  const std::uint8_t f[8] = {maf, 0, 128, maf, vaf, 0, 0, 20};
  b.Append(f, false);
}

}  // namespace

class TestLiveLearning : public QObject {
  Q_OBJECT

 private slots:
  void fastModeAlwaysWritesTheNewestSample();
  void slowModeNeedsTwelveSamples();
  void slowModeNeedsSevenEqualMafValues();
  void onTheLogBufferBelowAndAtTheCap();
};

void TestLiveLearning::fastModeAlwaysWritesTheNewestSample() {
  const Maf7 mixed{1, 2, 3, 4, 5, 6, 40};
  QCOMPARE(LiveLearningStep(kFastLearning, 500, mixed, 40, 63),
           std::optional(LiveLearningWrite{40, 63}));
  // Even on slot 0 before any frame of the run: that sample is written.
  QCOMPARE(LiveLearningStep(kFastLearning, 0, Maf7{}, 0, 0),
           std::optional(LiveLearningWrite{0, 0}));
  QCOMPARE(LiveLearningStep(kFastLearning, 3, mixed, 255, 17),
           std::optional(LiveLearningWrite{255, 17}));
}

void TestLiveLearning::slowModeNeedsTwelveSamples() {
  const Maf7 still{41, 41, 41, 41, 41, 41, 41};
  for (int i = 0; i <= 10; ++i) {
    QCOMPARE(LiveLearningStep(kSlowLearning, i, still, 41, 90), std::nullopt);
  }
  QCOMPARE(LiveLearningStep(kSlowLearning, 11, still, 41, 90),
           std::optional(LiveLearningWrite{41, 90}));
  // Any mode other than 0 is the slow one.
  QCOMPARE(LiveLearningStep(2, 10, still, 41, 90), std::nullopt);
  QCOMPARE(LiveLearningStep(2, 11, still, 41, 90), std::optional(LiveLearningWrite{41, 90}));
}

void TestLiveLearning::slowModeNeedsSevenEqualMafValues() {
  QCOMPARE(LiveLearningStep(kSlowLearning, 100, Maf7{40, 40, 40, 40, 40, 40, 41}, 41, 70),
           std::nullopt);
  QCOMPARE(LiveLearningStep(kSlowLearning, 100, Maf7{41, 40, 41, 41, 41, 41, 41}, 41, 70),
           std::nullopt);
  QCOMPARE(LiveLearningStep(kSlowLearning, 100, Maf7{40, 41, 41, 41, 41, 41, 41}, 41, 70),
           std::nullopt);
  QCOMPARE(LiveLearningStep(kSlowLearning, 100, Maf7{41, 41, 41, 41, 41, 41, 41}, 41, 70),
           std::optional(LiveLearningWrite{41, 70}));
  // MAF[i] is part of the seven.
  QCOMPARE(LiveLearningStep(kSlowLearning, 100, Maf7{41, 41, 41, 41, 41, 41, 41}, 42, 70),
           std::nullopt);
}

void TestLiveLearning::onTheLogBufferBelowAndAtTheCap() {
  auto b = std::make_unique<LogBuffer>();
  // Eleven samples of MAF 41: slot 10 is too early for the slow mode.
  for (int j = 0; j < 11; ++j) AppendMafVaf(*b, 41, static_cast<std::uint8_t>(60 + j));
  QCOMPARE(LiveLearningStep(kSlowLearning, b->Panel()), std::nullopt);
  QCOMPARE(LiveLearningStep(kFastLearning, b->Panel()), std::optional(LiveLearningWrite{41, 70}));
  AppendMafVaf(*b, 41, 77);  // the twelfth
  QCOMPARE(LiveLearningStep(kSlowLearning, b->Panel()), std::optional(LiveLearningWrite{41, 77}));
  // 40 x 6 then 41: nothing in the slow mode, the 41 in the fast one.
  for (int j = 0; j < 6; ++j) AppendMafVaf(*b, 40, 50);
  AppendMafVaf(*b, 41, 88);
  QCOMPARE(LiveLearningStep(kSlowLearning, b->Panel()), std::nullopt);
  QCOMPARE(LiveLearningStep(kFastLearning, b->Panel()), std::optional(LiveLearningWrite{41, 88}));

  // Full buffer: learning follows the frames that keep arriving.
  b->SetCount(0);
  for (int j = 0; j < LogBuffer::kCapacity; ++j)
    AppendMafVaf(*b, static_cast<std::uint8_t>(j % 200), 1);
  for (int j = 0; j < 6; ++j) AppendMafVaf(*b, 99, static_cast<std::uint8_t>(10 + j));
  QCOMPARE(b->Panel().slot, LogBuffer::kCapacity);
  QCOMPARE(LiveLearningStep(kSlowLearning, b->Panel()), std::nullopt);  // six 99s after the slots
  QCOMPARE(LiveLearningStep(kFastLearning, b->Panel()), std::optional(LiveLearningWrite{99, 15}));
  AppendMafVaf(*b, 99, 33);
  QCOMPARE(LiveLearningStep(kSlowLearning, b->Panel()), std::optional(LiveLearningWrite{99, 33}));
}

QTEST_APPLESS_MAIN(TestLiveLearning)
#include "test_live_learning.moc"
