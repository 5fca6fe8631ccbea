#pragma once
// The busy cursor over the whole program while a blocking exchange with the
// converter runs on the window's thread. The guard restores the cursor when
// it ends, by End() (before a message is shown) or when it goes out of scope,
// an error unwinding through it included.

#include <QApplication>

namespace zelor {

class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { End(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

  // Restores the cursor now; later calls do nothing.
  void End() {
    if (!active_) return;
    active_ = false;
    QApplication::restoreOverrideCursor();
  }

 private:
  bool active_ = true;
};

}  // namespace zelor
