#pragma once
// The undo history of the replacement table. The grid stays the one store of
// the table; the history keeps only the states that steps replaced, as the
// grid shows them (the 256 cell texts, bad ones too, and the six settings),
// with the learned marks of the cells.
//
// It works by commits: the history knows the state the table had at its last
// commit (or undo, or redo). A commit with a different table records one
// step, which takes the table back to that state; a commit with the same
// table records nothing. So whatever changed the table between two commits
// (a command, a whole drag, a live-learning run) is one step.

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <utility>

#include "table/TableImage.h"
#include "table/TableSettings.h"

namespace zelor {

// The table as the grid and the settings boxes show it, with the cells'
// learned marks (the log chart's LearnedCells), which belong to the cells
// they mark: a step that changes either is taken back whole.
struct TableState {
  std::array<QString, 256> cells;
  TableSettings settings;
  std::array<std::uint8_t, 256> learned{};

  friend bool operator==(const TableState&, const TableState&) = default;
};

// Where the learned marks of a state live (the log chart's FrameLearner,
// learn/): read at a commit, set when a state is taken back or forward.
class LearnedMarks {
 public:
  virtual const std::array<std::uint8_t, 256>& LearnedCells() const = 0;
  virtual void SetLearnedCells(const std::array<std::uint8_t, 256>& cells) = 0;

 protected:
  ~LearnedMarks() = default;
};

// The TableImage of a state (its cells and settings as a .tab file holds
// them); none while a cell holds no byte (not an integer, or outside 0..255).
std::optional<std::array<std::uint8_t, kTableImageSize>> TableStateImage(const TableState& state);

class TableHistory {
 public:
  // Steps kept on each side by default; the oldest are dropped beyond it.
  static constexpr std::size_t kDefaultDepth = 200;

  explicit TableHistory(std::size_t depth = kDefaultDepth) : depth_(depth) {}

  // Starts over at state, with nothing to undo or redo.
  void Reset(const TableState& state);

  // Records a step when current differs from the state at the last commit:
  // that state becomes the newest undo step and the redo side is emptied.
  // True when a step was recorded.
  bool Commit(const TableState& current);

  // True when current differs from the state at the last commit: a commit
  // now would record a step.
  bool Pending(const TableState& current) const { return current != committed_; }
  // The state at the last commit, undo or redo.
  const TableState& Committed() const { return committed_; }

  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  std::size_t UndoCount() const { return undo_.size(); }
  std::size_t RedoCount() const { return redo_.size(); }

  // Takes back the newest step: gives the state to show, which is the new
  // committed state; the replaced one goes to the redo side. Nothing when
  // there is no step. Commit first, so that pending changes are a step.
  std::optional<TableState> Undo();
  // Redoes the newest step taken back, the same way round.
  std::optional<TableState> Redo();

 private:
  // Moves the committed state onto to, and makes the newest of from the
  // committed state.
  std::optional<TableState> Move(std::deque<TableState>& from, std::deque<TableState>& to);
  void Push(std::deque<TableState>& side, TableState state);

  std::size_t depth_;
  TableState committed_;
  std::deque<TableState> undo_;
  std::deque<TableState> redo_;
};

// Commits at its start and at its end, however the scope ends: what changes
// the table while it lives is one step, and changes made before it (a
// live-learning run so far) are committed first.
class TableStepScope {
 public:
  explicit TableStepScope(std::function<void()> commit) : commit_(std::move(commit)) { commit_(); }
  ~TableStepScope() { commit_(); }
  TableStepScope(const TableStepScope&) = delete;
  TableStepScope& operator=(const TableStepScope&) = delete;

 private:
  const std::function<void()> commit_;
};

}  // namespace zelor
