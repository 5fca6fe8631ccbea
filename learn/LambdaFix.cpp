#include "learn/LambdaFix.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "core/ChartGeometry.h"
#include "learn/LambdaFixDetail.h"

namespace zelor {

namespace {

// A cell hugs lambda 1 when its median lies this close.
constexpr double kHug = 0.04;
// The fewest swings that mark a loop.
constexpr double kLoopSwings = 2;
// Groups of readings: a valley below this share of the lower peak parts
// two; a group counts with this share of the weight; the group chosen must
// lie this far (in factor) from the median of the rest.
constexpr double kValley = 0.6;
constexpr double kGroupShare = 0.10;
constexpr double kGroupGap = 0.04;

// How far a cell may move in one pass: min(capCounts, capPercent % of the
// value), at least one count.
int CapOf(int value, const LambdaSettings& settings) {
  const double percent = std::floor(std::max(0.0, settings.capPercent) * value / 100.0 + 1e-9);
  const double cap = std::min(static_cast<double>(std::max(0, settings.capCounts)), percent);
  return std::max(1, static_cast<int>(cap));
}

int CappedValue(int base, long proposal, const LambdaSettings& settings) {
  const long cap = CapOf(base, settings);
  const long moved = std::clamp(proposal - base, -cap, cap);
  return static_cast<int>(std::clamp(base + moved, 0L, 255L));
}

bool SameLambda(double a, double b) { return std::fabs(a - b) < 1e-9; }

// The weighted median of the bins [from, to) of `weights` taken in the
// order `order`, valued by `value`: the bin where the running weight
// reaches half; where it reaches half exactly at a bin's end, the mean of
// that bin's value and the next non-empty one's (as for an even count).
double WeightedMedian(const double* weights, const std::array<int, 256>& order,
                      const std::array<double, 256>& value, int from, int to) {
  double total = 0;
  for (int k = from; k < to; ++k) total += weights[order[k]];
  if (total <= 0) return 0;
  const double half = total / 2;
  const double eps = total * 1e-12;
  double run = 0;
  for (int k = from; k < to; ++k) {
    const double w = weights[order[k]];
    if (w <= 0) continue;
    run += w;
    if (run + eps < half) continue;
    if (std::fabs(run - half) <= eps) {
      for (int j = k + 1; j < to; ++j) {
        if (weights[order[j]] > 0) return (value[order[k]] + value[order[j]]) / 2;
      }
    }
    return value[order[k]];
  }
  return value[order[to - 1]];
}

// The median of the bins [from, to) read as a continuous spread: each bin
// holds its weight evenly over `step` around its value (the values `step`
// apart in the order), and the median is where half the weight lies below.
// All of it in one bin: that bin's value.
double SpreadMedian(const double* weights, const std::array<int, 256>& order,
                    const std::array<double, 256>& value, double step, int from, int to) {
  double total = 0;
  for (int k = from; k < to; ++k) total += weights[order[k]];
  if (total <= 0) return 0;
  double run = 0;
  for (int k = from; k < to; ++k) {
    const double w = weights[order[k]];
    if (w <= 0) continue;
    if (run + w >= total / 2) return value[order[k]] + ((total / 2 - run) / w - 0.5) * step;
    run += w;
  }
  return value[order[to - 1]];
}

// The value at which the running weight reaches `share` of the total.
double WeightedQuantile(const double* weights, const std::array<int, 256>& order,
                        const std::array<double, 256>& value, double share) {
  double total = 0;
  for (int k = 0; k < 256; ++k) total += weights[order[k]];
  double run = 0;
  for (int k = 0; k < 256; ++k) {
    run += weights[order[k]];
    if (run >= share * total && weights[order[k]] > 0) return value[order[k]];
  }
  return 0;
}

// Where the readings of a histogram (over O2 counts, in the order of their
// factor) fall into groups, the bins [from, to) of the group whose median
// factor lies nearest 1; else all of them. The groups are the basins of the
// histogram's peaks once smoothed over `reach` bins either side (a
// triangle), two peaks parted where the valley between them falls below
// kValley of the lower one. A group counts with kGroupShare of the weight,
// and the chosen one must lie kGroupGap from the median of the rest.
struct Group {
  int from = 0, to = 256;
  bool two = false;
};
Group NearerGroup(const double* weights, const std::array<int, 256>& order,
                  const std::array<double, 256>& factor, int reach) {
  Group all;
  std::array<double, 256> raw{}, smooth{};
  double total = 0;
  for (int k = 0; k < 256; ++k) {
    raw[k] = weights[order[k]];
    total += raw[k];
  }
  if (total <= 0) return all;
  for (int k = 0; k < 256; ++k) {
    for (int j = std::max(0, k - reach); j <= std::min(255, k + reach); ++j)
      smooth[k] += raw[j] * (reach + 1 - std::abs(j - k));
  }
  // The peaks, left to right; two neighbouring peaks are parted at the
  // lowest bin between them when it lies below kValley of the lower one,
  // else they are one group with the higher peak.
  std::vector<int> cuts{0};
  int peak = -1;
  for (int k = 0; k < 256; ++k) {
    const bool rises = k == 0 || smooth[k] > smooth[k - 1];
    const bool holds = k == 255 || smooth[k] >= smooth[k + 1];
    if (!rises || !holds || smooth[k] <= 0) continue;
    if (peak >= 0) {
      const int from = peak;
      const int valley = static_cast<int>(
          std::min_element(smooth.begin() + from, smooth.begin() + k + 1) - smooth.begin());
      if (smooth[valley] < kValley * std::min(smooth[peak], smooth[k])) {
        cuts.push_back(valley + 1);
        peak = k;
        continue;
      }
      if (smooth[k] <= smooth[peak]) continue;
    }
    peak = k;
  }
  cuts.push_back(256);
  if (cuts.size() < 3) return all;
  // The groups with their share; the one nearest 1.
  int best = -1;
  double bestDistance = 0;
  for (std::size_t g = 0; g + 1 < cuts.size(); ++g) {
    double w = 0;
    for (int k = cuts[g]; k < cuts[g + 1]; ++k) w += raw[k];
    if (w < kGroupShare * total) continue;
    const double median = WeightedMedian(weights, order, factor, cuts[g], cuts[g + 1]);
    if (best < 0 || std::fabs(median - 1) < bestDistance) {
      best = static_cast<int>(g);
      bestDistance = std::fabs(median - 1);
    }
  }
  if (best < 0) return all;
  const int from = cuts[best], to = cuts[best + 1];
  // The rest must lie apart from it.
  std::array<double, 256> rest{};
  for (int k = 0; k < 256; ++k) rest[order[k]] = k < from || k >= to ? raw[k] : 0.0;
  double restWeight = 0;
  for (const double w : rest) restWeight += w;
  if (restWeight < kGroupShare * total) return all;
  const double chosen = WeightedMedian(weights, order, factor, from, to);
  const double others = WeightedMedian(rest.data(), order, factor, 0, 256);
  if (std::fabs(chosen - others) < kGroupGap) return all;
  return {from, to, true};
}

// Compresses cells into "a..b, c" text.
std::string Ranges(const std::vector<int>& cells) {
  std::string text;
  for (std::size_t k = 0; k < cells.size();) {
    std::size_t e = k;
    while (e + 1 < cells.size() && cells[e + 1] == cells[e] + 1) ++e;
    if (!text.empty()) text += ", ";
    text += std::to_string(cells[k]);
    if (e > k) text += ".." + std::to_string(cells[e]);
    k = e + 1;
  }
  return text;
}

}  // namespace

LambdaChannels SplitLogRecords(std::span<const std::uint8_t> bytes) {
  const std::size_t n = bytes.size() / kLambdaRecordSize;
  LambdaChannels c;
  c.output.resize(n);
  c.enrichment.resize(n);
  c.maf.resize(n);
  c.o2.resize(n);
  for (std::size_t k = 0; k < n; ++k) {
    const std::uint8_t* r = bytes.data() + k * kLambdaRecordSize;
    c.output[k] = r[0];
    c.enrichment[k] = r[2];
    c.maf[k] = r[3];
    c.o2[k] = r[7];
  }
  return c;
}

double WidebandLambda(std::uint8_t o2, const WidebandScale& scale, double stoich) {
  const double volts = o2 * 5.0 / 255.0;
  const double span = scale.v2 - scale.v1;
  const double afr =
      span == 0.0 ? scale.afr1 : scale.afr1 + (volts - scale.v1) * (scale.afr2 - scale.afr1) / span;
  return stoich > 0.0 ? afr / stoich : 0.0;
}

double TargetLambda(int maf, const LambdaSettings& settings) {
  return maf < settings.targetMaf ? settings.targetLow : settings.targetHigh;
}

LambdaScratch& LambdaScratch::OfThisThread() {
  thread_local LambdaScratch scratch;
  return scratch;
}

FuelCutCounts FuelCutCountsOf(const LambdaSettings& settings) {
  FuelCutCounts counts;
  if (!settings.wideband) return counts;
  std::array<double, 256> lambdaOf{};
  for (int c = 0; c < 256; ++c)
    lambdaOf[c] = WidebandLambda(static_cast<std::uint8_t>(c), settings.scale, settings.stoich);
  const double leanest = *std::max_element(lambdaOf.begin(), lambdaOf.end());
  const double richest = *std::min_element(lambdaOf.begin(), lambdaOf.end());
  const double cutLambda = std::min(settings.fuelCutLambda, leanest - 0.04 * (leanest - richest));
  const double leanSide = std::max(settings.targetLow, settings.targetHigh) *
                          (1.0 + std::max(0.0, settings.bandPercent) / 100.0);
  for (int c = 0; c < 256; ++c) {
    counts.beyondCut[c] = lambdaOf[c] > cutLambda;
    counts.pinned[c] = lambdaOf[c] > leanSide && !O2Dead(static_cast<std::uint8_t>(c));
  }
  return counts;
}

void FuelCutReadings(std::span<const std::uint8_t> o2, const LambdaSettings& settings,
                     std::span<std::uint8_t> cut) {
  const std::size_t n = o2.size();
  std::fill(cut.begin(), cut.end(), std::uint8_t{0});
  if (!settings.wideband) return;
  const FuelCutCounts counts = FuelCutCountsOf(settings);
  const std::array<std::uint8_t, 256>& beyondCut = counts.beyondCut;
  std::size_t runStart = 0;
  auto endRun = [&](std::size_t end) {
    if (end - runStart > static_cast<std::size_t>(kPinnedSamples) && counts.pinned[o2[runStart]])
      std::fill(cut.begin() + static_cast<std::ptrdiff_t>(runStart),
                cut.begin() + static_cast<std::ptrdiff_t>(end), std::uint8_t{1});
  };
  for (std::size_t i = 0; i < n; ++i) {
    cut[i] |= beyondCut[o2[i]];
    if (std::abs(int(o2[i]) - int(o2[runStart])) > 1 || O2Dead(o2[i])) {
      endRun(i);
      runStart = i;
    }
  }
  endRun(n);
}

void LambdaCellReadings::Add(int cell, double position, std::uint8_t o2Count,
                             std::uint8_t outputValue, double fuelledBy) {
  ++n[cell];
  output[cell * 256 + outputValue] += 1;
  const double lowCell = std::floor(position);
  const double toHigh = position - lowCell;
  const int low = static_cast<int>(lowCell);
  if (low >= 0 && low < 256) {
    o2[low * 256 + o2Count] += 1.0 - toHigh;
    fuelled[low] += (1.0 - toHigh) * fuelledBy;
  }
  if (toHigh > 0 && low + 1 >= 0 && low + 1 < 256) {
    o2[(low + 1) * 256 + o2Count] += toHigh;
    fuelled[low + 1] += toHigh * fuelledBy;
  }
}

LambdaResult AnalyseLambda(const LambdaRecording& rec, const std::array<int, 256>& table,
                           const std::array<std::uint8_t, 256>& locked,
                           const LambdaSettings& settings, LambdaCellReadings* gathered) {
  const std::size_t n = rec.Size();
  const bool wide = settings.wideband;
  LambdaResult result;
  result.delay = settings.delay;
  result.delaySamples = settings.delay.Samples();
  const std::array<int, 256>& dOf = result.delaySamples;
  result.reject.assign(n, LambdaReject::kAccepted);
  LambdaCellReadings readings;

  // The lambda of every count; it is linear in the count.
  std::array<double, 256> lambdaOf{};
  for (int c = 0; c < 256; ++c)
    lambdaOf[c] =
        wide ? WidebandLambda(static_cast<std::uint8_t>(c), settings.scale, settings.stoich) : 0.0;
  const double lambdaAt0 = lambdaOf[0];
  const double lambdaPerCount = (lambdaOf[255] - lambdaOf[0]) / 255.0;

  LambdaScratch& scratch = LambdaScratch::OfThisThread();
  int longest = kTenth;
  for (const int d : dOf) longest = std::max(longest, d);
  const WindowRange range(rec.maf, longest + kTenth / 2, scratch.window);
  const std::span<std::uint8_t> cutReading = Reuse(scratch.cut, n);
  FuelCutReadings(rec.o2, settings, cutReading);

  // Means by running sums over the 100 ms around a sample (fewer samples
  // at the recording's ends): of MAF and of the output around s, the place
  // a reading is taken at and the output its mixture was fuelled by (the
  // sensor sees the mixture of a stretch of samples, not of one); of O2
  // around a reading for the mean reading the loop's swing is told from.
  const std::span<std::int32_t> mafSum = Reuse(scratch.mafSum, n + 1);
  const std::span<std::int32_t> o2Sum = Reuse(scratch.o2Sum, n + 1);
  const std::span<std::int32_t> outputSum = Reuse(scratch.outputSum, n + 1);
  if (n > 0) mafSum[0] = o2Sum[0] = outputSum[0] = 0;
  for (std::size_t t = 0; t < n; ++t) {
    mafSum[t + 1] = mafSum[t] + rec.maf[t];
    o2Sum[t + 1] = o2Sum[t] + rec.o2[t];
    outputSum[t + 1] = outputSum[t] + rec.output[t];
  }
  auto meanOf = [n](std::span<const std::int32_t> sum, std::size_t from, std::size_t to) {
    to = std::min(n, to);
    return static_cast<double>(sum[to] - sum[from]) / static_cast<double>(to - from);
  };

  const double fallPerTenth = settings.mafFallPerSecond * (kTenth / static_cast<double>(kSecond));
  const double band = std::max(0.0, settings.bandPercent) / 100.0;
  std::array<double, 256> targetOf{};
  for (int m = 0; m < 256; ++m) targetOf[m] = TargetLambda(m, settings);
  long lastEnrichment = std::numeric_limits<long>::min() / 2;
  long lastFuelCut = std::numeric_limits<long>::min() / 2;
  long lastAccepted = std::numeric_limits<long>::min() / 2;
  int swing = 0;          // -1 below 1 - kSwing, +1 above 1 + kSwing, 0 not known
  int crossed = 0;        // crossings in this stretch of readings
  int firstCrossing = 0;  // the cell of its first

  for (std::size_t s = 0; s < n; ++s) {
    const long sl = static_cast<long>(s);
    const int m = rec.maf[s];
    const std::size_t d = static_cast<std::size_t>(dOf[m]);
    const std::size_t i = s + d;
    // The trackers see every sample, whatever filter rejects it.
    if (rec.enrichment[s] != 128) lastEnrichment = sl;
    const bool hasReading = i < n;
    const std::uint8_t o2 = hasReading ? rec.o2[i] : 0;
    bool cut = hasReading && cutReading[i] != 0;
    if (s >= static_cast<std::size_t>(kTenth) &&
        static_cast<double>(rec.maf[s - kTenth]) - m > fallPerTenth)
      cut = true;
    if (cut) lastFuelCut = sl;

    LambdaReject why = LambdaReject::kAccepted;
    if (!hasReading) {
      why = LambdaReject::kNoReading;
    } else if (O2Dead(o2)) {
      why = LambdaReject::kO2Dead;
    } else if (lastEnrichment >= sl - kSecond) {
      why = LambdaReject::kEnrichment;
    } else if (lastFuelCut >= sl - kSecond) {
      why = LambdaReject::kFuelCut;
    } else if (m < settings.minMaf) {
      why = LambdaReject::kLowMaf;
    } else if (const auto [hi, lo] =
                   range.HiLo(s >= kTenth / 2 ? s - kTenth / 2 : 0,
                              std::min<std::size_t>(s, kTenth / 2) + std::max(dOf[m], kTenth));
               hi - m > settings.steadyCounts || m - lo > settings.steadyCounts) {
      why = LambdaReject::kUnsteady;
      ++readings.unsteady[m];
    } else if (locked[m] != 0) {
      why = LambdaReject::kLocked;
    } else if (wide && std::fabs(lambdaOf[o2] / targetOf[m] - 1.0) > band) {
      why = LambdaReject::kOutsideBand;
    }
    result.reject[s] = why;
    ++result.rejected[static_cast<int>(why)];
    if (why != LambdaReject::kAccepted) continue;

    if (wide) {
      const std::size_t from = s >= kTenth / 2 ? s - kTenth / 2 : 0;
      const double position = meanOf(mafSum, from, s + kTenth / 2);
      readings.Add(m, position, o2, rec.output[s], meanOf(outputSum, from, s + kTenth / 2));
      // The loop's swing, on the reading's mean over 100 ms. A loop swings
      // back and forth; a stretch that crosses once is the mixture moving
      // from one cell's to another's, so the first crossing of a stretch
      // counts once a second follows.
      if (sl - lastAccepted > kSwingGap) swing = crossed = 0;
      lastAccepted = sl;
      const double mean =
          lambdaAt0 +
          lambdaPerCount * meanOf(o2Sum, i >= kTenth / 2 ? i - kTenth / 2 : 0, i + kTenth / 2);
      const int side = mean > 1.0 + kSwing ? 1 : mean < 1.0 - kSwing ? -1 : 0;
      if (side != 0) {
        if (swing == -side) {
          if (++crossed == 1) firstCrossing = m;
          if (crossed == 2) ++readings.crossings[firstCrossing];
          if (crossed >= 2) ++readings.crossings[m];
        }
        swing = side;
      }
    } else {
      ++readings.n[m];
      ++readings.output[m * 256 + rec.output[s]];
      if (NarrowRich(o2)) ++readings.rich[m];
    }
  }
  result.rejected[0] = 0;

  ProposeLambda(readings, table, locked, settings, result);
  if (gathered != nullptr) *gathered = readings;

  // The readings of closed-loop cells are rejects of their own; the mean
  // error, before and as expected after, over the rest.
  double before = 0, after = 0;
  for (std::size_t s = 0; s < n; ++s) {
    if (result.reject[s] != LambdaReject::kAccepted) continue;
    const int m = rec.maf[s];
    const LambdaCell& cell = result.cells[m];
    if (cell.state == LambdaCellState::kClosedLoop) {
      result.reject[s] = LambdaReject::kClosedLoop;
      ++result.rejected[static_cast<int>(LambdaReject::kClosedLoop)];
      continue;
    }
    ++result.accepted;
    if (wide) {
      const double lambda = lambdaOf[rec.o2[s + dOf[m]]];
      const double target = targetOf[m];
      before += std::fabs(lambda - target);
      double expected = lambda;
      const double out = rec.output[s];
      if (cell.Changed() && out > 0 && cell.newValue > 0)
        expected = settings.inverse ? lambda * cell.newValue / out : lambda * out / cell.newValue;
      after += std::fabs(expected - target);
    } else {
      const double distance = std::fabs(cell.richShare - 0.5);
      before += distance;
      if (!cell.Changed()) after += distance;
    }
  }
  if (result.accepted > 0) {
    result.meanErrorBefore = before / result.accepted;
    result.meanErrorAfter = after / result.accepted;
  }
  return result;
}

void ProposeLambda(const LambdaCellReadings& readings, const std::array<int, 256>& table,
                   const std::array<std::uint8_t, 256>& locked, const LambdaSettings& settings,
                   LambdaResult& result) {
  using State = LambdaCellState;
  const bool wide = settings.wideband;
  const int minSamples = std::max(1, settings.minSamples);
  result.cellsChanged = result.cellsClosedLoop = result.cellsFilled = 0;

  for (int m = 0; m < 256; ++m) {
    LambdaCell& cell = result.cells[m];
    cell = LambdaCell{};
    cell.oldValue = std::clamp(table[m], 0, 255);
    cell.newValue = cell.oldValue;
    cell.n = readings.n[m];
    if (cell.n > 0) {
      // The median output, for an even count the mean of the two middle.
      const std::uint32_t* out = readings.output.data() + m * 256;
      const int lowRank = (cell.n - 1) / 2, highRank = cell.n / 2;
      int lowValue = -1, highValue = -1;
      long run = 0;
      for (int v = 0; v < 256 && highValue < 0; ++v) {
        run += out[v];
        if (lowValue < 0 && run > lowRank) lowValue = v;
        if (run > highRank) highValue = v;
      }
      cell.recordedValue = RoundHalfEvenDouble((lowValue + highValue) / 2.0);
    }
    if (locked[m] != 0) {
      cell.state = State::kLocked;
    } else if (m < settings.closedLoopMaf) {
      cell.state = State::kClosedLoop;
    }
  }
  auto tooFewState = [&](int m) {
    return readings.unsteady[m] >= minSamples ? State::kUnsteady : State::kTooFew;
  };

  if (!wide) {
    const int step = std::max(1, settings.narrowStep);
    for (int m = 0; m < 256; ++m) {
      LambdaCell& cell = result.cells[m];
      if (cell.state == State::kLocked || cell.state == State::kClosedLoop) continue;
      cell.hits = cell.n;
      if (cell.n == 0) {
        cell.state = readings.unsteady[m] >= minSamples ? State::kUnsteady : State::kNoData;
        continue;
      }
      cell.richShare = static_cast<double>(readings.rich[m]) / cell.n;
      if (cell.n < minSamples) {
        cell.state = tooFewState(m);
        continue;
      }
      if (SameLambda(TargetLambda(m, settings), 1.0)) {
        int move = 0;
        if (cell.richShare > 0.6) move = -step;  // leaner
        if (cell.richShare < 0.4) move = step;   // richer
        if (settings.inverse) move = -move;
        if (move != 0)
          cell.newValue = CappedValue(cell.recordedValue, cell.recordedValue + move, settings);
      }
      cell.state = cell.Changed() ? State::kChanged : State::kRight;
    }
    for (int m = 0; m < 256; ++m) {
      result.cellsChanged += result.cells[m].Changed();
      result.cellsClosedLoop += result.cells[m].state == State::kClosedLoop;
    }
    return;
  }

  // The counts in the order of their lambda (a scale may fall).
  std::array<double, 256> lambdaOf{};
  for (int c = 0; c < 256; ++c)
    lambdaOf[c] = WidebandLambda(static_cast<std::uint8_t>(c), settings.scale, settings.stoich);
  std::array<int, 256> order{};
  for (int c = 0; c < 256; ++c) order[c] = lambdaOf[255] >= lambdaOf[0] ? c : 255 - c;

  const int reach = std::max(0, settings.smoothCells);
  auto kernel = [reach](int distance) {
    return 1.0 - std::abs(distance) / static_cast<double>(reach + 1);
  };
  // The histogram of the cells around m, each weighted by the kernel; the
  // cells `use` refuses are left out. Returns the total weight.
  std::array<double, 256> pooled{};
  auto pool = [&](int m, auto use) {
    pooled.fill(0.0);
    double total = 0;
    for (int j = std::max(0, m - reach); j <= std::min(255, m + reach); ++j) {
      if (!use(j)) continue;
      const double k = kernel(j - m);
      const double* h = readings.o2.data() + j * 256;
      for (int c = 0; c < 256; ++c) {
        pooled[c] += k * h[c];
        total += k * h[c];
      }
    }
    return total;
  };
  std::array<double, 256> ownTotal{};
  for (int m = 0; m < 256; ++m) {
    const double* h = readings.o2.data() + m * 256;
    for (int c = 0; c < 256; ++c) ownTotal[m] += h[c];
  }

  // The cells' own lambda, and the closed loop: readings that hug lambda
  // 1 and swing across it as a loop does, told from the cells within twice
  // the smoothing's reach (a loop holds a whole range of MAF).
  const int loopReach = std::max(3, 2 * reach);
  for (int m = 0; m < 256; ++m) {
    LambdaCell& cell = result.cells[m];
    const double* h = readings.o2.data() + m * 256;
    if (ownTotal[m] > 0) {
      cell.medianLambda = WeightedMedian(h, order, lambdaOf, 0, 256);
      cell.spread = (WeightedQuantile(h, order, lambdaOf, 0.84) -
                     WeightedQuantile(h, order, lambdaOf, 0.16)) /
                    2;
    }
    if (cell.state != State::kNoData || cell.n == 0) continue;
    double readingsNear = 0, swings = 0;
    for (int j = std::max(0, m - loopReach); j <= std::min(255, m + loopReach); ++j) {
      if (locked[j] != 0) continue;
      const double k = 1.0 - std::abs(j - m) / static_cast<double>(loopReach + 1);
      readingsNear += k * readings.n[j];
      swings += k * readings.crossings[j];
    }
    if (swings < kLoopSwings || swings < kLoopSwingsPerSecond * readingsNear / kSecond) continue;
    pool(m, [&](int j) { return locked[j] == 0; });
    if (std::fabs(WeightedMedian(pooled.data(), order, lambdaOf, 0, 256) - 1.0) <= kHug)
      cell.state = State::kClosedLoop;
  }

  // Each open cell's own factor: the median of its own readings, of the
  // group nearer the target where the readings around it (its neighbours'
  // taken in as the smoothing weighs them) fall into two.
  auto open = [&](int j) {
    const State s = result.cells[j].state;
    return s != State::kLocked && s != State::kClosedLoop;
  };
  const double lambdaStep = std::fabs(lambdaOf[255] - lambdaOf[0]) / 255.0;
  // Groups are told apart on the histogram smoothed over 1 % of lambda.
  const int groupReach =
      std::max(1, static_cast<int>(std::lround(0.01 / std::max(lambdaStep, 1e-6))));
  std::array<double, 256> ownWeight{}, ownFactor{};
  for (int m = 0; m < 256; ++m) {
    LambdaCell& cell = result.cells[m];
    if (!open(m) || ownTotal[m] <= 0) continue;
    std::array<double, 256> factorOf{};
    const double target = TargetLambda(m, settings);
    for (int c = 0; c < 256; ++c) factorOf[c] = lambdaOf[c] / target;
    pool(m, open);
    const Group g = NearerGroup(pooled.data(), order, factorOf, groupReach);
    cell.twoGroups = g.two;
    const double* h = readings.o2.data() + m * 256;
    for (int k = g.from; k < g.to; ++k) ownWeight[m] += h[order[k]];
    if (ownWeight[m] > 0)
      ownFactor[m] = SpreadMedian(h, order, factorOf, lambdaStep / target, g.from, g.to);
  }

  // What each cell's own readings ask of it: the mean output they were
  // fuelled by times its own factor (divided when inverse). Its base value,
  // which the cap counts from, is the median output it was driven on (the
  // table's value without readings of its own). Where the table steps, the
  // MAF's noise fuels a reading by its neighbours' outputs too: its factor
  // then says what that mixture lacked, not what the cell alone does, and
  // the mean output is what it lacked it from.
  auto baseOf = [&](int m) {
    const LambdaCell& cell = result.cells[m];
    return cell.n > 0 ? cell.recordedValue : cell.oldValue;
  };
  std::array<double, 256> asked{};
  for (int m = 0; m < 256; ++m) {
    if (ownWeight[m] <= 0) continue;
    const double fuelled = ownTotal[m] > 0 ? readings.fuelled[m] / ownTotal[m] : baseOf(m);
    asked[m] = settings.inverse ? (ownFactor[m] > 0 ? fuelled / ownFactor[m] : 255.0)
                                : fuelled * ownFactor[m];
  }

  // Smoothed: a line through what the cells around ask, each weighted by
  // its readings and by the triangle, read at the cell; so a cell with few
  // readings follows its neighbours, and the new table runs smooth where
  // the readings do, whatever steps the old one had.
  std::array<bool, 256> judged{};
  std::array<double, 256> valueOf{};  // what a judged cell asks
  for (int m = 0; m < 256; ++m) {
    LambdaCell& cell = result.cells[m];
    if (cell.state != State::kNoData) continue;
    if (ownTotal[m] <= 0) {
      if (readings.unsteady[m] >= minSamples) cell.state = State::kUnsteady;
      continue;
    }
    double sw = 0, sx = 0, sy = 0, sxx = 0, sxy = 0, spreadSum = 0, blendSum = 0;
    for (int j = std::max(0, m - reach); j <= std::min(255, m + reach); ++j) {
      if (!open(j) || ownWeight[j] <= 0) continue;
      const double w = kernel(j - m) * ownWeight[j];
      const double x = j - m;
      sw += w;
      sx += w * x;
      sy += w * asked[j];
      sxx += w * x * x;
      sxy += w * x * asked[j];
      spreadSum += w * result.cells[j].spread / TargetLambda(j, settings);
      blendSum += w * std::fabs(readings.fuelled[j] / ownTotal[j] - baseOf(j));
    }
    cell.hits = sw;
    if (sw < minSamples) {
      cell.state = tooFewState(m);
      continue;
    }
    const double det = sw * sxx - sx * sx;
    double value = det > 1e-9 * sw * sw ? (sy * sxx - sx * sxy) / det : sy / sw;
    // A cell whose own readings, enough of them, keep it within a count
    // stays: the line must not move a right cell for its neighbours' sake.
    // Nor does one the line moves by less than half a count plus the noise
    // of the readings it rests on (twice the standard error of their
    // median) and their blend (how far the outputs they were fuelled by lie
    // from the cells' own: a share the window only guesses at).
    const int base = baseOf(m);
    if (ownWeight[m] >= minSamples && std::fabs(asked[m] - base) < 1.0) value = base;
    const double noise = 2 * 1.2533 * base * spreadSum / sw / std::sqrt(sw) + blendSum / sw;
    if (std::fabs(value - base) < 0.5 + noise) value = base;
    cell.factor =
        base > 0 ? (settings.inverse ? base / std::max(value, 1e-9) : value / base) : ownFactor[m];
    valueOf[m] = value;
    judged[m] = true;
  }

  // Gaps between judged cells take the value between what those ask: the
  // engine's own curve runs smooth, whatever steps the table has there.
  const int gapCells = std::max(0, settings.fillGapCells);
  for (int a = 0, b = 0; a < 256; a = b) {
    b = a + 1;
    if (!judged[a]) continue;
    while (b < 256 && !judged[b]) {
      const State s = result.cells[b].state;
      if (s == State::kLocked || s == State::kClosedLoop) break;
      ++b;
    }
    if (b >= 256 || !judged[b] || b - a - 1 == 0 || b - a - 1 > gapCells) continue;
    for (int m = a + 1; m < b; ++m) {
      LambdaCell& cell = result.cells[m];
      const double t = static_cast<double>(m - a) / (b - a);
      const double value = valueOf[a] + (valueOf[b] - valueOf[a]) * t;
      const int base = baseOf(m);
      cell.factor = base > 0 ? (settings.inverse ? base / std::max(value, 1e-9) : value / base)
                             : result.cells[a].factor;
      valueOf[m] = value;
      cell.filled = true;
      judged[m] = true;
    }
  }

  // The proposal, around the value each cell was driven on.
  for (int m = 0; m < 256; ++m) {
    LambdaCell& cell = result.cells[m];
    if (!judged[m]) continue;
    const int base = cell.n > 0 ? cell.recordedValue : cell.oldValue;
    const double proposal =
        settings.inverse ? (cell.factor > 0 ? base / cell.factor : 255.0) : base * cell.factor;
    cell.newValue = CappedValue(base, RoundHalfEvenDouble(proposal), settings);
    cell.state = cell.Changed() ? State::kChanged : State::kRight;
  }

  for (const LambdaCell& cell : result.cells) {
    result.cellsChanged += cell.Changed();
    result.cellsClosedLoop += cell.state == State::kClosedLoop;
    result.cellsFilled += cell.filled && cell.Changed();
  }
}

std::vector<std::string> LambdaAdvice(const LambdaResult& result, const LambdaSettings& settings) {
  std::vector<std::string> lines;
  std::vector<int> closed, few, unsteady;
  int twoGroups = 0;
  for (int m = 0; m < 256; ++m) {
    const LambdaCell& cell = result.cells[m];
    if (cell.state == LambdaCellState::kClosedLoop) closed.push_back(m);
    if (cell.state == LambdaCellState::kTooFew) few.push_back(m);
    if (cell.state == LambdaCellState::kUnsteady) unsteady.push_back(m);
    twoGroups += cell.twoGroups;
  }
  if (!closed.empty()) {
    lines.push_back(
        std::to_string(closed.size()) + " cells are closed loop (MAF " + Ranges(closed) + ")" +
        (settings.closedLoopMaf > 0 ? ", as set or as their readings show" : "") +
        ": the control unit's own loop holds lambda at 1 there whatever the table, so they were "
        "left alone. To correct them, drive with the control unit in open loop (unplug its "
        "narrowband sensor, or switch its loop off its own way), or correct them by its fuel "
        "trims.");
  }
  const int outside = result.rejected[static_cast<int>(LambdaReject::kOutsideBand)];
  if (outside > 0) {
    char band[32];
    std::snprintf(band, sizeof band, "%.0f", settings.bandPercent);
    lines.push_back(std::to_string(outside) + " readings lay more than " + band +
                    " % from the target (the control unit's own enrichment, or a table off by "
                    "more): left out.");
  }
  if (twoGroups > 0) {
    lines.push_back(std::to_string(twoGroups) +
                    " cells held two groups of readings (the control unit enriching part of the "
                    "time): the group nearer the target decided them.");
  }
  if (!unsteady.empty()) {
    lines.push_back("MAF " + Ranges(unsteady) +
                    ": MAF was not steady there; hold the load steady in those cells.");
  }
  if (!few.empty())
    lines.push_back("MAF " + Ranges(few) + ": too few readings; drive there longer.");
  return lines;
}

bool ParseLambdaSensor(const std::string& text, LambdaSettings& settings, std::string& error) {
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "lc1" || lower == "lc2" || lower == "lc-1" || lower == "lc-2") {
    settings.wideband = true;
    settings.scale = kLc1Scale;
    return true;
  }
  if (lower == "aem") {
    settings.wideband = true;
    settings.scale = kAemScale;
    return true;
  }
  if (lower == "14point7") {
    settings.wideband = true;
    settings.scale = k14Point7Scale;
    return true;
  }
  if (lower == "narrow") {
    settings.wideband = false;
    return true;
  }
  // V1:AFR1:V2:AFR2
  double v[4];
  std::size_t pos = 0;
  for (int k = 0; k < 4; ++k) {
    const std::size_t colon = k < 3 ? text.find(':', pos) : text.size();
    if (colon == std::string::npos) {
      error =
          "unknown sensor \"" + text + "\": expected lc1, aem, 14point7, narrow or V1:AFR1:V2:AFR2";
      return false;
    }
    const std::string part = text.substr(pos, colon - pos);
    const char* first = part.data();
    const char* last = part.data() + part.size();
    const auto [ptr, ec] = std::from_chars(first, last, v[k]);
    if (part.empty() || ec != std::errc() || ptr != last || !std::isfinite(v[k])) {
      error = "unknown sensor \"" + text + "\": \"" + part +
              "\" is not a number (expected lc1, aem, "
              "14point7, narrow or V1:AFR1:V2:AFR2)";
      return false;
    }
    pos = colon + 1;
  }
  if (v[0] < 0 || v[0] > 5 || v[2] < 0 || v[2] > 5) {
    error = "sensor \"" + text + "\": the volts must lie within 0..5";
    return false;
  }
  if (v[0] == v[2]) {
    error = "sensor \"" + text + "\": the two volts must differ";
    return false;
  }
  if (v[1] <= 0 || v[3] <= 0) {
    error = "sensor \"" + text + "\": the AFRs must be above 0";
    return false;
  }
  settings.wideband = true;
  settings.scale = WidebandScale{v[0], v[1], v[2], v[3]};
  return true;
}

bool ParseDelayCurve(const std::string& text, DelayCurve& curve, std::string& error) {
  auto number = [](const std::string& part, int& into) {
    const char* end = part.data() + part.size();
    const auto [ptr, ec] = std::from_chars(part.data(), end, into);
    return !part.empty() && ec == std::errc() && ptr == end && into >= 0 && into <= 10000;
  };
  const std::size_t colon = text.find(':');
  int idle = 0, full = 0;
  if (colon == std::string::npos
          ? number(text, idle)
          : number(text.substr(0, colon), idle) && number(text.substr(colon + 1), full)) {
    curve = colon == std::string::npos ? DelayCurve::Flat(idle) : DelayCurve::IdleFull(idle, full);
    return true;
  }
  error = "--delay-ms " + text + ": not auto, a number of ms or IDLE:FULL, each within 0..10000";
  return false;
}

}  // namespace zelor
