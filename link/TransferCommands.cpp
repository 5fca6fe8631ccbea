// The main window's converter transfer handlers: the table read with the
// firmware query, the table write and its delayed read-back verification.

#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <chrono>

#include "app/BusyCursor.h"
#include "app/Unit3.h"
#include "app/UserDialogs.h"
#include "app/ZelorConfigurator.h"
#include "link/Protocol.h"
#include "table/CellText.h"
#include "table/GridPage.h"
#include "table/TableGrid.h"

namespace zelor {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Reads and discards single bytes until one read brings none: the converter
// has fallen silent after its reply. False when it was still talking once
// the drain's time bound had passed.
bool DrainUntilSilent(SerialPort& port) {
  std::uint8_t discarded = 0;
  const auto end =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(protocol::kDrainTimeLimitMs);
  while (port.Read(&discarded, 1) != 0) {
    if (std::chrono::steady_clock::now() >= end) return false;
  }
  return true;
}

// Closes a window when the scope is left, however it is left.
class CloseOnExit {
 public:
  explicit CloseOnExit(QWidget* window) : window_(window) {}
  ~CloseOnExit() {
    if (window_) window_->close();
  }
  CloseOnExit(const CloseOnExit&) = delete;
  CloseOnExit& operator=(const CloseOnExit&) = delete;

 private:
  QWidget* window_;
};

}  // namespace

void TForm1::ShowReadFailure(const char* code, int received) {
  const MessageTexts& m = messages_;
  Message(m.Text(kErrorWord) + QString::fromLatin1(code) + kCrLf + m.Text(kReceivedBytes) +
          QString::number(received) + kCrLf + m.Text(kRequiredBytes) +
          QString::number(protocol::kTableReplySize) + kCrLf + kCrLf + kCrLf +
          m.Text(kCannotReadTable) + kCrLf + m.Text(kCheckSupply));
}

bool TForm1::RefuseWhileStreaming() {
  if (!Streaming()) return false;
  Message(messages_.Own(OwnMessage::kStreamRunning));
  return true;
}

void TForm1::N7Click() {
  QLabel* version = grid_->VersionLabel();
  if (!portChosen_) {
    Message(messages_.Text(kNoPortChosen));
    version->hide();
    return;
  }
  if (RefuseWhileStreaming()) return;
  const TableStep step(*this);
  BusyCursor busy;
  comPort1_.Purge();
  comPort1_.Write(protocol::kTableRead.data(), protocol::kTableRead.size());
  const int received = comPort1_.Read(receiveBuffer_.data(), protocol::kTableReplySize);
  if (received < protocol::kTableReplySize) {
    busy.End();
    ShowReadFailure("#1", received);
    version->hide();
    return;
  }
  // The reply counts only once the converter has fallen silent after it: one
  // that keeps talking may have sent stream bytes in its place, and would
  // leave bytes on the line to be taken for the version. Such a read is
  // refused like a short one, leaving the grid as it was.
  if (!DrainUntilSilent(comPort1_)) {
    Message(messages_.Own(OwnMessage::kConverterKeepsTalking));
    version->hide();
    return;
  }
  for (int index = 0; index < 256; ++index) grid_->SetCell(index, receiveBuffer_[index]);
  grid_->SetConverterCopy(TableMirror());
  converterTableKnown_ = true;
  grid_->Page()->update();
  RefreshInsertCellChart();
  TabTableGraphShow();
  comPort1_.Purge();
  comPort1_.Write(protocol::kVersionQuery.data(), protocol::kVersionQuery.size());
  std::uint8_t versionByte = 0;
  const int got = comPort1_.Read(&versionByte, 1);
  version->show();
  version->setText(QString::fromStdString(protocol::FirmwareCaption(
      got == 0 ? std::nullopt : std::optional<std::uint8_t>(versionByte))));
}

void TForm1::N8Click() {
  if (!portChosen_) {
    Message(messages_.Text(kNoPortChosen));
    return;
  }
  if (RefuseWhileStreaming()) return;
  // What a cell's open editor shows is what is written.
  EndCellEditing(grid_->Grid());
  // Every cell is checked before anything is sent: a cell that is not an
  // integer, or lies outside 0..255, stops the write with a message naming it.
  const std::array<std::uint8_t, 256> cells = grid_->CellBytes(messages_.English());
  // A grid never filled from this converter may hold anything (all zeros
  // after start-up, when its read failed), and an engine fed that table
  // stalls: the user confirms such a write first.
  if (!converterTableKnown_ && !Dialogs().Ask(this, messages_.Own(OwnMessage::kWriteUnreadTable)))
    return;
  comPort1_.Purge();
  std::copy(cells.begin(), cells.end(), receiveBuffer_.begin());
  const auto frame = protocol::TableWriteFrame(cells);
  comPort1_.Write(frame.data(), frame.size());
  verifyTicks_ = 0;
  if (form3_) {
    form3_->ProgressBar1()->setValue(0);
    form3_->ShowCentred();
  }
  timer2_->start();
}

void TForm1::Timer2Timer() {
  ++verifyTicks_;
  if (form3_) form3_->ProgressBar1()->setValue(protocol::VerifyProgress(verifyTicks_));
  if (verifyTicks_ != protocol::kVerifyTicks) return;
  timer2_->stop();
  std::array<std::uint8_t, protocol::kTableReplySize> readBack{};
  int received = 0;
  {
    // The progress window goes once the read-back is over, however it ends,
    // before any message: it stays on top of the other windows and would
    // hide one. A serial error (the converter gone) is shown after it went.
    const CloseOnExit closeProgress(form3_);
    BusyCursor busy;
    comPort1_.Purge();
    comPort1_.Write(protocol::kTableRead.data(), protocol::kTableRead.size());
    received = comPort1_.Read(readBack.data(), protocol::kTableReplySize);
  }
  if (received < protocol::kTableReplySize) {
    ShowReadFailure("#2", received);
    return;
  }
  if (const std::optional<int> k = protocol::FirstMismatch(TableMirror(), readBack)) {
    const MessageTexts& m = messages_;
    // The converter holds what it gave back, not the table sent: the cells
    // it did not take stay marked as unwritten.
    grid_->SetConverterCopy(std::span<const std::uint8_t, 256>(readBack.data(), 256));
    Message(m.Text(kErrorWord) + QStringLiteral("#3") + kCrLf + m.Text(kVerificationError) + kCrLf +
            m.Text(kArrayIndex) + QString::number(*k) + kCrLf + kCrLf + kCrLf +
            m.Text(kTableNotWritten));
  } else {
    // Only a matching read-back shows that the converter holds the table
    // sent; until then its cells stay marked as unwritten.
    grid_->SetConverterCopy(TableMirror());
    converterTableKnown_ = true;
    Message(messages_.Text(kWriteSucceeded));
  }
}

}  // namespace zelor
