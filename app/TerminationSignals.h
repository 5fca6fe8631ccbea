#pragma once
// The system's requests to end the program (on POSIX systems SIGTERM, SIGINT
// and SIGHUP: a logout, `kill`, Ctrl+C in the terminal it was started from)
// end it the way closing the main window does: a run is stopped with "s"
// and its threads end, then the window and the port are released. The
// window's own routine for that (TForm1::EndAtSystemRequest) asks nothing,
// for there may be no one to answer.
//
// Nothing of that runs in a signal handler. The handler only hands the
// request to the GUI thread's event loop (on POSIX through a pipe that a
// socket notifier watches), and the window is closed there, between two
// events, like any other command.
//
// One file per platform (TerminationSignalsPosix.cpp,
// TerminationSignalsWin32.cpp); app/CMakeLists.txt picks it.

#include <functional>

class QWidget;

namespace zelor {

// Runs `end` on the GUI thread (it closes `mainWindow`) when the system asks
// the program to end, for as long as the window lives. One window at a
// time: a second call while the first window lives does nothing. When the
// window is deleted, the handling that was in force before is back.
void CloseOnTerminationSignals(QWidget& mainWindow, std::function<void()> end);

}  // namespace zelor
