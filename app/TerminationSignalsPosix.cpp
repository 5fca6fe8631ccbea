// The system's requests to end the program on POSIX systems: SIGTERM, SIGINT
// and SIGHUP. The handler writes the signal's number into a pipe, the one
// thing it may safely do; a socket notifier on the pipe's other end wakes
// the GUI thread's event loop, which closes the main window.

#include <fcntl.h>
#include <unistd.h>

#include <QObject>
#include <QSocketNotifier>
#include <QWidget>
#include <array>
#include <cerrno>
#include <csignal>
#include <utility>

#include "app/TerminationSignals.h"

namespace zelor {
namespace {

constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};

// The pipe's write end while a window is watched, else -1. Set before the
// handlers are installed and cleared after they are taken back.
volatile std::sig_atomic_t gWakeFd = -1;

extern "C" void OnTerminationSignal(int signal) {
  const int savedErrno = errno;
  const int fd = gWakeFd;
  if (fd >= 0) {
    const unsigned char number = static_cast<unsigned char>(signal);
    // A full pipe already holds a request: nothing is lost.
    [[maybe_unused]] const ssize_t written = ::write(fd, &number, 1);
  }
  errno = savedErrno;
}

class TerminationWatch final : public QObject {
 public:
  // Starts watching for window; false when another window is watched or
  // the pipe cannot be made (the signals then end the program at once, as
  // a signal not handled does).
  static bool Start(QWidget& window, std::function<void()> end) {
    if (gWakeFd >= 0) return false;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    new TerminationWatch(window, std::move(end), fds[0], fds[1]);
    return true;
  }

  ~TerminationWatch() override {
    for (std::size_t k = 0; k < kSignals.size(); ++k) {
      if (installed_[k]) ::sigaction(kSignals[k], &previous_[k], nullptr);
    }
    gWakeFd = -1;
    ::close(writeFd_);
    ::close(readFd_);
  }

 private:
  TerminationWatch(QWidget& window, std::function<void()> end, int readFd, int writeFd)
      : QObject(&window), end_(std::move(end)), readFd_(readFd), writeFd_(writeFd) {
    auto* notifier = new QSocketNotifier(readFd_, QSocketNotifier::Read, this);
    QObject::connect(notifier, &QSocketNotifier::activated, this, [this] { Closing(); });
    gWakeFd = writeFd_;
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigfillset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t k = 0; k < kSignals.size(); ++k)
      installed_[k] = ::sigaction(kSignals[k], &action, &previous_[k]) == 0;
  }

  // On the GUI thread: empties the pipe, then ends the program through the
  // window. Requests that come meanwhile close it again, which does no harm.
  void Closing() {
    unsigned char numbers[64];
    while (::read(readFd_, numbers, sizeof numbers) > 0) {
    }
    end_();
  }

  std::function<void()> end_;  // closes the window, its parent
  int readFd_;
  int writeFd_;
  std::array<struct sigaction, kSignals.size()> previous_{};
  std::array<bool, kSignals.size()> installed_{};
};

}  // namespace

void CloseOnTerminationSignals(QWidget& mainWindow, std::function<void()> end) {
  TerminationWatch::Start(mainWindow, std::move(end));
}

}  // namespace zelor
