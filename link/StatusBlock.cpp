#include "link/StatusBlock.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace zelor {
namespace {

constexpr int kRefreshMs = 250;

// A text of the block in the language asked for.
struct Twin {
  const char* russian;
  const char* english;
  QString In(bool english) const { return QString::fromUtf8(english ? this->english : russian); }
};

const Twin kPort{"Порт: ", "Port: "};
const Twin kNoPort{"не открыт", "not open"};
const Twin kFirmware{"Прошивка: ", "Firmware: "};
const Twin kNotRead{"не считана", "not read"};
const Twin kStreamRuns{"Поток: идёт", "Stream: running"};
const Twin kStreamStopped{"Поток: остановлен", "Stream: stopped"};
const Twin kStreamLost{"Поток: связь потеряна, нажмите \"Стоп\"",
                       "Stream: connection lost, press \"Stop\""};
const Twin kDiffering{"Не записано в конвертер: ", "Not in the converter: "};
const Twin kCellsWord{" яч.", " cells"};
const Twin kNoCopy{"таблица конвертера не считана", "converter's table not read"};
const Twin kInvalid{", ошибочных: ", ", invalid: "};

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

StatusBlock::StatusBlock(std::function<LinkStatus()> source, QWidget* parent)
    : QWidget(parent), source_(std::move(source)), timer_(new QTimer(this)) {
  setObjectName(QStringLiteral("StatusBlock"));
  auto* lines = new QVBoxLayout(this);
  lines->setContentsMargins(0, 0, 0, 0);
  lines->setSpacing(2);
  port_ = MakeLine("StatusPort", this);
  firmware_ = MakeLine("StatusFirmware", this);
  stream_ = MakeLine("StatusStream", this);
  cells_ = MakeLine("StatusCells", this);
  for (QLabel* line : {port_, firmware_, stream_, cells_}) lines->addWidget(line);
  lines->addStretch(1);
  timer_->setInterval(kRefreshMs);
  QObject::connect(timer_, &QTimer::timeout, this, [this] { Refresh(); });
}

void StatusBlock::Refresh() {
  const LinkStatus s = source_();
  const bool en = s.english;
  SetText(port_, kPort.In(en) + (s.port.isEmpty() ? kNoPort.In(en) : s.port));
  SetText(firmware_, kFirmware.In(en) + (s.firmware.isEmpty() ? kNotRead.In(en) : s.firmware));
  const Twin& stream = s.readerLost ? kStreamLost : s.streaming ? kStreamRuns : kStreamStopped;
  SetText(stream_, stream.In(en));
  QString cells = kDiffering.In(en);
  if (s.haveCopy) {
    cells += QString::number(s.differing) + kCellsWord.In(en);
  } else {
    cells += kNoCopy.In(en);
  }
  if (s.invalid > 0) cells += kInvalid.In(en) + QString::number(s.invalid);
  SetText(cells_, cells);
}

QString StatusBlock::PortText() const { return port_->text(); }
QString StatusBlock::FirmwareText() const { return firmware_->text(); }
QString StatusBlock::StreamText() const { return stream_->text(); }
QString StatusBlock::CellsText() const { return cells_->text(); }

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
