#pragma once
// The program's start-up: locale, then the three windows in their order. A
// test calls StartUp() without entering the message loop.

#include <QStringList>
#include <memory>

namespace zelor {

class TForm1;
class TForm2;
class TForm3;

struct Windows {
  std::unique_ptr<TForm1> form1;
  std::unique_ptr<TForm2> form2;
  std::unique_ptr<TForm3> form3;
  Windows();
  Windows(Windows&&) noexcept;
  Windows& operator=(Windows&& other) noexcept;  // releases the held windows first, in order
  ~Windows();  // releases the progress window, the comparison window, then the main window
};

// Sets the Russian locale, creates the main window (shown), the comparison
// window and the progress window (both hidden). A QApplication must exist.
// extraPorts are added to the port box after the system's ports.
Windows StartUp(const QStringList& extraPorts);

// The start check of an installed program (ZELOR_START_CHECK): once the
// message loop runs, prints one line on standard output, "ZelorConfigurator
// started:" with the main window's tab headers and the Cancel button's text
// of Qt's dialogs (so the line shows the language file and Qt's translations
// at work), and ends the program: exit code 0 when the main window is shown,
// 1 when not. With ZELOR_START_CHECK_PORT naming a port of the port box, it
// first picks that port as the user does (which reads the table and the
// firmware) and prints a second line, "picked PORT: firmware \"LABEL\",
// table checksum N", with the firmware label and the sum of the grid's 256
// cells, and a third, "port box tooltip \"TEXT\"" (the port and the name the
// system gives its adapter, where it gives one); exit code 1 too when the
// read failed. With ZELOR_START_CHECK_STREAM
// as well, a good read is followed by "Старт" and a fourth line, "streaming
// from PORT", and the program runs on until it is ended. With
// ZELOR_START_CHECK_GUIDE, a line "guide FILE" follows the first: the guide
// that "Окно" > "Руководство" opened (exit code 1 when none). With
// ZELOR_START_CHECK_FILES naming a table file, the table's "Сохранить" (cancelled) and
// "Открыть" (of that file) in the main window, then "Открыть" of the
// comparison window's first table, each print "save|open dialog starts in
// FOLDER", then "caption ...", "comparison caption ..." and "comparison
// label ..." name the file as shown. With ZELOR_START_CHECK_LEFT, what an
// earlier run left is offered as at a normal start, each question printed
// ("question ...") and answered Yes, then "recording of N samples" tells
// the recording held (exit code 1 when none).
void QuitOnceStarted(const Windows& windows);

}  // namespace zelor
