#include "widgets/KeyPreview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace zelor {

KeyPreview::KeyPreview(QWidget* window, Handler onKeyDown, Handler onKeyUp)
    : QObject(window),
      window_(window),
      onKeyDown_(std::move(onKeyDown)),
      onKeyUp_(std::move(onKeyUp)) {
  qApp->installEventFilter(this);
}

KeyPreview::~KeyPreview() { qApp->removeEventFilter(this); }

bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  // Each key event is delivered to the focus widget first; take it there,
  // once, and only for widgets of this window.
  if (!widget || widget->window() != window_) return false;
  if (widget != QApplication::focusWidget() && widget != window_) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  const Handler& handler = type == QEvent::KeyPress ? onKeyDown_ : onKeyUp_;
  return handler && handler(key);
}

}  // namespace zelor
