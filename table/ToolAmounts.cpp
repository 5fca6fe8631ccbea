#include "table/ToolAmounts.h"

#include "core/MessageTexts.h"
#include "ui/UserDialogs.h"

namespace zelor {
namespace {

std::optional<int> Ask(QWidget* parent, const MessageTexts& messages, OwnMessage title,
                       OwnMessage prompt, int& last, int min, int max) {
  const std::optional<int> amount =
      Dialogs().AskInteger(parent, messages.Own(title), messages.Own(prompt), last, min, max);
  if (amount) last = *amount;
  return amount;
}

}  // namespace

std::optional<int> ToolAmounts::AskAdd(QWidget* parent, const MessageTexts& messages) {
  return Ask(parent, messages, OwnMessage::kAddTitle, OwnMessage::kAddPrompt, add_, -kMaxAdd,
             kMaxAdd);
}

std::optional<int> ToolAmounts::AskPercent(QWidget* parent, const MessageTexts& messages) {
  return Ask(parent, messages, OwnMessage::kScaleTitle, OwnMessage::kScalePrompt, percent_, 0,
             kMaxPercent);
}

}  // namespace zelor
