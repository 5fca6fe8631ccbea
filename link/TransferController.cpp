#include "link/TransferController.h"

#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTimer>

#include "core/MessageTexts.h"
#include "link/Protocol.h"
#include "link/StatusBlock.h"
#include "table/GridPage.h"
#include "table/TableGrid.h"
#include "table/TableHistory.h"
#include "table/TableModel.h"
#include "ui/ProgressWindow.h"
#include "ui/UserDialogs.h"
#include "widgets/BusyCursor.h"

namespace zelor {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

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

QString ReadFailureText(const MessageTexts& m, const char* code, int received) {
  return m.Text(kErrorWord) + QString::fromLatin1(code) + kCrLf + m.Text(kReceivedBytes) +
         QString::number(received) + kCrLf + m.Text(kRequiredBytes) +
         QString::number(protocol::kTableReplySize) + kCrLf + kCrLf + kCrLf +
         m.Text(kCannotReadTable) + kCrLf + m.Text(kCheckSupply);
}

}  // namespace

TransferController::TransferController(GridPage& grid, QTimer& verifyTimer,
                                       const MessageTexts& messages, QWidget* owner,
                                       TransferHooks hooks)
    : grid_(grid),
      table_(grid.Table()),
      verifyTimer_(verifyTimer),
      messages_(messages),
      owner_(owner),
      hooks_(std::move(hooks)) {}

bool TransferController::RefuseWhileStreaming() {
  if (!hooks_.streaming()) return false;
  emit Message(messages_.Own(OwnMessage::kStreamRunning));
  return true;
}

void TransferController::ChoosePort(const std::string& name) {
  // The firmware shown is that of the converter on the port left: it goes
  // until this port's read succeeds (its open may fail, or the read be
  // refused during a run).
  grid_.VersionLabel()->hide();
  converter_.Leave();
  // Nor is the table of that converter what the grid is compared with.
  grid_.ForgetConverterCopy();
  if (converter_.PortChosen()) hooks_.leavePort();
  converter_.Choose(name);
  Read();
}

void TransferController::Read() {
  QLabel* version = grid_.VersionLabel();
  if (!converter_.PortChosen()) {
    emit Message(messages_.Text(kNoPortChosen));
    version->hide();
    return;
  }
  if (RefuseWhileStreaming()) return;
  const TableStepScope step([this] { emit TableStepCommitted(); });
  BusyCursor busy;
  hooks_.awaitStreamEnd();
  const TableRead read = converter_.ReadTable();
  // A converter still streaming once told to stop is refused as one that
  // keeps talking: nothing was asked of it.
  if (!read.before.silent) {
    busy.End();
    emit Message(messages_.Own(OwnMessage::kConverterKeepsTalking));
    version->hide();
    return;
  }
  if (read.received < protocol::kTableReplySize) {
    busy.End();
    emit Message(ReadFailureText(messages_, "#1", read.received));
    version->hide();
    return;
  }
  // The reply counts only once the converter has fallen silent after it: one
  // that keeps talking may have sent stream bytes in its place, and would
  // leave bytes on the line to be taken for the version. Such a read is
  // refused like a short one, leaving the grid as it was.
  if (!read.silent) {
    busy.End();
    emit Message(messages_.Own(OwnMessage::kConverterKeepsTalking));
    version->hide();
    return;
  }
  // A converter left streaming by a program that ended during a run was
  // stopped before the read: the tuner learns why the stream is off.
  if (read.before.stopSent)
    emit StatusChanged(messages_.Own(OwnMessage::kStreamStoppedShort),
                       messages_.Own(OwnMessage::kStreamStoppedBeforeRead));
  table_.SetBytes(read.Cells());
  grid_.SetConverterCopy(read.Cells());
  grid_.Page()->update();
  emit TableReworked();
  // The grid holds the table before the version is asked: a serial error
  // there leaves the table read.
  const std::optional<std::uint8_t> versionByte = converter_.ReadVersion();
  version->show();
  version->setText(QString::fromStdString(protocol::FirmwareCaption(versionByte)));
}

void TransferController::Write() {
  if (!converter_.PortChosen()) {
    emit Message(messages_.Text(kNoPortChosen));
    return;
  }
  if (RefuseWhileStreaming()) return;
  // What a cell's open editor shows is what is written.
  EndCellEditing(grid_.Grid());
  // Every cell is checked before anything is sent: a cell that is not an
  // integer, or lies outside 0..255, stops the write with a message naming it.
  const std::array<std::uint8_t, 256> cells = table_.CellBytes(messages_.English());
  // A grid never filled from this converter may hold anything (all zeros
  // after start-up, when its read failed), and an engine fed that table
  // stalls: the user confirms such a write first.
  if (!converter_.TableKnown() &&
      !Dialogs().Ask(owner_, messages_.Own(OwnMessage::kWriteUnreadTable)))
    return;
  {
    const BusyCursor busy;
    hooks_.awaitStreamEnd();
  }
  // A converter lost on the way (the port gone, a cable pulled) raises the
  // serial layer's error, shown by the handler's guard; before it goes on,
  // the status bar and the status block keep that the table is not in the
  // converter, and the cells stay marked as they were.
  lastWrite_ = WriteOutcome::kNotWritten;
  try {
    converter_.WriteTable(cells);
  } catch (...) {
    emit StatusChanged(messages_.Own(OwnMessage::kWriteFailedShort),
                       messages_.Own(OwnMessage::kWriteFailedStatus));
    throw;
  }
  lastWrite_ = WriteOutcome::kNotVerified;
  if (ProgressWindow* progress = hooks_.progress()) {
    progress->ProgressBar1()->setValue(0);
    progress->ShowCentred();
  }
  verifyTimer_.start();
}

void TransferController::Tick() {
  const int ticks = converter_.VerifyTick();
  ProgressWindow* progress = hooks_.progress();
  if (progress) progress->ProgressBar1()->setValue(protocol::VerifyProgress(ticks));
  if (!converter_.ReadBackDue()) return;
  verifyTimer_.stop();
  TableReadBack back;
  {
    // The progress window goes once the read-back is over, however it ends,
    // before any message: it stays on top of the other windows and would
    // hide one. A serial error (the converter gone) is shown after it went.
    const CloseOnExit closeProgress(progress);
    BusyCursor busy;
    try {
      hooks_.awaitStreamEnd();
      back = converter_.ReadBack();
    } catch (...) {
      emit StatusChanged(messages_.Own(OwnMessage::kWriteUnverifiedShort),
                         messages_.Own(OwnMessage::kWriteUnverifiedStatus));
      throw;
    }
  }
  if (back.received < protocol::kTableReplySize) {
    emit StatusChanged(messages_.Own(OwnMessage::kWriteUnverifiedShort),
                       messages_.Own(OwnMessage::kWriteUnverifiedStatus));
    emit Message(ReadFailureText(messages_, "#2", back.received));
    return;
  }
  if (back.mismatch) {
    lastWrite_ = WriteOutcome::kNotWritten;
    emit StatusChanged(messages_.Own(OwnMessage::kWriteFailedShort),
                       messages_.Own(OwnMessage::kWriteFailedStatus));
    const MessageTexts& m = messages_;
    // The converter holds what it gave back, not the table sent: the cells
    // it did not take stay marked as unwritten.
    grid_.SetConverterCopy(std::span<const std::uint8_t, 256>(back.reply.data(), 256));
    emit Message(m.Text(kErrorWord) + QStringLiteral("#3") + kCrLf + m.Text(kVerificationError) +
                 kCrLf + m.Text(kArrayIndex) + QString::number(*back.mismatch) + kCrLf + kCrLf +
                 kCrLf + m.Text(kTableNotWritten));
  } else {
    // Only a matching read-back shows that the converter holds the table
    // sent; until then its cells stay marked as unwritten.
    lastWrite_ = WriteOutcome::kNone;
    grid_.SetConverterCopy(converter_.TableMirror());
    emit Message(messages_.Text(kWriteSucceeded));
  }
}

LinkStatus TransferController::Status() const {
  LinkStatus status;
  const SerialPort& port = converter_.ComPort1();
  if (port.IsOpen()) status.port = QString::fromStdString(port.PortName());
  // The firmware label's caption without its fixed start ("FirmWare:  V_3.2"
  // or, when the converter did not answer, "FirmWare:  V1.00").
  if (!grid_.VersionLabel()->isHidden()) {
    static const QRegularExpression prefix(QStringLiteral("^FirmWare:\\s*V_?"));
    status.firmware = grid_.VersionLabel()->text().remove(prefix);
  }
  const CellMarks& marks = grid_.Marks();
  status.haveCopy = marks.HasCopy();
  status.differing = marks.Count(CellMark::kDiffers);
  status.invalid = marks.Count(CellMark::kInvalid);
  status.lastWrite = lastWrite_;
  return status;
}

}  // namespace zelor
