// converter-sim: the air-flow converter on a pseudo-terminal. Prints the
// path of its port as the first line of standard output, then serves the
// converter's commands until SIGINT or SIGTERM (see SimOptions::Usage).

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sim/ConverterDevice.h"
#include "sim/DeviceMemory.h"
#include "sim/Pty.h"
#include "sim/Recorder.h"
#include "sim/SimLoop.h"
#include "sim/SimOptions.h"

namespace {

volatile std::sig_atomic_t gStop = 0;

extern "C" void OnStopSignal(int) { gStop = 1; }

void InstallSignals() {
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  struct sigaction ign {};
  ign.sa_handler = SIG_IGN;
  sigemptyset(&ign.sa_mask);
  sigaction(SIGPIPE, &ign, nullptr);
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "converter-sim: %s\n", message.c_str());
  return 1;
}

// Makes `link` a symbolic link to `target`; only a symbolic link already
// there (left by an earlier run) is replaced, never another kind of file.
bool MakeLink(const std::string& link, const std::string& target, std::string& error) {
  struct stat st {};
  if (::lstat(link.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      error = link + " exists and is not a symbolic link";
      return false;
    }
    if (::unlink(link.c_str()) != 0) {
      error = "cannot replace " + link + ": " + std::strerror(errno);
      return false;
    }
  }
  if (::symlink(target.c_str(), link.c_str()) != 0) {
    error = "cannot create link " + link + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

// Removes `link` if it still points to `target`.
void RemoveLink(const std::string& link, const std::string& target) {
  std::vector<char> buf(target.size() + 2);
  const ssize_t n = ::readlink(link.c_str(), buf.data(), buf.size());
  if (n >= 0 && std::string(buf.data(), static_cast<std::size_t>(n)) == target)
    ::unlink(link.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  using namespace zelor::sim;
  const auto start = std::chrono::steady_clock::now();

  SimOptions options;
  std::string error;
  switch (SimOptions::Parse(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
    case SimOptions::Outcome::kHelp: std::fputs(SimOptions::Usage().c_str(), stdout); return 0;
    case SimOptions::Outcome::kError:
      std::fprintf(stderr, "converter-sim: %s\n(see converter-sim --help)\n", error.c_str());
      return 2;
    case SimOptions::Outcome::kRun: break;
  }

  DeviceConfig config;
  if (options.tableFile && !DeviceMemory::LoadTabFile(*options.tableFile, config.memory, error)) {
    return Fail(error);
  }
  config.version = options.version;
  config.faults = options.faults;
  config.seed = options.seed;
  config.o2 = options.o2;
  config.ecu = options.ecu;
  config.speed = options.speed;
  config.flashDelay = std::chrono::milliseconds(options.flashMs);

  Recorder recorder;
  if (options.recordFile && !recorder.Open(*options.recordFile, error)) return Fail(error);

  InstallSignals();
  Pty pty;
  if (!pty.Open(error)) return Fail("cannot open a pseudo-terminal: " + error);
  if (options.linkPath && !MakeLink(*options.linkPath, pty.SlavePath(), error)) return Fail(error);

  std::printf("%s\n", pty.SlavePath().c_str());
  std::fflush(stdout);

  ConverterDevice device(config);
  SimLoop loop(pty.MasterFd(), device, options.recordFile ? &recorder : nullptr, start);
  const SimLoop::Status status = loop.Run([] { return gStop == 0; });

  int rc = 0;
  if (status == SimLoop::Status::kHangup) {
    // Let the configurator take the last frames, as it would have from a
    // real adapter, before pulling the plug.
    pty.CloseWhenRead(2000);
    std::fprintf(stderr, "converter-sim: port closed after %llu frames (hangup-after)\n",
                 static_cast<unsigned long long>(device.StreamFrames()));
  } else if (status == SimLoop::Status::kPortError) {
    std::fprintf(stderr, "converter-sim: the port failed: %s\n", std::strerror(errno));
    rc = 1;
  }
  if (loop.Line().Dropped() > 0) {
    // Said on the way out, so that a test can tell a reader that kept up.
    std::fprintf(stderr, "converter-sim: %llu bytes lost: the port was not read in time\n",
                 static_cast<unsigned long long>(loop.Line().Dropped()));
  }
  pty.Close();
  if (options.linkPath) RemoveLink(*options.linkPath, pty.SlavePath());
  recorder.Close();
  return rc;
}
