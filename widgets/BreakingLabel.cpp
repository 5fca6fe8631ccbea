#include "widgets/BreakingLabel.h"

#include <QPainter>
#include <QStyle>

namespace zelor {

QSize BreakingLabel::sizeHint() const {
  const QSize text = fontMetrics().boundingRect(QRect(0, 0, 2000, 2000), Flags(), Shown()).size();
  const QMargins frame = contentsMargins();
  return text + QSize(frame.left() + frame.right() + 2 * margin(),
                      frame.top() + frame.bottom() + 2 * margin());
}

void BreakingLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  drawFrame(&painter);
  const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
  style()->drawItemText(&painter, area, Flags(), palette(), isEnabled(), Shown(), foregroundRole());
}

int BreakingLabel::Flags() const {
  return int(QStyle::visualAlignment(layoutDirection(), alignment())) |
         (layoutDirection() == Qt::LeftToRight ? Qt::TextForceLeftToRight
                                               : Qt::TextForceRightToLeft);
}

QString BreakingLabel::Shown() const {
  QString shown = text();
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  shown.replace(QLatin1String("\n\r"), QLatin1String("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

BreakingLabel* MakeHintLabel(QWidget* parent, const char* name, const QString& text) {
  auto* label = new BreakingLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  label->setAutoFillBackground(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::ToolTipBase));
  palette.setColor(QPalette::WindowText, palette.color(QPalette::ToolTipText));
  label->setPalette(palette);
  label->hide();
  return label;
}

}  // namespace zelor
