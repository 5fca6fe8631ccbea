#include "link/ConverterTransfer.h"

#include <algorithm>

namespace zelor {

void ConverterTransfer::Choose(const std::string& name) {
  if (!name.empty()) port_.SetPortName(name);
  port_.Open();
  portChosen_ = true;
}

TableRead ConverterTransfer::ReadTable() {
  TableRead read = link_.ReadTableReply();
  std::copy_n(read.reply.begin(), read.received, receiveBuffer_.begin());
  if (read.Complete()) tableKnown_ = true;
  return read;
}

void ConverterTransfer::WriteTable(std::span<const std::uint8_t, 256> cells) {
  // The mirror first: a write that fails halfway may have reached the
  // converter all the same.
  std::copy(cells.begin(), cells.end(), receiveBuffer_.begin());
  link_.WriteTable(cells);
  verifyTicks_ = 0;
}

TableReadBack ConverterTransfer::ReadBack() {
  TableReadBack back = link_.ReadBack(TableMirror());
  if (back.Verified()) tableKnown_ = true;
  return back;
}

}  // namespace zelor
