#pragma once
// Which grid cells the converter does not hold yet. The grid is compared
// with the converter's copy of the table (the bytes last read from it, or
// last written and verified): a cell whose byte differs is unwritten, a cell
// whose text the table write would refuse is invalid. Before there is a copy
// nothing is unwritten, for there is nothing to compare with; invalid cells
// are invalid all the same.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace zelor {

enum class CellMark : std::uint8_t {
  kUnchanged,  // the converter's byte, or no copy to compare with
  kDiffers,    // a byte the converter does not hold
  kInvalid,    // not a byte: not an integer, or outside 0..255
};

// The mark of a cell holding text against the converter's byte for it (none
// before the converter's table is known).
CellMark MarkCell(std::string_view text, std::optional<std::uint8_t> copy);

// The marks of the 256 cells and their counts, kept cell by cell.
class CellMarks {
 public:
  // Marks cell index (0..255) by its text; true when its mark changed.
  bool Update(int index, std::string_view text);
  // Takes the converter's copy of the table. The marks stand until each
  // cell is updated anew.
  void SetCopy(std::span<const std::uint8_t, 256> copy);
  // Drops the copy: the converter it came from is no longer the one at the
  // port. The marks stand until each cell is updated anew.
  void ForgetCopy() { copy_.reset(); }

  bool HasCopy() const { return copy_.has_value(); }
  CellMark Mark(int index) const { return marks_.at(index); }
  // How many cells carry mark.
  int Count(CellMark mark) const { return counts_[static_cast<int>(mark)]; }
  // How many cells the converter does not hold: those that differ and,
  // once its copy is known, those that are no byte at all (0 before).
  int Unwritten() const {
    return HasCopy() ? Count(CellMark::kDiffers) + Count(CellMark::kInvalid) : 0;
  }

 private:
  std::optional<std::array<std::uint8_t, 256>> copy_;
  std::array<CellMark, 256> marks_{};
  std::array<int, 3> counts_{256, 0, 0};
};

}  // namespace zelor
