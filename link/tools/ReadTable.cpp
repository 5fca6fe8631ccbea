// zelor-read-table PORT: a console check of the serial layer against a real
// converter, with no window. It reads the table and the firmware version as
// the configurator's table read does, prints them, and then closes the port
// while another thread waits in a read, and opens it again at once.
//
// Exit status: 0 when every step went as it should, 1 when a step failed
// (short table, a read that Close did not end, a port that cannot be opened
// again), 2 when the port cannot be opened or no port is named.

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <future>
#include <optional>
#include <string>
#include <thread>

#include "link/PortList.h"
#include "link/Protocol.h"
#include "link/SerialPort.h"
#include "link/SerialPortError.h"

namespace {

using Clock = std::chrono::steady_clock;
using zelor::SerialPort;
using zelor::SerialPortError;
namespace protocol = zelor::protocol;

long long MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

void Usage() {
  std::printf("usage: zelor-read-table PORT   (COM3 on Windows, /dev/ttyUSB0 on Linux)\n");
  std::printf("ports found:");
  for (const std::string& name : zelor::ListPorts()) std::printf(" %s", name.c_str());
  std::printf("\n");
}

// Purge, "sr", 257 bytes: prints the 256 cells in rows of 16, MAF index
// order, and the byte after them. False when the reply was short.
bool ReadTable(SerialPort& port) {
  std::array<std::uint8_t, protocol::kTableReplySize> reply{};
  port.Purge();
  port.Write(protocol::kTableRead.data(), protocol::kTableRead.size());
  const int received = port.Read(reply.data(), protocol::kTableReplySize);
  std::printf("table: %d of %d bytes\n", received, protocol::kTableReplySize);
  if (received < protocol::kTableReplySize) return false;
  for (int row = 0; row < 16; ++row) {
    std::printf("%3d:", row * 16);
    for (int column = 0; column < 16; ++column) std::printf(" %3d", reply[row * 16 + column]);
    std::printf("\n");
  }
  std::printf("byte 256: %d\n", reply[256]);
  return true;
}

// Reads single bytes until one read brings none, as the configurator does
// after the table; the last read shows the read's time-out on a silent line.
// False when the converter was still talking after the drain's time bound.
bool Drain(SerialPort& port) {
  const auto start = Clock::now();
  int drained = 0;
  std::uint8_t byte = 0;
  for (;;) {
    const auto readStart = Clock::now();
    if (port.Read(&byte, 1) == 0) {
      std::printf("drain: %d more bytes; a read on the silent line returned 0 after %lld ms\n",
                  drained, MsSince(readStart));
      return true;
    }
    ++drained;
    if (MsSince(start) >= protocol::kDrainTimeLimitMs) {
      std::printf("drain: the converter still talks after %d bytes\n", drained);
      return false;
    }
  }
}

// Purge, "v", 1 byte: prints the firmware label as the configurator shows it.
void ReadVersion(SerialPort& port) {
  port.Purge();
  port.Write(protocol::kVersionQuery.data(), protocol::kVersionQuery.size());
  std::uint8_t version = 0;
  const int got = port.Read(&version, 1);
  const auto caption =
      protocol::FirmwareCaption(got == 0 ? std::nullopt : std::optional<std::uint8_t>(version));
  std::printf("%s\n", caption.c_str());
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    Usage();
    return 2;
  }
  SerialPort port;
  port.SetPortName(argv[1]);
  try {
    port.Open();
  } catch (const SerialPortError& e) {
    std::printf("open %s: \"%s\"\n", argv[1], e.what());
    return 2;
  }
  std::printf("open %s: done\n", argv[1]);
  try {
    if (!ReadTable(port) || !Drain(port)) return 1;
    ReadVersion(port);
    return CloseDuringRead(port) ? 0 : 1;
  } catch (const SerialPortError& e) {
    std::printf("serial error: \"%s\"\n", e.what());
    return 1;
  }
}
