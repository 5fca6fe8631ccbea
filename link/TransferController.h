#pragma once
// The converter's table transfer bound to the window: the port's choice, the
// table read with the firmware query, the table write and its read-back
// verification after six seconds of ticks, and what the status block shows of
// the converter. It owns the converter on the port chosen (ConverterTransfer)
// and writes the results into the table's model, the grid page and the
// progress window; it tells what happened by its signals, and asks the
// window of the run, which lies above it, through its hooks.

#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "link/ConverterTransfer.h"
#include "link/StatusBlock.h"

class QTimer;
class QWidget;

namespace zelor {

class GridPage;
class MessageTexts;
class ProgressWindow;
class TableModel;

// What the controller asks the window, and the run's parts it has carried
// out before it goes on.
struct TransferHooks {
  // The progress window; none while the window has none.
  std::function<ProgressWindow*()> progress;
  // True while a run streams: the transfer is refused then.
  std::function<bool()> streaming;
  // Waits until the last run has ended on the line (StreamRun::AwaitStreamEnd):
  // its reader and the converter's last frames would take or precede a reply.
  std::function<void()> awaitStreamEnd;
  // The run's part of leaving a port (see StreamRun::LeavePort).
  std::function<void()> leavePort;
};

class TransferController : public QObject {
  Q_OBJECT
 public:
  // verifyTimer ticks the write's verification; its timeout is the window's
  // to connect (to Tick). owner owns the question asked before a table never
  // read is written. The references must outlive the controller.
  TransferController(GridPage& grid, QTimer& verifyTimer, const MessageTexts& messages,
                     QWidget* owner, TransferHooks hooks);
  TransferController(const TransferController&) = delete;
  TransferController& operator=(const TransferController&) = delete;

  ConverterTransfer& Converter() { return converter_; }
  const ConverterTransfer& Converter() const { return converter_; }

  // Leaves the port chosen (nothing of its converter stays known, a run on
  // it is left), opens the one named (the port's current name when empty)
  // and reads its table. A port that cannot be opened raises its
  // SerialPortError.
  void ChoosePort(const std::string& name);
  // Reads the table into the grid, then the firmware version into its label.
  void Read();
  // Checks every cell, writes the table and starts the verification's ticks.
  void Write();
  // One tick of the verification; the last reads the table back and tells
  // whether the converter holds what was sent.
  void Tick();

  // The port, the firmware and the cells the converter does not hold; the
  // run's part is left to the caller.
  LinkStatus Status() const;

 signals:
  // A message for the user (shown over the progress window while that is).
  void Message(const QString& text);
  // What the status bar's first panel is to say of the command's outcome:
  // a few words, and the whole of it for the panel's tooltip.
  void StatusChanged(const QString& text, const QString& detail);
  // The history's commit is due: a read is a step of its own.
  void TableStepCommitted();
  // A table read from the converter is in the model: the views that show
  // the table are to follow.
  void TableReworked();

 private:
  // While a run streams, tells why the transfer is refused; true then.
  bool RefuseWhileStreaming();

  ConverterTransfer converter_;
  GridPage& grid_;
  TableModel& table_;
  QTimer& verifyTimer_;
  const MessageTexts& messages_;
  QWidget* owner_;
  TransferHooks hooks_;
  // How the last write to the converter on this port ended.
  WriteOutcome lastWrite_ = WriteOutcome::kNone;
};

}  // namespace zelor
