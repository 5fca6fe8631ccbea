#include "sim/Pty.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
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
  int n = 0;
  if (slave_ < 0 || ::ioctl(slave_, TIOCINQ, &n) != 0) return 0;
  return n;
}

void Pty::CloseWhenRead(int maxWaitMs) {
  const timespec pause{0, 5'000'000};
  for (int waited = 0; waited < maxWaitMs && UnreadBytes() > 0; waited += 5)
    ::nanosleep(&pause, nullptr);
  Close();
}

}  // namespace zelor::sim
