#pragma once
// The converter's command bytes and the frames of the table transfer, built
// and parsed as plain bytes. Every multi-byte table travels in MAF index
// order 0..255 with no checksum, length or terminator.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace zelor::protocol {

inline constexpr std::array<std::uint8_t, 2> kTableRead{'s', 'r'};
inline constexpr std::array<std::uint8_t, 1> kVersionQuery{'v'};
inline constexpr std::array<std::uint8_t, 2> kStreamStartLearning{'s', 'a'};
inline constexpr std::array<std::uint8_t, 2> kStreamStart{'s', 'l'};
inline constexpr std::array<std::uint8_t, 1> kStreamStop{'s'};
inline constexpr std::uint8_t kCorrectionRange = 'g';
inline constexpr std::uint8_t kCorrectionStep = 'c';
inline constexpr std::uint8_t kLiveTableUpdate = 't';

// The table read's reply: 256 cells and one byte we do not interpret.
inline constexpr int kTableReplySize = 257;
// "sw", the 256 cells, 0x00.
inline constexpr int kTableWriteSize = 259;

// The drain after a table read swallows what a converter sends beyond its
// reply, however long, until a read of one byte brings nothing (at least the
// read's 1 s time-out). A healthy converter falls silent at once; one that
// keeps talking would hold the window forever, so the drain gives up once
// kDrainTimeLimitMs have passed since it began (about 2,800 bytes at the
// line's full rate). Bytes of such a converter's stream could then be taken
// for the table and the version, so the read takes neither.
inline constexpr int kDrainTimeLimitMs = 3000;

// A converter left streaming (the program that started the stream ended
// without "s": killed, crashed, a flat battery) still sends its frames when
// the next program asks for the table, and the frames in flight would be
// taken for the first cells. So the table read first listens for
// kListenMs: a line that brings nothing is quiet and the read goes on as
// ever. On a talking line "s" goes out, and the read waits until a whole
// kListenMs passes without a byte; a converter still talking after
// kSilenceLimitMs is refused as one that keeps talking. Frames come every
// 10 ms and USB adapters hand bytes on at least every 16 ms; a wireless
// adapter or a busy machine may hold them several times longer, so the
// window is fifteen frames: a streaming converter is never silent for it.
inline constexpr int kListenMs = 150;
inline constexpr int kSilenceLimitMs = 2000;

// Verification of a write: the read-back follows after 60 ticks of 100 ms,
// the time the converter is given to take a written table.
inline constexpr int kVerifyTicks = 60;
inline constexpr int kVerifyTickMs = 100;

// The table write frame: "sw", cells 0..255, 0x00.
std::array<std::uint8_t, kTableWriteSize> TableWriteFrame(std::span<const std::uint8_t, 256> cells);

// The first index at which the read-back differs from what was sent, or
// nullopt when all 256 cells agree (the 257th reply byte is not compared).
std::optional<int> FirstMismatch(std::span<const std::uint8_t, 256> sent,
                                 std::span<const std::uint8_t> readBack);

// The progress bar's position after tick count (1..60): trunc(count × 100 / 60).
int VerifyProgress(int ticks);

// The firmware label: "FirmWare:  V1.00" when no byte came, else
// "FirmWare:  V_" and the byte / 10 with one decimal and a point ("V_3.2").
std::string FirmwareCaption(std::optional<std::uint8_t> versionByte);

}  // namespace zelor::protocol
