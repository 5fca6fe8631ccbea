#pragma once
// The in-memory recording of the live stream: eight byte channels of 500,004
// bytes each, allocated once for the whole run, and the count of valid
// samples (slots 0 .. count - 1).
//
// Writers and readers. While the stream runs, the reader thread is the only
// writer (Append). Every other call is made by one other thread (the GUI
// thread): Count, At, SampleAt, the panel reads, and, only while no Append
// can run, SetCount and Store (Start, the .log loader).
//
// How a sample is published. Every byte the two threads share is reached
// through std::atomic_ref while the threads can share it, so no access is a
// data race. Append stores the eight channels
// of slot `count` first and raises the count afterwards with a release
// store; a reader that loads the count with acquire and reads slots below it
// sees complete samples without any lock, and those slots never change
// again until the next SetCount.
//
// The newest sample. Slots at and above the count are not published that
// way: at count 0 the next frame goes into slot 0, which the panel shows
// meanwhile, and once the count is at kCapacity every frame overwrites slot
// kCapacity. For those, Append also runs a sequence lock and keeps the last
// kRingSize frames in a small ring:
//   - seq_ is 2n while n frames are complete and 2n + 1 while frame n is
//     being stored; it is raised to odd before the first byte store and to
//     even (release) after the last one;
//   - every byte of frame n goes into the slot and into ring entry
//     n % kRingSize with release stores;
//   - a reader loads seq_ (acquire), loads the bytes (acquire) and loads seq_
//     again. A byte of a later store, if one was seen, makes the second load
//     see that store's odd mark (the release store of the byte carries it),
//     so the copy is known to be whole when the writer cannot have started
//     to rewrite what was read: for slot 0 when seq_ is unchanged, for ring
//     entries when fewer than kRingSize frames were begun since the first
//     one read. A reader that fails retries; with a ring of 16 it fails only
//     when the writer stores 16 frames during one 8-byte copy.
// Append stays wait-free: about twenty byte stores and three word stores,
// no lock, no allocation.
//
// When the buffer is full the recording keeps its cap (the count stays
// kCapacity and slot kCapacity is overwritten by every new frame), but the
// panel reads (Panel, PanelSample, RecentMaf, Newest) follow the newest
// frame from the ring instead of staying on slot kCapacity - 1, so gauges,
// O2Level, MafInRange and live learning stay live during long runs.
//
// The recent MAF values. RecentMaf gives the MAF of the seven newest samples
// in recording order: the counted slots followed by the frames that
// overwrote slot kCapacity. While count < kCapacity these are the slots
// count - 7 .. count - 1; once full they are the newest frames of the ring,
// completed from slots kCapacity - 1 downward when fewer than seven frames
// arrived since the last SetCount. Samples before slot 0 read as MAF 0.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "link/LogSample.h"

namespace zelor {

// What one panel tick works on, read in one consistent step.
struct PanelView {
  // The slot i of the sample: count - 1, or 0 while the count is 0; when the
  // buffer is full and frames overwrote slot kCapacity, kCapacity itself
  // (the slot the newest frame was stored in), so i > 10 holds then.
  std::int32_t slot = 0;
  // The sample shown: slot i, or the newest frame once the buffer is full.
  LogSample sample;
  // MAF of the samples i - 6 .. i, oldest first; recentMaf[6] is sample.Maf().
  std::array<std::uint8_t, 7> recentMaf{};
};

class LogBuffer {
 public:
  // Usable slots per channel are 0..kCapacity; the count never exceeds it.
  static constexpr std::int32_t kCapacity = 500000;
  // Storage per channel in bytes.
  static constexpr std::int32_t kChannelSize = 500004;
  // The marker channel's value for a sample stored while the marker was on.
  static constexpr std::uint8_t kMarkerOn = 128;
  // Newest frames kept for the panel once the buffer is full.
  static constexpr std::uint64_t kRingSize = 16;

  // Allocates the eight channels, all slots 0, count 0.
  LogBuffer();

  LogBuffer(const LogBuffer&) = delete;
  LogBuffer& operator=(const LogBuffer&) = delete;

  // The number of valid samples (acquire load): slots below it are complete.
  std::int32_t Count() const;

  // Sets the count (release store) and starts a new run of appends; slots
  // keep their bytes. Only while no Append can run. n outside 0..kCapacity
  // raises std::out_of_range and changes nothing.
  void SetCount(std::int32_t n);

  // The reader's store of one 8-byte frame: writes slot `count` of every
  // channel (frame byte k into channel k, byte 1 dropped, the marker channel
  // kMarkerOn or 0), then raises the count by one unless it is kCapacity.
  // Single writer only.
  void Append(const std::uint8_t frame[kLogChannelCount], bool marker);

  // One byte of a slot, slot 0..kChannelSize - 1 (std::out_of_range
  // otherwise). Whole only for slots below the count while Append runs.
  std::uint8_t At(LogChannel channel, std::int32_t slot) const;

  // The eight channels of a slot, as At reads them.
  LogSample SampleAt(std::int32_t slot) const;

  // Copies slots first .. first + n - 1 of one channel into out, each byte
  // as At reads it, without a call per byte: for passes over a recording.
  // The slots must lie within 0..kChannelSize - 1 (std::out_of_range
  // otherwise, nothing copied).
  void ReadChannel(LogChannel channel, std::int32_t first, std::int32_t n, std::uint8_t* out) const;

  // Writes the eight channels of a slot as given (the marker byte too), for
  // the .log loader; slot 0..kCapacity (std::out_of_range otherwise). Only
  // while no Append can run; the count is set separately.
  void Store(std::int32_t slot, const LogSample& sample);

  // Writes n records of 8 bytes (a sample's channels in channel order, as a
  // .log file holds them) into slots first .. first + n - 1, as Store does
  // one by one, at the speed of a memory copy. The slots must lie within
  // 0..kCapacity (std::out_of_range otherwise, nothing written). Only while
  // no Append can run and no other thread reads the buffer.
  void StoreRecords(std::int32_t first, const std::uint8_t* records, std::int32_t n);

  // The most recently appended frame since the last SetCount, as stored;
  // when none was appended since, the same as PanelSample. Never torn.
  LogSample Newest() const;

  // The panel's slot i, the sample it shows and the MAF of samples i-6..i,
  // all from the same moment.
  PanelView Panel() const;

  // The sample the panel shows: slot count - 1 (slot 0 at count 0) while
  // count < kCapacity, the newest frame once full. Never torn.
  LogSample PanelSample() const;

  // The panel's slot i (see PanelView::slot).
  std::int32_t PanelSlot() const;

  // MAF of the seven newest samples, oldest first (see PanelView).
  std::array<std::uint8_t, 7> RecentMaf() const;

  // Frames appended since the last SetCount, also those past the cap.
  std::uint64_t Appended() const;

 private:
  struct RingEntry {
    std::array<std::atomic<std::uint8_t>, kLogChannelCount> bytes{};
  };

  std::atomic_ref<std::uint8_t> Byte(int channel, std::int32_t slot) const;
  LogSample LoadSlot(std::int32_t slot, std::memory_order order) const;
  LogSample LoadRing(std::uint64_t frame) const;

  // 8 x kChannelSize bytes; channel c starts at c * kChannelSize. Shared
  // bytes are reached through Byte() alone.
  std::unique_ptr<std::uint8_t[]> data_;
  std::atomic<std::int32_t> count_{0};
  // 2 x frames complete, + 1 while a frame is being stored (see above).
  std::atomic<std::uint64_t> seq_{0};
  // Frames complete at the last SetCount, and the count it set.
  std::atomic<std::uint64_t> base_{0};
  std::atomic<std::int32_t> countAtSet_{0};
  std::array<RingEntry, kRingSize> ring_{};
};

}  // namespace zelor
