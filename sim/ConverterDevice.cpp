#include "sim/ConverterDevice.h"

#include <algorithm>
#include <utility>

namespace zelor::sim {

namespace {

constexpr std::uint8_t kS = 's';
constexpr std::size_t kWriteFrameData = kTableSize + 1;  // cells and the 0x00
// A stream that has fallen this far behind its schedule (the host was
// stalled) skips the missed frames instead of bursting them onto the line.
constexpr SimTime kMaxFrameBacklog{100'000};

SimTime LineTime(std::size_t bytes) {
  return SimTime{static_cast<std::int64_t>(bytes) * kByteTimeNs / 1000};
}

}  // namespace

ConverterDevice::ConverterDevice(DeviceConfig config)
    : config_(std::move(config)),
      speed_(std::max(1, config_.speed)),
      frameInterval_(kFrameInterval / speed_),
      memory_(config_.memory),
      engine_(config_.seed, config_.o2, config_.ecu) {}

void ConverterDevice::Receive(const std::vector<std::uint8_t>& data, SimTime now) {
  Receive(data.data(), data.size(), now);
}

void ConverterDevice::Receive(const std::uint8_t* data, std::size_t size, SimTime now) {
  ExpireTimers(now);
  if (size > 0) chatter_ = false;  // the keep-talking fault talks until it hears a byte
  for (std::size_t i = 0; i < size; ++i) HandleByte(data[i], now);
}

void ConverterDevice::ExpireTimers(SimTime now) {
  if (parse_ == Parse::kAfterS && now >= afterSDeadline_) {
    // A lone 's': the stream was already stopped when it arrived.
    parse_ = Parse::kIdle;
  }
  if (parse_ == Parse::kData && now - lastDataByte_ >= config_.dataTimeout) {
    parse_ = Parse::kIdle;
    data_.clear();
  }
  if (pendingWrite_ && now >= pendingWriteDue_) {
    memory_.table = *pendingWrite_;
    pendingWrite_.reset();
  }
}

void ConverterDevice::HandleByte(std::uint8_t b, SimTime now) {
  switch (parse_) {
    case Parse::kIdle: StartCommand(b, now); return;
    case Parse::kAfterS:
      parse_ = Parse::kIdle;
      switch (b) {
        case 'r':
          if (streaming_) return;  // a stream that would not stop talks on instead
          ReplyTable(now);
          return;
        case 'w': ExpectData('w', kWriteFrameData, now); return;
        case 'a':
        case 'l': StartStream(b == 'a', now); return;
        default:
          // "s" was a stop (already carried out); this byte starts anew.
          StartCommand(b, now);
          return;
      }
    case Parse::kData:
      data_.push_back(b);
      lastDataByte_ = now;
      if (data_.size() == dataSize_) FinishData(now);
      return;
  }
}

void ConverterDevice::StartCommand(std::uint8_t b, SimTime now) {
  switch (b) {
    case kS:
      StopStream();
      parse_ = Parse::kAfterS;
      afterSDeadline_ = now + config_.stopWait;
      return;
    case 'v': ReplyVersion(); return;
    case 'g':
    case 'c': ExpectData(b, 2, now); return;
    case 't': ExpectData(b, kImageSize, now); return;
    default: return;  // not a command: ignored
  }
}

void ConverterDevice::ExpectData(std::uint8_t command, std::size_t size, SimTime now) {
  parse_ = Parse::kData;
  dataCommand_ = command;
  dataSize_ = size;
  data_.clear();
  data_.reserve(size);
  lastDataByte_ = now;
}

void ConverterDevice::FinishData(SimTime now) {
  parse_ = Parse::kIdle;
  std::vector<std::uint8_t> data;
  data.swap(data_);
  switch (dataCommand_) {
    case 'g':
      rangeBegin_ = data[0];
      rangeEnd_ = data[1];
      return;
    case 'c': step_ = data[1] != 0 ? -static_cast<int>(data[0]) : static_cast<int>(data[0]); return;
    case 't':
      std::copy_n(data.begin(), kTableSize, memory_.table.begin());
      std::copy_n(data.begin() + kTableSize, kSettingsSize, memory_.settings.begin());
      pendingWrite_.reset();  // the newer table wins over a write still in flash
      return;
    case 'w': {
      if (data[kTableSize] != 0x00) {
        // Not a well-formed write frame: keep the table, resynchronise on
        // the byte that should have been the terminator.
        StartCommand(data[kTableSize], now);
        return;
      }
      if (config_.faults.ignoreWrite) return;
      Table t{};
      std::copy_n(data.begin(), kTableSize, t.begin());
      if (config_.faults.corruptReadback) {
        t[static_cast<std::size_t>(*config_.faults.corruptReadback)] ^= 0x01;
      }
      pendingWrite_ = t;  // a second write restarts the delay with its table
      pendingWriteDue_ = now + config_.flashDelay;
      return;
    }
    default: return;
  }
}

void ConverterDevice::StopStream() {
  if (!config_.faults.ignoreStop) streaming_ = false;
}

void ConverterDevice::StartStream(bool learning, SimTime now) {
  streaming_ = true;
  learning_ = learning;
  nextFrame_ = now;
  streamFrames_ = 0;
  byteDropped_ = false;
  pump_.Reset();
}

void ConverterDevice::ReplyTable(SimTime now) {
  const FaultSet& f = config_.faults;
  if (f.silent) return;
  for (std::uint8_t b : memory_.table) Emit(b);
  std::size_t sent = kTableSize;
  if (!f.shortTable) {
    Emit(DeviceMemory::Checksum(memory_.table));
    ++sent;
    if (f.extraBytes) {
      for (std::size_t i = sent; i < kExtraReplySize; ++i)
        Emit(static_cast<std::uint8_t>(0xA5 ^ i));
      sent = kExtraReplySize;
    }
    if (f.tail) {
      for (std::uint64_t i = 0; i < *f.tail; ++i) Emit(static_cast<std::uint8_t>(i % 255));
      sent += static_cast<std::size_t>(*f.tail);
    }
  }
  if (f.keepTalking) {
    chatter_ = true;
    nextChatter_ = now + LineTime(sent) + kChatterInterval;
    chatterByte_ = 0;
  }
}

void ConverterDevice::ReplyVersion() {
  if (config_.faults.noVersion) return;
  Emit(config_.faults.versionZero ? 0 : config_.version);
}

std::uint8_t ConverterDevice::OutputFor(std::uint8_t maf) const {
  int v = memory_.table[maf];
  if (rangeBegin_ <= maf && maf <= rangeEnd_) v = std::clamp(v + step_, 0, 255);
  return static_cast<std::uint8_t>(v);
}

void ConverterDevice::EmitFrame() {
  const FaultSet& f = config_.faults;
  const EngineSample s = engine_.Step();
  const std::uint8_t out = OutputFor(s.maf);
  const auto counter = static_cast<std::uint8_t>(streamFrames_ & 0xFF);
  const std::uint8_t enrichment = pump_.Step(s.maf, memory_.settings);
  const std::uint8_t o2 = engine_.StepO2(out, s.vaf, (enrichment - 128) / 1.28);
  const std::uint8_t frame[kFrameSize] = {out,   counter, enrichment, s.maf,
                                          s.vaf, s.rpm50, s.coolant,  o2};
  std::size_t first = 0;
  if (f.dropByteAfter && !byteDropped_ && streamFrames_ == *f.dropByteAfter) {
    first = 1;  // the byte lost on the line
    byteDropped_ = true;
  }
  for (std::size_t i = first; i < kFrameSize; ++i) Emit(frame[i]);
  ++streamFrames_;
}

void ConverterDevice::Advance(SimTime now) {
  ExpireTimers(now);
  const FaultSet& f = config_.faults;
  while (streaming_ && nextFrame_ <= now) {
    if (f.hangupAfter && streamFrames_ >= *f.hangupAfter) {
      hangup_ = true;
      streaming_ = false;
      break;
    }
    if (f.stallAfter && streamFrames_ >= *f.stallAfter) break;  // on, but silent
    if (now - nextFrame_ > kMaxFrameBacklog) nextFrame_ = now;
    EmitFrame();
    nextFrame_ += frameInterval_;
  }
  while (chatter_ && nextChatter_ <= now) {
    Emit(chatterByte_++);
    nextChatter_ += kChatterInterval;
    if (now - nextChatter_ > kMaxFrameBacklog) nextChatter_ = now;
  }
}

std::vector<std::uint8_t> ConverterDevice::TakeOutput() {
  std::vector<std::uint8_t> out;
  out.swap(output_);
  return out;
}

std::optional<SimTime> ConverterDevice::NextDeadline() const {
  std::optional<SimTime> next;
  auto consider = [&next](SimTime t) {
    if (!next || t < *next) next = t;
  };
  if (parse_ == Parse::kAfterS) consider(afterSDeadline_);
  if (parse_ == Parse::kData) consider(lastDataByte_ + config_.dataTimeout);
  if (pendingWrite_) consider(pendingWriteDue_);
  const FaultSet& f = config_.faults;
  const bool stalled = f.stallAfter && streamFrames_ >= *f.stallAfter;
  if (streaming_ && !stalled) consider(nextFrame_);
  if (chatter_) consider(nextChatter_);
  return next;
}

void ConverterDevice::Emit(std::uint8_t b) {
  if (config_.faults.silent) return;
  output_.push_back(b);
}

}  // namespace zelor::sim
