#pragma once
// The converter's table transfer bound to the window: the port's choice, the
// table read with the firmware query, the table write and its read-back
// verification after six seconds of ticks, and what the status block shows of
// the converter. It owns the converter on the port chosen (ConverterTransfer)
// and writes the results into the grid page, the progress window and the
// messages.
//
// The window hands in what the controller needs; it knows nothing else of
// the window.

#include <QString>
#include <functional>
#include <string>

#include "link/ConverterTransfer.h"

class QTimer;
class QWidget;

namespace zelor {

class GridPage;
class MessageTexts;
class ProgressWindow;
struct LinkStatus;

// What the controller calls in the window.
struct TransferHooks {
  // The owner of the question asked before a table never read is written.
  QWidget* owner = nullptr;
  // Shows a message (over the progress window while that is shown).
  std::function<void(const QString&)> message;
  // The progress window; none while the window has none.
  std::function<ProgressWindow*()> progress;
  // True while a run streams: the transfer is refused then.
  std::function<bool()> streaming;
  // Waits until the last run has ended on the line (StreamRun::AwaitStreamEnd):
  // its reader and the converter's last frames would take or precede a reply.
  std::function<void()> awaitStreamEnd;
  // The run's part of leaving a port (see StreamRun::LeavePort).
  std::function<void()> leavePort;
  // The table history's commit: a read is one step of its own.
  std::function<void()> commit;
  // Brings the views that show the table (the charts) up to the grid.
  std::function<void()> shown;
};

class TransferController {
 public:
  // verifyTimer ticks the write's verification; its timeout is the window's
  // to connect (to Tick). The references must outlive the controller.
  TransferController(GridPage& grid, QTimer& verifyTimer, const MessageTexts& messages,
                     TransferHooks hooks);
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

 private:
  // While a run streams, tells why the transfer is refused; true then.
  bool RefuseWhileStreaming();

  ConverterTransfer converter_;
  GridPage& grid_;
  QTimer& verifyTimer_;
  const MessageTexts& messages_;
  TransferHooks hooks_;
};

}  // namespace zelor
