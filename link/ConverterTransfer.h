#pragma once
// The converter on the port chosen, as the table transfer sees it: the serial
// port ComPort1 and whether one was chosen (PortChosen), the table as last
// received from or sent to the converter (the TableMirror, first 256 bytes of
// the receive buffer), the ticks of a write's verification and whether the
// converter's table is known on this port. Nothing here shows a message or
// touches a window: the window's handlers turn the results into the grid and
// the messages.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "link/ConverterLink.h"
#include "link/Protocol.h"
#include "link/SerialPort.h"

namespace zelor {

class ConverterTransfer {
 public:
  ConverterTransfer() = default;
  ConverterTransfer(const ConverterTransfer&) = delete;
  ConverterTransfer& operator=(const ConverterTransfer&) = delete;

  SerialPort& ComPort1() { return port_; }
  const SerialPort& ComPort1() const { return port_; }
  ConverterLink& Link() { return link_; }
  bool PortChosen() const { return portChosen_; }

  // A port is chosen: nothing of the converter on the port left is known
  // any more. Call before the port left is closed.
  void Leave() { tableKnown_ = false; }
  // Opens the port of that name (the port's current name when empty) with
  // the line's fixed settings; chosen once it is open. A port that cannot be
  // opened raises its SerialPortError and leaves the choice as it was.
  void Choose(const std::string& name);

  // Purge, "sr", the reply and its drain (ConverterLink::ReadTableReply).
  // The bytes that came go into the receive buffer; a whole reply after
  // which the converter fell silent makes its table known.
  TableRead ReadTable();
  // Purge, "v", the version byte; none when it did not come.
  std::optional<std::uint8_t> ReadVersion() { return link_.ReadVersion(); }

  // Writes cells to the converter ("sw") and keeps them as the TableMirror
  // the read-back is compared with; the verification starts at tick 0.
  void WriteTable(std::span<const std::uint8_t, 256> cells);
  // One tick of the verification: the ticks counted so far, 1..60; the
  // read-back is due at protocol::kVerifyTicks.
  int VerifyTick() { return ++verifyTicks_; }
  bool ReadBackDue() const { return verifyTicks_ == protocol::kVerifyTicks; }
  // The read-back compared with the TableMirror; a verified one makes the
  // table known.
  TableReadBack ReadBack();

  // The table as last received from or sent to the converter.
  std::span<const std::uint8_t, 256> TableMirror() const {
    return std::span<const std::uint8_t, 256>(receiveBuffer_.data(), 256);
  }
  // The converter's table has been read from the port chosen, or a write to
  // it verified, since that port was chosen; until then a write asks first.
  bool TableKnown() const { return tableKnown_; }

 private:
  SerialPort port_;
  ConverterLink link_{port_};
  bool portChosen_ = false;
  std::array<std::uint8_t, protocol::kTableReplySize> receiveBuffer_{};
  int verifyTicks_ = 0;
  bool tableKnown_ = false;
};

}  // namespace zelor
