#pragma once
// The tuner's tools over the replacement table: interpolate, smooth, add,
// scale and fill the gaps a recording left. They work on the cells the
// grid's selection holds, in MAF order, and compute what to write; the grid
// writes it. Each result is clamped to 0..255 and only the cells whose value
// it changes are listed, so the number of writes is the number of cells
// changed.
//
// Cells are read as the table write reads them (ParseInteger, table/CellText):
// a cell the tool works on that is not a number refuses the whole tool with
// "'<text>' is not a valid integer value" before anything is computed. A
// number outside 0..255 is read as it is; the tool's result for that cell is
// clamped like every other (so adding 0 to "300" writes 255).

#include <QString>
#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <vector>

namespace zelor {

// One cell a tool writes: its MAF index and its new value.
struct CellWrite {
  int index = 0;
  std::uint8_t value = 0;
  friend bool operator==(const CellWrite&, const CellWrite&) = default;
};

// The cells a tool changes, ascending index; size() is how many changed.
using CellWrites = std::vector<CellWrite>;

// The grid's 256 cells and its selection, as every tool reads them.
class SelectedCells {
 public:
  // texts: the 256 cell texts in MAF order (TableState::cells); selection:
  // the selected MAF indices, ascending, each once (std::invalid_argument
  // otherwise). Every cell of Target() must be a number: the first that is
  // not throws ParseInteger's ConversionError, naming its text, with the
  // cell's place in table (the object holding the texts).
  SelectedCells(const std::array<QString, 256>& texts, std::vector<int> selection,
                const void* table = nullptr);

  // The selected indices, ascending; may be empty.
  const std::vector<int>& Selection() const { return selection_; }

  // The selection, or all 256 cells when nothing is selected.
  std::vector<int> Target() const;

  // The value of cell index. A cell outside Target() that is not a number
  // throws ParseInteger's ConversionError, naming its text, when read.
  int Value(int index) const;

 private:
  std::array<QString, 256> texts_;
  std::array<std::optional<int>, 256> values_;
  std::vector<int> selection_;
  const void* table_;
};

// "Интерполировать": each selected cell strictly between the first and the
// last selected cell takes the straight line between those two (over the
// MAF index), rounded halves to even. Unselected cells in between stay.
CellWrites InterpolateCells(const SelectedCells& cells);

// "Сгладить": each selected cell but the first and the last takes the mean
// of itself and its neighbours in the selection (the selected cells just
// before and after it in MAF order), rounded halves to even. All means are
// taken of the values before the tool, never of cells it already smoothed,
// so the result does not drift towards one end.
CellWrites SmoothCells(const SelectedCells& cells);

// "Прибавить": every selected cell plus n.
CellWrites AddToCells(const SelectedCells& cells, int n);

// "Умножить": every selected cell times percent / 100, rounded halves to
// even (a negative percentage gives 0).
CellWrites ScaleCells(const SelectedCells& cells, int percent);

// "Заполнить пропуски": each cell of the target (the selection, or the whole
// table when nothing is selected) that holds no sample (covered false) and
// has a covered cell somewhere before it and one after it takes the straight
// line between the nearest such cells, rounded halves to even. The two
// covered cells may lie outside the selection: they are read wherever they
// are. Cells before the first covered cell and after the last stay.
CellWrites FillGaps(const SelectedCells& cells, const std::bitset<256>& covered);

}  // namespace zelor
