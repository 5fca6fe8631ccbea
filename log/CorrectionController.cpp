#include "log/CorrectionController.h"

#include <QKeyEvent>
#include <algorithm>
#include <array>
#include <utility>

#include "core/MessageTexts.h"
#include "link/ConverterTransfer.h"
#include "link/Correction.h"
#include "log/PanelPage.h"
#include "log/StreamRun.h"
#include "table/CellText.h"
#include "table/TableHistoryController.h"
#include "table/TableModel.h"
#include "ui/HandlerGuard.h"
#include "widgets/UpDown.h"

namespace zelor {
namespace {

// Counts an entry under way for Sending().
class Busy {
 public:
  explicit Busy(int& depth) : depth_(depth) { ++depth_; }
  ~Busy() { --depth_; }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

 private:
  int& depth_;
};

}  // namespace

CorrectionController::CorrectionController(PanelPage& panel, TableModel& table,
                                           ConverterTransfer& converter, StreamRun& stream,
                                           const MessageTexts& messages, QWidget* owner)
    : panel_(panel),
      table_(table),
      converter_(converter),
      stream_(stream),
      messages_(messages),
      owner_(owner) {}

void CorrectionController::RangeBeginChanged() {
  const Busy busy(busy_);
  const int begin = panel_.RangeBegin();
  panel_.ShowRangeBegin(begin);
  if (begin > panel_.RangeEnd()) panel_.SetRangeEnd(begin);
  if (converter_.PortChosen())
    Send([&] { converter_.Link().SendCorrectionRange(begin, panel_.RangeEnd()); });
}

void CorrectionController::RangeEndChanged() {
  const Busy busy(busy_);
  const int end = panel_.RangeEnd();
  panel_.ShowRangeEnd(end);
  if (end < panel_.RangeBegin()) panel_.SetRangeBegin(end);
  if (converter_.PortChosen())
    Send([&] { converter_.Link().SendCorrectionRange(panel_.RangeBegin(), end); });
}

void CorrectionController::StepChanged() {
  const Busy busy(busy_);
  if (!converter_.PortChosen()) return;
  const int correction = ParseInteger(panel_.StepText().toStdString());
  Send([&] { converter_.Link().SendCorrectionStep(correction); });
}

void CorrectionController::ResetForStart() {
  const Busy busy(busy_);
  CommandChange([this] { panel_.SetRangeBegin(0); });
  CommandChange([this] { panel_.SetRangeEnd(0); });
  CommandChange([this] { panel_.SetStep(0); });
}

void CorrectionController::CommandChange(const std::function<void()>& change) {
  commandChange_ = true;
  change();  // the handlers run inside, each under its own guard
  commandChange_ = false;
  if (std::exception_ptr failure = std::exchange(sendFailure_, nullptr))
    std::rethrow_exception(failure);
}

void CorrectionController::Send(const std::function<void()>& send) {
  if (!commandChange_) {
    send();
    return;
  }
  if (sendFailure_) return;  // the command ends at its first failure
  try {
    send();
  } catch (...) {
    sendFailure_ = std::current_exception();
  }
}

void CorrectionController::Apply() {
  const Busy busy(busy_);
  // The apply is a step of the history of its own, whatever came before it.
  const TableStepScope step([this] { emit TableStepCommitted(); });
  const int correction = ParseInteger(panel_.StepText().toStdString());
  const int begin = panel_.RangeBegin();
  const int end = panel_.RangeEnd();
  // The corrected table is made and checked whole before anything changes:
  // a cell that is not an integer stops the apply with its message, and so,
  // when the table is to be sent, does a cell outside 0..255, which would
  // reach the running engine as its low 8 bits (300 as 44). A refused apply
  // sends nothing, changes no cell and keeps the correction.
  std::array<int, 256> values{};
  for (int m = 0; m < 256; ++m) {
    values[m] = table_.CellValue(m);
    if (begin <= m && m <= end) values[m] = CorrectedCell(values[m], correction);
  }
  const auto outside = std::find_if(values.begin(), values.end(),
                                    [](int value) { return value < 0 || value > 255; });
  if (converter_.PortChosen() && outside != values.end()) {
    const int m = static_cast<int>(outside - values.begin());
    const QString text = table_.CellText(m);
    throw CellRangeError(m, text.toStdString(),
                         messages_.Own(OwnMessage::kCorrectionCellOutOfRange)
                             .arg(QString::number(m), text)
                             .toStdString(),
                         &table_);
  }
  std::array<std::uint8_t, 256> cells{};
  for (int m = 0; m < 256; ++m) {
    if (begin <= m && m <= end) table_.SetCell(m, values[m]);
    cells[m] = static_cast<std::uint8_t>(values[m]);
  }
  emit TableReworked();
  CommandChange([this] { panel_.SetStep(0); });
  SendTable(cells);
}

void CorrectionController::SendTable(const std::array<std::uint8_t, 256>& cells) {
  const Busy busy(busy_);
  if (converter_.PortChosen()) converter_.Link().SendLiveTableUpdate(cells, table_.Settings());
}

void CorrectionController::StepKeyPress(QChar key) {
  if (key.unicode() == 13) Apply();
}

void CorrectionController::BeeperSwitched() {
  stream_.Flags().BeeperOn.store(panel_.BeeperOn(), std::memory_order_relaxed);
}

bool CorrectionController::KeyDown(const QKeyEvent& key) {
  const Busy busy(busy_);
  const bool running = stream_.Streaming();
  const int code = key.key();
  const int begin = panel_.RangeBegin();
  const int end = panel_.RangeEnd();
  if (code == Qt::Key_Up && running) {
    panel_.SetStep(panel_.Step() + 1);
    return true;
  }
  if ((code == Qt::Key_Return || code == Qt::Key_Enter) && running) {
    Guarded(owner_, [this] { Apply(); });
    return true;
  }
  // With Ctrl held every key is swallowed; Right and Left move the range's
  // end alone (a narrowing past its start drags the start along).
  if (key.modifiers() & Qt::ControlModifier) {
    if (running && code == Qt::Key_Right) panel_.SetRangeEnd(end + 1);
    if (running && code == Qt::Key_Left) panel_.SetRangeEnd(end - 1);
    return true;
  }
  if (code == Qt::Key_Down && running) {
    panel_.SetStep(panel_.Step() - 1);
    return true;
  }
  // Right and Left move the whole range by one.
  if (code == Qt::Key_Right && running) {
    if (end != 255) {
      panel_.SetRangeEnd(end + 1);
      panel_.SetRangeBegin(begin + 1);
    }
    return true;
  }
  if (code == Qt::Key_Left && running) {
    if (begin != 0) {
      panel_.SetRangeBegin(begin - 1);
      panel_.SetRangeEnd(end - 1);
    }
    return true;
  }
  return false;
}

}  // namespace zelor
