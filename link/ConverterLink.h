#pragma once
// The converter's exchanges over the serial port, each one function that
// sends its bytes and returns what came back as a plain result. Nothing here
// shows a message or touches a window: the configurator's handlers and the
// console tool turn the results into their own words. A failure of the
// serial layer is not caught here; it leaves the exchange at the failing
// call as a SerialPortError.
//
// Every exchange that expects a reply purges both directions first, so
// bytes left over from an earlier exchange are never taken for the reply.
// A frame with data (the correction's "g", "c" and "t") goes out as its
// command byte in one write and its data in a second, as the converter
// expects them.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>

#include "link/Protocol.h"
#include "table/TableImage.h"
#include "table/TableSettings.h"

namespace zelor {

class SerialPort;

// What the line did before a table read asked for the table.
struct LineSettle {
  // Bytes heard on the line before "sr": 0 when it was quiet.
  int heard = 0;
  // "s" went out to stop a converter that was still streaming.
  bool stopSent = false;
  // The line was (or fell) silent: only then was "sr" sent.
  bool silent = true;
  // From the first listen until the line was found silent.
  std::chrono::milliseconds waited{0};
};

// What a table read brought back.
struct TableRead {
  // The reply: its first `received` bytes are what arrived, the rest are 0.
  std::array<std::uint8_t, protocol::kTableReplySize> reply{};
  // Bytes of the reply that arrived, 0..257.
  int received = 0;
  // Bytes the drain swallowed after the reply.
  int drained = 0;
  // True when the drain ended on a read that brought nothing. False when the
  // converter was still talking once the drain's time bound had passed, and
  // when the reply was short (no drain follows it).
  bool silent = false;
  // How long the read that found the line silent waited: the read's time-out
  // on a converter that has finished.
  std::chrono::milliseconds silenceWait{0};
  // The firmware version byte (version x 10); none when the query brought no
  // byte or was not made.
  std::optional<std::uint8_t> version;
  // What the line did before the request (ConverterLink::SettleLine).
  LineSettle before;

  // A whole reply after which the converter fell silent: only then are the
  // cells the table the converter holds.
  bool Complete() const { return received == protocol::kTableReplySize && silent; }

  // Cells 0..255 of the reply.
  std::span<const std::uint8_t, kCellCount> Cells() const {
    return std::span<const std::uint8_t, kCellCount>(reply.data(), kCellCount);
  }
};

// What the read-back of a written table brought back.
struct TableReadBack {
  // The reply: its first `received` bytes are what arrived, the rest are 0.
  std::array<std::uint8_t, protocol::kTableReplySize> reply{};
  // Bytes of the reply that arrived, 0..257.
  int received = 0;
  // The first cell at which the reply differs from the cells sent, a cell
  // that did not arrive counting as different; none when all 256 agree. The
  // 257th byte is not compared.
  std::optional<int> mismatch;

  // A whole reply that holds the cells sent.
  bool Verified() const { return received == protocol::kTableReplySize && !mismatch; }
};

// The converter at the far end of one serial port. It holds only the port,
// which stays its owner's: open it before an exchange.
class ConverterLink {
 public:
  explicit ConverterLink(SerialPort& port) : port_(port) {}

  // The table read with the firmware version: ReadTableReply, then, when
  // that is Complete, ReadVersion into the result's version.
  TableRead ReadTable();

  // SettleLine; on a silent line purge, "sr", a read of the 257-byte reply;
  // when all of it came, the drain: single bytes are read and discarded
  // until a read brings none, or until the drain's time bound has passed.
  // The version is not asked. A line that does not fall silent sends
  // nothing more and gives a read with nothing received and `silent` false.
  TableRead ReadTableReply();

  // Purge, then listens for protocol::kListenMs. A quiet line is left as it
  // is (nothing is sent). On a talking line (a converter left streaming)
  // "s" goes out and the bytes are swallowed until kListenMs pass without
  // one, for at most protocol::kSilenceLimitMs.
  LineSettle SettleLine();

  // Purge, "v", a read of one byte: the version byte, none when none came.
  std::optional<std::uint8_t> ReadVersion();

  // Purge, then the 259-byte write frame ("sw", the cells, 0x00) in one
  // write. The converter does not answer; it holds the table some seconds
  // later (protocol::kVerifyTicks ticks), when ReadBack can verify it.
  void WriteTable(std::span<const std::uint8_t, kCellCount> cells);

  // Purge, "sr", a read of the 257-byte reply, compared with the cells sent.
  // No drain follows it.
  TableReadBack ReadBack(std::span<const std::uint8_t, kCellCount> sent);

  // The stream start, "sa" with learning on, else "sl". It does not purge:
  // the caller purges before the correction's resets, which go out first.
  void StartStream(bool learning);

  // The stream stop, "s".
  void StopStream();

  // "g" and the correction range's bounds.
  void SendCorrectionRange(int begin, int end);

  // "c" and the correction step's magnitude and sign.
  void SendCorrectionStep(int correction);

  // "t" and the TableImage of the cells and the settings.
  void SendLiveTableUpdate(const std::array<std::uint8_t, kCellCount>& cells,
                           const TableSettings& settings);

 private:
  // Purge, "sr", a read of 257 bytes into `reply`; returns the count.
  int RequestTable(std::array<std::uint8_t, protocol::kTableReplySize>& reply);

  // A frame of the correction: its command byte, then its data.
  void SendFrame(std::span<const std::uint8_t> frame);

  SerialPort& port_;
};

}  // namespace zelor
