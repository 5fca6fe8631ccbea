#pragma once
// The lambda correction's first stage fed live: each tick hands it the
// samples the stream stored since the last one, and it gathers the same
// per-cell readings (LambdaCellReadings) the analysis of a recording
// (AnalyseLambda) gathers, so that ProposeLambda makes the same cells of
// them.
//
// What it guarantees:
//  - Every sample fed is decided once, in the order fed, by the analysis's
//    own filters and rules: the reading of sample s is O2[s + d(MAF[s])]
//    with the delay curve of the settings; the steady window, the enrichment
//    and fuel-cut seconds, a pinned reading, the band, the spread and the
//    loop's swings are judged as the recording's pass judges them.
//  - A sample waits only while something it depends on has not come yet
//    (its reading and the few after it whose mean tells the loop's swing,
//    the steady window, a run of one O2 count that may still turn out
//    pinned), so at most MaxPending() samples wait at any time; however the
//    samples are split into feeds, each is decided as soon as it can be,
//    and alike.
//  - Fed a recording in any chunks, with no Restart between, its readings
//    are those AnalyseLambda gathers from that recording, save the samples
//    still waiting at its end (the recording's pass decides those with what
//    its end leaves it: a shorter steady window, no reading). A test holds
//    the two to the same cells.
//  - Restart makes cells collect afresh (the engine runs on new values of
//    them): their readings are cleared, and those of their samples taken
//    before the restart's sample that are still waiting do not count for
//    them. The trackers (enrichment, fuel cut, the loop's swing) run on.
//
// The delay curve, the filters' settings and the locked cells hold for the
// analyser's life; other settings make a new one. The delay is not
// estimated live: it is the curve the settings carry (the tuner's choice,
// or the last estimate made from a recording).
//
// Memory and time: a ring of the last few hundred samples besides the
// readings (as the recording's analysis holds them); per sample a pass over
// its windows (bench_lambda_live), nothing per tick beyond the samples it
// brings. A proposal (Propose) goes over every cell's readings: about a
// millisecond, to be made per push, not per tick.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "learn/LambdaFix.h"

namespace zelor {

class LogBuffer;

class LiveLambda {
 public:
  // `locked`: a flag per cell left alone (its samples are rejected as
  // locked), as AnalyseLambda takes it.
  LiveLambda(const LambdaSettings& settings, const std::array<std::uint8_t, 256>& locked);

  // The next samples, in order: those after the ones fed before.
  void Feed(const LambdaRecording& samples);

  // These cells collect afresh from sample `fromSample` on (a number of
  // samples fed: Fed() when the engine began to run on their new values).
  // Cells outside 0..255 are ignored.
  void Restart(std::span<const int> cells, std::int64_t fromSample);

  // The cells as the analysis makes them of the readings gathered so far:
  // ProposeLambda against `table`, with the delay, the delay per cell and
  // the counts of the samples decided (accepted: the readings gathered;
  // rejects by kind, none as closed loop: those are told per cell).
  void Propose(const std::array<int, 256>& table, LambdaResult& result) const;

  const LambdaCellReadings& Readings() const { return readings_; }
  const LambdaSettings& Settings() const { return settings_; }
  const std::array<std::uint8_t, 256>& Locked() const { return locked_; }
  // Samples fed, and decided (the first Decided() of them); the rest wait.
  std::int64_t Fed() const { return fed_; }
  std::int64_t Decided() const { return next_; }
  // The most samples that ever wait: the longest delay (at least 100 ms)
  // plus the time a run of one O2 count takes to show pinned.
  int MaxPending() const { return maxPending_; }

 private:
  struct Slot {
    std::uint8_t output = 0, enrichment = 128, maf = 0, o2 = 0;
    std::uint8_t cut = 0;  // the reading is a fuel cut (lean beyond, or pinned)
  };
  Slot& At(std::int64_t sample) { return ring_[static_cast<std::size_t>(sample & mask_)]; }
  const Slot& At(std::int64_t sample) const {
    return ring_[static_cast<std::size_t>(sample & mask_)];
  }
  void Append(const Slot& slot);
  bool Ready(std::int64_t s) const;
  void Decide(std::int64_t s);

  LambdaSettings settings_;
  std::array<std::uint8_t, 256> locked_{};
  std::array<int, 256> delay_{};  // per cell, in samples
  std::array<double, 256> lambdaOf_{};
  std::array<double, 256> targetOf_{};
  std::array<std::uint8_t, 256> beyondCut_{}, pinned_{};  // see FuelCutCounts
  double band_ = 0, fallPerTenth_ = 0;
  int maxPending_ = 0;

  std::vector<Slot> ring_;
  std::int64_t mask_ = 0;
  std::int64_t fed_ = 0, next_ = 0;

  // The run of one O2 count (give or take one) the newest reading belongs
  // to; `runFinal` once it is long enough to be known pinned or not.
  std::int64_t runStart_ = 0;
  std::uint8_t runValue_ = 0;
  bool runFinal_ = false, runPinned_ = false;

  // The trackers, at the samples decided.
  std::int64_t lastEnrichment_, lastFuelCut_, lastAccepted_;
  int swing_ = 0;
  int crossed_ = 0;        // crossings in this stretch of readings
  int firstCrossing_ = 0;  // the cell of its first, and its sample
  std::int64_t firstCrossingAt_ = 0;

  LambdaCellReadings readings_;
  std::array<std::int64_t, 256> since_{};  // a cell's readings count from this sample on
  std::array<int, kLambdaRejectKinds> rejected_{};
  int accepted_ = 0;
};

// Reads what a LogBuffer published since the last read: the slots from a
// first one (the stream's count when live analysis began) up to the count
// the reader published, as the four channels the analysis reads, kept in
// buffers of its own; so every sample is read once, however seldom the
// ticks come. Slots below the count never change while the run lasts; a
// new run (the count set again) needs a new reader. The recording's cap
// ends what it can read: the frames past it are not kept in slots.
class LambdaLogReader {
 public:
  explicit LambdaLogReader(std::int32_t firstSlot) : next_(firstSlot) {}
  // The slots next .. log.Count() - 1 (none when the count is not above).
  LambdaRecording Read(const LogBuffer& log);
  std::int32_t Next() const { return next_; }

 private:
  std::int32_t next_;
  LambdaChannels channels_;
};

}  // namespace zelor
