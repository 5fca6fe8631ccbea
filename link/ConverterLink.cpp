#include "link/ConverterLink.h"

#include "link/Correction.h"
#include "link/SerialPort.h"

namespace zelor {
namespace {

using Clock = std::chrono::steady_clock;

template <std::size_t N>
void Send(SerialPort& port, const std::array<std::uint8_t, N>& bytes) {
  port.Write(bytes.data(), static_cast<int>(N));
}

}  // namespace

TableRead ConverterLink::ReadTable() {
  TableRead read = ReadTableReply();
  if (read.Complete()) read.version = ReadVersion();
  return read;
}

TableRead ConverterLink::ReadTableReply() {
  TableRead read;
  read.received = RequestTable(read.reply);
  if (read.received < protocol::kTableReplySize) return read;
  // A healthy converter falls silent at once; one that keeps talking would
  // hold the caller forever, so the drain gives up at its bound.
  const auto start = Clock::now();
  const auto bound = start + std::chrono::milliseconds(protocol::kDrainTimeLimitMs);
  std::uint8_t discarded = 0;
  for (;;) {
    const auto readStart = Clock::now();
    if (port_.Read(&discarded, 1) == 0) {
      read.silent = true;
      read.silenceWait =
          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - readStart);
      return read;
    }
    ++read.drained;
    if (Clock::now() >= bound) return read;
  }
}

std::optional<std::uint8_t> ConverterLink::ReadVersion() {
  port_.Purge();
  Send(port_, protocol::kVersionQuery);
  std::uint8_t version = 0;
  if (port_.Read(&version, 1) == 0) return std::nullopt;
  return version;
}

void ConverterLink::WriteTable(std::span<const std::uint8_t, kCellCount> cells) {
  port_.Purge();
  Send(port_, protocol::TableWriteFrame(cells));
}

TableReadBack ConverterLink::ReadBack(std::span<const std::uint8_t, kCellCount> sent) {
  TableReadBack back;
  back.received = RequestTable(back.reply);
  back.mismatch = protocol::FirstMismatch(
      sent,
      std::span<const std::uint8_t>(back.reply.data(), static_cast<std::size_t>(back.received)));
  return back;
}

void ConverterLink::StartStream(bool learning) {
  Send(port_, learning ? protocol::kStreamStartLearning : protocol::kStreamStart);
}

void ConverterLink::StopStream() { Send(port_, protocol::kStreamStop); }

void ConverterLink::SendCorrectionRange(int begin, int end) {
  SendFrame(CorrectionRangeFrame(begin, end));
}

void ConverterLink::SendCorrectionStep(int correction) {
  SendFrame(CorrectionStepFrame(correction));
}

void ConverterLink::SendLiveTableUpdate(const std::array<std::uint8_t, kCellCount>& cells,
                                        const TableSettings& settings) {
  SendFrame(LiveTableUpdateFrame(cells, settings));
}

int ConverterLink::RequestTable(std::array<std::uint8_t, protocol::kTableReplySize>& reply) {
  port_.Purge();
  Send(port_, protocol::kTableRead);
  return port_.Read(reply.data(), protocol::kTableReplySize);
}

void ConverterLink::SendFrame(std::span<const std::uint8_t> frame) {
  port_.Write(frame.data(), 1);
  port_.Write(frame.data() + 1, static_cast<int>(frame.size() - 1));
}

}  // namespace zelor
