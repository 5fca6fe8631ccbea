#include "table/UnwrittenCells.h"

#include <algorithm>

#include "table/CellText.h"

namespace zelor {

CellMark MarkCell(std::string_view text, std::optional<std::uint8_t> copy) {
  const std::optional<std::uint8_t> byte = CellByteOf(text);
  if (!byte) return CellMark::kInvalid;
  return copy && *copy != *byte ? CellMark::kDiffers : CellMark::kUnchanged;
}

bool CellMarks::Update(int index, std::string_view text) {
  const CellMark mark =
      MarkCell(text, copy_ ? std::optional<std::uint8_t>((*copy_)[index]) : std::nullopt);
  CellMark& old = marks_.at(index);
  if (mark == old) return false;
  --counts_[static_cast<int>(old)];
  ++counts_[static_cast<int>(mark)];
  old = mark;
  return true;
}

void CellMarks::SetCopy(std::span<const std::uint8_t, 256> copy) {
  copy_.emplace();
  std::copy(copy.begin(), copy.end(), copy_->begin());
}

}  // namespace zelor
