#pragma once

// A real pseudo-terminal for tests: the test holds the master side and the
// code under test opens the slave side by its name, as it would a serial
// port. Header-only so that any test can use it.

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace zelor::test {

class PtyPair {
 public:
  using Clock = std::chrono::steady_clock;

  // Opens a new pseudo-terminal. With keepSlaveOpen the pair also holds a
  // descriptor of the slave, which keeps the terminal alive between the
  // openings of the code under test (so the master never sees a hang-up
  // then) and lets the test inspect the slave's settings and input queue.
  // Throws std::runtime_error when no pseudo-terminal can be made.
  explicit PtyPair(bool keepSlaveOpen = true) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) throw std::runtime_error("posix_openpt failed");
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    char name[128];
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0) {
      ::close(master_);
      throw std::runtime_error("cannot unlock the pseudo-terminal");
    }
    slaveName_ = name;
    if (keepSlaveOpen) {
      slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
      if (slave_ < 0) {
        ::close(master_);
        throw std::runtime_error("cannot open " + slaveName_);
      }
    }
  }

  ~PtyPair() {
    CloseMaster();
    if (slave_ >= 0) ::close(slave_);
  }

  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  // The path of the slave side, e.g. "/dev/pts/3".
  const std::string& SlaveName() const { return slaveName_; }

  // The master descriptor (non-blocking), -1 after CloseMaster.
  int MasterFd() const { return master_; }

  // The pair's own slave descriptor, -1 when not kept.
  int SlaveFd() const { return slave_; }

  // Closes the master: the far end hangs up for every slave descriptor.
  void CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

  // Writes all bytes to the master, waiting for room up to timeoutMs;
  // returns the number written.
  int WriteMaster(const void* data, int n, int timeoutMs = 5000) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int done = 0;
    while (done < n && master_ >= 0) {
      const ssize_t w = ::write(master_, p + done, static_cast<size_t>(n - done));
      if (w > 0) {
        done += static_cast<int>(w);
        continue;
      }
      if (w < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) break;
      if (Clock::now() >= deadline) break;
      pollfd pfd{master_, POLLOUT, 0};
      if (::poll(&pfd, 1, 10) > 0 && (pfd.revents & POLLOUT) == 0) Sleep(5);
    }
    return done;
  }

  // Writes the given bytes to the master; returns the number written.
  int WriteMaster(const std::vector<std::uint8_t>& bytes, int timeoutMs = 5000) {
    return WriteMaster(bytes.data(), static_cast<int>(bytes.size()), timeoutMs);
  }

  // Reads from the master until n bytes are in or timeoutMs has passed.
  std::vector<std::uint8_t> ReadMaster(int n, int timeoutMs = 5000) {
    std::vector<std::uint8_t> out;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::uint8_t chunk[4096];
    while (static_cast<int>(out.size()) < n && master_ >= 0) {
      const int want = std::min<int>(n - static_cast<int>(out.size()), sizeof chunk);
      const ssize_t r = ::read(master_, chunk, static_cast<size_t>(want));
      if (r > 0) {
        out.insert(out.end(), chunk, chunk + r);
        continue;
      }
      const auto left = deadline - Clock::now();
      if (left <= Clock::duration::zero()) break;
      if (r < 0 && errno == EIO) {
        // No slave is open at the moment: nothing can arrive yet.
        Sleep(5);
        continue;
      }
      pollfd pfd{master_, POLLIN, 0};
      const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
      if (::poll(&pfd, 1, static_cast<int>(std::min<long long>(ms, 50))) > 0 &&
          (pfd.revents & POLLIN) == 0) {
        Sleep(5);
      }
    }
    return out;
  }

  // Reads whatever arrives at the master within quietMs of silence.
  std::vector<std::uint8_t> DrainMaster(int quietMs = 100) {
    std::vector<std::uint8_t> all;
    for (;;) {
      std::vector<std::uint8_t> part = ReadMaster(4096, quietMs);
      if (part.empty()) return all;
      all.insert(all.end(), part.begin(), part.end());
    }
  }

  // The number of bytes waiting in the slave's input queue (needs the kept
  // slave descriptor), -1 when unknown. Bytes written to the master reach
  // that queue through a kernel worker after write() has returned; a poll of
  // the slave waits for it, so every byte written so far is counted.
  int SlaveQueued() const {
    if (slave_ < 0) return -1;
    pollfd pfd{slave_, POLLIN, 0};
    ::poll(&pfd, 1, 0);
    int count = 0;
    if (::ioctl(slave_, FIONREAD, &count) != 0) return -1;
    return count;
  }

  // Waits until the slave's input queue holds at least n bytes.
  bool WaitSlaveQueued(int n, int timeoutMs = 5000) const {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      if (SlaveQueued() >= n) return true;
      if (Clock::now() >= deadline) return false;
      Sleep(2);
    }
  }

  // The slave's current terminal settings (needs the kept slave descriptor).
  bool SlaveSettings(termios& out) const { return slave_ >= 0 && ::tcgetattr(slave_, &out) == 0; }

  // Replaces the slave's terminal settings (needs the kept slave descriptor).
  bool SetSlaveSettings(const termios& settings) const {
    return slave_ >= 0 && ::tcsetattr(slave_, TCSANOW, &settings) == 0;
  }

  static void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slaveName_;
};

}  // namespace zelor::test
