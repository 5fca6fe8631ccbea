#pragma once
// The state of learning from the log frame: the learned-cell flags (the
// LearnedCells) with their lock, the pending learn request that the next
// redraw of the log chart carries out, and the mode (MafConstCount). The
// log chart's redraw asks it for each plotted sample; the window shows the
// lock and the mode on the menu items.

#include <cstdint>
#include <optional>

#include "learn/FrameLearning.h"
#include "link/LogBuffer.h"
#include "table/TableHistory.h"

namespace zelor {

class FrameLearner : public LearnedMarks {
 public:
  // The learn command: the next redraw learns its frame.
  void Request() { request_ = true; }
  // One of the five modes: how many plotted samples in a row must share
  // their MAF value; it requests learning as the learn command does.
  void ChooseMafConstCount(int n) {
    mafConstCount_ = n;
    Request();
  }
  int MafConstCount() const { return mafConstCount_; }
  bool Requested() const { return request_; }
  // The redraw has carried the request out (or could not draw at all).
  void RequestDone() { request_ = false; }

  // Flips the lock; true when it is now on.
  bool ToggleLock() { return lock_ = !lock_; }
  bool LockOn() const { return lock_; }
  // With the lock on, a learned cell is neither learned again nor edited on
  // the log chart.
  bool CellLocked(int maf) const;

  // The frame-learning step for plotted sample i of a redraw with step.
  std::optional<FrameLearningWrite> LearnSample(const LogBuffer& log, std::int32_t i, int step) {
    return FrameLearningStep(log, i, step, mafConstCount_, cells_, lock_);
  }
  // A cell set by hand on the log chart counts as learned.
  void MarkLearned(int maf);
  void ResetAll() { cells_.fill(0); }

  const LearnedCellFlags& LearnedCells() const override { return cells_; }
  // A state taken back or forward in the table history.
  void SetLearnedCells(const LearnedCellFlags& cells) override { cells_ = cells; }

 private:
  LearnedCellFlags cells_{};
  bool lock_ = false;
  bool request_ = false;
  int mafConstCount_ = kMinMafConstCount;
};

}  // namespace zelor
