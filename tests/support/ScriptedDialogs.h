#pragma once
// Test stand-in for the program's message boxes, questions and file dialogs:
// records every message and question in order and answers each question,
// number dialog and file dialog from a queue (yes or no; a number, a path,
// or a cancel).

#include <QApplication>
#include <QGuiApplication>
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>

#include "ui/UserDialogs.h"

namespace zelor::testing {

class ScriptedDialogs final : public UserDialogs {
 public:
  ScriptedDialogs() { InstallDialogs(this); }
  ~ScriptedDialogs() override { InstallDialogs(nullptr); }

  void ShowMessage(QWidget* owner, const QString& text) override {
    messages.append(text);
    owners.append(owner);
    busyAtMessage.append(QGuiApplication::overrideCursor() != nullptr);
    coveredAtMessage.append(Covered(owner));
  }

  // Answers from the queue of replies; with none queued, the default button
  // (No).
  bool Ask(QWidget* owner, const QString& question) override {
    questions.append(question);
    questionOwners.append(owner);
    if (replies.empty()) return false;
    const bool yes = replies.front();
    replies.pop_front();
    return yes;
  }

  // Answers from the queue of numbers; with none queued, Cancel.
  std::optional<int> AskInteger(QWidget*, const QString& title, const QString& prompt, int value,
                                int min, int max) override {
    numberAsks.push_back({title, prompt, value, min, max});
    if (numbers.empty()) return std::nullopt;
    const std::optional<int> number = numbers.front();
    numbers.pop_front();
    return number;
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

  // Queues the reply to the next question.
  void Reply(bool yes) { replies.push_back(yes); }

  // Queues the answer to the next number dialog: a number, or nullopt to
  // cancel.
  void AnswerNumber(std::optional<int> number) { numbers.push_back(number); }

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

  struct NumberAsk {
    QString title;
    QString prompt;
    int value;
    int min;
    int max;
  };

  QStringList messages;
  // For each message: the window it was shown over, whether the busy cursor
  // was still on, and whether a window that stays on top of the others (not
  // the one it was shown over) was up and could hide it.
  QList<QWidget*> owners;
  QList<bool> busyAtMessage;
  QList<bool> coveredAtMessage;
  QStringList questions;
  QList<QWidget*> questionOwners;  // the window each question was asked over
  std::deque<bool> replies;
  QStringList openedAddresses;
  std::deque<std::optional<QString>> answers;
  std::vector<Question> asked;
  std::deque<std::optional<int>> numbers;
  std::vector<NumberAsk> numberAsks;

 private:
  static bool Covered(QWidget* owner) {
    const QWidget* below = owner ? owner->window() : nullptr;
    for (const QWidget* window : QApplication::topLevelWidgets()) {
      if (window != below && window->isVisible() &&
          window->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        return true;
    }
    return false;
  }
};

}  // namespace zelor::testing
