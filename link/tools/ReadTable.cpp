// zelor-read-table: the converter's console companion, with no window, over
// the same exchanges as the configurator (ConverterLink).
//
//   zelor-read-table PORT                   reads the table and the firmware
//     version, prints them, then closes the port while another thread waits
//     in a read and opens it again at once: a check of the serial layer.
//   zelor-read-table PORT --save FILE.tab   reads the table into a .tab file.
//   zelor-read-table PORT --write FILE.tab  writes a .tab file's table and
//     verifies it by a read-back once the converter has taken it.
//
// Exit status: 0 when every step went as it should (for --write: the
// converter verifiably holds the table), 1 when a step failed (short table,
// a converter that keeps talking, a read that Close did not end, a port that
// cannot be opened again, a file that cannot be saved, a read-back that is
// short or differs, a serial error), 2 when nothing was done: no port or a
// bad command line, a --write file that is not a table file, or a port that
// cannot be opened.

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "link/ConverterLink.h"
#include "link/PortList.h"
#include "link/Protocol.h"
#include "link/SerialPort.h"
#include "link/SerialPortError.h"
#include "link/tools/AtomicSave.h"
#include "table/TableFileName.h"
#include "table/TableImage.h"

namespace {

using Clock = std::chrono::steady_clock;
using zelor::ConverterLink;
using zelor::SerialPort;
using zelor::SerialPortError;
namespace protocol = zelor::protocol;

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kNothingDone = 2;

void Usage() {
  std::printf(
      "usage: zelor-read-table PORT                   read and print the table, check the port\n"
      "       zelor-read-table PORT --save FILE.tab   read the table into a .tab file\n"
      "       zelor-read-table PORT --write FILE.tab  write a .tab file's table and verify it\n"
      "PORT: COM3 on Windows, /dev/ttyUSB0 on Linux\n");
  std::printf("ports found:");
  for (const std::string& name : zelor::ListPorts()) std::printf(" %s", name.c_str());
  std::printf("\n");
}

// The command line: a port, and at most one of --save and --write.
struct Command {
  std::string port;
  enum class Action { kCheck, kSave, kWrite } action = Action::kCheck;
  std::string file;
};

std::optional<Command> ParseCommand(int argc, char** argv) {
  Command command;
  bool havePort = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--save" || arg == "--write") {
      if (command.action != Command::Action::kCheck || i + 1 >= argc) return std::nullopt;
      command.action = arg == "--save" ? Command::Action::kSave : Command::Action::kWrite;
      command.file = argv[++i];
    } else if (arg.starts_with("-") || havePort) {
      return std::nullopt;
    } else {
      command.port = arg;
      havePort = true;
    }
  }
  if (!havePort) return std::nullopt;
  return command;
}

// Prints a table read: the count, then the 256 cells in rows of 16 in MAF
// index order with the byte after them, the drain, the firmware label. True
// when the read is complete.
bool PrintTableRead(const zelor::TableRead& read) {
  if (read.before.stopSent) {
    std::printf("line: the converter was streaming (%d bytes heard); sent \"s\"\n",
                read.before.heard);
    if (!read.before.silent) {
      std::printf("line: still talking after %lld ms; the table was not asked for\n",
                  static_cast<long long>(read.before.waited.count()));
      return false;
    }
    std::printf("line: silent after %lld ms\n", static_cast<long long>(read.before.waited.count()));
  }
  std::printf("table: %d of %d bytes\n", read.received, protocol::kTableReplySize);
  if (read.received < protocol::kTableReplySize) return false;
  for (int row = 0; row < 16; ++row) {
    std::printf("%3d:", row * 16);
    for (int column = 0; column < 16; ++column) std::printf(" %3d", read.reply[row * 16 + column]);
    std::printf("\n");
  }
  std::printf("byte 256: %d\n", read.reply[256]);
  if (!read.silent) {
    std::printf("drain: the converter still talks after %d bytes\n", read.drained);
    return false;
  }
  std::printf("drain: %d more bytes; a read on the silent line returned 0 after %lld ms\n",
              read.drained, static_cast<long long>(read.silenceWait.count()));
  std::printf("%s\n", protocol::FirmwareCaption(read.version).c_str());
  return true;
}

// Closes the port while another thread waits in a read on the silent line:
// the read must end at once with "ReadFile function failed", and the port
// must open again at once. False when either does not happen. A try in which
// the read was not waiting when Close came (it had not begun, or had ended
// already) proves nothing and is made again.
bool CloseDuringRead(SerialPort& port) {
  constexpr int kTries = 3;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    int number = 0;
    std::string message = "no error";
    Clock::time_point ended;
    std::promise<void> reading;
    std::thread reader([&] {
      reading.set_value();
      std::uint8_t byte = 0;
      try {
        const int got = port.Read(&byte, 1);
        message = "no error, " + std::to_string(got) + " bytes";
      } catch (const SerialPortError& e) {
        number = e.Number();
        message = e.what();
      }
      ended = Clock::now();
    });
    reading.get_future().wait();
    // Long enough for the read to be waiting, well inside its time-out.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto closed = Clock::now();
    port.Close();
    reader.join();
    if (number == zelor::kErrorPortNotOpen || ended < closed) {
      port.Open();
      continue;
    }
    const long long after =
        std::chrono::duration_cast<std::chrono::milliseconds>(ended - closed).count();
    std::printf("close during a read: the read ended %lld ms after Close with \"%s\"\n", after,
                message.c_str());
    bool ok = number == zelor::kErrorRead;
    try {
      port.Open();
      std::printf("open again at once: done\n");
    } catch (const SerialPortError& e) {
      std::printf("open again at once: \"%s\"\n", e.what());
      ok = false;
    }
    return ok;
  }
  std::printf("close during a read: no read was waiting when Close came, in %d tries\n", kTries);
  return false;
}

int Check(SerialPort& port) {
  if (!PrintTableRead(ConverterLink(port).ReadTable())) return kFailed;
  return CloseDuringRead(port) ? kDone : kFailed;
}

// Reads the converter's table into a .tab file. The converter does not
// report its settings, so the file holds the default settings, as the
// configurator's save after a read at start-up does.
int Save(SerialPort& port, const std::string& name) {
  const zelor::TableRead read = ConverterLink(port).ReadTable();
  if (!PrintTableRead(read)) {
    std::printf("save %s: nothing saved, the file is as it was\n", name.c_str());
    return kFailed;
  }
  std::array<std::uint8_t, zelor::kCellCount> cells{};
  std::copy(read.Cells().begin(), read.Cells().end(), cells.begin());
  const zelor::TableSettings settings = zelor::Defaults();
  const auto image = zelor::EncodeTableImage(cells, settings);
  if (const auto error = zelor::tools::SaveAtomically(name, image)) {
    std::printf("save %s: %s; the file is as it was\n", name.c_str(), error->c_str());
    return kFailed;
  }
  std::printf(
      "saved %s: %d bytes, the table and the default settings %d %d %d %d %d %d (the converter "
      "does not report its settings)\n",
      name.c_str(), static_cast<int>(image.size()), settings.Sample_Time, settings.Porog,
      settings.Enrichment, settings.Enrichment_decr, settings.Smooth_MAF, settings.Smooth_VAF);
  return kDone;
}

bool EndsWithTab(const std::string& name) {
  if (name.size() < 4) return false;
  std::string ending = name.substr(name.size() - 4);
  for (char& c : ending) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ending == ".tab";
}

// The cells of a table file to be written, or nullopt with `refusal` saying
// why it is not one. A table file is named *.tab and holds 262 bytes (the
// table and its settings), or 256 (the table alone) or 257 (the comparison
// window's: the table and one byte).
std::optional<std::array<std::uint8_t, zelor::kCellCount>> LoadTableFile(const std::string& name,
                                                                         std::string& refusal) {
  if (!EndsWithTab(name)) {
    refusal = "not a table file: its name does not end in .tab";
    return std::nullopt;
  }
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (!file) {
    refusal = std::string("cannot open it: ") + std::strerror(errno);
    return std::nullopt;
  }
  // One byte more than a table file holds tells a longer file.
  std::vector<std::uint8_t> bytes(zelor::kTableImageSize + 1);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  const bool failed = std::ferror(file) != 0;
  const int error = errno;
  std::fclose(file);
  if (failed) {
    refusal = std::string("cannot read it: ") + std::strerror(error);
    return std::nullopt;
  }
  const std::size_t size = bytes.size();
  if (size != zelor::kCellCount && size != zelor::kCompareImageSize &&
      size != zelor::kTableImageSize) {
    refusal = "not a table file: it holds " +
              (size > zelor::kTableImageSize ? "more than 262" : std::to_string(size)) +
              " bytes, a table file 262 (or 256 or 257 without the settings)";
    return std::nullopt;
  }
  return zelor::DecodeCells(bytes);
}

// Writes a table file's cells and reads them back once the converter has
// had its time to take them; done only when they came back unchanged.
int Write(SerialPort& port, const std::array<std::uint8_t, zelor::kCellCount>& cells,
          const std::string& name) {
  ConverterLink link(port);
  link.WriteTable(cells);
  std::printf("write: the 256 cells of %s sent (the table write carries no settings)\n",
              name.c_str());
  const int waitMs = protocol::kVerifyTicks * protocol::kVerifyTickMs;
  std::printf("read-back in %d s\n", waitMs / 1000);
  std::fflush(stdout);
  std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
  const zelor::TableReadBack back = link.ReadBack(cells);
  std::printf("read-back: %d of %d bytes\n", back.received, protocol::kTableReplySize);
  if (back.received < protocol::kTableReplySize) {
    std::printf("not verified: the read-back is short\n");
    return kFailed;
  }
  if (back.mismatch) {
    const int k = *back.mismatch;
    std::printf("not verified: cell %d reads %d, %d was written\n", k, back.reply[k], cells[k]);
    return kFailed;
  }
  std::printf("verified: the converter holds the table\n");
  return kDone;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Command> command = ParseCommand(argc, argv);
  if (!command) {
    Usage();
    return kNothingDone;
  }
  // A file to be written is checked before the port is touched.
  std::array<std::uint8_t, zelor::kCellCount> cells{};
  if (command->action == Command::Action::kWrite) {
    std::string refusal;
    const auto loaded = LoadTableFile(command->file, refusal);
    if (!loaded) {
      std::printf("write %s: %s; nothing was sent\n", command->file.c_str(), refusal.c_str());
      return kNothingDone;
    }
    cells = *loaded;
  }
  const char* name = command->port.c_str();
  SerialPort port;
  port.SetPortName(command->port);
  try {
    port.Open();
  } catch (const SerialPortError& e) {
    std::printf("open %s: \"%s\"\n", name, e.what());
    return kNothingDone;
  }
  std::printf("open %s: done\n", name);
  try {
    switch (command->action) {
      case Command::Action::kCheck: return Check(port);
      case Command::Action::kSave:
        return Save(port, zelor::TableFileName(command->file, zelor::PlatformNameCase()));
      case Command::Action::kWrite: return Write(port, cells, command->file);
    }
    return kFailed;
  } catch (const SerialPortError& e) {
    std::printf("serial error: \"%s\"\n", e.what());
    return kFailed;
  }
}
