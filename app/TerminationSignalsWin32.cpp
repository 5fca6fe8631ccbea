// The system's requests to end the program on Windows, as far as a console
// carries them: Ctrl+C, Ctrl+Break, closing the console, logging off and
// shutting down reach a program started from a console through its control
// handler. The handler runs on a thread of its own, which the system starts
// for it: it only queues the window's closing on the GUI thread's event
// loop. For the last three the system ends the process once the handler
// returns, so there the handler waits (within the system's grace time)
// until the window is gone, and with it the port.

#include <windows.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QWidget>
#include <atomic>
#include <utility>

#include "app/TerminationSignals.h"

namespace zelor {
namespace {

// The system gives a handler of these events about 5 s.
constexpr DWORD kGraceMs = 4500;

class TerminationWatch;
std::atomic<TerminationWatch*> gWatch{nullptr};
// Set once the watched window is gone.
HANDLE gWindowGone = nullptr;

class TerminationWatch final : public QObject {
 public:
  TerminationWatch(QWidget& window, std::function<void()> end)
      : QObject(&window), end_(std::move(end)) {}
  ~TerminationWatch() override {
    gWatch.store(nullptr);
    SetConsoleCtrlHandler(&OnConsoleEvent, FALSE);
    if (gWindowGone) SetEvent(gWindowGone);
  }

  static BOOL WINAPI OnConsoleEvent(DWORD event) {
    // The window is reached on the GUI thread only, where it may be gone by
    // then: the application object, which outlives it, takes the request.
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || !gWatch.load()) return FALSE;
    QMetaObject::invokeMethod(
        application,
        [] {
          if (TerminationWatch* watch = gWatch.load()) watch->end_();
        },
        Qt::QueuedConnection);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
      WaitForSingleObject(gWindowGone, kGraceMs);
    return TRUE;
  }

 private:
  std::function<void()> end_;  // closes the window, its parent
};

}  // namespace

void CloseOnTerminationSignals(QWidget& mainWindow, std::function<void()> end) {
  if (gWatch.load()) return;
  if (!gWindowGone) gWindowGone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!gWindowGone) return;
  ResetEvent(gWindowGone);
  auto* watch = new TerminationWatch(mainWindow, std::move(end));
  gWatch.store(watch);
  if (!SetConsoleCtrlHandler(&TerminationWatch::OnConsoleEvent, TRUE)) {
    gWatch.store(nullptr);
    delete watch;
  }
}

}  // namespace zelor
