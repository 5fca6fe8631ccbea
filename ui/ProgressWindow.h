#pragma once
// The write-progress window as the table transfer sees it: a window with one
// progress bar, shown centred over the main window while a write is
// verified and closed when the read-back is over. The program's one is
// TForm3 (app/Unit3).

#include <QWidget>

class QProgressBar;

namespace zelor {

class ProgressWindow : public QWidget {
 public:
  using QWidget::QWidget;

  virtual QProgressBar* ProgressBar1() const = 0;
  // Shows the window centred on the main window.
  virtual void ShowCentred() = 0;
};

}  // namespace zelor
