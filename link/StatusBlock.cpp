#include "link/StatusBlock.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "core/MessageTexts.h"

namespace zelor {
namespace {

constexpr int kRefreshMs = 250;

QLabel* MakeLine(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

void SetText(QLabel* label, const QString& text) {
  if (label->text() != text) label->setText(text);
}

}  // namespace

StatusBlock::StatusBlock(std::function<LinkStatus()> source, const MessageTexts& messages,
                         QWidget* parent)
    : QWidget(parent), source_(std::move(source)), messages_(messages), timer_(new QTimer(this)) {
  setObjectName(QStringLiteral("StatusBlock"));
  auto* lines = new QVBoxLayout(this);
  lines->setContentsMargins(0, 0, 0, 0);
  lines->setSpacing(2);
  port_ = MakeLine("StatusPort", this);
  firmware_ = MakeLine("StatusFirmware", this);
  stream_ = MakeLine("StatusStream", this);
  cells_ = MakeLine("StatusCells", this);
  journal_ = MakeLine("StatusJournal", this);
  journal_->hide();
  for (QLabel* line : {port_, firmware_, stream_, cells_, journal_}) lines->addWidget(line);
  lines->addStretch(1);
  timer_->setInterval(kRefreshMs);
  QObject::connect(timer_, &QTimer::timeout, this, [this] { Refresh(); });
}

void StatusBlock::Refresh() {
  const LinkStatus s = source_();
  const auto text = [this](OwnMessage m) { return messages_.Own(m); };
  using enum OwnMessage;
  SetText(port_, text(kStatusPort) + (s.port.isEmpty() ? text(kStatusNoPort) : s.port));
  SetText(firmware_,
          text(kStatusFirmware) + (s.firmware.isEmpty() ? text(kStatusNotRead) : s.firmware));
  SetText(stream_, text(s.portLeft     ? kStatusStreamPortLeft
                        : s.readerLost ? kStatusStreamLost
                        : s.streaming  ? kStatusStreamRuns
                                       : kStatusStreamStopped));
  QString cells = text(kStatusDiffering);
  if (s.haveCopy) {
    cells += QString::number(s.differing) + text(kStatusCellsWord);
  } else {
    cells += text(kStatusNoCopy);
  }
  if (s.invalid > 0) cells += text(kStatusInvalid) + QString::number(s.invalid);
  if (s.lastWrite == WriteOutcome::kNotWritten) cells += text(kStatusWriteFailed);
  if (s.lastWrite == WriteOutcome::kNotVerified) cells += text(kStatusWriteUnverified);
  SetText(cells_, cells);
  SetText(journal_, s.journal == JournalHealth::kFailing        ? text(kStatusJournalFailing)
                    : s.journal == JournalHealth::kWritingAgain ? text(kStatusJournalAgain)
                                                                : QString());
  journal_->setVisible(!journal_->text().isEmpty());
}

QString StatusBlock::PortText() const { return port_->text(); }
QString StatusBlock::FirmwareText() const { return firmware_->text(); }
QString StatusBlock::StreamText() const { return stream_->text(); }
QString StatusBlock::CellsText() const { return cells_->text(); }
QString StatusBlock::JournalText() const { return journal_->text(); }

void StatusBlock::showEvent(QShowEvent* event) {
  Refresh();
  timer_->start();
  QWidget::showEvent(event);
}

void StatusBlock::hideEvent(QHideEvent* event) {
  timer_->stop();
  QWidget::hideEvent(event);
}

}  // namespace zelor
