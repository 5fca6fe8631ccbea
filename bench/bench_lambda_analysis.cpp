// The lambda correction of a full recording (500,000 samples) against a
// plain pass over the same bytes measured in the same run: the four
// channels the analysis reads, summed. The delay estimate (a delay per band
// of MAF, lags up to 2 s) and the analysis with that curve, each and
// together, as the window runs them on a new recording; the analysis alone
// is what every change of a setting costs, beside the analysis with the
// whole recording's one delay. Each figure is the median of several runs.
// Usage: bench_lambda_analysis [runs]

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "bench/MedianTime.h"
#include "learn/LambdaFix.h"

using namespace zelor;

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::stoi(argv[1])) : 9;

  // A drive: MAF steps between levels held 2..6 s, with small noise; the
  // accelerator pump fires on the larger rises and decays; the table errs
  // by a few per cent from cell to cell; the wideband reads lambda after a
  // delay that falls with the flow (630 ms at MAF 22, 125 ms at 245, as
  // 75 ms + 12,206 ms / MAF), the lean rail in the fuel cut of every fifth
  // fall.
  const std::size_t count = 500'000;
  auto delayOf = [](int maf) {
    return static_cast<std::size_t>(std::lround((75.0 + 12206.0 / std::max(maf, 5)) / 10));
  };
  LambdaChannels c;
  c.output.resize(count);
  c.enrichment.resize(count);
  c.maf.resize(count);
  c.o2.resize(count);
  std::vector<double> lambda(count);
  std::uint32_t x = 12345;
  auto next = [&] {
    x = x * 1664525u + 1013904223u;
    return x >> 8;
  };
  int level = 40;
  double enrichment = 0;
  for (std::size_t t = 0; t < count;) {
    const int target = 15 + static_cast<int>(next() % 230);
    const int hold = 200 + static_cast<int>(next() % 400);
    const bool cut = target < level && next() % 5 == 0;
    if (target - level > 40) enrichment = 20;
    for (int j = 0; j < hold && t < count; ++j, ++t) {
      const int maf = std::clamp(target + static_cast<int>(next() % 5) - 2, 0, 255);
      c.maf[t] = static_cast<std::uint8_t>(maf);
      c.output[t] = static_cast<std::uint8_t>(maf);
      c.enrichment[t] = static_cast<std::uint8_t>(128 + std::lround(enrichment));
      lambda[t] =
          cut && j < 150 ? 2.0 : (1.0 + 0.06 * std::sin(maf / 17.0)) / (1.0 + enrichment / 128.0);
      enrichment = enrichment * 0.933 < 0.5 ? 0 : enrichment * 0.933;
    }
    level = target;
  }
  // Each sample's mixture reaches the sensor after its own delay; the
  // sensor shows the latest mixture arrived (one that overtakes an earlier
  // one hides it).
  std::vector<long> latest(count, -1);
  for (std::size_t s = 0; s < count; ++s) {
    const std::size_t i = s + delayOf(c.maf[s]);
    if (i < count) latest[i] = static_cast<long>(s);
  }
  std::vector<double> sensed(count, 1.0);
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) latest[i] = std::max(latest[i], latest[i - 1]);
    if (latest[i] >= 0) sensed[i] = lambda[static_cast<std::size_t>(latest[i])];
  }
  for (std::size_t i = 0; i < count; ++i) {
    const double volts =
        (sensed[i] * kStoichPetrol - kLc1Scale.afr1) / (kLc1Scale.afr2 - kLc1Scale.afr1) * 5.0;
    const long n = std::lround(volts * 51.0) + static_cast<long>(next() % 3) - 1;
    c.o2[i] = static_cast<std::uint8_t>(i < 3000 ? 0 : std::clamp(n, 0L, 255L));
  }
  const LambdaRecording rec = c.View();
  std::array<int, 256> table{};
  for (int m = 0; m < 256; ++m) table[m] = m;
  const std::array<std::uint8_t, 256> locked{};

  LambdaSettings settings;
  DelayEstimate estimate;
  const double estimateMs = MedianMs(runs, [&] { estimate = EstimateDelay(rec, settings); });
  settings.delay = estimate.curve;
  LambdaResult result;
  const double analysisMs =
      MedianMs(runs, [&] { result = AnalyseLambda(rec, table, locked, settings); });
  LambdaSettings flat = settings;
  flat.delay = DelayCurve::Flat(estimate.delayMs);
  LambdaResult flatResult;
  const double flatMs =
      MedianMs(runs, [&] { flatResult = AnalyseLambda(rec, table, locked, flat); });
  const double bothMs = MedianMs(runs, [&] {
    LambdaSettings fresh;
    fresh.delay = EstimateDelay(rec, fresh).curve;
    result = AnalyseLambda(rec, table, locked, fresh);
  });
  LambdaSettings narrow = settings;
  narrow.wideband = false;
  LambdaResult narrowResult;
  const double narrowMs =
      MedianMs(runs, [&] { narrowResult = AnalyseLambda(rec, table, locked, narrow); });
  std::uint64_t total = 0;
  const double plainMs = MedianMs(runs, [&] {
    std::uint64_t s = 0;
    for (std::size_t i = 0; i < count; ++i)
      s += rec.output[i] + rec.enrichment[i] + rec.maf[i] + rec.o2[i];
    total += s;
  });

  std::printf("samples: %zu, runs: %d, medians\n", count, runs);
  std::printf("baseline, plain pass (sum %llu):  %8.3f ms\n",
              static_cast<unsigned long long>(total / runs), plainMs);
  std::printf(
      "delay estimate, per band, lags 0..2000 ms (%d ms whole, confidence %.2f, %d steps, %zu "
      "bands): %8.3f ms   estimate / baseline = %.1f\n",
      estimate.delayMs, estimate.confidence, estimate.events, estimate.curve.points.size(),
      estimateMs, estimateMs / plainMs);
  for (const DelayPoint& p : estimate.curve.points) {
    std::printf("  MAF %3d: %4d ms (as made %4.0f ms), confidence %.2f, %d steps\n", p.maf,
                p.delayMs, delayOf(p.maf) * 10.0, p.confidence, p.events);
  }
  std::printf(
      "analysis, wideband, with the curve (%d accepted, %d cells changed): %8.3f ms   "
      "analysis / baseline = %.1f\n",
      result.accepted, result.cellsChanged, analysisMs, analysisMs / plainMs);
  std::printf(
      "analysis, wideband, with the one delay (%d accepted):  %8.3f ms   curve / one delay = "
      "%.2f\n",
      flatResult.accepted, flatMs, analysisMs / flatMs);
  std::printf("analysis, narrowband (%d accepted):  %8.3f ms   narrowband / baseline = %.1f\n",
              narrowResult.accepted, narrowMs, narrowMs / plainMs);
  std::printf(
      "a new recording, estimate + analysis:  %8.3f ms   (estimate + analysis) / baseline = "
      "%.1f\n",
      bothMs, bothMs / plainMs);
  return 0;
}
