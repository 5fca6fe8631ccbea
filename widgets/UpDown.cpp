#include "widgets/UpDown.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace zelor {

UpDown::UpDown(const QString& name, int minimum, int maximum, int position, QWidget* parent)
    : QWidget(parent),
      minimum_(minimum),
      maximum_(maximum),
      position_(std::clamp(position, minimum, maximum)) {
  setObjectName(name);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  up_ = new QToolButton(this);
  up_->setArrowType(Qt::UpArrow);
  down_ = new QToolButton(this);
  down_->setArrowType(Qt::DownArrow);
  for (QToolButton* button : {up_, down_}) {
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    button->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(button);
  }
  connect(up_, &QToolButton::clicked, this, [this] { SetPosition(position_ + 1); });
  connect(down_, &QToolButton::clicked, this, [this] { SetPosition(position_ - 1); });
}

void UpDown::SetBuddy(QLineEdit* buddy) {
  buddy_ = buddy;
  if (buddy_) buddy_->setText(QString::number(position_));
}

void UpDown::SetPosition(int position) {
  const int clamped = std::clamp(position, minimum_, maximum_);
  if (clamped == position_) {
    // Keep the buddy truthful even when someone wrote into it directly.
    if (buddy_ && buddy_->text() != QString::number(position_))
      buddy_->setText(QString::number(position_));
    return;
  }
  position_ = clamped;
  if (buddy_) buddy_->setText(QString::number(position_));
  emit PositionChanged(position_);
}

}  // namespace zelor
