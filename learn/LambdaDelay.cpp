// The delay curve and its estimate from the recording (see LambdaFix.h).

#include <algorithm>
#include <cmath>
#include <functional>

#include "core/ChartGeometry.h"
#include "learn/LambdaFix.h"
#include "learn/LambdaFixDetail.h"

namespace zelor {

DelayCurve DelayCurve::Flat(int delayMs) { return {{DelayPoint{0, delayMs, 1.0, 0}}}; }

DelayCurve DelayCurve::IdleFull(int idleMs, int fullMs) {
  return {{DelayPoint{kIdleMaf, idleMs, 1.0, 0}, DelayPoint{255, fullMs, 1.0, 0}}};
}

double DelayCurve::MsAt(int maf) const {
  if (points.empty()) return 0.0;
  if (maf <= points.front().maf) return points.front().delayMs;
  if (maf >= points.back().maf) return points.back().delayMs;
  auto inverse = [](int m) { return 1.0 / std::max(1, m); };
  for (std::size_t k = 1; k < points.size(); ++k) {
    const DelayPoint& b = points[k];
    if (maf > b.maf) continue;
    const DelayPoint& a = points[k - 1];
    const double t = (inverse(maf) - inverse(a.maf)) / (inverse(b.maf) - inverse(a.maf));
    return a.delayMs + (b.delayMs - a.delayMs) * t;
  }
  return points.back().delayMs;
}

std::array<int, 256> DelayCurve::Samples() const {
  std::array<int, 256> samples{};
  for (int m = 0; m < 256; ++m)
    samples[m] = std::max(0, RoundHalfEvenDouble(MsAt(m) / kLambdaSampleMs));
  return samples;
}

bool DelayCurve::IsFlat() const {
  return std::all_of(points.begin(), points.end(),
                     [&](const DelayPoint& p) { return p.delayMs == points.front().delayMs; });
}

namespace {

constexpr int kBands = static_cast<int>(kDelayBandEdges.size()) - 1;
// The groups of equal mixture: MAF x 32 enrichment levels (of 4 counts).
constexpr int kEnrichmentLevels = 32;
constexpr int kGroups = 256 * kEnrichmentLevels;
// A reading left out of the estimate.
constexpr std::uint8_t kLeftOut = 255;
// A sample in no group: where the control unit runs its own loop.
constexpr std::uint16_t kNoGroup = 0xFFFF;
// The coarse lags are this many samples apart.
constexpr int kCoarse = 4;
// The fewest samples a band is estimated on: 10 s of steady running.
constexpr std::size_t kBandSamples = 1000;

// The share of the readings' variance left within the groups, per band and
// for all of them, when the reading of t + lag is given to sample t. Sums
// of counts are exact integers: the share is the same for the lambda or
// the volts, both linear in the count.
class Shares {
 public:
  Shares(std::span<const std::uint16_t> key, std::span<const std::uint8_t> reading,
         const std::array<std::uint8_t, 256>& bandOf)
      : key_(key), reading_(reading), bandOf_(bandOf) {}

  // Over the samples 0, stride, 2 x stride .. below key's end, or over
  // `samples` when given.
  // With `band` set, only that band's groups are summed (the samples are
  // all of it).
  void Pass(int lag, std::size_t stride, const std::vector<std::uint32_t>* samples,
            int onlyBand = -1) {
    const std::uint8_t* r = reading_.data() + lag;
    const std::uint16_t* key = key_.data();
    Group* groups = groups_.data();
    auto add = [&](std::size_t t) {
      const std::uint32_t v = r[t];
      if (v == kLeftOut || key[t] == kNoGroup) return;
      Group& g = groups[key[t]];
      ++g.count;
      g.sum += v;
      g.squares += v * v;
    };
    if (samples) {
      for (const std::uint32_t t : *samples) add(t);
    } else {
      for (std::size_t t = 0; t < key_.size(); t += stride) add(t);
    }
    std::array<double, kBands> n{}, s{}, q{}, between{};
    const int firstGroup = onlyBand < 0 ? 0 : kDelayBandEdges[onlyBand] * kEnrichmentLevels;
    const int endGroup = onlyBand < 0 ? kGroups : kDelayBandEdges[onlyBand + 1] * kEnrichmentLevels;
    for (int k = firstGroup; k < endGroup; ++k) {
      Group& g = groups_[k];
      if (g.count == 0) continue;
      const int b = bandOf_[k / kEnrichmentLevels];
      const double c = g.count, gs = g.sum;
      n[b] += c;
      s[b] += gs;
      q[b] += static_cast<double>(g.squares);
      between[b] += gs * gs / c;
      g = Group{};
    }
    auto share = [](double nn, double ss, double qq, double bb) {
      const double spread = nn > 1 ? qq - ss * ss / nn : 0.0;
      return spread > 1e-9 ? std::clamp((qq - bb) / spread, 0.0, 1.0) : 1.0;
    };
    double na = 0, sa = 0, qa = 0, ba = 0;
    for (int b = 0; b < kBands; ++b) {
      band[b] = share(n[b], s[b], q[b], between[b]);
      within[b] = q[b] - between[b];
      na += n[b];
      sa += s[b];
      qa += q[b];
      ba += between[b];
    }
    all = share(na, sa, qa, ba);
  }
  std::array<double, kBands> band{};
  // The sum of squares left within the groups, per band: on a fixed set of
  // samples it measures the mismatch itself (a narrow band's groups may all
  // read alike, so that no share of variance tells them apart).
  std::array<double, kBands> within{};
  double all = 1.0;

 private:
  std::span<const std::uint16_t> key_;
  std::span<const std::uint8_t> reading_;
  const std::array<std::uint8_t, 256>& bandOf_;
  struct Group {
    std::uint32_t count = 0;
    std::uint32_t sum = 0;
    std::uint64_t squares = 0;
  };
  std::vector<Group> groups_ = std::vector<Group>(kGroups);
};

struct Dip {
  bool found = false;
  int lag = 0;
  double confidence = 0;  // before the steps' part
};

// The knee that fits a falling curve best: a line falling to the lag D
// and flat from it on (share = p + a x max(0, D - lag), least squares),
// over the candidates D in [from, to].
int Hinge(const std::vector<std::pair<int, double>>& curve, int from, int to) {
  int best = from;
  double bestError = -1;
  for (int d = from; d <= to; ++d) {
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const auto& [lag, share] : curve) {
      const double x = std::max(0, d - lag);
      n += 1;
      sx += x;
      sy += share;
      sxx += x * x;
      sxy += x * share;
    }
    const double det = n * sxx - sx * sx;
    const double a = det > 1e-12 ? (n * sxy - sx * sy) / det : 0.0;
    const double p = (sy - a * sx) / n;
    double error = 0;
    for (const auto& [lag, share] : curve) {
      const double e = share - (p + a * std::max(0, d - lag));
      error += e * e;
    }
    if (bestError < 0 || error < bestError) {
      bestError = error;
      best = d;
    }
  }
  return best;
}

// The dip of a share curve: its coarse points (every kCoarse lags), then
// every lag around the least (`fine` gives the share there), smoothed over
// +-2 lags. Less than 5 % of the variance explained by the choice of the
// lag: no dip. With `hinge`, where the share stops falling instead (the
// Hinge of the coarse points, then of those and the fine ones around it):
// a band's samples hold their flow beyond the delay, so their share stays
// low past it instead of rising again. Its confidence: how far the best
// dip reaches below any other, outside its own lobe (where the share stays
// in the lower half of the dip).
Dip FindDip(const std::vector<int>& lags, const std::vector<double>& coarse, int maxLag,
            const std::function<double(int)>& fine, bool knee) {
  Dip dip;
  const int points = static_cast<int>(coarse.size());
  const int bestPoint =
      static_cast<int>(std::min_element(coarse.begin(), coarse.end()) - coarse.begin());
  const double worst = *std::max_element(coarse.begin(), coarse.end());
  const double depth = worst - coarse[bestPoint];
  if (!(depth >= 0.05)) return dip;
  // A band's readings mismatch most at lag 0 and least from the delay on:
  // a curve that does not fall from its start by most of its depth, or
  // whose least lies at the end of the lags tried, shows no delay.
  if (knee && (coarse.front() - coarse[bestPoint] < 0.5 * depth || bestPoint + 2 >= points))
    return dip;

  int best = lags[bestPoint];
  if (knee) {
    // A rough knee: a line falling to it and flat from it on, fitted to the
    // curve (smoothed over three points) up to a little past its least.
    // The curve's level there: its least from a little before the rough
    // knee to a while after it (not its least overall: the curve may keep
    // drifting down). The knee: the first lag whose share (smoothed over
    // +-2 lags) comes down to within twice the curve's noise, and 1 % of
    // its depth, of that level.
    std::vector<double> smooth(points);
    for (int p = 0; p < points; ++p) {
      const int a = std::max(0, p - 1), b = std::min(points - 1, p + 1);
      smooth[p] = (coarse[a] + coarse[p] + coarse[b]) / 3;
    }
    // Its first least within 160 ms either side once it has fallen from
    // lag 0 by a quarter of its depth: a real engine's readings also drift
    // over seconds, which a longer lag matches better and better.
    int leastPoint = points - 1;
    for (int p = 0; p < points; ++p) {
      if (coarse.front() - smooth[p] < depth / 4) continue;
      bool least = true;
      for (int q = std::max(0, p - 4); q <= std::min(points - 1, p + 4) && least; ++q)
        least = smooth[p] <= smooth[q];
      if (least) {
        leastPoint = p;
        break;
      }
    }
    std::vector<std::pair<int, double>> curve;
    for (int p = 0; p < std::min(points, leastPoint + 5); ++p)
      curve.emplace_back(lags[p], coarse[p]);
    const int rough = Hinge(curve, 0, lags[leastPoint]);
    const int roughPoint = rough / kCoarse;
    double level = 2.0;
    for (int p = std::max(0, roughPoint - 4); p < std::min(points, roughPoint + 9); ++p)
      level = std::min(level, smooth[p]);
    double wobble = 0;
    int low = 0;
    for (int p = std::max(1, roughPoint); p + 1 < std::min(points, roughPoint + 9); ++p) {
      const double second = coarse[p] - (coarse[p - 1] + coarse[p + 1]) / 2;
      wobble += second * second;
      ++low;
    }
    const double noise = low > 0 ? std::sqrt(wobble / low / 1.5) : 0.0;
    const double threshold = level + std::max(0.01 * depth, 2 * noise);
    int around = 0;
    while (around < points - 1 && smooth[around] > threshold) ++around;
    const int from = std::max(0, lags[around] - kCoarse - 2);
    const int to = std::min(maxLag, lags[around] + 2);
    std::vector<double> share(to - from + 1);
    for (int lag = from; lag <= to; ++lag) share[lag - from] = fine(lag);
    best = lags[around];
    for (int lag = std::max(0, lags[around] - kCoarse); lag <= to; ++lag) {
      double s = 0;
      int k = 0;
      for (int j = std::max(from, lag - 2); j <= std::min(to, lag + 2); ++j, ++k)
        s += share[j - from];
      if (s / k <= threshold) {
        best = lag;
        break;
      }
    }
  } else {
    const int from = std::max(0, lags[bestPoint] - kCoarse - 2);
    const int to = std::min(maxLag, lags[bestPoint] + kCoarse + 2);
    std::vector<double> share(to - from + 1);
    for (int lag = from; lag <= to; ++lag) share[lag - from] = fine(lag);
    double bestSmooth = 2.0;
    for (int lag = std::max(0, lags[bestPoint] - kCoarse);
         lag <= std::min(maxLag, lags[bestPoint] + kCoarse); ++lag) {
      double s = 0;
      int k = 0;
      for (int j = std::max(from, lag - 2); j <= std::min(to, lag + 2); ++j, ++k)
        s += share[j - from];
      if (s / k < bestSmooth) {
        bestSmooth = s / k;
        best = lag;
      }
    }
  }
  int left = bestPoint, right = bestPoint;
  while (left > 0 && coarse[left - 1] < coarse[bestPoint] + depth / 2) --left;
  while (right < points - 1 && coarse[right + 1] < coarse[bestPoint] + depth / 2) ++right;
  double otherDepth = 0;
  for (int p = 0; p < points; ++p) {
    if (p >= left && p <= right) continue;
    const bool localMin =
        (p == 0 || coarse[p] <= coarse[p - 1]) && (p == points - 1 || coarse[p] <= coarse[p + 1]);
    if (localMin) otherDepth = std::max(otherDepth, worst - coarse[p]);
  }
  dip.found = true;
  dip.lag = best;
  dip.confidence = std::clamp(1.0 - otherDepth / depth, 0.0, 1.0);
  return dip;
}

// Makes the points' delays fall (or stay) as MAF rises: where a point lies
// above the one before it, the two are pooled into their weighted mean
// (the pool-adjacent-violators way).
void FallingWithFlow(std::vector<DelayPoint>& points, const std::vector<double>& weights) {
  struct Block {
    double weight, mean;
    std::size_t count;
  };
  std::vector<Block> blocks;
  for (std::size_t k = 0; k < points.size(); ++k) {
    blocks.push_back({weights[k], static_cast<double>(points[k].delayMs), 1});
    while (blocks.size() > 1 && blocks.back().mean > blocks[blocks.size() - 2].mean) {
      const Block b = blocks.back();
      blocks.pop_back();
      Block& a = blocks.back();
      a.mean = (a.mean * a.weight + b.mean * b.weight) / (a.weight + b.weight);
      a.weight += b.weight;
      a.count += b.count;
    }
  }
  std::size_t k = 0;
  for (const Block& b : blocks) {
    for (std::size_t j = 0; j < b.count; ++j, ++k)
      points[k].delayMs = RoundHalfEvenDouble(b.mean / kLambdaSampleMs) * kLambdaSampleMs;
  }
}

}  // namespace

DelayEstimate EstimateDelay(const LambdaRecording& rec, const LambdaSettings& settings,
                            int maxDelayMs) {
  DelayEstimate estimate;
  const std::size_t n = rec.Size();
  const int maxLag = std::max(0, maxDelayMs) / kLambdaSampleMs;
  if (maxLag < 1 || n < static_cast<std::size_t>(maxLag) + 100) return estimate;
  const std::size_t span = n - maxLag;

  std::array<std::uint8_t, 256> bandOf{};
  for (int b = 0; b < kBands; ++b) {
    for (int m = kDelayBandEdges[b]; m < kDelayBandEdges[b + 1]; ++m)
      bandOf[m] = static_cast<std::uint8_t>(b);
  }

  // The steps: MAF steps above the noise and the enrichment's onsets,
  // those closer than 200 ms joined; a MAF step counts for the bands of the
  // levels on both sides of it. A MAF step's size at t is |sum(MAF[t ..
  // t + 4]) - sum(MAF[t - 5 .. t - 1])| (50 ms on either side); the noise is
  // three times its median over the recording, at least 3 counts (x 5).
  LambdaScratch& scratch = LambdaScratch::OfThisThread();
  std::array<int, kBands> bandEvents{};
  {
    constexpr int kHalf = 5;
    auto stepAt = [&](std::size_t t, int& before, int& after) {
      // Slides the two sums from t - 1 to t.
      before += rec.maf[t - 1] - rec.maf[t - 1 - kHalf];
      after += rec.maf[t + kHalf - 1] - rec.maf[t - 1];
      return std::abs(after - before);
    };
    auto steps = [&](auto visit) {
      if (n < 2 * kHalf + 1) return;
      int before = 0, after = 0;
      for (int k = 0; k < kHalf; ++k) {
        before += rec.maf[k];
        after += rec.maf[kHalf + k];
      }
      visit(std::size_t{kHalf}, std::abs(after - before));
      for (std::size_t t = kHalf + 1; t + kHalf <= n; ++t) visit(t, stepAt(t, before, after));
    };
    std::array<std::size_t, 256 * kHalf + 1> sizes{};
    std::size_t measured = 0;
    steps([&](std::size_t, int size) {
      ++sizes[size];
      ++measured;
    });
    std::size_t run = 0;
    int median = 0;
    while (median < 256 * kHalf && (run += sizes[median]) * 2 <= measured) ++median;
    const int floor = std::max(3 * kHalf, 3 * median);
    // The fuel cuts' buffer, not in use yet.
    const std::span<std::uint8_t> active = Reuse(scratch.cut, n);
    std::fill(active.begin(), active.end(), std::uint8_t{0});
    steps([&](std::size_t t, int size) { active[t] = size > floor; });
    long lastActive = -1000000;
    for (std::size_t t = 1; t < n; ++t) {
      const bool onset = rec.enrichment[t] > 128 && rec.enrichment[t - 1] <= 128;
      if (!active[t] && !onset) continue;
      if (static_cast<long>(t) - lastActive > 20) {
        ++estimate.events;
        std::array<bool, kBands> hit{};
        hit[bandOf[rec.maf[t]]] = true;
        if (t >= kHalf) hit[bandOf[rec.maf[t - kHalf]]] = true;
        if (t + kHalf < n) hit[bandOf[rec.maf[t + kHalf]]] = true;
        for (int b = 0; b < kBands; ++b) bandEvents[b] += hit[b];
      }
      lastActive = static_cast<long>(t);
    }
  }
  if (estimate.events == 0) return estimate;

  // What the mixture of sample t is made of, as far as the recording
  // tells: its MAF and the enrichment (in steps of 4 counts). Below the
  // MAF the tuner says the control unit runs its own loop, the loop moves
  // the mixture as it will: those samples tell nothing of the delay.
  const std::span<std::uint16_t> key = Reuse(scratch.key, span);
  for (std::size_t t = 0; t < span; ++t) {
    const int e = std::clamp(int(rec.enrichment[t]) - 128, 0, 127) / 4;
    key[t] = rec.maf[t] < settings.closedLoopMaf
                 ? kNoGroup
                 : static_cast<std::uint16_t>(rec.maf[t] * kEnrichmentLevels + e);
  }

  // The readings left out: dead or railed ones, fuel cuts, and those within
  // 200 ms of them (the sensor's own way to and from the rail).
  const std::span<std::uint8_t> reading = Reuse(scratch.reading, n);
  {
    const std::span<std::uint8_t> cut = Reuse(scratch.cut, n);
    FuelCutReadings(rec.o2, settings, cut);
    constexpr int kAround = 20;
    long lastBad = -1000000;
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint8_t o = rec.o2[i];
      reading[i] = o;
      if (o <= 2 || o >= 253 || cut[i]) {
        for (std::size_t j = i > kAround ? i - kAround : 0; j < i; ++j) reading[j] = kLeftOut;
        lastBad = static_cast<long>(i);
      }
      if (static_cast<long>(i) - lastBad <= kAround) reading[i] = kLeftOut;
    }
  }

  // Long recordings are thinned: the coarse lags on at most 100,000
  // samples, the fine ones on at most 200,000.
  const std::size_t coarseStride = std::max<std::size_t>(1, (span + 99'999) / 100'000);
  const std::size_t fineStride = std::max<std::size_t>(1, (span + 199'999) / 200'000);
  Shares shares(key, reading, bandOf);
  std::vector<int> lags;
  for (int lag = 0; lag <= maxLag; lag += kCoarse) lags.push_back(lag);
  if (lags.back() != maxLag) lags.push_back(maxLag);
  std::vector<double> coarseAll;
  std::array<std::vector<double>, kBands> coarseBand;
  for (const int lag : lags) {
    shares.Pass(lag, coarseStride, nullptr);
    coarseAll.push_back(shares.all);
    for (int b = 0; b < kBands; ++b) coarseBand[b].push_back(shares.band[b]);
  }

  const Dip all = FindDip(
      lags, coarseAll, maxLag,
      [&](int lag) {
        shares.Pass(lag, fineStride, nullptr);
        return shares.all;
      },
      false);
  if (all.found) {
    estimate.found = true;
    estimate.delayMs = all.lag * kLambdaSampleMs;
    estimate.confidence = all.confidence * std::min(1.0, estimate.events / 3.0);
  }

  // Per band: its own samples, its own dip. A sample's parcel of exhaust
  // travels at the flow the sample was taken at only while that flow
  // holds: at the end of a steady stretch the next flow pushes it faster or
  // slower. So a band takes the samples whose MAF stays near theirs for
  // three times the delay its samples show all together (and 200 ms more), and
  // whose readings are all usable over that window, so that every lag up to
  // it is judged on the same samples.
  const WindowRange range(rec.maf, maxLag, scratch.window);
  // Per reading: how many readings from it on are usable (at most 65,535).
  const std::span<std::uint16_t> clear = Reuse(scratch.clear, n + 1);
  clear[n] = 0;
  for (std::size_t i = n; i-- > 0;)
    clear[i] =
        reading[i] == kLeftOut ? 0 : static_cast<std::uint16_t>(std::min(65535, clear[i + 1] + 1));
  std::vector<DelayPoint> points;
  std::vector<double> weights;
  std::vector<std::uint32_t> samples;
  for (int b = 0; b < kBands; ++b) {
    if (bandEvents[b] == 0) continue;
    const int first = lags[static_cast<std::size_t>(
        std::min_element(coarseBand[b].begin(), coarseBand[b].end()) - coarseBand[b].begin())];
    const int window = std::min(maxLag, 3 * first + 20);
    samples.clear();
    for (std::size_t t = 0; t < span; t += fineStride) {
      const int m = rec.maf[t];
      if (bandOf[m] != b || clear[t] <= window) continue;
      const int tolerance = std::max(settings.steadyCounts, m / 8);
      const auto [hi, lo] = range.HiLo(t, window);
      if (hi - m <= tolerance && m - lo <= tolerance && lo >= settings.closedLoopMaf)
        samples.push_back(static_cast<std::uint32_t>(t));
    }
    if (samples.size() < kBandSamples) continue;
    std::vector<int> bandLags;
    std::vector<double> coarse;
    for (const int lag : lags) {
      if (lag > window) break;
      shares.Pass(lag, 1, &samples, b);
      bandLags.push_back(lag);
      coarse.push_back(shares.within[b]);
    }
    if (bandLags.size() < 3) continue;
    const double most = *std::max_element(coarse.begin(), coarse.end());
    if (!(most > 0)) continue;
    for (double& c : coarse) c /= most;
    const Dip dip = FindDip(
        bandLags, coarse, window,
        [&](int lag) {
          shares.Pass(lag, 1, &samples, b);
          return shares.within[b] / most;
        },
        true);
    if (!dip.found) continue;
    std::array<std::size_t, 256> count{};
    for (const std::uint32_t t : samples) ++count[rec.maf[t]];
    std::size_t run = 0;
    int median = kDelayBandEdges[b];
    while (median < 255 && (run += count[median]) * 2 < samples.size()) ++median;
    DelayPoint point;
    point.maf = median;
    point.delayMs = dip.lag * kLambdaSampleMs;
    point.events = bandEvents[b];
    point.confidence = dip.confidence * std::min(1.0, bandEvents[b] / 3.0);
    points.push_back(point);
    weights.push_back(point.confidence * std::min(point.events, 10) + 1e-3);
  }
  if (points.empty()) {
    if (!estimate.found) return estimate;
    estimate.curve = DelayCurve::Flat(estimate.delayMs);
    estimate.curve.points.front().confidence = estimate.confidence;
    estimate.curve.points.front().events = estimate.events;
    return estimate;
  }
  FallingWithFlow(points, weights);
  if (!estimate.found) {
    // No one delay for the whole recording, but bands that show theirs:
    // the one delay is the median of theirs, by their weights.
    std::vector<std::pair<int, double>> byDelay;
    double total = 0;
    for (std::size_t k = 0; k < points.size(); ++k) {
      byDelay.emplace_back(points[k].delayMs, weights[k]);
      total += weights[k];
    }
    std::sort(byDelay.begin(), byDelay.end());
    double run = 0;
    for (const auto& [ms, w] : byDelay) {
      estimate.delayMs = ms;
      if ((run += w) * 2 >= total) break;
    }
    estimate.found = true;
    estimate.confidence = 0;
    for (std::size_t k = 0; k < points.size(); ++k)
      estimate.confidence = std::max(estimate.confidence, points[k].confidence);
  }
  estimate.curve.points = std::move(points);
  return estimate;
}

}  // namespace zelor
