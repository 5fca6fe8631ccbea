#pragma once
// The simulator's main loop, single-threaded: wait on the pty master until
// bytes arrive or the device or the line has something due, record and feed
// the received bytes to the device, run the device's timers, and let the
// paced line write the device's output. converter-sim runs it until a
// signal; tests run it in a thread on a Pty of their own.

#include <chrono>
#include <functional>

#include "sim/ConverterDevice.h"
#include "sim/PacedLine.h"
#include "sim/Recorder.h"
#include "sim/SimTime.h"

namespace zelor::sim {

class SimLoop {
 public:
  enum class Status {
    kRunning,    // carry on
    kHangup,     // the hangup-after fault fired and its last bytes are out
    kPortError,  // the master descriptor failed
  };

  // A loop serving `device` on the master descriptor `masterFd` (not
  // owned), recording into `recorder` when it is not null. Times count from
  // `start`.
  SimLoop(int masterFd, ConverterDevice& device, Recorder* recorder,
          std::chrono::steady_clock::time_point start);

  // Waits for at most `maxWait` (less when something falls due earlier),
  // then handles whatever arrived or fell due.
  Status RunOnce(SimTime maxWait);

  // Calls RunOnce with short waits while `keepGoing` returns true; returns
  // kRunning when told to stop, otherwise the status that ended it.
  Status Run(const std::function<bool()>& keepGoing);

  // Time since `start`.
  SimTime Now() const;

  // The paced line, for its counters.
  const PacedLine& Line() const { return line_; }

 private:
  int fd_;
  ConverterDevice& device_;
  Recorder* recorder_;
  std::chrono::steady_clock::time_point start_;
  PacedLine line_;
};

}  // namespace zelor::sim
