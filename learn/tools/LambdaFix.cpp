// zelor-lambda-fix: the correction of the table by lambda on files, with no
// window: the analysis of the window "Коррекция по лямбде" (LambdaFix) run
// on a .log recording and a .tab table, the corrected table written to a
// new .tab file.
//
//   zelor-lambda-fix LOG.log TABLE.tab --out NEW.tab [options]
//
// Exit status: 0 when the analysis ran and NEW.tab was written (also when no
// cell changed), 1 when NEW.tab could not be saved (an older file of that
// name is as it was), 2 when nothing was done: a bad command line, or input
// that is not a recording or a table.

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "learn/LambdaFix.h"
#include "link/tools/AtomicSave.h"
#include "table/TableImage.h"

namespace {

using namespace zelor;

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kNothingDone = 2;

// Sizes printed with %llu, which every C library's printf knows.
unsigned long long U(std::size_t n) { return n; }

// The fewest samples analysed, as in the window.
constexpr std::size_t kMinSamples = 119;

void Usage(std::FILE* to) {
  std::fprintf(
      to,
      "usage: zelor-lambda-fix LOG.log TABLE.tab --out NEW.tab [options]\n"
      "Corrects the table of TABLE.tab by the lambda the O2 channel of the recording LOG.log\n"
      "shows, and writes the result with TABLE.tab's settings to NEW.tab (\".tab\" appended\n"
      "unless the name ends in it). TABLE.tab itself is not changed.\n"
      "options:\n"
      "  --sensor S       the O2 channel: lc1 (LC-1/LC-2, 0 V = 7.35, 5 V = 22.39 AFR; the\n"
      "                   default), aem (0.5 V = 8.5, 4.5 V = 18.0), 14point7 (0 V = 10,\n"
      "                   5 V = 20), V1:AFR1:V2:AFR2 (a wideband of its own), or narrow (a\n"
      "                   narrowband sensor: rich above 0.45 V)\n"
      "  --stoich AFR     stoichiometric AFR: 14.7 petrol (default), 15.5 LPG, 9.8 E85\n"
      "  --delay-ms D     the exhaust's transport delay (samples are 10 ms apart): auto (the\n"
      "                   default) estimates it per band of MAF from the recording's own\n"
      "                   steps; N ms everywhere; or IDLE:FULL, N ms at idle (MAF 22) and at\n"
      "                   full flow (MAF 255), falling as 1/flow between them\n"
      "  --target T       target lambda: L for every cell, or LOW:HIGH:MAF for LOW below\n"
      "                   MAF and HIGH from it on (default 1.00:0.88:200)\n"
      "  --inverse        the ECU's VAF signal falls as air rises\n"
      "  --min-samples N  a cell with fewer accepted samples stays (default 20)\n"
      "  --cap-percent P  a cell moves by at most P %% of its value per pass (default 10)\n"
      "  --cap-counts N   ... and by at most N counts (default 12); at least 1 when it moves\n"
      "  --band P         readings farther than P %% from the target are left out: the\n"
      "                   control unit's own enrichment (default 15)\n"
      "  --closed-loop-below M  the control unit runs closed loop below MAF M: those cells\n"
      "                   are left alone (default 0: only those whose readings show it)\n"
      "  --smooth N       a cell's factor takes in its neighbours N cells either side\n"
      "                   (default 3; 0: none)\n"
      "  --fill-gap N     fills gaps of up to N cells between judged cells (default 6)\n"
      "  --step N         narrowband: the correction step in counts (default 1)\n"
      "  --whole          the whole recording: a file is always analysed whole (the window\n"
      "                   takes the log chart's frame without it), so it changes nothing here\n"
      "  --help           this text\n"
      "Samples are left out while the O2 reading is dead or railed, during enrichment and\n"
      "1 s after, in a fuel cut (or a reading pinned lean) and 1 s after, below MAF 10,\n"
      "while MAF is not steady, and beyond the band; cells that look closed loop stay.\n"
      "Exit status: 0 written, 1 NEW.tab could not be saved, 2 bad command line or input.\n");
}

struct Command {
  std::string log, table, out;
  LambdaSettings settings;
  std::string sensorName = "lc1";
  bool autoDelay = true;
};

// A number that is the whole of text, or nullopt.
template <class T>
std::optional<T> Number(const std::string& text) {
  T value{};
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  if constexpr (std::is_floating_point_v<T>) {
    if (!std::isfinite(value)) return std::nullopt;
  }
  return value;
}

// The command line, or nullopt with `error` saying what is wrong with it.
std::optional<Command> ParseCommand(int argc, char** argv, std::string& error, bool& help) {
  Command c;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= argc) {
        error = arg + " needs a value";
        return false;
      }
      into = argv[++i];
      return true;
    };
    std::string v;
    if (arg == "--help" || arg == "-h") {
      help = true;
      return std::nullopt;
    } else if (arg == "--inverse") {
      c.settings.inverse = true;
    } else if (arg == "--whole") {
      // A file is the recording: nothing else to take.
    } else if (arg == "--out") {
      if (!value(c.out)) return std::nullopt;
    } else if (arg == "--sensor") {
      if (!value(v)) return std::nullopt;
      if (!ParseLambdaSensor(v, c.settings, error)) return std::nullopt;
      c.sensorName = v;
    } else if (arg == "--stoich") {
      if (!value(v)) return std::nullopt;
      const auto n = Number<double>(v);
      if (!n || *n <= 0) {
        error = "--stoich " + v + ": not an AFR above 0";
        return std::nullopt;
      }
      c.settings.stoich = *n;
    } else if (arg == "--delay-ms") {
      if (!value(v)) return std::nullopt;
      if (v == "auto") {
        c.autoDelay = true;
      } else {
        if (!ParseDelayCurve(v, c.settings.delay, error)) return std::nullopt;
        c.autoDelay = false;
      }
    } else if (arg == "--target") {
      if (!value(v)) return std::nullopt;
      const auto colon = v.find(':');
      std::optional<double> low, high;
      std::optional<int> maf;
      if (colon == std::string::npos) {
        low = high = Number<double>(v);
        maf = 0;
      } else {
        const auto second = v.find(':', colon + 1);
        if (second != std::string::npos) {
          low = Number<double>(v.substr(0, colon));
          high = Number<double>(v.substr(colon + 1, second - colon - 1));
          maf = Number<int>(v.substr(second + 1));
        }
      }
      if (!low || !high || !maf || *low <= 0 || *high <= 0 || *maf < 0 || *maf > 256) {
        error = "--target " + v + ": expected a lambda above 0, or LOW:HIGH:MAF with MAF 0..256";
        return std::nullopt;
      }
      c.settings.targetLow = *low;
      c.settings.targetHigh = *high;
      c.settings.targetMaf = *maf;
    } else if (arg == "--min-samples" || arg == "--cap-counts" || arg == "--step") {
      if (!value(v)) return std::nullopt;
      const auto n = Number<int>(v);
      if (!n || *n < 1 || *n > 1000000) {
        error = arg + " " + v + ": not a whole number of at least 1";
        return std::nullopt;
      }
      (arg == "--min-samples"  ? c.settings.minSamples
       : arg == "--cap-counts" ? c.settings.capCounts
                               : c.settings.narrowStep) = *n;
    } else if (arg == "--closed-loop-below" || arg == "--smooth" || arg == "--fill-gap") {
      if (!value(v)) return std::nullopt;
      const auto n = Number<int>(v);
      if (!n || *n < 0 || *n > 256) {
        error = arg + " " + v + ": not a whole number within 0..256";
        return std::nullopt;
      }
      (arg == "--closed-loop-below" ? c.settings.closedLoopMaf
       : arg == "--smooth"          ? c.settings.smoothCells
                                    : c.settings.fillGapCells) = *n;
    } else if (arg == "--band") {
      if (!value(v)) return std::nullopt;
      const auto n = Number<double>(v);
      if (!n || *n <= 0 || *n > 100) {
        error = "--band " + v + ": not a per cent above 0, at most 100";
        return std::nullopt;
      }
      c.settings.bandPercent = *n;
    } else if (arg == "--cap-percent") {
      if (!value(v)) return std::nullopt;
      const auto n = Number<double>(v);
      if (!n || *n <= 0 || *n > 100) {
        error = "--cap-percent " + v + ": not a per cent above 0, at most 100";
        return std::nullopt;
      }
      c.settings.capPercent = *n;
    } else if (arg.starts_with("-")) {
      error = "unknown option " + arg;
      return std::nullopt;
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != 2) {
    error =
        files.size() < 2 ? "LOG.log and TABLE.tab are both needed" : "more than two files named";
    return std::nullopt;
  }
  if (c.out.empty()) {
    error = "--out NEW.tab is needed";
    return std::nullopt;
  }
  c.log = files[0];
  c.table = files[1];
  if (!c.out.ends_with(".tab")) c.out += ".tab";
  return c;
}

// The whole file, or nullopt with `error` set.
std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& name, std::string& error) {
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (!file) {
    error = std::string("cannot open it: ") + std::strerror(errno);
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[65536];
  std::size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    bytes.insert(bytes.end(), chunk, chunk + got);
  const bool failed = std::ferror(file) != 0;
  const int number = errno;
  std::fclose(file);
  if (failed) {
    error = std::string("cannot read it: ") + std::strerror(number);
    return std::nullopt;
  }
  return bytes;
}

std::string SensorText(const Command& c) {
  const LambdaSettings& s = c.settings;
  if (!s.wideband) return "narrowband (rich above 0.45 V)";
  char text[160];
  std::snprintf(text, sizeof text,
                "wideband %s (%.2f V = %.2f AFR, %.2f V = %.2f AFR), stoich %.2f",
                c.sensorName.c_str(), s.scale.v1, s.scale.afr1, s.scale.v2, s.scale.afr2, s.stoich);
  return text;
}

const char* RejectName(int kind) {
  switch (static_cast<LambdaReject>(kind)) {
    case LambdaReject::kNoReading: return "no reading";
    case LambdaReject::kO2Dead: return "O2 dead or railed";
    case LambdaReject::kEnrichment: return "enrichment";
    case LambdaReject::kFuelCut: return "fuel cut";
    case LambdaReject::kLowMaf: return "MAF below minimum";
    case LambdaReject::kUnsteady: return "MAF not steady";
    case LambdaReject::kLocked: return "locked cell";
    case LambdaReject::kOutsideBand: return "beyond the band";
    case LambdaReject::kClosedLoop: return "closed loop";
    case LambdaReject::kAccepted: break;
  }
  return "accepted";
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  bool help = false;
  const std::optional<Command> parsed = ParseCommand(argc, argv, error, help);
  if (help) {
    Usage(stdout);
    return kDone;
  }
  if (!parsed) {
    std::fprintf(stderr, "zelor-lambda-fix: %s; nothing was done\n", error.c_str());
    Usage(stderr);
    return kNothingDone;
  }
  Command c = *parsed;

  const auto logBytes = ReadFile(c.log, error);
  if (!logBytes) {
    std::fprintf(stderr, "zelor-lambda-fix: %s: %s; nothing was done\n", c.log.c_str(),
                 error.c_str());
    return kNothingDone;
  }
  if (logBytes->empty() || logBytes->size() % kLambdaRecordSize != 0) {
    std::fprintf(
        stderr,
        "zelor-lambda-fix: %s is not a recording: it holds %llu bytes, a recording a whole "
        "number of 8-byte records (at least one); nothing was done\n",
        c.log.c_str(), U(logBytes->size()));
    return kNothingDone;
  }
  const std::size_t samples = logBytes->size() / kLambdaRecordSize;
  if (samples < kMinSamples) {
    std::fprintf(
        stderr,
        "zelor-lambda-fix: %s holds %llu samples, fewer than the %llu the correction needs; "
        "nothing was done\n",
        c.log.c_str(), U(samples), U(kMinSamples));
    return kNothingDone;
  }
  const auto tableBytes = ReadFile(c.table, error);
  if (!tableBytes) {
    std::fprintf(stderr, "zelor-lambda-fix: %s: %s; nothing was done\n", c.table.c_str(),
                 error.c_str());
    return kNothingDone;
  }
  if (tableBytes->size() < kCellCount) {
    std::fprintf(stderr,
                 "zelor-lambda-fix: %s is not a table: it holds %llu bytes, a table file at least "
                 "256 (262 with its settings); nothing was done\n",
                 c.table.c_str(), U(tableBytes->size()));
    return kNothingDone;
  }
  const DecodedTable table = DecodeTableImage(*tableBytes);
  const LambdaChannels channels = SplitLogRecords(*logBytes);
  const LambdaRecording rec = channels.View();

  std::printf("recording: %s, %llu samples (%.1f s)\n", c.log.c_str(), U(samples),
              samples * kLambdaSampleMs / 1000.0);
  const TableSettings& ts = table.settings;
  std::printf("table: %s, %llu bytes; settings %d %d %d %d %d %d%s\n", c.table.c_str(),
              U(tableBytes->size()), ts.Sample_Time, ts.Porog, ts.Enrichment, ts.Enrichment_decr,
              ts.Smooth_MAF, ts.Smooth_VAF,
              tableBytes->size() < kTableImageSize ? " (the defaults: the file holds none)" : "");
  std::printf("sensor: %s\n", SensorText(c).c_str());
  if (c.autoDelay) {
    const DelayEstimate e = EstimateDelay(rec, c.settings);
    if (e.found) {
      c.settings.delay = e.curve;
      std::printf("delay: %d ms, estimated (confidence %.0f %%, on %d steps)\n", e.delayMs,
                  e.confidence * 100, e.events);
      if (e.curve.points.size() > 1) {
        std::printf("delay by MAF, as used (falling as the flow rises):\n");
        for (const DelayPoint& p : e.curve.points) {
          std::printf("  MAF %3d: %4d ms (confidence %3.0f %%, %d steps)\n", p.maf, p.delayMs,
                      p.confidence * 100, p.events);
        }
      }
    } else {
      c.settings.delay = DelayCurve::Flat(0);
      std::printf(
          "delay: 0 ms; not estimated: the reading does not follow the recording's steps (%d "
          "found); give --delay-ms\n",
          e.events);
    }
  } else if (c.settings.delay.points.size() > 1) {
    std::printf("delay: %.0f ms at idle (MAF %d), %.0f ms at MAF 255, falling as 1/flow; given\n",
                c.settings.delay.MsAt(kIdleMaf), kIdleMaf, c.settings.delay.MsAt(255));
  } else {
    std::printf("delay: %.0f ms, given\n", c.settings.delay.MsAt(0));
  }
  if (c.settings.targetLow == c.settings.targetHigh || c.settings.targetMaf == 0) {
    std::printf("target: lambda %.2f\n",
                c.settings.targetMaf == 0 ? c.settings.targetHigh : c.settings.targetLow);
  } else {
    std::printf("target: lambda %.2f below MAF %d, %.2f from it on\n", c.settings.targetLow,
                c.settings.targetMaf, c.settings.targetHigh);
  }
  std::printf("direction: %s\n", c.settings.inverse ? "inverse, the VAF signal falls as air rises"
                                                    : "the VAF signal rises with air");

  std::array<int, 256> cells{};
  for (int m = 0; m < 256; ++m) cells[m] = table.cells[m];
  const LambdaResult r = AnalyseLambda(rec, cells, {}, c.settings);

  std::printf("changed cells (MAF: n, %s, old -> new):\n",
              c.settings.wideband ? "median lambda" : "rich share");
  std::array<std::uint8_t, kCellCount> result{};
  for (int m = 0; m < 256; ++m) {
    const LambdaCell& cell = r.cells[m];
    result[m] = static_cast<std::uint8_t>(cell.newValue);
    if (!cell.Changed()) continue;
    if (c.settings.wideband) {
      std::printf("  MAF %3d: n %6d, median lambda %.3f, %3d -> %3d%s\n", m, cell.n,
                  cell.medianLambda, cell.oldValue, cell.newValue,
                  cell.filled ? " (filled across a gap)" : "");
    } else {
      std::printf("  MAF %3d: n %6d, rich %5.1f %%, %3d -> %3d\n", m, cell.n, cell.richShare * 100,
                  cell.oldValue, cell.newValue);
    }
  }
  if (r.cellsChanged == 0) std::printf("  none\n");

  std::printf("samples used: %d of %llu; rejected:", r.accepted, U(samples));
  for (int k = 1; k < kLambdaRejectKinds; ++k)
    std::printf("%s %s %d", k == 1 ? "" : ",", RejectName(k), r.rejected[k]);
  std::printf("\ncells changed: %d\n", r.cellsChanged);
  std::array<int, 7> states{};
  for (const LambdaCell& cell : r.cells) ++states[static_cast<int>(cell.state)];
  using S = LambdaCellState;
  auto state = [&](S s) { return states[static_cast<int>(s)]; };
  std::printf(
      "cells: %d changed, %d right, %d too few readings, %d unsteady, %d closed loop, %d locked, "
      "%d without data\n",
      state(S::kChanged), state(S::kRight), state(S::kTooFew), state(S::kUnsteady),
      state(S::kClosedLoop), state(S::kLocked), state(S::kNoData));
  if (c.settings.wideband) {
    std::printf("mean |lambda - target|: %.4f before, %.4f expected after\n", r.meanErrorBefore,
                r.meanErrorAfter);
  } else {
    std::printf(
        "mean distance of the rich share from 50 %%: %.1f %% before, %.1f %% expected after\n",
        r.meanErrorBefore * 100, r.meanErrorAfter * 100);
  }

  for (const std::string& line : LambdaAdvice(r, c.settings))
    std::printf("note: %s\n", line.c_str());

  const auto image = EncodeTableImage(result, table.settings);
  if (const auto failure = tools::SaveAtomically(c.out, image)) {
    std::fprintf(stderr, "zelor-lambda-fix: save %s: %s; the file is as it was\n", c.out.c_str(),
                 failure->c_str());
    return kFailed;
  }
  std::printf("wrote %s: %llu bytes, the corrected table and the settings of %s\n", c.out.c_str(),
              U(image.size()), c.table.c_str());
  return kDone;
}
