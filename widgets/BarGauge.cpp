#include "widgets/BarGauge.h"

#include <QPainter>
#include <algorithm>

namespace zelor {

BarGauge::BarGauge(const QString& name, const QColor& color, QWidget* parent)
    : QWidget(parent), color_(color) {
  setObjectName(name);
  // The bar and the background cover the whole gauge: nothing below it is
  // drawn when it repaints.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void BarGauge::SetProgress(int value) {
  const int clamped = std::clamp(value, kMinimum, kMaximum);
  if (clamped == progress_) return;
  progress_ = clamped;
  update();
}

void BarGauge::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  const int barHeight = height() * progress_ / kMaximum;
  painter.fillRect(QRect(0, height() - barHeight, width(), barHeight),
                   isEnabled() ? color_ : kGreyedColor);
}

}  // namespace zelor
