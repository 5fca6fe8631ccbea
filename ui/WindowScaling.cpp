#include "ui/WindowScaling.h"

#include <QGroupBox>
#include <QLayout>
#include <QTabBar>
#include <QTabWidget>
#include <QWidget>

#include "core/Scaling.h"

namespace zelor {
namespace {

void ScaleFont(QWidget* widget, int multiplier, int divisor) {
  if (!widget->testAttribute(Qt::WA_SetFont)) return;
  QFont font = widget->font();
  if (font.pixelSize() > 0) {
    font.setPixelSize(std::max(1, MulDiv(font.pixelSize(), multiplier, divisor)));
  } else if (font.pointSizeF() > 0) {
    font.setPointSizeF(font.pointSizeF() * multiplier / divisor);
  }
  widget->setFont(font);
}

bool PlacedByLayout(const QWidget* widget) {
  const QWidget* parent = widget->parentWidget();
  return parent && parent->layout() && parent->layout()->indexOf(widget) >= 0;
}

// Plain containers whose children are placed by position.
bool IsContainer(const QWidget* widget) {
  return widget->metaObject() == &QWidget::staticMetaObject ||
         qobject_cast<const QGroupBox*>(widget) != nullptr;
}

void ScaleChildren(QWidget* parent, int multiplier, int divisor) {
  for (QObject* object : parent->children()) {
    auto* child = qobject_cast<QWidget*>(object);
    if (!child || child->isWindow()) continue;
    if (!PlacedByLayout(child)) {
      const QRect r = child->geometry();
      child->setGeometry(MulDiv(r.x(), multiplier, divisor), MulDiv(r.y(), multiplier, divisor),
                         MulDiv(r.width(), multiplier, divisor),
                         MulDiv(r.height(), multiplier, divisor));
    }
    ScaleFont(child, multiplier, divisor);
    if (auto* tabs = qobject_cast<QTabWidget*>(child)) {
      ScaleFont(tabs->tabBar(), multiplier, divisor);
      for (int i = 0; i < tabs->count(); ++i) ScaleChildren(tabs->widget(i), multiplier, divisor);
    } else if (IsContainer(child)) {
      ScaleChildren(child, multiplier, divisor);
    }
  }
}

}  // namespace

void ScaleWidgetTree(QWidget* client, int multiplier, int divisor) {
  if (divisor == 0) return;
  ScaleFont(client, multiplier, divisor);
  const QSize size = client->size();
  client->setFixedSize(MulDiv(size.width(), multiplier, divisor),
                       MulDiv(size.height(), multiplier, divisor));
  ScaleChildren(client, multiplier, divisor);
}

}  // namespace zelor
