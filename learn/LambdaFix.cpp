#include "learn/LambdaFix.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <deque>
#include <limits>

#include "core/ChartGeometry.h"
#include "table/TableImage.h"

namespace zelor {

namespace {

// The median of values (reordered): for an even count the mean of the two
// middle ones.
double Median(std::span<double> values) {
  const std::size_t n = values.size();
  const std::size_t mid = n / 2;
  std::nth_element(values.begin(), values.begin() + mid, values.end());
  const double upper = values[mid];
  if (n % 2 != 0) return upper;
  const double lower = *std::max_element(values.begin(), values.begin() + mid);
  return (lower + upper) / 2.0;
}

// The samples of the transport delay, rounded halves to even.
int DelaySamples(int delayMs) {
  if (delayMs <= 0) return 0;
  return static_cast<int>(RoundHalfEven(delayMs, kLambdaSampleMs));
}

// One second of samples: the enrichment's and the fuel cut's after-window.
constexpr int kSecond = 1000 / kLambdaSampleMs;
// 100 ms of samples: the span MAF's fall is measured over.
constexpr int kTenth = 100 / kLambdaSampleMs;

bool O2Dead(std::uint8_t o2) { return o2 <= 2 || o2 >= 253; }

bool NarrowRich(std::uint8_t o2) { return o2 * 5.0 / 255.0 > 0.45; }

// Per sample s: the largest and smallest MAF of s .. s + w (within the
// recording), by a monotonic deque over the window.
void WindowRange(std::span<const std::uint8_t> maf, int w, std::vector<std::uint8_t>& hi,
                 std::vector<std::uint8_t>& lo) {
  const std::size_t n = maf.size();
  hi.assign(n, 0);
  lo.assign(n, 0);
  std::deque<std::size_t> maxQ, minQ;
  std::size_t next = 0;  // the next index to push
  for (std::size_t s = 0; s < n; ++s) {
    const std::size_t end = std::min(n - 1, s + static_cast<std::size_t>(w));
    while (next <= end) {
      while (!maxQ.empty() && maf[maxQ.back()] <= maf[next]) maxQ.pop_back();
      maxQ.push_back(next);
      while (!minQ.empty() && maf[minQ.back()] >= maf[next]) minQ.pop_back();
      minQ.push_back(next);
      ++next;
    }
    while (maxQ.front() < s) maxQ.pop_front();
    while (minQ.front() < s) minQ.pop_front();
    hi[s] = maf[maxQ.front()];
    lo[s] = maf[minQ.front()];
  }
}

// How far a cell may move in one pass: min(capCounts, capPercent % of the
// old value), at least one count.
int CapOf(int oldValue, const LambdaSettings& settings) {
  const double percent = std::floor(std::max(0.0, settings.capPercent) * oldValue / 100.0 + 1e-9);
  const double cap = std::min(static_cast<double>(std::max(0, settings.capCounts)), percent);
  return std::max(1, static_cast<int>(cap));
}

int CappedValue(int oldValue, long proposal, const LambdaSettings& settings) {
  const long cap = CapOf(oldValue, settings);
  const long moved = std::clamp(proposal - oldValue, -cap, cap);
  return static_cast<int>(std::clamp(oldValue + moved, 0L, 255L));
}

bool SameLambda(double a, double b) { return std::fabs(a - b) < 1e-9; }

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

LambdaResult AnalyseLambda(const LambdaRecording& rec, const std::array<int, 256>& table,
                           const std::array<std::uint8_t, 256>& locked,
                           const LambdaSettings& settings) {
  const std::size_t n = rec.Size();
  const int d = DelaySamples(settings.delayMs);
  const bool wide = settings.wideband;
  LambdaResult result;
  result.delaySamples = d;
  result.reject.assign(n, LambdaReject::kAccepted);
  result.lambda.assign(n, 0.0f);
  for (int m = 0; m < 256; ++m) {
    result.cells[m].oldValue = std::clamp(table[m], 0, 255);
    result.cells[m].newValue = result.cells[m].oldValue;
  }
  if (n == 0) return result;

  // The lambda of every reading that exists, rejected or not (the window
  // greys the rejected ones).
  std::vector<double> lambdaOfCount(256, 0.0);
  if (wide) {
    for (int c = 0; c < 256; ++c)
      lambdaOfCount[c] =
          WidebandLambda(static_cast<std::uint8_t>(c), settings.scale, settings.stoich);
  }

  const int steadyWindow = std::max(d, 10);
  std::vector<std::uint8_t> hi, lo;
  WindowRange(rec.maf, steadyWindow, hi, lo);

  const double fallPerTenth = settings.mafFallPerSecond * (kTenth / static_cast<double>(kSecond));
  long lastEnrichment = std::numeric_limits<long>::min() / 2;
  long lastFuelCut = std::numeric_limits<long>::min() / 2;

  // Accepted readings: their cell and sample, for the second pass.
  std::vector<std::uint32_t> acceptedSamples;
  acceptedSamples.reserve(n / 2);
  std::array<int, 256> count{};

  for (std::size_t s = 0; s < n; ++s) {
    const long sl = static_cast<long>(s);
    // The trackers see every sample, whatever filter rejects it.
    if (rec.enrichment[s] != 128) lastEnrichment = sl;
    const bool hasReading = s + d < n;
    const std::uint8_t o2 = hasReading ? rec.o2[s + d] : 0;
    if (hasReading && wide) result.lambda[s] = static_cast<float>(lambdaOfCount[o2]);
    bool cut = wide && hasReading && lambdaOfCount[o2] > settings.fuelCutLambda;
    if (s >= static_cast<std::size_t>(kTenth) &&
        static_cast<double>(rec.maf[s - kTenth]) - rec.maf[s] > fallPerTenth)
      cut = true;
    if (cut) lastFuelCut = sl;

    const int m = rec.maf[s];
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
    } else if (hi[s] - m > settings.steadyCounts || m - lo[s] > settings.steadyCounts) {
      why = LambdaReject::kUnsteady;
    } else if (locked[m] != 0) {
      why = LambdaReject::kLocked;
    }
    result.reject[s] = why;
    ++result.rejected[static_cast<int>(why)];
    if (why == LambdaReject::kAccepted) {
      acceptedSamples.push_back(static_cast<std::uint32_t>(s));
      ++count[m];
    }
  }
  result.accepted = static_cast<int>(acceptedSamples.size());
  result.rejected[0] = 0;

  // The accepted readings bucketed by cell.
  std::array<std::size_t, 257> offset{};
  for (int m = 0; m < 256; ++m) offset[m + 1] = offset[m] + count[m];
  std::vector<double> proposals(acceptedSamples.size());
  std::vector<double> lambdas(acceptedSamples.size());
  std::vector<double> outputs(acceptedSamples.size());
  std::vector<std::uint8_t> rich(acceptedSamples.size());
  {
    std::array<std::size_t, 256> fill{};
    for (int m = 0; m < 256; ++m) fill[m] = offset[m];
    for (const std::uint32_t s : acceptedSamples) {
      const int m = rec.maf[s];
      const std::size_t k = fill[m]++;
      outputs[k] = rec.output[s];
      if (wide) {
        const double lambda = lambdaOfCount[rec.o2[s + d]];
        const double kk = lambda / TargetLambda(m, settings);
        proposals[k] =
            settings.inverse ? (kk > 0 ? rec.output[s] / kk : 255.0) : rec.output[s] * kk;
        lambdas[k] = lambda;
      } else {
        rich[k] = NarrowRich(rec.o2[s + d]) ? 1 : 0;
      }
    }
  }

  const int minSamples = std::max(1, settings.minSamples);
  const int step = std::max(1, settings.narrowStep);
  for (int m = 0; m < 256; ++m) {
    LambdaCell& cell = result.cells[m];
    cell.n = count[m];
    if (cell.n == 0) continue;
    const std::size_t b = offset[m], e = offset[m + 1];
    cell.recordedValue = RoundHalfEvenDouble(Median(std::span<double>(outputs.data() + b, e - b)));
    if (wide) {
      cell.medianLambda = Median(std::span<double>(lambdas.data() + b, e - b));
      if (cell.n >= minSamples) {
        const double proposal = Median(std::span<double>(proposals.data() + b, e - b));
        cell.newValue = CappedValue(cell.recordedValue, RoundHalfEvenDouble(proposal), settings);
      }
    } else {
      int richCount = 0;
      for (std::size_t k = b; k < e; ++k) richCount += rich[k];
      cell.richShare = static_cast<double>(richCount) / cell.n;
      if (cell.n >= minSamples && SameLambda(TargetLambda(m, settings), 1.0)) {
        int move = 0;
        if (cell.richShare > 0.6) move = -step;  // leaner
        if (cell.richShare < 0.4) move = step;   // richer
        if (settings.inverse) move = -move;
        if (move != 0)
          cell.newValue = CappedValue(cell.recordedValue, cell.recordedValue + move, settings);
      }
    }
    if (cell.Changed()) ++result.cellsChanged;
  }

  // The mean error, before and as expected after.
  if (result.accepted > 0) {
    double before = 0, after = 0;
    for (const std::uint32_t s : acceptedSamples) {
      const int m = rec.maf[s];
      const LambdaCell& cell = result.cells[m];
      if (wide) {
        const double lambda = lambdaOfCount[rec.o2[s + d]];
        const double target = TargetLambda(m, settings);
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
    result.meanErrorBefore = before / result.accepted;
    result.meanErrorAfter = after / result.accepted;
  }
  return result;
}

namespace {

// |mean(x[t .. t + h - 1]) - mean(x[t - h .. t - 1])| for every t (0 where
// a window would leave the recording): a step detector centred on t.
std::vector<float> StepActivity(std::span<const std::uint8_t> x, int h) {
  const std::size_t n = x.size();
  std::vector<float> a(n, 0.0f);
  if (n < static_cast<std::size_t>(2 * h)) return a;
  std::vector<long> prefix(n + 1, 0);
  for (std::size_t t = 0; t < n; ++t) prefix[t + 1] = prefix[t] + x[t];
  for (std::size_t t = h; t + h <= n; ++t) {
    const long after = prefix[t + h] - prefix[t];
    const long before = prefix[t] - prefix[t - h];
    a[t] = static_cast<float>(std::fabs(static_cast<double>(after - before)) / h);
  }
  return a;
}

// Takes away the noise floor: values at or below it become 0, the rest
// keep what lies above it. The floor is `factor` x the median, at least
// `least`.
void RemoveFloor(std::vector<float>& a, double factor, double least) {
  if (a.empty()) return;
  std::vector<float> copy = a;
  const std::size_t mid = copy.size() / 2;
  std::nth_element(copy.begin(), copy.begin() + mid, copy.end());
  const double floor = std::max(least, factor * copy[mid]);
  for (float& v : a) v = v > floor ? static_cast<float>(v - floor) : 0.0f;
}

}  // namespace

DelayEstimate EstimateDelay(const LambdaRecording& rec, const LambdaSettings& settings,
                            int maxDelayMs) {
  DelayEstimate estimate;
  const std::size_t n = rec.Size();
  const int maxLag = std::max(0, maxDelayMs) / kLambdaSampleMs;
  if (maxLag < 1 || n < static_cast<std::size_t>(maxLag) + 100) return estimate;
  const std::size_t span = n - maxLag;

  // The steps: MAF steps above the noise (over 50 ms on either side) and
  // the enrichment's onsets, those closer than 200 ms joined.
  {
    std::vector<float> steps = StepActivity(rec.maf, 5);
    RemoveFloor(steps, 3.0, 3.0);
    int events = 0;
    long lastActive = -1000000;
    for (std::size_t t = 1; t < n; ++t) {
      const bool onset = rec.enrichment[t] > 128 && rec.enrichment[t - 1] <= 128;
      if (steps[t] == 0.0f && !onset) continue;
      if (static_cast<long>(t) - lastActive > 20) ++events;
      lastActive = static_cast<long>(t);
    }
    estimate.events = events;
  }
  if (estimate.events == 0) return estimate;

  // The reading's level: lambda for a wideband, volts for a narrowband.
  std::vector<double> level(256);
  for (int c = 0; c < 256; ++c)
    level[c] = settings.wideband
                   ? WidebandLambda(static_cast<std::uint8_t>(c), settings.scale, settings.stoich)
                   : c * 5.0 / 255.0;

  // What the mixture of sample t is made of, as far as the recording
  // tells: its MAF and the enrichment (in steps of 4 counts).
  constexpr int kEnrichmentLevels = 32;
  std::vector<std::uint16_t> key(span);
  for (std::size_t t = 0; t < span; ++t) {
    const int e = std::clamp(int(rec.enrichment[t]) - 128, 0, 127) / 4;
    key[t] = static_cast<std::uint16_t>(rec.maf[t] * kEnrichmentLevels + e);
  }

  // The readings left out: dead or railed ones, a wideband's leaner than
  // the fuel cut's, and those within 200 ms of them (the sensor's own way
  // to and from the rail).
  std::vector<std::uint8_t> usable(n, 1);
  {
    constexpr int kAround = 20;
    long lastBad = -1000000;
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint8_t o = rec.o2[i];
      const bool bad =
          o <= 2 || o >= 253 || (settings.wideband && level[o] > settings.fuelCutLambda);
      if (bad) {
        for (std::size_t j = i > kAround ? i - kAround : 0; j < i; ++j) usable[j] = 0;
        lastBad = static_cast<long>(i);
      }
      if (static_cast<long>(i) - lastBad <= kAround) usable[i] = 0;
    }
  }

  // Per lag: the share of the readings' variance left within the groups of
  // equal mixture when the reading of t + lag is given to sample t. At the
  // transport delay each group holds the readings of one mixture, so the
  // share is least. A long recording is taken every other sample.
  const std::size_t stride = span > 200'000 ? 2 : 1;
  std::vector<double> sum(256 * kEnrichmentLevels);
  std::vector<int> count(256 * kEnrichmentLevels);
  std::vector<std::uint16_t> used;
  used.reserve(sum.size());
  std::vector<double> share(maxLag + 1, -1.0);  // -1: not measured yet
  auto shareAt = [&](int lag) {
    if (share[lag] >= 0) return share[lag];
    double total = 0, total2 = 0;
    long readings = 0;
    const std::uint8_t* o2 = rec.o2.data() + lag;
    const std::uint8_t* ok = usable.data() + lag;
    for (std::size_t t = 0; t < span; t += stride) {
      if (!ok[t]) continue;
      const double v = level[o2[t]];
      const std::uint16_t k = key[t];
      if (count[k]++ == 0) used.push_back(k);
      sum[k] += v;
      total += v;
      total2 += v * v;
      ++readings;
    }
    double between = 0;
    for (const std::uint16_t k : used) {
      between += sum[k] * sum[k] / count[k];
      sum[k] = 0;
      count[k] = 0;
    }
    used.clear();
    share[lag] = 1.0;
    const double spread = readings > 1 ? total2 - total * total / readings : 0.0;
    if (spread > 1e-12) share[lag] = std::clamp((total2 - between) / spread, 0.0, 1.0);
    return share[lag];
  };

  // First every 40 ms: the dip and how it stands out; then every lag
  // around it, smoothed over +-20 ms.
  constexpr int kCoarse = 4;
  std::vector<int> coarseLags;
  for (int lag = 0; lag <= maxLag; lag += kCoarse) coarseLags.push_back(lag);
  if (coarseLags.back() != maxLag) coarseLags.push_back(maxLag);
  std::vector<double> coarse;
  for (const int lag : coarseLags) coarse.push_back(shareAt(lag));
  const int points = static_cast<int>(coarse.size());
  const int bestPoint =
      static_cast<int>(std::min_element(coarse.begin(), coarse.end()) - coarse.begin());
  const double worst = *std::max_element(coarse.begin(), coarse.end());
  const double depth = worst - coarse[bestPoint];
  // Less than 5 % of the variance explained by the choice of the lag: the
  // readings do not follow the steps.
  if (!(depth >= 0.05)) return estimate;

  const int from = std::max(0, coarseLags[bestPoint] - kCoarse - 2);
  const int to = std::min(maxLag, coarseLags[bestPoint] + kCoarse + 2);
  for (int lag = from; lag <= to; ++lag) shareAt(lag);
  int best = coarseLags[bestPoint];
  double bestSmooth = 2.0;
  for (int lag = std::max(0, coarseLags[bestPoint] - kCoarse);
       lag <= std::min(maxLag, coarseLags[bestPoint] + kCoarse); ++lag) {
    double s = 0;
    int k = 0;
    for (int j = std::max(from, lag - 2); j <= std::min(to, lag + 2); ++j, ++k) s += share[j];
    if (s / k < bestSmooth) {
      bestSmooth = s / k;
      best = lag;
    }
  }

  // Confidence: how far the best dip reaches below any other, outside its
  // own lobe (where the share stays in the lower half of the dip), and how
  // many steps it rests on (three or more count fully).
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
  estimate.found = true;
  estimate.delayMs = best * kLambdaSampleMs;
  estimate.confidence =
      std::clamp(1.0 - otherDepth / depth, 0.0, 1.0) * std::min(1.0, estimate.events / 3.0);
  return estimate;
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

}  // namespace zelor
