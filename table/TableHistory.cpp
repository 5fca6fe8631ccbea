#include "table/TableHistory.h"

#include <utility>

#include "table/CellText.h"

namespace zelor {

std::optional<std::array<std::uint8_t, kTableImageSize>> TableStateImage(const TableState& state) {
  std::array<std::uint8_t, kCellCount> cells{};
  for (std::size_t index = 0; index < kCellCount; ++index) {
    const std::optional<std::uint8_t> byte = CellByteOf(state.cells[index].toStdString());
    if (!byte) return std::nullopt;
    cells[index] = *byte;
  }
  return EncodeTableImage(cells, state.settings);
}

void TableHistory::Reset(const TableState& state) {
  committed_ = state;
  undo_.clear();
  redo_.clear();
}

bool TableHistory::Commit(const TableState& current) {
  if (current == committed_) return false;
  Push(undo_, std::exchange(committed_, current));
  redo_.clear();
  return true;
}

std::optional<TableState> TableHistory::Undo() { return Move(undo_, redo_); }

std::optional<TableState> TableHistory::Redo() { return Move(redo_, undo_); }

std::optional<TableState> TableHistory::Move(std::deque<TableState>& from,
                                             std::deque<TableState>& to) {
  if (from.empty()) return std::nullopt;
  Push(to, std::exchange(committed_, std::move(from.back())));
  from.pop_back();
  return committed_;
}

void TableHistory::Push(std::deque<TableState>& side, TableState state) {
  side.push_back(std::move(state));
  while (side.size() > depth_) side.pop_front();
}

}  // namespace zelor
