#pragma once
// Lets a window see every key before the focused control: key presses and
// releases aimed at any widget of the window go to the window's handlers
// first, and a key a handler takes is swallowed.

#include <QObject>
#include <functional>

class QKeyEvent;
class QWidget;

namespace zelor {

class KeyPreview : public QObject {
  Q_OBJECT
 public:
  // A handler returns true when it took the key (the control then never
  // sees it).
  using Handler = std::function<bool(QKeyEvent*)>;

  // Watches the keys of window's widgets for as long as this object lives.
  KeyPreview(QWidget* window, Handler onKeyDown, Handler onKeyUp);
  ~KeyPreview() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
  Handler onKeyDown_;
  Handler onKeyUp_;
};

}  // namespace zelor
