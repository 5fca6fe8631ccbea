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

// "N" (a multiple of 10) or "IDLE:FULL" into the O2 setup.
bool ParseDelay(const std::string& text, O2Setup& o2, std::string& error) {
  std::uint64_t idle = 0;
  std::uint64_t full = 0;
  std::string a;
  std::string b;
  if (!SplitPair(text, a, b)) {
    if (!ParseUnsigned(text, 5000, idle) || idle % 10 != 0) {
      error = "--o2-delay-ms needs a multiple of 10 milliseconds 0..5000 (one frame is 10 ms)";
      return false;
    }
    o2.delayMs = static_cast<int>(idle);
    o2.fullDelayMs.reset();
    return true;
  }
  if (!ParseUnsigned(a, 5000, idle) || !ParseUnsigned(b, 5000, full) || full > idle ||
      idle * EngineModel::kIdleMaf > full * EngineModel::kFullMaf) {
    error =
        "--o2-delay-ms IDLE:FULL needs milliseconds 0 <= FULL <= IDLE <= 5000, IDLE at most "
        "255 / 22 times FULL (e.g. 600:125)";
    return false;
  }
  o2.delayMs = static_cast<int>(idle);
  o2.fullDelayMs = static_cast<int>(full);
  return true;
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
         "  --o2-delay-ms IDLE:FULL\n"
         "                      a delay that follows the flow, as on a car: IDLE ms\n"
         "                      at idle (MAF 22 and below), FULL ms at full flow\n"
         "                      (MAF 255), a + b / MAF in between (0 <= FULL <=\n"
         "                      IDLE <= 5000, IDLE at most 255 / 22 times FULL);\n"
         "                      a real car: about 600:125\n"
         "  --o2-warmup-s N     the sensor reads 0 V for the first N seconds of\n"
         "                      streaming after power-on (0..3600, default 0)\n"
         "  --o2-lag-ms N       a wideband controller's response: a first-order\n"
         "                      lag with a time constant of N ms (0..2000,\n"
         "                      default 0; real controllers about 80..150)\n"
         "  --o2-noise-percent X  noise on a wideband's lambda, X per cent of it\n"
         "                      (one standard deviation, 0..20, default 0),\n"
         "                      from a generator of its own seeded by --seed\n"
         "  --o2-pin-lambda X   a wideband that reads at most lambda X (1.01..3)\n"
         "                      instead of reaching its lean rail: the overrun's\n"
         "                      fuel cut reads X (one car's sensor: 1.31..1.39)\n"
         "  --ecu-closed-loop MAF  the ECU trims its fuel in closed loop on its\n"
         "                      own narrowband sensor below MAF (1..256: averaged\n"
         "                      over 100 ms), outside the fuel cut and any\n"
         "                      enrichment: lambda runs a triangle of about\n"
         "                      +-1.8 % around 1 with a period of 1 s, whatever\n"
         "                      the table; above it, open loop\n"
         "  --ecu-enrich MAF:LAMBDA  the ECU's own enrichment: from MAF (0..255)\n"
         "                      up it fuels for LAMBDA (0.5..1) times the metered\n"
         "                      lambda, in open loop; stream byte 2 does not show it\n"
         "  --speed N           send the stream's frames N times faster (1..100,\n"
         "                      default 1) on a line as much faster; the engine\n"
         "                      still advances 10 ms a frame, so a program that\n"
         "                      takes the frames as 10 ms apart sees the same\n"
         "                      drive in 1 / N of the time\n"
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
    static const char* const kKnown[] = {
        "--version",       "--table",           "--link",       "--record",
        "--seed",          "--flash-ms",        "--fault",      "--o2",
        "--o2-delay-ms",   "--o2-warmup-s",     "--o2-lag-ms",  "--o2-noise-percent",
        "--o2-pin-lambda", "--ecu-closed-loop", "--ecu-enrich", "--speed"};
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
      if (!ParseDelay(*v, o.o2, error)) return Outcome::kError;
    } else if (name == "--o2-lag-ms") {
      if (!ParseUnsigned(*v, 2000, n)) {
        error = "--o2-lag-ms needs a number of milliseconds 0..2000";
        return Outcome::kError;
      }
      o.o2.lagMs = static_cast<int>(n);
    } else if (name == "--o2-noise-percent") {
      if (!ParseDecimal(*v, 0.0, 20.0, o.o2.noisePercent)) {
        error = "--o2-noise-percent needs a per cent 0..20 (e.g. 1.5)";
        return Outcome::kError;
      }
    } else if (name == "--o2-pin-lambda") {
      double pin = 0.0;
      if (!ParseDecimal(*v, 1.01, 3.0, pin)) {
        error = "--o2-pin-lambda needs a lean lambda 1.01..3 (e.g. 1.31)";
        return Outcome::kError;
      }
      o.o2.pinLambda = pin;
    } else if (name == "--ecu-closed-loop") {
      if (!ParseUnsigned(*v, 256, n) || n == 0) {
        error = "--ecu-closed-loop needs a MAF value 1..256 (closed loop below it)";
        return Outcome::kError;
      }
      o.ecu.closedLoopMaf = static_cast<int>(n);
    } else if (name == "--ecu-enrich") {
      std::string maf;
      std::string lambda;
      if (!SplitPair(*v, maf, lambda) || !ParseUnsigned(maf, 255, n) ||
          !ParseDecimal(lambda, 0.5, 1.0, o.ecu.enrichLambda)) {
        error = "--ecu-enrich needs MAF:LAMBDA, MAF 0..255 and LAMBDA 0.5..1 (e.g. 180:0.86)";
        return Outcome::kError;
      }
      o.ecu.enrichMaf = static_cast<int>(n);
    } else if (name == "--speed") {
      if (!ParseUnsigned(*v, 100, n) || n == 0) {
        error = "--speed needs a number 1..100";
        return Outcome::kError;
      }
      o.speed = static_cast<int>(n);
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
