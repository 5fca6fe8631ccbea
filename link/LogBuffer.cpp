#include "link/LogBuffer.h"

#include <algorithm>
#include <stdexcept>

#include <string>
#include <thread>
#include "link/RecordTranspose.h"

namespace zelor {

namespace {

constexpr int kMafChannel = static_cast<int>(LogChannel::Maf);
constexpr int kMarkerChannel = static_cast<int>(LogChannel::Marker);
constexpr int kRecent = 7;

// Frames whose storing has begun, for a value of the sequence word.
constexpr std::uint64_t Started(std::uint64_t seq) { return (seq + 1) >> 1; }

void CheckSlot(std::int32_t slot, std::int32_t limit, const char* what) {
  if (slot < 0 || slot >= limit) {
    throw std::out_of_range(std::string("LogBuffer::") + what + ": slot " + std::to_string(slot) +
                            " outside 0.." + std::to_string(limit - 1));
  }
}

}  // namespace

static_assert(std::atomic_ref<std::uint8_t>::is_always_lock_free);
static_assert(std::atomic_ref<std::uint8_t>::required_alignment == 1);

LogBuffer::LogBuffer()
    : data_(std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(kLogChannelCount) *
                                             kChannelSize)) {}

std::atomic_ref<std::uint8_t> LogBuffer::Byte(int channel, std::int32_t slot) const {
  return std::atomic_ref<std::uint8_t>(
      data_[static_cast<std::size_t>(channel) * kChannelSize + static_cast<std::size_t>(slot)]);
}

std::int32_t LogBuffer::Count() const { return count_.load(std::memory_order_acquire); }

void LogBuffer::SetCount(std::int32_t n) {
  if (n < 0 || n > kCapacity) {
    throw std::out_of_range("LogBuffer::SetCount: " + std::to_string(n) + " outside 0.." +
                            std::to_string(kCapacity));
  }
  base_.store(seq_.load(std::memory_order_relaxed) >> 1, std::memory_order_relaxed);
  countAtSet_.store(n, std::memory_order_relaxed);
  count_.store(n, std::memory_order_release);
}

void LogBuffer::Append(const std::uint8_t frame[kLogChannelCount], bool marker) {
  const std::uint64_t s = seq_.load(std::memory_order_relaxed);
  seq_.store(s + 1, std::memory_order_relaxed);  // carried by the release stores below
  const std::int32_t c = count_.load(std::memory_order_relaxed);
  RingEntry& entry = ring_[(s >> 1) % kRingSize];
  for (int k = 0; k < kLogChannelCount; ++k) {
    const std::uint8_t b = k == kMarkerChannel ? (marker ? kMarkerOn : 0) : frame[k];
    Byte(k, c).store(b, std::memory_order_release);
    entry.bytes[k].store(b, std::memory_order_release);
  }
  seq_.store(s + 2, std::memory_order_release);
  if (c < kCapacity) count_.store(c + 1, std::memory_order_release);
}

std::uint8_t LogBuffer::At(LogChannel channel, std::int32_t slot) const {
  CheckSlot(slot, kChannelSize, "At");
  return Byte(static_cast<int>(channel), slot).load(std::memory_order_relaxed);
}

LogSample LogBuffer::SampleAt(std::int32_t slot) const {
  CheckSlot(slot, kChannelSize, "SampleAt");
  return LoadSlot(slot, std::memory_order_relaxed);
}

void LogBuffer::ReadChannel(LogChannel channel, std::int32_t first, std::int32_t n,
                            std::uint8_t* out) const {
  if (n <= 0) return;
  if (first < 0 || first > kChannelSize - n) {
    throw std::out_of_range("LogBuffer::ReadChannel: slots " + std::to_string(first) + ".." +
                            std::to_string(static_cast<std::int64_t>(first) + n - 1) +
                            " outside 0.." + std::to_string(kChannelSize - 1));
  }
  const int c = static_cast<int>(channel);
  for (std::int32_t k = 0; k < n; ++k) out[k] = Byte(c, first + k).load(std::memory_order_relaxed);
}

void LogBuffer::Store(std::int32_t slot, const LogSample& sample) {
  CheckSlot(slot, kCapacity + 1, "Store");
  for (int k = 0; k < kLogChannelCount; ++k) {
    Byte(k, slot).store(sample.bytes[k], std::memory_order_relaxed);
  }
}

void LogBuffer::StoreRecords(std::int32_t first, const std::uint8_t* records, std::int32_t n) {
  if (n <= 0) return;
  if (first < 0 || first > kCapacity + 1 - n) {
    throw std::out_of_range("LogBuffer::StoreRecords: slots " + std::to_string(first) + ".." +
                            std::to_string(static_cast<std::int64_t>(first) + n - 1) +
                            " outside 0.." + std::to_string(kCapacity));
  }
  // No other thread touches the bytes now: plain stores, a block at a time.
  std::uint8_t* channels[kLogChannelCount];
  for (int k = 0; k < kLogChannelCount; ++k)
    channels[k] = data_.get() + static_cast<std::size_t>(k) * kChannelSize + first;
  TransposeRecords(records, n, channels);
}

LogSample LogBuffer::LoadSlot(std::int32_t slot, std::memory_order order) const {
  LogSample s;
  for (int k = 0; k < kLogChannelCount; ++k) s.bytes[k] = Byte(k, slot).load(order);
  return s;
}

LogSample LogBuffer::LoadRing(std::uint64_t frame) const {
  const RingEntry& entry = ring_[frame % kRingSize];
  LogSample s;
  for (int k = 0; k < kLogChannelCount; ++k) {
    s.bytes[k] = entry.bytes[k].load(std::memory_order_acquire);
  }
  return s;
}

LogSample LogBuffer::Newest() const {
  for (;;) {
    const std::uint64_t s1 = seq_.load(std::memory_order_acquire);
    const std::uint64_t done = s1 >> 1;
    if (done == base_.load(std::memory_order_relaxed)) return Panel().sample;
    const LogSample sample = LoadRing(done - 1);
    const std::uint64_t s2 = seq_.load(std::memory_order_relaxed);
    if (Started(s2) <= done - 1 + kRingSize) return sample;
  }
}

PanelView LogBuffer::Panel() const {
  for (;;) {
    // The count first: once it reads kCapacity, s1 already covers the frame
    // that filled the buffer.
    const std::int32_t c = count_.load(std::memory_order_acquire);
    const std::uint64_t s1 = seq_.load(std::memory_order_acquire);
    PanelView v;

    if (c > 0 && c < kCapacity) {
      // Published slots: complete, and not rewritten before the next SetCount.
      v.slot = c - 1;
      v.sample = LoadSlot(c - 1, std::memory_order_relaxed);
      for (int j = 0; j < kRecent; ++j) {
        const std::int32_t slot = c - kRecent + j;
        v.recentMaf[j] = slot >= 0 ? Byte(kMafChannel, slot).load(std::memory_order_relaxed) : 0;
      }
      return v;
    }

    if (c == 0) {
      // Slot 0 is the one the next frame goes into: copy it between two
      // equal, even readings of the sequence word.
      if (s1 & 1) {
        std::this_thread::yield();
        continue;
      }
      v.slot = 0;
      v.sample = LoadSlot(0, std::memory_order_acquire);
      v.recentMaf[kRecent - 1] = v.sample.Maf();
      if (seq_.load(std::memory_order_relaxed) == s1) return v;
      continue;
    }

    // Full: the newest frames come from the ring, older samples from the
    // counted slots, which no longer change.
    const std::uint64_t done = s1 >> 1;
    const std::uint64_t appended = done - base_.load(std::memory_order_relaxed);
    const std::int32_t set = countAtSet_.load(std::memory_order_relaxed);
    const std::uint64_t intoSlots = static_cast<std::uint64_t>(kCapacity - set);
    const std::uint64_t overwrites = appended > intoSlots ? appended - intoSlots : 0;
    const std::uint64_t fromRing = std::min<std::uint64_t>(appended, kRecent);
    v.slot = overwrites > 0 ? kCapacity : kCapacity - 1;
    v.sample =
        fromRing > 0 ? LoadRing(done - 1) : LoadSlot(kCapacity - 1, std::memory_order_relaxed);
    for (std::uint64_t age = 0; age < static_cast<std::uint64_t>(kRecent); ++age) {
      std::uint8_t maf = 0;
      if (age < fromRing) {
        maf =
            ring_[(done - 1 - age) % kRingSize].bytes[kMafChannel].load(std::memory_order_acquire);
      } else {
        const std::int64_t slot =
            static_cast<std::int64_t>(set) - 1 - static_cast<std::int64_t>(age - fromRing);
        if (slot >= 0) {
          maf = Byte(kMafChannel, static_cast<std::int32_t>(slot)).load(std::memory_order_relaxed);
        }
      }
      v.recentMaf[kRecent - 1 - age] = maf;
    }
    if (fromRing == 0) return v;
    const std::uint64_t s2 = seq_.load(std::memory_order_relaxed);
    if (Started(s2) <= done - fromRing + kRingSize) return v;
  }
}

LogSample LogBuffer::PanelSample() const { return Panel().sample; }

std::int32_t LogBuffer::PanelSlot() const { return Panel().slot; }

std::array<std::uint8_t, 7> LogBuffer::RecentMaf() const { return Panel().recentMaf; }

std::uint64_t LogBuffer::Appended() const {
  return (seq_.load(std::memory_order_acquire) >> 1) - base_.load(std::memory_order_relaxed);
}

}  // namespace zelor
