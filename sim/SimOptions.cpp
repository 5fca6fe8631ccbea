#include "sim/SimOptions.h"
#include "sim/NumberText.h"

namespace zelor::sim {

namespace {

bool ParseSensor(const std::string& text, O2Sensor& out) {
  static const struct {
    const char* name;
    O2Sensor sensor;
  } kSensors[] = {{"narrow", O2Sensor::kNarrow},
                  {"wide", O2Sensor::kLc1},
                  {"wide:lc1", O2Sensor::kLc1},
                  {"wide:aem", O2Sensor::kAem},
                  {"wide:14point7", O2Sensor::k14Point7}};
  for (const auto& s : kSensors) {
    if (text == s.name) {
      out = s.sensor;
      return true;
    }
  }
  return false;
}

}  // namespace

std::string SimOptions::Usage() {
  return "Usage: converter-sim [options]\n"
         "Simulates the air-flow converter on a pseudo-terminal. The first line\n"
         "written to standard output is the path of its serial port.\n"
         "Runs until SIGINT or SIGTERM.\n"
         "\n"
         "  --version N         firmware version x 10 sent for \"v\" (0..255, default 32)\n"
         "  --table FILE        start with the cells and settings of a .tab file\n"
         "                      (default: the 1:1 table, default settings)\n"
         "  --link PATH         also make a symbolic link PATH to the port\n"
         "                      (an existing symbolic link there is replaced;\n"
         "                      removed on exit)\n"
         "  --record FILE       write every received byte to FILE, one line each:\n"
         "                      \"<microseconds since start> <hex byte>\"\n"
         "  --seed N            seed of the engine's noise (default 1)\n"
         "  --flash-ms N        delay until a written table is held (default 300)\n"
         "  --fault NAME        behave faultily; repeatable. NAME is one of:\n"
         "                      silent, short-table, extra-bytes, no-version,\n"
         "                      version-zero, ignore-write, corrupt-readback=K,\n"
         "                      tail=N, keep-talking, ignore-stop,\n"
         "                      stall-after=N, drop-byte-after=N, hangup-after=N\n"
         "  --o2 SENSOR         the O2 sensor on channel 7 (default narrow):\n"
         "                      narrow       a narrowband sensor (0.1 V lean,\n"
         "                                   0.8 V rich)\n"
         "                      wide[:lc1]   a wideband controller's linear\n"
         "                                   0..5 V output, LC-1/LC-2 scale\n"
         "                                   (0 V = 7.35 AFR, 5 V = 22.39)\n"
         "                      wide:aem     AEM UEGO (0.5 V = 8.5, 4.5 V = 18.0)\n"
         "                      wide:14point7  14Point7 (0 V = 10, 5 V = 20)\n"
         "                      The wideband reads the engine's lambda (stoich\n"
         "                      14.7): the output against the ECU's expected\n"
         "                      VAF, richer while the accelerator pump enriches,\n"
         "                      5 V during the overrun fuel cut\n"
         "  --o2-delay-ms N     the exhaust's transport delay before the sensor\n"
         "                      reads, a multiple of 10 ms (0..5000, default 0)\n"
         "  --o2-warmup-s N     the sensor reads 0 V for the first N seconds of\n"
         "                      streaming after power-on (0..3600, default 0)\n"
         "  --help              show this text\n";
}

SimOptions::Outcome SimOptions::Parse(const std::vector<std::string>& args, SimOptions& out,
                                      std::string& error) {
  SimOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> value;
    if (name == "--help" || name == "-h") return Outcome::kHelp;
    if (name.rfind("--", 0) != 0) {
      error = "unexpected argument '" + name + "'";
      return Outcome::kError;
    }
    const auto eq = name.find('=');
    if (eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
    }
    auto take = [&]() -> std::optional<std::string> {
      if (value) return value;
      if (i + 1 < args.size()) return args[++i];
      error = "option " + name + " needs a value";
      return std::nullopt;
    };
    static const char* const kKnown[] = {"--version",     "--table",      "--link",  "--record",
                                         "--seed",        "--flash-ms",   "--fault", "--o2",
                                         "--o2-delay-ms", "--o2-warmup-s"};
    bool known = false;
    for (const char* k : kKnown) known = known || name == k;
    if (!known) {
      error = "unknown option '" + name + "'";
      return Outcome::kError;
    }
    const std::optional<std::string> v = take();
    if (!v) return Outcome::kError;
    std::uint64_t n = 0;
    if (name == "--version") {
      if (!ParseUnsigned(*v, 255, n)) {
        error = "--version needs a number 0..255 (the version x 10)";
        return Outcome::kError;
      }
      o.version = static_cast<std::uint8_t>(n);
    } else if (name == "--seed") {
      if (!ParseUnsigned(*v, 0xFFFFFFFFu, n)) {
        error = "--seed needs a number 0..4294967295";
        return Outcome::kError;
      }
      o.seed = static_cast<std::uint32_t>(n);
    } else if (name == "--flash-ms") {
      if (!ParseUnsigned(*v, 60'000, n)) {
        error = "--flash-ms needs a number of milliseconds 0..60000";
        return Outcome::kError;
      }
      o.flashMs = static_cast<int>(n);
    } else if (name == "--o2-delay-ms") {
      if (!ParseUnsigned(*v, 5000, n) || n % 10 != 0) {
        error = "--o2-delay-ms needs a multiple of 10 milliseconds 0..5000 (one frame is 10 ms)";
        return Outcome::kError;
      }
      o.o2.delayMs = static_cast<int>(n);
    } else if (name == "--o2-warmup-s") {
      if (!ParseUnsigned(*v, 3600, n)) {
        error = "--o2-warmup-s needs a number of seconds 0..3600";
        return Outcome::kError;
      }
      o.o2.warmupS = static_cast<int>(n);
    } else if (name == "--o2") {
      if (!ParseSensor(*v, o.o2.sensor)) {
        error = "unknown O2 sensor '" + *v +
                "' (--o2 takes narrow, wide, wide:lc1, wide:aem or wide:14point7)";
        return Outcome::kError;
      }
    } else if (v->empty()) {
      error = "option " + name + " needs a value";
      return Outcome::kError;
    } else if (name == "--table") {
      o.tableFile = *v;
    } else if (name == "--link") {
      o.linkPath = *v;
    } else if (name == "--record") {
      o.recordFile = *v;
    } else if (name == "--fault") {
      if (!o.faults.Add(*v, error)) return Outcome::kError;
    }
  }
  out = o;
  return Outcome::kRun;
}

}  // namespace zelor::sim
