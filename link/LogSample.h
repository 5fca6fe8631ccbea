#pragma once
// One sample of the live stream as the LogBuffer keeps it, and the ids of its
// eight channels. The channel order is also the byte order of a .log record:
// it is the converter's 8-byte frame with byte 1 replaced by the marker.

#include <array>
#include <cstdint>

namespace zelor {

// The LogBuffer's channels; the value is the channel's index and the byte's
// position in a .log record.
enum class LogChannel : int {
  ConverterOutput = 0,
  Marker = 1,
  Enrichment = 2,
  Maf = 3,
  Vaf = 4,
  Channel5 = 5,
  Channel6 = 6,
  O2 = 7,
};

// Number of channels of a sample.
inline constexpr int kLogChannelCount = 8;

// A complete sample: one byte per channel, in channel order.
struct LogSample {
  std::array<std::uint8_t, kLogChannelCount> bytes{};

  // The byte of one channel.
  std::uint8_t operator[](LogChannel c) const { return bytes[static_cast<int>(c)]; }

  // The converter output channel.
  std::uint8_t Output() const { return (*this)[LogChannel::ConverterOutput]; }
  // The marker channel: 128 when the marker was on, else 0.
  std::uint8_t Marker() const { return (*this)[LogChannel::Marker]; }
  // The enrichment channel (128 = none).
  std::uint8_t Enrichment() const { return (*this)[LogChannel::Enrichment]; }
  // The MAF channel, also the table index.
  std::uint8_t Maf() const { return (*this)[LogChannel::Maf]; }
  // The VAF channel.
  std::uint8_t Vaf() const { return (*this)[LogChannel::Vaf]; }
  // The O2 channel, unscaled.
  std::uint8_t O2() const { return (*this)[LogChannel::O2]; }

  // Byte-wise equality.
  bool operator==(const LogSample&) const = default;
};

}  // namespace zelor
