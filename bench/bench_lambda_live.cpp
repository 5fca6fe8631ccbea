// The live lambda analysis (autotune's) against the read of the same
// samples from the LogBuffer alone, measured in the same run: the samples
// a tick brings, read below the count the reader published (the baseline),
// then fed to the analysis. Two paces: a tick every 10 ms with one new
// sample, and a tick of 10,000 samples after a stall. Then the proposal of
// the cells from the readings gathered (once per push interval) and what
// autotune's share of a core comes to at the stream's 100 samples a second.
// Each figure is the median of several runs.
// Usage: bench_lambda_live [runs]

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/MedianTime.h"
#include "learn/Autotune.h"
#include "learn/LambdaLive.h"
#include "link/LogBuffer.h"

using namespace zelor;

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::stoi(argv[1])) : 9;

  // A drive of 100,000 samples: MAF levels held 2..6 s with a count of
  // noise, the accelerator pump on large rises, a table a few per cent off
  // from cell to cell read by a wideband 630 ms late at idle, 125 ms at
  // full flow, the lean rail in every fifth fall's fuel cut.
  const std::int32_t count = 100'000;
  std::vector<std::uint8_t> records(static_cast<std::size_t>(count) * kLogChannelCount);
  std::mt19937 rng(5);
  std::vector<double> lambda(count);
  std::vector<int> maf(count);
  int level = 40;
  double enrichment = 0;
  for (std::int32_t t = 0; t < count;) {
    const int target = 15 + static_cast<int>(rng() % 230);
    const int hold = 200 + static_cast<int>(rng() % 400);
    const bool cut = target < level && rng() % 5 == 0;
    if (target - level > 40) enrichment = 20;
    for (int j = 0; j < hold && t < count; ++j, ++t) {
      maf[t] = std::clamp(target + static_cast<int>(rng() % 5) - 2, 0, 255);
      std::uint8_t* r = &records[static_cast<std::size_t>(t) * kLogChannelCount];
      r[0] = static_cast<std::uint8_t>(maf[t]);
      r[2] = static_cast<std::uint8_t>(128 + std::lround(enrichment));
      r[3] = static_cast<std::uint8_t>(maf[t]);
      lambda[t] = cut && j < 150
                      ? 2.0
                      : (1.0 + 0.06 * std::sin(maf[t] / 17.0)) / (1.0 + enrichment / 128.0);
      enrichment = enrichment * 0.933 < 0.5 ? 0 : enrichment * 0.933;
    }
    level = target;
  }
  const DelayCurve delay = DelayCurve::IdleFull(630, 125);
  for (std::int32_t i = 0; i < count; ++i) {
    // The newest mixture that has reached the sensor.
    double sensed = 1.0;
    for (std::int32_t s = i; s >= std::max(0, i - 70); --s) {
      if (s + std::lround(delay.MsAt(maf[s]) / kLambdaSampleMs) <= i) {
        sensed = lambda[s];
        break;
      }
    }
    const double volts =
        (sensed * kStoichPetrol - kLc1Scale.afr1) / (kLc1Scale.afr2 - kLc1Scale.afr1) * 5.0;
    records[static_cast<std::size_t>(i) * kLogChannelCount + 7] = static_cast<std::uint8_t>(
        i < 3000 ? 0 : std::clamp(std::lround(volts * 51.0) + long(rng() % 3) - 1, 0L, 255L));
  }
  LogBuffer log;
  log.StoreRecords(0, records.data(), count);

  LambdaSettings settings;
  settings.delay = delay;
  const std::array<std::uint8_t, 256> locked{};
  std::array<int, 256> table{};
  for (int m = 0; m < 256; ++m) table[m] = m;

  // Every sample, read (and fed) in ticks of `perTick` samples: the count
  // the reader publishes rises by that much before each tick.
  std::uint64_t sum = 0;
  auto readOnly = [&](std::int32_t perTick) {
    LambdaLogReader reader(0);
    for (std::int32_t c = perTick; c <= count; c += perTick) {
      log.SetCount(c);
      const LambdaRecording got = reader.Read(log);
      sum += got.Size() ? got.o2[got.Size() - 1] : 0;
    }
  };
  int accepted = 0;
  auto readAndFeed = [&](std::int32_t perTick) {
    LambdaLogReader reader(0);
    LiveLambda live(settings, locked);
    for (std::int32_t c = perTick; c <= count; c += perTick) {
      log.SetCount(c);
      live.Feed(reader.Read(log));
    }
    LambdaResult result;
    live.Propose(table, result);
    accepted = result.accepted;
  };
  const double per100 = 100.0 / count;
  const double read1 = MedianMs(runs, [&] { readOnly(1); }) * per100;
  const double feed1 = MedianMs(runs, [&] { readAndFeed(1); }) * per100;
  const double read10k = MedianMs(runs, [&] { readOnly(10'000); }) * per100;
  const double feed10k = MedianMs(runs, [&] { readAndFeed(10'000); }) * per100;

  // The proposal from the readings of the whole drive, and autotune's plan.
  LiveLambda live(settings, locked);
  live.Feed(LambdaLogReader(0).Read(log));
  LambdaResult proposal;
  const double proposeMs = MedianMs(runs, [&] { live.Propose(table, proposal); });
  Autotune autotune(table, locked, settings, {}, 0);
  autotune.Feed(LambdaLogReader(0).Read(log));
  const double cellsMs = MedianMs(runs, [&] { (void)autotune.Cells(table); });

  std::printf("samples: %d (%d accepted), runs: %d, medians per 100 samples (check %llu)\n", count,
              accepted, runs, static_cast<unsigned long long>(sum % 1000));
  std::printf(
      "ticks of 1 sample:       LogBuffer read %7.2f us, read + analysis %7.2f us, "
      "analysis alone %6.2f us   (read + analysis) / read = %.1f\n",
      read1 * 1000, feed1 * 1000, (feed1 - read1) * 1000, feed1 / read1);
  std::printf(
      "ticks of 10,000 samples: LogBuffer read %7.2f us, read + analysis %7.2f us, "
      "analysis alone %6.2f us   (read + analysis) / read = %.1f\n",
      read10k * 1000, feed10k * 1000, (feed10k - read10k) * 1000, feed10k / read10k);
  std::printf(
      "the proposal (ProposeLambda over the live readings): %.3f ms; autotune's cells "
      "(proposal + plan): %.3f ms\n",
      proposeMs, cellsMs);
  // A second of the stream is 100 samples; a push interval of 5 s makes one
  // proposal; the panel's states, once a second, one more.
  const double perSecondMs = feed1 + cellsMs / 5.0;
  std::printf(
      "autotune per second of the stream, ticks of 1 sample and a push check every 5 s: "
      "%.4f ms = %.4f %% of a core; with the panel's states once a second: %.4f %%\n",
      perSecondMs, perSecondMs / 10.0, (perSecondMs + cellsMs) / 10.0);
  return 0;
}
