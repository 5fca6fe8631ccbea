#include "learn/Autotune.h"

#include <algorithm>
#include <cmath>

namespace zelor {

namespace {

// percent % of value, rounded down, at least one count.
int CountsOf(double percent, int value) {
  return std::max(1, static_cast<int>(std::floor(std::max(0.0, percent) * value / 100.0 + 1e-9)));
}

}  // namespace

std::array<AutotuneCell, 256> PlanAutotune(const LambdaResult& proposal,
                                           const std::array<int, 256>& table,
                                           const std::array<int, 256>& snapshot,
                                           const std::array<std::uint8_t, 256>& locked,
                                           int minSamples, const AutotuneSettings& settings) {
  using State = AutotuneState;
  std::array<AutotuneCell, 256> cells;
  for (int m = 0; m < 256; ++m) {
    const LambdaCell& p = proposal.cells[m];
    AutotuneCell& cell = cells[m];
    cell.n = p.n;
    cell.hits = p.hits;
    cell.medianLambda = p.medianLambda;
    cell.snapshot = snapshot[m];
    cell.now = std::clamp(table[m], 0, 255);
    cell.next = cell.now;
    if (locked[m] != 0) {
      cell.state = State::kLocked;
      continue;
    }
    if (p.state == LambdaCellState::kClosedLoop) {
      cell.state = State::kClosedLoop;
      continue;
    }
    // Moved by its readings, not only across a gap.
    if (p.state == LambdaCellState::kChanged && p.hits >= std::max(1, minSamples)) {
      const int cap = std::max(
          1, std::min(std::max(0, settings.capCounts), CountsOf(settings.capPercent, cell.now)));
      const int step = std::clamp(p.newValue - cell.now, -cap, cap);
      const int authority = CountsOf(settings.authorityPercent, cell.snapshot);
      const int high = std::min(255, cell.snapshot + authority);
      const int low = std::max(0, cell.snapshot - authority);
      int next = cell.now + step;
      next = step > 0 ? std::min(next, std::max(cell.now, high))
                      : std::max(next, std::min(cell.now, low));
      cell.next = next;
      cell.state = next != cell.now ? State::kReady : State::kAtLimit;
      continue;
    }
    cell.state = cell.now != cell.snapshot ? State::kChanged : State::kCollecting;
  }
  return cells;
}

Autotune::Autotune(const std::array<int, 256>& table, const std::array<std::uint8_t, 256>& locked,
                   const LambdaSettings& lambda, const AutotuneSettings& settings,
                   std::int64_t startMs)
    : live_(lambda, locked), settings_(settings), lastCheckMs_(startMs) {
  for (int m = 0; m < 256; ++m) snapshot_[m] = std::clamp(table[m], 0, 255);
}

std::array<AutotuneCell, 256> Autotune::Cells(const std::array<int, 256>& table) {
  live_.Propose(table, proposal_);
  return PlanAutotune(proposal_, table, snapshot_, live_.Locked(), live_.Settings().minSamples,
                      settings_);
}

std::vector<AutotuneChange> Autotune::Push(std::int64_t nowMs, const std::array<int, 256>& table) {
  std::vector<AutotuneChange> changes;
  if (!PushDue(nowMs)) return changes;
  lastCheckMs_ = nowMs;
  const std::array<AutotuneCell, 256> cells = Cells(table);
  for (int m = 0; m < 256; ++m) {
    if (cells[m].state == AutotuneState::kReady)
      changes.push_back({m, cells[m].now, cells[m].next});
  }
  if (!changes.empty()) lastPushMs_ = nowMs;
  return changes;
}

std::vector<AutotuneChange> Autotune::Rollback(std::int64_t nowMs,
                                               const std::array<int, 256>& table) {
  std::vector<AutotuneChange> changes;
  for (int m = 0; m < 256; ++m) {
    const int now = std::clamp(table[m], 0, 255);
    if (now != snapshot_[m]) changes.push_back({m, now, snapshot_[m]});
  }
  lastCheckMs_ = nowMs;
  if (!changes.empty()) lastPushMs_ = nowMs;
  return changes;
}

}  // namespace zelor
