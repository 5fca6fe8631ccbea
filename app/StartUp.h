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

}  // namespace zelor
