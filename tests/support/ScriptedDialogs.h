#pragma once
// Test stand-in for the program's message boxes and file dialogs: records
// every message in order and answers each file dialog from a queue (a path,
// or a cancel).

#include <QGuiApplication>
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>

#include "app/UserDialogs.h"

namespace zelor::testing {

class ScriptedDialogs final : public UserDialogs {
 public:
  ScriptedDialogs() { InstallDialogs(this); }
  ~ScriptedDialogs() override { InstallDialogs(nullptr); }

  void ShowMessage(QWidget* owner, const QString& text) override {
    messages.append(text);
    owners.append(owner);
    busyAtMessage.append(QGuiApplication::overrideCursor() != nullptr);
  }

  std::optional<QString> AskFileName(QWidget*, FileDialogKind kind, const QString& filter,
                                     const QString& currentName) override {
    asked.push_back({kind, filter, currentName});
    if (answers.empty()) return std::nullopt;
    std::optional<QString> answer = answers.front();
    answers.pop_front();
    return answer;
  }

  void OpenAddress(const QString& address) override { openedAddresses.append(address); }

  // Queues the answer to the next file dialog: a path, or nullopt to cancel.
  void Answer(std::optional<QString> path) { answers.push_back(std::move(path)); }

  // Takes and returns the messages shown so far.
  QStringList TakeMessages() {
    QStringList taken = messages;
    messages.clear();
    return taken;
  }

  struct Question {
    FileDialogKind kind;
    QString filter;
    QString currentName;
  };

  QStringList messages;
  // For each message: the window it was shown over, and whether the busy
  // cursor was still on.
  QList<QWidget*> owners;
  QList<bool> busyAtMessage;
  QStringList openedAddresses;
  std::deque<std::optional<QString>> answers;
  std::vector<Question> asked;
};

}  // namespace zelor::testing
