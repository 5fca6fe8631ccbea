#pragma once
// The write-progress window: a small, semi-transparent window that stays on
// top while a table write is being verified, with one progress bar.

#include <QWidget>

class QProgressBar;

namespace zelor {

class TForm1;
class TForm2;

class TForm3 : public QWidget {
  Q_OBJECT
 public:
  // Creates the window hidden and runs its creation handler, which needs the
  // two other windows to exist.
  TForm3(TForm1& form1, TForm2& form2);

  QProgressBar* ProgressBar1() const { return progressBar1_; }
  // Shows the window centred on the main window.
  void ShowCentred();

 private:
  void FormCreate();

  TForm1& form1_;
  TForm2& form2_;
  QProgressBar* progressBar1_;
};

}  // namespace zelor
