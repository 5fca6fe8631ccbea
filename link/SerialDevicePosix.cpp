// The serial device on POSIX systems: a termios terminal opened without
// blocking, waited on with poll() together with a wake pipe.

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>

#include "link/SerialDevice.h"
#include "link/SerialPortError.h"

namespace zelor {
namespace {

// Milliseconds left until the deadline, rounded up so that a wait never ends
// before it; 0 once the deadline has passed.
int RemainingMs(SerialDevice::Clock::time_point deadline) {
  const auto left = deadline - SerialDevice::Clock::now();
  if (left <= SerialDevice::Clock::duration::zero()) return 0;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

void CloseQuietly(int& fd) {
  if (fd >= 0) {
    ::close(fd);
    fd = -1;
  }
}

bool SetNonBlockingCloexec(int fd) {
  const int fl = ::fcntl(fd, F_GETFL);
  const int fdfl = ::fcntl(fd, F_GETFD);
  return fl >= 0 && fdfl >= 0 && ::fcntl(fd, F_SETFL, fl | O_NONBLOCK) == 0 &&
         ::fcntl(fd, F_SETFD, fdfl | FD_CLOEXEC) == 0;
}

class PosixSerialDevice final : public SerialDevice {
 public:
  ~PosixSerialDevice() override { Close(); }

  void Open(const std::string& name) override {
    int fds[2];
    if (::pipe(fds) != 0) throw SerialPortError(kErrorOpen, errno);
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
    if (!SetNonBlockingCloexec(wakeRead_) || !SetNonBlockingCloexec(wakeWrite_)) {
      const int code = errno;
      Close();
      throw SerialPortError(kErrorOpen, code);
    }
    do {
      fd_ = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
      const int code = errno;
      Close();
      throw SerialPortError(kErrorOpen, code);
    }
    // Anything that is not a terminal is refused (ENOTTY) before it is locked.
    termios probe{};
    if (::tcgetattr(fd_, &probe) != 0) {
      const int code = errno;
      Close();
      throw SerialPortError(kErrorOpen, code);
    }
    // Exclusive use, in two holds. The advisory lock refuses every other
    // opening that asks for it, whoever runs it; the lock belongs to this
    // opening alone. It is taken first, so that the terminal's exclusive
    // mode below is only ever set (and later cleared) by the one holder.
    int locked;
    do {
      locked = ::flock(fd_, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
      // Another opening holds the port: the same code as a refused open.
      const int code = errno == EWOULDBLOCK ? EBUSY : errno;
      Close();
      throw SerialPortError(kErrorOpen, code);
    }
    // The terminal's exclusive mode makes further opens fail with EBUSY for
    // anyone but the superuser, including programs that take no lock.
    if (::ioctl(fd_, TIOCEXCL) != 0) {
      const int code = errno;
      Close();
      throw SerialPortError(kErrorOpen, code);
    }
    holding_.store(true, std::memory_order_release);
  }

  void SetQueueSizes(int, int) override {
    // The kernel keeps terminal queues of its own fixed size (larger than
    // asked for); there is nothing to set here.
  }

  void SetLineSettings() override {
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) Fail(kErrorLineSettings, errno);
    ::cfmakeraw(&tio);
    // Transparent input: nothing stripped, marked, translated or dropped.
    tio.c_iflag &= ~(IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR | IGNCR | ICRNL |
                     IXON | IXOFF | IXANY | IMAXBEL);
#ifdef IUCLC
    tio.c_iflag &= ~IUCLC;
#endif
    tio.c_oflag &= ~OPOST;
    tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB);
#ifdef CRTSCTS
    tio.c_cflag &= ~CRTSCTS;
#endif
#ifdef CMSPAR
    tio.c_cflag &= ~CMSPAR;
#endif
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    if (::cfsetispeed(&tio, B9600) != 0 || ::cfsetospeed(&tio, B9600) != 0) {
      Fail(kErrorLineSettings, errno);
    }
    if (::tcsetattr(fd_, TCSANOW, &tio) != 0) Fail(kErrorLineSettings, errno);
    // tcsetattr succeeds when any part was taken; check that what matters was.
    constexpr tcflag_t kInputChanging =
        PARMRK | INPCK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY;
    termios back{};
    if (::tcgetattr(fd_, &back) != 0) Fail(kErrorLineSettings, errno);
    const tcflag_t cflagMask = CSIZE | PARENB | CSTOPB | CLOCAL | CREAD
#ifdef CRTSCTS
                               | CRTSCTS
#endif
        ;
    if ((back.c_cflag & cflagMask) != (tio.c_cflag & cflagMask) ||
        (back.c_iflag & kInputChanging) != 0 || (back.c_oflag & OPOST) != 0 ||
        (back.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) != 0 || ::cfgetispeed(&back) != B9600 ||
        ::cfgetospeed(&back) != B9600) {
      Fail(kErrorLineSettings, EINVAL);
    }
    // DTR and RTS off. Devices without modem lines (pseudo-terminals, some
    // adapters) answer ENOTTY or EINVAL; that is no fault of the line.
    int lines = TIOCM_DTR | TIOCM_RTS;
    if (::ioctl(fd_, TIOCMBIC, &lines) != 0 && errno != ENOTTY && errno != EINVAL) {
      Fail(kErrorLineSettings, errno);
    }
  }

  void SetTimeouts() override {
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) Fail(kErrorTimeouts, errno);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd_, TCSANOW, &tio) != 0) Fail(kErrorTimeouts, errno);
  }

  void Purge() override {
    if (::tcflush(fd_, TCIOFLUSH) != 0) throw SerialPortError(kErrorPurge, errno);
  }

  int ReadUntil(std::uint8_t* buffer, int n, Clock::time_point deadline) override {
    int got = 0;
    while (got < n) {
      if (woken_.load(std::memory_order_acquire)) throw SerialPortError(kErrorRead);
      pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
      const int ready = ::poll(fds, 2, RemainingMs(deadline));
      if (ready < 0) {
        if (errno == EINTR) continue;
        throw SerialPortError(kErrorRead, errno);
      }
      if (ready == 0) {
        if (RemainingMs(deadline) == 0) break;
        continue;
      }
      if (fds[1].revents != 0 || woken_.load(std::memory_order_acquire)) {
        throw SerialPortError(kErrorRead);
      }
      if (fds[0].revents & POLLNVAL) throw SerialPortError(kErrorRead, EBADF);
      if (fds[0].revents & (POLLHUP | POLLERR)) throw SerialPortError(kErrorRead, EIO);
      if ((fds[0].revents & POLLIN) == 0) continue;
      const ssize_t r = ::read(fd_, buffer + got, static_cast<size_t>(n - got));
      if (r > 0) {
        got += static_cast<int>(r);
      } else if (r == 0) {
        // With VMIN = VTIME = 0 a read finds nothing both when another
        // thread took the bytes first and when the device was hung up. A
        // hung-up terminal refuses every query; a live one answers.
        termios probe{};
        if (::tcgetattr(fd_, &probe) != 0) {
          throw SerialPortError(kErrorRead, errno != 0 ? errno : EIO);
        }
      } else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
        throw SerialPortError(kErrorRead, errno);
      }
    }
    return got;
  }

  int WriteUntil(const std::uint8_t* data, int n, Clock::time_point deadline) override {
    int sent = 0;
    while (sent < n) {
      if (woken_.load(std::memory_order_acquire)) throw SerialPortError(kErrorWrite);
      const ssize_t w = ::write(fd_, data + sent, static_cast<size_t>(n - sent));
      if (w > 0) {
        sent += static_cast<int>(w);
        continue;
      }
      if (w < 0 && errno == EINTR) continue;
      if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
        throw SerialPortError(kErrorWrite, errno);
      }
      // The device takes no more for now: wait until it does.
      const int ms = RemainingMs(deadline);
      if (ms == 0) break;
      pollfd fds[2] = {{fd_, POLLOUT, 0}, {wakeRead_, POLLIN, 0}};
      const int ready = ::poll(fds, 2, ms);
      if (ready < 0) {
        if (errno == EINTR) continue;
        throw SerialPortError(kErrorWrite, errno);
      }
      if (ready == 0) continue;
      if (fds[1].revents != 0) throw SerialPortError(kErrorWrite);
      if (fds[0].revents & POLLNVAL) throw SerialPortError(kErrorWrite, EBADF);
      if (fds[0].revents & (POLLHUP | POLLERR)) throw SerialPortError(kErrorWrite, EIO);
    }
    return sent;
  }

  void Wake() override {
    woken_.store(true, std::memory_order_release);
    // Give up the exclusive holds now, so that the port can be opened again
    // at once even while a woken call has not yet left this device.
    ReleaseHolds();
    const char byte = 1;
    ssize_t w;
    do {
      w = ::write(wakeWrite_, &byte, 1);
    } while (w < 0 && errno == EINTR);
    // A full pipe (EAGAIN) already wakes everyone; nothing else can fail.
  }

  void Close() noexcept override {
    ReleaseHolds();
    CloseQuietly(fd_);
    CloseQuietly(wakeRead_);
    CloseQuietly(wakeWrite_);
  }

 private:
  // Releases the device and raises the settings error.
  [[noreturn]] void Fail(int number, int code) {
    Close();
    throw SerialPortError(number, code);
  }

  // Gives up the lock and the terminal's exclusive mode, once per opening.
  // The exclusive mode belongs to the terminal, not to this descriptor: a
  // second clearing, after the port has been opened anew, would clear the
  // new opening's hold.
  void ReleaseHolds() noexcept {
    if (!holding_.exchange(false, std::memory_order_acq_rel)) return;
    ::ioctl(fd_, TIOCNXCL);
    ::flock(fd_, LOCK_UN);
  }

  int fd_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  // True from taking the holds in Open until ReleaseHolds.
  std::atomic<bool> holding_{false};
  std::atomic<bool> woken_{false};
};

}  // namespace

std::unique_ptr<SerialDevice> MakeSerialDevice() { return std::make_unique<PosixSerialDevice>(); }

int NotOpenCode() { return EBADF; }

}  // namespace zelor
