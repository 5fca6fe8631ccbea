#pragma once
// The command line of converter-sim. Every option takes its value either as
// the next argument or after '=' (--seed 7, --seed=7).
//
// Every effect of a real engine (--o2-delay-ms IDLE:FULL, --o2-lag-ms,
// --o2-noise-percent, --o2-pin-lambda, --ecu-closed-loop, --ecu-enrich) is
// off unless given, and then the stream is byte for byte what it was
// without them (test_converter_sim keeps hashes of it). --speed N sends the
// frames, on a line as much faster, N times faster while the engine still
// steps 10 ms a frame, so the program sees the same drive in 1 / N of the
// time.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/EngineModel.h"
#include "sim/FaultSet.h"

namespace zelor::sim {

class SimOptions {
 public:
  enum class Outcome { kRun, kHelp, kError };

  // Parses the arguments after the program name. kError sets `error`;
  // kHelp means --help was given and nothing should run.
  static Outcome Parse(const std::vector<std::string>& args, SimOptions& out, std::string& error);

  // The --help text.
  static std::string Usage();

  std::uint8_t version = 32;              // --version: firmware version x 10
  std::optional<std::string> tableFile;   // --table: .tab file at power-on
  std::optional<std::string> linkPath;    // --link: symbolic link to the port
  std::optional<std::string> recordFile;  // --record: received bytes
  std::uint32_t seed = 1;                 // --seed: engine noise
  int flashMs = 300;                      // --flash-ms: write to table held
  FaultSet faults;                        // --fault, repeatable
  O2Setup o2;                             // --o2, --o2-delay-ms, --o2-warmup-s,
                                          // --o2-lag-ms, --o2-noise-percent,
                                          // --o2-pin-lambda
  EcuSetup ecu;                           // --ecu-closed-loop, --ecu-enrich
  int speed = 1;                          // --speed
};

}  // namespace zelor::sim
