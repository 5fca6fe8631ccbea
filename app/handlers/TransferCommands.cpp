// The main window's converter transfer handlers: the table read with the
// firmware query, the table write and its delayed read-back verification.

#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include "app/Unit3.h"
#include "app/UserDialogs.h"
#include "app/ZelorConfigurator.h"
#include "app/handlers/TableStep.h"
#include "link/Protocol.h"
#include "table/CellText.h"
#include "table/GridPage.h"
#include "table/TableGrid.h"
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

// While the stream runs, shows why the table transfer is refused; true then.
bool RefuseWhileStreaming(TForm1& form) {
  if (!form.Stream().Streaming()) return false;
  form.Message(form.Messages().Own(OwnMessage::kStreamRunning));
  return true;
}

}  // namespace

void TForm1::N7Click() {
  QLabel* version = grid_->VersionLabel();
  if (!converter_.PortChosen()) {
    Message(messages_.Text(kNoPortChosen));
    version->hide();
    return;
  }
  if (RefuseWhileStreaming(*this)) return;
  const TableStep step(*this);
  BusyCursor busy;
  const TableRead read = converter_.ReadTable();
  if (read.received < protocol::kTableReplySize) {
    busy.End();
    Message(ReadFailureText(messages_, "#1", read.received));
    version->hide();
    return;
  }
  // The reply counts only once the converter has fallen silent after it: one
  // that keeps talking may have sent stream bytes in its place, and would
  // leave bytes on the line to be taken for the version. Such a read is
  // refused like a short one, leaving the grid as it was.
  if (!read.silent) {
    busy.End();
    Message(messages_.Own(OwnMessage::kConverterKeepsTalking));
    version->hide();
    return;
  }
  for (int index = 0; index < 256; ++index) grid_->SetCell(index, read.reply[index]);
  grid_->SetConverterCopy(read.Cells());
  grid_->Page()->update();
  RefreshInsertCellChart();
  TabTableGraphShow();
  // The grid holds the table before the version is asked: a serial error
  // there leaves the table read.
  const std::optional<std::uint8_t> versionByte = converter_.ReadVersion();
  version->show();
  version->setText(QString::fromStdString(protocol::FirmwareCaption(versionByte)));
}

void TForm1::N8Click() {
  if (!converter_.PortChosen()) {
    Message(messages_.Text(kNoPortChosen));
    return;
  }
  if (RefuseWhileStreaming(*this)) return;
  // What a cell's open editor shows is what is written.
  EndCellEditing(grid_->Grid());
  // Every cell is checked before anything is sent: a cell that is not an
  // integer, or lies outside 0..255, stops the write with a message naming it.
  const std::array<std::uint8_t, 256> cells = grid_->CellBytes(messages_.English());
  // A grid never filled from this converter may hold anything (all zeros
  // after start-up, when its read failed), and an engine fed that table
  // stalls: the user confirms such a write first.
  if (!converter_.TableKnown() &&
      !Dialogs().Ask(this, messages_.Own(OwnMessage::kWriteUnreadTable)))
    return;
  converter_.WriteTable(cells);
  if (windows_.progress) {
    windows_.progress->ProgressBar1()->setValue(0);
    windows_.progress->ShowCentred();
  }
  shell_.timer2->start();
}

void TForm1::Timer2Timer() {
  const int ticks = converter_.VerifyTick();
  if (windows_.progress)
    windows_.progress->ProgressBar1()->setValue(protocol::VerifyProgress(ticks));
  if (!converter_.ReadBackDue()) return;
  shell_.timer2->stop();
  TableReadBack back;
  {
    // The progress window goes once the read-back is over, however it ends,
    // before any message: it stays on top of the other windows and would
    // hide one. A serial error (the converter gone) is shown after it went.
    const CloseOnExit closeProgress(windows_.progress);
    BusyCursor busy;
    back = converter_.ReadBack();
  }
  if (back.received < protocol::kTableReplySize) {
    Message(ReadFailureText(messages_, "#2", back.received));
    return;
  }
  if (back.mismatch) {
    const MessageTexts& m = messages_;
    // The converter holds what it gave back, not the table sent: the cells
    // it did not take stay marked as unwritten.
    grid_->SetConverterCopy(std::span<const std::uint8_t, 256>(back.reply.data(), 256));
    Message(m.Text(kErrorWord) + QStringLiteral("#3") + kCrLf + m.Text(kVerificationError) + kCrLf +
            m.Text(kArrayIndex) + QString::number(*back.mismatch) + kCrLf + kCrLf + kCrLf +
            m.Text(kTableNotWritten));
  } else {
    // Only a matching read-back shows that the converter holds the table
    // sent; until then its cells stay marked as unwritten.
    grid_->SetConverterCopy(converter_.TableMirror());
    Message(messages_.Text(kWriteSucceeded));
  }
}

}  // namespace zelor
