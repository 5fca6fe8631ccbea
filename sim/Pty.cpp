#include "sim/Pty.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace zelor::sim {

Pty::~Pty() { Close(); }

bool Pty::Open(std::string& error) {
  Close();
  auto fail = [&](const char* what) {
    error = std::string(what) + ": " + std::strerror(errno);
    Close();
    return false;
  };
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0) return fail("posix_openpt");
  if (::grantpt(master_) != 0) return fail("grantpt");
  if (::unlockpt(master_) != 0) return fail("unlockpt");
  char name[128];
  if (::ptsname_r(master_, name, sizeof name) != 0) return fail("ptsname_r");
  slavePath_ = name;
  slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0) return fail("open slave");
  termios tio{};
  if (::tcgetattr(slave_, &tio) != 0) return fail("tcgetattr");
  ::cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  ::cfsetispeed(&tio, B9600);
  ::cfsetospeed(&tio, B9600);
  if (::tcsetattr(slave_, TCSANOW, &tio) != 0) return fail("tcsetattr");
  const int flags = ::fcntl(master_, F_GETFL);
  if (flags < 0 || ::fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) return fail("fcntl");
  ::fcntl(master_, F_SETFD, FD_CLOEXEC);
  return true;
}

void Pty::Close() {
  if (master_ >= 0) ::close(master_);
  if (slave_ >= 0) ::close(slave_);
  master_ = -1;
  slave_ = -1;
}

}  // namespace zelor::sim

namespace zelor::sim {

int Pty::UnreadBytes() const {
  if (slave_ < 0) return 0;
  // A byte written to the master is not in the slave's input queue yet when
  // write() returns: a kernel worker moves it there later, and TIOCINQ does
  // not count it meanwhile (nor does TIOCOUTQ on the master). A poll of the
  // slave must report such a byte as readable, so the kernel lets that worker
  // finish before it answers; after the poll the queue holds every byte
  // written so far and TIOCINQ counts them all.
  pollfd p{slave_, POLLIN, 0};
  while (::poll(&p, 1, 0) < 0 && errno == EINTR) {
  }
  int n = 0;
  if (::ioctl(slave_, TIOCINQ, &n) != 0) return 0;
  return n;
}

void Pty::CloseWhenRead(int maxWaitMs) {
  const timespec pause{0, 5'000'000};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxWaitMs);
  while (UnreadBytes() > 0 && std::chrono::steady_clock::now() < deadline)
    ::nanosleep(&pause, nullptr);
  Close();
}

}  // namespace zelor::sim
