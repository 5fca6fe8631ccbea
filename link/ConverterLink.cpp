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

LineSettle ConverterLink::SettleLine() {
  LineSettle settle;
  const auto start = Clock::now();
  const auto listen = std::chrono::milliseconds(protocol::kListenMs);
  // Large enough that a window never fills at the line's rate: each read
  // lasts the whole window and so tells whether the window was silent.
  std::array<std::uint8_t, 256> heard{};
  port_.Purge();
  int n = port_.ReadFor(heard.data(), static_cast<int>(heard.size()), listen);
  if (n == 0) return settle;
  settle.heard = n;
  Send(port_, protocol::kStreamStop);
  settle.stopSent = true;
  const auto bound = start + std::chrono::milliseconds(protocol::kSilenceLimitMs);
  for (;;) {
    n = port_.ReadFor(heard.data(), static_cast<int>(heard.size()), listen);
    settle.waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    if (n == 0) return settle;
    settle.heard += n;
    if (Clock::now() >= bound) {
      settle.silent = false;
      return settle;
    }
  }
}

TableRead ConverterLink::ReadTableReply() {
  TableRead read;
  read.before = SettleLine();
  if (!read.before.silent) return read;
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
