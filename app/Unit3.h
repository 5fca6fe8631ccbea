#pragma once
// The write-progress window: a small, semi-transparent window that stays on
// top while a table write is being verified, with one progress bar.
//
// It draws its own caption strip instead of taking the window manager's
// title bar: some window managers (Openbox among them) put minimise,
// maximise and close buttons on every title bar whatever the window asks
// for, and this window has none. The strip shows the window's title and
// moves the window when dragged. It owns only its progress bar.
//
// Its creation handler is the language switch: it reads "language.txt" of
// the current directory whole (core/LanguageFile) and hands one cursor over
// its caption lines to the windows in the file's order: the main window
// applies lines 1 to 70 (app/MainCaptions; message texts 1 to 6 among them),
// this window line 71, the comparison window lines 72 to 84 with the copies
// to its Table 2 menu (compare/CompareMenu.h); between them it sets the
// firmware label, the web address and the comparison window's caption.
// Then the messages switch to English (MessageTexts::SwitchToEnglish), the
// program's own items are captioned again (TForm1::ApplyOwnCaptions) and
// Qt's Russian translation goes (UseEnglishDialogs, ui/DialogLanguage).

#include "ui/ProgressWindow.h"

class QLabel;
class QProgressBar;

namespace zelor {

class TForm1;
class TForm2;

class TForm3 : public ProgressWindow {
  Q_OBJECT
 public:
  // Creates the window hidden and runs its creation handler, which needs the
  // two other windows to exist: it applies "language.txt" of the current
  // directory, when there is one, to all three windows and switches the
  // messages and Qt's dialogs to English.
  TForm3(TForm1& form1, TForm2& form2);

  QProgressBar* ProgressBar1() const override { return progressBar1_; }
  // The caption strip (it shows the window title) and the client area below
  // it, which holds the progress bar.
  QLabel* Caption() const { return caption_; }
  QWidget* Client() const { return client_; }
  // Shows the window centred on the main window.
  void ShowCentred() override;

  static constexpr int kCaptionHeight = 22;

 protected:
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void FormCreate();

  TForm1& form1_;
  TForm2& form2_;
  QLabel* caption_;
  QWidget* client_;
  QProgressBar* progressBar1_;
};

}  // namespace zelor
