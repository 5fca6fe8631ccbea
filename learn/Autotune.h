#pragma once
// Autotune by lambda: the table follows the lambda while the car drives, in
// guarded steps. Plain logic, no Qt, no clock: the caller passes each
// tick's time, feeds the samples the stream stored, applies and sends the
// changes a push returns and says when the engine runs on them.
//
// What it guarantees:
//  - A push comes at most once per push interval: the first one interval
//    after the start, then every interval (a check that finds no cell ready
//    waits for the next); a rollback counts as one.
//  - A push changes only ready cells: those the proposal (ProposeLambda
//    over the live readings, as the correction from a recording makes it)
//    moves on readings of their own and their neighbours' (weighted as the
//    smoothing weighs them) of at least the settings' minSamples, not only
//    across a gap. Every cell's readings are those taken since its last
//    change (Restart), so each reading was taken on the value its cell has
//    now. Each moves toward the proposal by at
//    most the push's cap (min(capCounts, capPercent % of its value),
//    at least one count), never beyond the authority over the snapshot
//    taken at the start (authorityPercent % of the snapshot's value, at
//    least one count, within 0..255), and never further out when the tuner
//    put it beyond.
//  - Cells locked as learned and cells the analysis finds (or the tuner
//    names) closed loop never change.
//  - The snapshot stays what the table was at the start: Rollback gives it
//    back, whatever was pushed or corrected by hand.
//  - A cell's count starts again when the caller says the engine runs on a
//    new value of it (after a push went out, after the tuner's own edit):
//    Restart; until then a pushed cell keeps the readings of its old value.

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "learn/LambdaFix.h"
#include "learn/LambdaLive.h"

namespace zelor {

struct AutotuneSettings {
  int pushIntervalMs = 5000;
  // A push moves a cell by at most min(capCounts, capPercent % of its value
  // now, rounded down), at least one count.
  double capPercent = 3.0;
  int capCounts = 4;
  // No push takes a cell further than authorityPercent % of its snapshot's
  // value (rounded down, at least one count) from the snapshot.
  double authorityPercent = 15.0;
};

// A cell's state, for the panel.
enum class AutotuneState : std::uint8_t {
  kCollecting,  // gathering readings (or judged right); never changed
  kReady,       // the next push changes it
  kChanged,     // changed since the start, gathering again
  kAtLimit,     // it should move, but it is at the authority's limit
  kClosedLoop,  // the control unit's loop holds it: left alone
  kLocked,      // a learned cell under the lock: left alone
};

struct AutotuneCell {
  AutotuneState state = AutotuneState::kCollecting;
  int n = 0;                  // its own accepted readings since its last change
  double hits = 0.0;          // the readings its proposal rests on, neighbours' weighted
  double medianLambda = 0.0;  // wideband: the median lambda of its own; else 0
  int snapshot = 0;           // the table's value at the start
  int now = 0;                // the table's value now
  int next = 0;               // what the next push gives it (now when it stays)
};

struct AutotuneChange {
  int cell = 0;
  int from = 0;
  int to = 0;
  bool operator==(const AutotuneChange&) const = default;
};

// The cells' states and next values, of a proposal made against `table`
// (LiveLambda::Propose): a pure function, the push's rules above.
std::array<AutotuneCell, 256> PlanAutotune(const LambdaResult& proposal,
                                           const std::array<int, 256>& table,
                                           const std::array<int, 256>& snapshot,
                                           const std::array<std::uint8_t, 256>& locked,
                                           int minSamples, const AutotuneSettings& settings);

class Autotune {
 public:
  // The snapshot is `table`; `locked` and the lambda settings (the delay
  // curve among them) hold for the whole run.
  Autotune(const std::array<int, 256>& table, const std::array<std::uint8_t, 256>& locked,
           const LambdaSettings& lambda, const AutotuneSettings& settings, std::int64_t startMs);

  // The samples the stream stored since the last feed.
  void Feed(const LambdaRecording& samples) { live_.Feed(samples); }
  std::int64_t Fed() const { return live_.Fed(); }

  // At a tick: when a push is due, the changes to make now (their cells
  // then go to the converter); none when it is not due or no cell is ready.
  std::vector<AutotuneChange> Push(std::int64_t nowMs, const std::array<int, 256>& table);
  // Whether Push at nowMs would look at the cells at all: the table need
  // not be read before.
  bool PushDue(std::int64_t nowMs) const {
    return nowMs - lastCheckMs_ >= std::max(1, settings_.pushIntervalMs);
  }

  // The engine runs on new values of these cells from sample `fromSample`
  // on (a number of samples fed): their counts start again.
  void Restart(std::span<const int> cells, std::int64_t fromSample) {
    live_.Restart(cells, fromSample);
  }

  // The changes that put the snapshot back (the cells that differ from it),
  // counted as a push at nowMs.
  std::vector<AutotuneChange> Rollback(std::int64_t nowMs, const std::array<int, 256>& table);

  // Every cell's state for the panel, from a fresh proposal against `table`
  // (about a millisecond: not every tick; once a second is plenty).
  std::array<AutotuneCell, 256> Cells(const std::array<int, 256>& table);

  const std::array<int, 256>& Snapshot() const { return snapshot_; }
  // The time of the last push that changed cells (or of the rollback).
  std::optional<std::int64_t> LastPushMs() const { return lastPushMs_; }
  // The analysis under it: its delay, its readings and their counts.
  const LiveLambda& Analysis() const { return live_; }

 private:
  LiveLambda live_;
  AutotuneSettings settings_;
  std::array<int, 256> snapshot_{};
  std::int64_t lastCheckMs_ = 0;
  std::optional<std::int64_t> lastPushMs_;
  LambdaResult proposal_;
};

}  // namespace zelor
