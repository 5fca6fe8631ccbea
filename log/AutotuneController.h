#pragma once
// Autotune by lambda bound to the panel: "Автонастройка по лямбде" starts it
// on the running stream (refused without a port, without the stream, while
// "Обучение Таблицы" learns, without an O2 reading, or with settings of the
// lambda window that cannot be used), with a snapshot of the table. Each
// panel tick feeds it the samples the stream stored since the last one;
// every push interval (of the stream's time: its samples are 10 ms apart)
// the ready cells change in the table and the table with its settings goes
// to the converter with "t", as the manual correction sends it, never while
// the correction's own commands are under way. A changed cell's count starts
// again, and so does that of a cell changed by any other hand. "Откатить"
// puts the snapshot back and sends it.
//
// It ends when switched off, at "Стоп", when the converter is lost (or
// another port is chosen) and with the window; a failing "t" ends it at
// that push with its message. What it changed is then one step of the
// table's history; after every push the table shown is kept in the
// session's journal.
//
// Beside it, with "ШЛЗ" checked, the panel reads the O2 channel out as
// lambda and AFR by the lambda window's scale and stoich, whether autotune
// runs or not.
//
// It reads and writes the table's model and tells what happened by its
// signals; it knows nothing of the window.

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "learn/Autotune.h"

namespace zelor {

class ConverterTransfer;
class CorrectionController;
class LambdaFixController;
class MessageTexts;
class PanelPage;
class StreamRun;
class TableModel;

class AutotuneController : public QObject {
  Q_OBJECT
 public:
  // The references must outlive the controller.
  AutotuneController(PanelPage& panel, TableModel& table, StreamRun& stream,
                     ConverterTransfer& converter, CorrectionController& correction,
                     LambdaFixController& lambda, const MessageTexts& messages);
  ~AutotuneController() override;
  AutotuneController(const AutotuneController&) = delete;
  AutotuneController& operator=(const AutotuneController&) = delete;

  // The switch ticked (start, or a refusal's message) or cleared (the end).
  void Switched(bool on);
  // "Откатить".
  void Rollback();
  // The panel's tick: the lambda readout, the new samples, a push when due,
  // the cells' states once a second.
  void Tick();
  // The run ended ("Стоп", the window's end): so does autotune.
  void RunStopped();
  // "ШЛЗ" ticked or cleared: the readout follows.
  void WboToggled(bool on);
  // The mouse over the panel chart at MAF maf: the cell's hint while
  // autotune runs.
  void PointerMoved(double maf);
  void ApplyOwnCaptions();

  bool Running() const { return tune_ != nullptr; }
  // The "t" sent since the start (pushes and rollbacks): their count, and
  // the stream's time (ms) of each.
  int Pushes() const { return static_cast<int>(pushTimes_.size()); }
  const std::vector<std::int64_t>& PushTimes() const { return pushTimes_; }
  // The stream's time (ms) autotune started at.
  std::int64_t StartMs() const { return startMs_; }

 signals:
  // A message for the user.
  void Message(const QString& text);
  // The history's commit is due: at the start (what came before is a step of
  // its own) and at the end (what autotune changed is one step).
  void TableStepCommitted();
  // A push or a rollback changed cells: the views that show the table are to
  // follow, and the journal keeps the table shown.
  void TableReworked();
  void TablePushed();
  // The hint of the cell under the mouse.
  void HintChanged(const QString& text);

 private:
  void Start();
  // Ends a running autotune; why: the status line's text (empty: the
  // ordinary end's).
  void End(const QString& why = QString());
  // The table's values, none when a cell is not an integer 0..255.
  std::optional<std::array<int, 256>> TableValues() const;
  // Writes the changes, sends the table and restarts their cells' counts;
  // a failing send ends autotune with its message.
  void Push(const std::vector<AutotuneChange>& changes);
  void ShowCells();
  void ShowLambda();
  // The stream's time at the last sample read: 10 ms a sample.
  std::int64_t StreamMs() const;
  QString StateName(AutotuneState state) const;

  PanelPage& panel_;
  TableModel& table_;
  StreamRun& stream_;
  ConverterTransfer& converter_;
  CorrectionController& correction_;
  LambdaFixController& lambda_;
  const MessageTexts& messages_;

  std::unique_ptr<Autotune> tune_;  // while it runs
  std::optional<LambdaLogReader> reader_;
  std::array<AutotuneCell, 256> cells_{};  // the states last shown
  std::int64_t shownMs_ = 0;               // when they were shown
  std::vector<std::int64_t> pushTimes_;
  std::int64_t startMs_ = 0;
  bool writing_ = false;  // its own changes: no restart for them
  int readoutTicks_ = 0;  // the lambda readout follows every tenth tick
};

}  // namespace zelor
