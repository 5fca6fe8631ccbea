#include "learn/LambdaLive.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "learn/LambdaFixDetail.h"
#include "link/LogBuffer.h"

namespace zelor {

LiveLambda::LiveLambda(const LambdaSettings& settings, const std::array<std::uint8_t, 256>& locked)
    : settings_(settings), locked_(locked) {
  delay_ = settings.delay.Samples();
  for (int c = 0; c < 256; ++c) {
    lambdaOf_[c] = settings.wideband ? WidebandLambda(static_cast<std::uint8_t>(c), settings.scale,
                                                      settings.stoich)
                                     : 0.0;
  }
  for (int m = 0; m < 256; ++m) targetOf_[m] = TargetLambda(m, settings);
  const FuelCutCounts counts = FuelCutCountsOf(settings);
  beyondCut_ = counts.beyondCut;
  pinned_ = counts.pinned;
  band_ = std::max(0.0, settings.bandPercent) / 100.0;
  fallPerTenth_ = settings.mafFallPerSecond * (kTenth / static_cast<double>(kSecond));
  const int longest = std::max(kTenth, *std::max_element(delay_.begin(), delay_.end()));
  maxPending_ = longest + kPinnedSamples;
  // The waiting samples, and the tenth before the oldest of them (the MAF's
  // fall is measured back to it).
  const std::size_t size = std::bit_ceil(static_cast<std::size_t>(maxPending_ + kTenth + 2));
  ring_.resize(size);
  mask_ = static_cast<std::int64_t>(size) - 1;
  const std::int64_t never = std::numeric_limits<std::int64_t>::min() / 2;
  lastEnrichment_ = lastFuelCut_ = lastAccepted_ = never;
}

void LiveLambda::Feed(const LambdaRecording& samples) {
  const std::size_t n = samples.Size();
  for (std::size_t k = 0; k < n; ++k) {
    Append({samples.output[k], samples.enrichment[k], samples.maf[k], samples.o2[k], 0});
    while (next_ < fed_ && Ready(next_)) Decide(next_++);
  }
}

// The fuel cut of each reading, as FuelCutReadings marks a recording's: a
// reading beyond the cut, or a member of a run of one count (give or take
// one, compared with the run's first) longer than kPinnedSamples on a
// pinned count. A run is known once it is that long: its members are marked
// then, and every later member as it comes.
void LiveLambda::Append(const Slot& slot) {
  const std::int64_t j = fed_++;
  Slot& s = At(j);
  s = slot;
  if (!settings_.wideband) return;
  s.cut = beyondCut_[slot.o2];
  if (std::abs(int(slot.o2) - int(runValue_)) > 1 || O2Dead(slot.o2)) {
    runStart_ = j;
    runValue_ = slot.o2;
    runFinal_ = runPinned_ = false;
  }
  if (runPinned_) {
    s.cut = 1;
  } else if (!runFinal_ && fed_ - runStart_ > kPinnedSamples) {
    runFinal_ = true;
    runPinned_ = pinned_[runValue_] != 0;
    if (runPinned_) {
      for (std::int64_t k = runStart_; k <= j; ++k) At(k).cut = 1;
    }
  }
}

bool LiveLambda::Ready(std::int64_t s) const {
  const int d = delay_[At(s).maf];
  const std::int64_t i = s + d;
  // The steady window MAF[s - 50 ms .. s + max(d, 100 ms)] (which holds
  // the 100 ms around s the reading's place and output are the means of),
  // and the readings up to 50 ms past the reading (the loop's swing reads
  // their mean).
  if (fed_ <= s + std::max(d, kTenth) || fed_ < i + kTenth / 2) return false;
  // The reading's fuel cut is known.
  return !settings_.wideband || i < runStart_ || runFinal_;
}

void LiveLambda::Decide(std::int64_t s) {
  const Slot& x = At(s);
  const int m = x.maf;
  const int d = delay_[m];
  const std::int64_t i = s + d;
  const std::uint8_t o2 = At(i).o2;
  // The trackers see every sample, whatever filter rejects it.
  if (x.enrichment != 128) lastEnrichment_ = s;
  bool cut = At(i).cut != 0;
  if (s >= kTenth && static_cast<double>(At(s - kTenth).maf) - m > fallPerTenth_) cut = true;
  if (cut) lastFuelCut_ = s;
  const bool counts = s >= since_[m];

  LambdaReject why = LambdaReject::kAccepted;
  if (O2Dead(o2)) {
    why = LambdaReject::kO2Dead;
  } else if (lastEnrichment_ >= s - kSecond) {
    why = LambdaReject::kEnrichment;
  } else if (lastFuelCut_ >= s - kSecond) {
    why = LambdaReject::kFuelCut;
  } else if (m < settings_.minMaf) {
    why = LambdaReject::kLowMaf;
  } else {
    int hi = m, lo = m;
    const std::int64_t end = s + std::max(d, kTenth);
    for (std::int64_t k = std::max<std::int64_t>(0, s - kTenth / 2); k <= end; ++k) {
      hi = std::max(hi, int(At(k).maf));
      lo = std::min(lo, int(At(k).maf));
    }
    if (hi - m > settings_.steadyCounts || m - lo > settings_.steadyCounts) {
      why = LambdaReject::kUnsteady;
      if (counts) ++readings_.unsteady[m];
    } else if (locked_[m] != 0) {
      why = LambdaReject::kLocked;
    } else if (settings_.wideband && std::fabs(lambdaOf_[o2] / targetOf_[m] - 1.0) > band_) {
      why = LambdaReject::kOutsideBand;
    }
  }
  if (why != LambdaReject::kAccepted) {
    ++rejected_[static_cast<int>(why)];
    return;
  }

  if (settings_.wideband) {
    // The place and the output over the 100 ms around s.
    const std::int64_t near = std::max<std::int64_t>(0, s - kTenth / 2);
    int mafSum = 0, outputSum = 0;
    for (std::int64_t k = near; k < s + kTenth / 2; ++k) {
      mafSum += At(k).maf;
      outputSum += At(k).output;
    }
    const double count = static_cast<double>(s + kTenth / 2 - near);
    if (counts) readings_.Add(m, mafSum / count, o2, x.output, outputSum / count);
    // The loop's swing, on the reading's mean over 100 ms (fewer readings
    // at the start); a stretch's first crossing counts once a second follows.
    if (s - lastAccepted_ > kSwingGap) swing_ = crossed_ = 0;
    lastAccepted_ = s;
    const std::int64_t from = std::max<std::int64_t>(0, i - kTenth / 2);
    int o2Sum = 0;
    for (std::int64_t k = from; k < i + kTenth / 2; ++k) o2Sum += At(k).o2;
    const double lambdaAt0 = lambdaOf_[0];
    const double lambdaPerCount = (lambdaOf_[255] - lambdaOf_[0]) / 255.0;
    const double mean = lambdaAt0 + lambdaPerCount * (static_cast<double>(o2Sum) /
                                                      static_cast<double>(i + kTenth / 2 - from));
    const int side = mean > 1.0 + kSwing ? 1 : mean < 1.0 - kSwing ? -1 : 0;
    if (side != 0) {
      if (swing_ == -side) {
        if (++crossed_ == 1) {
          firstCrossing_ = m;
          firstCrossingAt_ = s;
        }
        if (crossed_ == 2 && firstCrossingAt_ >= since_[firstCrossing_])
          ++readings_.crossings[firstCrossing_];
        if (crossed_ >= 2 && counts) ++readings_.crossings[m];
      }
      swing_ = side;
    }
  } else if (counts) {
    ++readings_.n[m];
    ++readings_.output[m * 256 + x.output];
    if (NarrowRich(o2)) ++readings_.rich[m];
  }
  if (counts) ++accepted_;
}

void LiveLambda::Restart(std::span<const int> cells, std::int64_t fromSample) {
  for (const int m : cells) {
    if (m < 0 || m > 255) continue;
    since_[m] = std::max(since_[m], fromSample);
    readings_.n[m] = readings_.rich[m] = readings_.crossings[m] = readings_.unsteady[m] = 0;
    readings_.fuelled[m] = 0;
    std::fill_n(readings_.o2.begin() + m * 256, 256, 0.0);
    std::fill_n(readings_.output.begin() + m * 256, 256, 0u);
  }
}

void LiveLambda::Propose(const std::array<int, 256>& table, LambdaResult& result) const {
  result.delay = settings_.delay;
  result.delaySamples = delay_;
  result.reject.clear();
  result.rejected = rejected_;
  result.accepted = accepted_;
  result.meanErrorBefore = result.meanErrorAfter = 0.0;
  ProposeLambda(readings_, table, locked_, settings_, result);
}

LambdaRecording LambdaLogReader::Read(const LogBuffer& log) {
  const std::int32_t count = log.Count();
  const std::int32_t n = std::max(0, count - next_);
  for (auto* channel : {&channels_.output, &channels_.enrichment, &channels_.maf, &channels_.o2})
    channel->resize(static_cast<std::size_t>(n));
  if (n > 0) {
    log.ReadChannel(LogChannel::ConverterOutput, next_, n, channels_.output.data());
    log.ReadChannel(LogChannel::Enrichment, next_, n, channels_.enrichment.data());
    log.ReadChannel(LogChannel::Maf, next_, n, channels_.maf.data());
    log.ReadChannel(LogChannel::O2, next_, n, channels_.o2.data());
    next_ = count;
  }
  return channels_.View();
}

}  // namespace zelor
