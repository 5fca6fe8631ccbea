#pragma once
// Manual correction bound to the panel's correction group: the range's track
// bars keep their edit boxes and chart lines in step and send the range to
// the converter whenever it changes, the step box sends the step, the apply
// corrects the range's cells and sends the whole table, the correction keys
// move the range and the step while a run streams, and the beeper's switch
// reaches the run. The range and the step live in the group's controls.
//
// It reads and writes the table's model and tells what happened by its
// signals; it knows nothing of the window.

#include <QChar>
#include <QObject>
#include <QWidget>
#include <array>
#include <cstdint>
#include <exception>
#include <functional>

class QKeyEvent;

namespace zelor {

class ConverterTransfer;
class MessageTexts;
class PanelPage;
class StreamRun;
class TableModel;

class CorrectionController : public QObject {
  Q_OBJECT
 public:
  // owner owns the message box of an apply refused from the keyboard. The
  // references must outlive the controller.
  CorrectionController(PanelPage& panel, TableModel& table, ConverterTransfer& converter,
                       StreamRun& stream, const MessageTexts& messages, QWidget* owner);
  CorrectionController(const CorrectionController&) = delete;
  CorrectionController& operator=(const CorrectionController&) = delete;

  // The range's start or end moved: the other bound follows past it.
  void RangeBeginChanged();
  void RangeEndChanged();
  // The step box changed.
  void StepChanged();
  // "Старт"'s part: the range and the step back to 0, each change sending
  // its command as a user's would; a command that cannot be sent ends Start
  // there, raised here.
  void ResetForStart();
  // Adds the step to the range's cells and sends the whole table; refused
  // whole (with CellRangeError or the cell's parse error) before any change.
  void Apply();
  // The step box's key: Enter applies.
  void StepKeyPress(QChar key);
  void BeeperSwitched();
  // The correction keys, before the focused control sees them; true when
  // taken (swallowed).
  bool KeyDown(const QKeyEvent& key);

  // The table's cells with its settings to the converter with "t", as the
  // apply sends them (nothing without a port); a failure is raised.
  void SendTable(const std::array<std::uint8_t, 256>& cells);

  // True while one of the above is under way: its commands to the converter
  // may not all have gone out yet (a failure's message box, shown inside it,
  // lets the timers run meanwhile), so no other command is to come between.
  bool Sending() const { return busy_ > 0; }

 signals:
  // The history's commit is due: the apply is a step of its own.
  void TableStepCommitted();
  // The apply changed the range's cells: the panel chart's table curve is
  // to follow.
  void TableReworked();

 private:
  // A change of the group's controls made by a command (Start, the apply):
  // the handlers' commands are sent up to the first that fails, which ends
  // the command, raised here. A user's move shows such a failure at the
  // handler instead.
  void CommandChange(const std::function<void()>& change);
  // A handler's command to the converter (see CommandChange).
  void Send(const std::function<void()>& send);

  PanelPage& panel_;
  TableModel& table_;
  ConverterTransfer& converter_;
  StreamRun& stream_;
  const MessageTexts& messages_;
  QWidget* owner_;
  int busy_ = 0;  // the entries above under way
  bool commandChange_ = false;
  std::exception_ptr sendFailure_;  // of the command change under way
};

}  // namespace zelor
