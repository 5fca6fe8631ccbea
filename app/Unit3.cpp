#include "app/Unit3.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QWindow>

#include "app/MainCaptions.h"
#include "app/ZelorConfigurator.h"
#include "compare/CompareTables.h"
#include "core/LanguageFile.h"
#include "table/GridPage.h"
#include "ui/DialogLanguage.h"
#include "ui/HandlerGuard.h"
#include "ui/UserDialogs.h"

namespace zelor {
namespace {

constexpr int kClientWidth = 524;
constexpr int kClientHeight = 99;
// The maker's address for readers of the translated interface.
const char kSecondWebAddress[] = "www.zelor.example/en";
const char kVersionCaption[] = "FirmWare:  V";

}  // namespace

TForm3::TForm3(TForm1& form1, TForm2& form2)
    : ProgressWindow(nullptr), form1_(form1), form2_(form2) {
  setObjectName(QStringLiteral("TForm3"));
  // No frame from the window manager (see the header); above the other
  // windows.
  setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  KeepBoxesAbove(this);
  setWindowOpacity(200.0 / 255.0);
  setFixedSize(kClientWidth, kCaptionHeight + kClientHeight);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(13);
  setFont(font);

  caption_ = new QLabel(this);
  caption_->setObjectName(QStringLiteral("Caption"));
  caption_->setGeometry(0, 0, kClientWidth, kCaptionHeight);
  caption_->setAlignment(Qt::AlignCenter);
  QFont bold = font;
  bold.setBold(true);
  caption_->setFont(bold);
  caption_->setAutoFillBackground(true);
  QPalette captionColours = caption_->palette();
  captionColours.setColor(QPalette::Window, captionColours.color(QPalette::Highlight));
  captionColours.setColor(QPalette::WindowText, captionColours.color(QPalette::HighlightedText));
  caption_->setPalette(captionColours);
  caption_->installEventFilter(this);

  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("ClientArea"));
  client_->setGeometry(0, kCaptionHeight, kClientWidth, kClientHeight);
  progressBar1_ = new QProgressBar(client_);
  progressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
  progressBar1_->setRange(0, 100);
  progressBar1_->setValue(0);
  progressBar1_->setGeometry(17, 17, 489, 65);

  setWindowTitle(QStringLiteral("Запись"));
  // A language file that cannot be read is reported over the main window
  // (this one is hidden); everything stays Russian then.
  Guarded(&form1_, [this] { FormCreate(); });
}

void TForm3::FormCreate() {
  // The whole file is read before anything changes.
  const std::optional<QStringList> lines = ReadLanguageFile(QString::fromLatin1(kLanguageFileName));
  if (!lines || lines->isEmpty()) return;
  CaptionLines captions(*lines);
  SetWebAddress(form1_, QString::fromLatin1(kSecondWebAddress));
  QLabel* version = form1_.Grid().VersionLabel();
  ApplyCaptions(form1_, 1, 7, captions);
  version->setText(QString::fromLatin1(kVersionCaption));
  ApplyCaptions(form1_, 8, 22, captions);
  version->setText(QString::fromLatin1(kVersionCaption));
  ApplyCaptions(form1_, 23, 42, captions);
  version->setText(QString::fromLatin1(kVersionCaption));
  ApplyCaptions(form1_, 43, kMainCaptionLineCount, captions);
  if (const std::optional<QString> caption = captions.Next()) setWindowTitle(*caption);  // 71
  form2_.setWindowTitle(QStringLiteral("Zelor ") + CaptionOfLine(form1_, kMainCaptionLineCount));
  QStringList compareCaptions;  // lines 72 to 84
  while (compareCaptions.size() < static_cast<qsizetype>(TForm2::kCaptionTargets.size())) {
    const std::optional<QString> caption = captions.Next();
    if (!caption) break;
    compareCaptions.append(*caption);
  }
  form2_.ApplyCaptions(compareCaptions);
  // Messages 7 to 18, the program's own messages and menu captions, then
  // Qt's dialogs.
  form1_.Messages().SwitchToEnglish();
  form1_.ApplyOwnCaptions();
  UseEnglishDialogs();
}

void TForm3::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowTitleChange) caption_->setText(windowTitle());
  QWidget::changeEvent(event);
}

bool TForm3::eventFilter(QObject* watched, QEvent* event) {
  // Dragging the caption strip moves the window, as a title bar would.
  if (watched == caption_ && event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && windowHandle()) {
    windowHandle()->startSystemMove();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void TForm3::paintEvent(QPaintEvent*) {
  // The window's edge, which no window manager draws here.
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TForm3::ShowCentred() {
  const QRect main = form1_.frameGeometry();
  move(main.center() - QPoint(width() / 2, height() / 2));
  show();
  raise();
}

}  // namespace zelor
