#include "table/TableTools.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <stdexcept>
#include <string>
#include <utility>

#include "table/CellText.h"
#include "table/TableImage.h"

namespace zelor {
namespace {

// Appends the write of cell i when v, clamped to 0..255, differs from what
// the cell holds.
void Put(CellWrites& writes, const SelectedCells& cells, int i, std::int64_t v) {
  const auto value = static_cast<int>(std::clamp<std::int64_t>(v, 0, 255));
  if (value != cells.Value(i)) writes.push_back({i, static_cast<std::uint8_t>(value)});
}

// The straight line through (x0, y0) and (x1, y1), x0 < x1, at x, rounded
// halves to even: exact for every int.
std::int64_t LineAt(int x0, std::int64_t y0, int x1, std::int64_t y1, int x) {
  return RoundHalfEven(y0 * (x1 - x0) + (y1 - y0) * (x - x0), x1 - x0);
}

}  // namespace

SelectedCells::SelectedCells(const std::array<QString, 256>& texts, std::vector<int> selection,
                             const void* table)
    : texts_(texts), selection_(std::move(selection)), table_(table) {
  for (std::size_t k = 0; k < selection_.size(); ++k) {
    const int i = selection_[k];
    if (i < 0 || i > 255 || (k > 0 && i <= selection_[k - 1]))
      throw std::invalid_argument("selection not ascending within 0..255 at " + std::to_string(i));
  }
  for (int i = 0; i < 256; ++i) values_[i] = IntegerOf(texts_[i].toStdString());
  for (const int i : Target()) Value(i);  // the first bad cell refuses the tool
}

std::vector<int> SelectedCells::Target() const {
  if (!selection_.empty()) return selection_;
  std::vector<int> all(256);
  std::iota(all.begin(), all.end(), 0);
  return all;
}

int SelectedCells::Value(int index) const {
  const std::optional<int>& value = values_.at(static_cast<std::size_t>(index));
  return value ? *value : ParseInteger(texts_[index].toStdString(), {table_, index});
}

CellWrites InterpolateCells(const SelectedCells& cells) {
  CellWrites writes;
  const std::vector<int>& s = cells.Selection();
  if (s.size() < 3) return writes;
  const int first = s.front();
  const int last = s.back();
  for (std::size_t k = 1; k + 1 < s.size(); ++k)
    Put(writes, cells, s[k], LineAt(first, cells.Value(first), last, cells.Value(last), s[k]));
  return writes;
}

CellWrites SmoothCells(const SelectedCells& cells) {
  CellWrites writes;
  const std::vector<int>& s = cells.Selection();
  for (std::size_t k = 1; k + 1 < s.size(); ++k) {
    const std::int64_t sum =
        std::int64_t{cells.Value(s[k - 1])} + cells.Value(s[k]) + cells.Value(s[k + 1]);
    Put(writes, cells, s[k], RoundHalfEven(sum, 3));
  }
  return writes;
}

CellWrites AddToCells(const SelectedCells& cells, int n) {
  CellWrites writes;
  for (const int i : cells.Selection()) Put(writes, cells, i, std::int64_t{cells.Value(i)} + n);
  return writes;
}

CellWrites ScaleCells(const SelectedCells& cells, int percent) {
  CellWrites writes;
  for (const int i : cells.Selection())
    Put(writes, cells, i, RoundHalfEven(std::int64_t{cells.Value(i)} * percent, 100));
  return writes;
}

CellWrites FillGaps(const SelectedCells& cells, const std::bitset<256>& covered) {
  CellWrites writes;
  // The nearest covered cell at or before each index, -1 when none.
  std::array<int, 256> before{};
  for (int i = 0, last = -1; i < 256; ++i) before[i] = last = covered[i] ? i : last;
  int after = -1;  // the nearest covered cell after the cell in hand
  for (const int i : cells.Target()) {
    if (covered[i] || before[i] < 0) continue;
    if (after <= i) {
      after = i + 1;
      while (after < 256 && !covered[after]) ++after;
    }
    if (after > 255) break;  // no covered cell after this one, nor after the rest
    const int b = before[i];
    Put(writes, cells, i, LineAt(b, cells.Value(b), after, cells.Value(after), i));
  }
  return writes;
}

}  // namespace zelor
