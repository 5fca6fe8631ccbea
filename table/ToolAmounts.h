#pragma once
// The amounts "Прибавить…" and "Умножить…" ask for, each in a small dialog
// through the dialog seam (ui/UserDialogs): a whole number to add, -255..255,
// and a whole percentage to scale by, 0..1000. Each dialog starts at the
// amount last taken (0 and 100 at first), so a tool repeated in steps needs
// only OK; a cancel keeps it.

#include <optional>

class QWidget;

namespace zelor {

class MessageTexts;

class ToolAmounts {
 public:
  static constexpr int kMaxAdd = 255;
  static constexpr int kMaxPercent = 1000;

  // The amount taken, or nullopt when the user cancelled.
  std::optional<int> AskAdd(QWidget* parent, const MessageTexts& messages);
  std::optional<int> AskPercent(QWidget* parent, const MessageTexts& messages);

 private:
  int add_ = 0;
  int percent_ = 100;
};

}  // namespace zelor
