#pragma once
// The converter's command handling: bytes from the configurator go in, the
// device's reply bytes come out, and the live stream is produced on the
// clock it is given. Nothing here touches a file descriptor or a clock; the
// simulator's loop (SimLoop) feeds it and paces its output onto the line.
//
// Commands are parsed as a byte stream, whatever the split of the writes:
//   "sr"                 reply: the 256 table bytes, then their checksum (the
//                        low 8 bits of the sum of the 256 bytes)
//   "v"                  reply: one byte, the firmware version x 10
//   "sw" + 256 + 0x00    new table, held after the flash delay; no reply. A
//                        frame whose last byte is not 0x00 is thrown away and
//                        that byte is taken as the start of a new command.
//   "sa" / "sl"          start the stream: one 8-byte frame every 10 ms (every
//                        10 / speed ms when sped up), the first at once. The
//                        two streams are the same; the device only remembers
//                        which was asked (LearningMode).
//   "s"                  stop the stream. An 's' followed by a byte that is not
//                        'r', 'w', 'a' or 'l', or by nothing within the stop
//                        wait (20 ms), is a stop; the following byte is then
//                        a command of its own.
//   "g" b e              correction range b..e (empty when b > e)
//   "c" magnitude sign   correction step: magnitude, negative when sign != 0
//   "t" + 262            table and settings replaced at once
// Every command that starts with 's' ends a running stream first. "g", "c"
// and "t" are taken while the stream runs without a gap in the frames; "v"
// while streaming answers between two frames. A command whose data stops
// coming for the data timeout (1 s) is abandoned. Unknown bytes are ignored.
//
// Stream frame (8 bytes):
//   0 converter output: the table cell of the MAF value, moved by the
//     correction step (clamped to 0..255) when MAF lies in the correction range
//   1 frame counter of this stream, from 0, wrapping at 256
//   2 128 + accelerator-pump enrichment (AccelPump)
//   3 MAF   4 VAF the ECU expects (EngineModel)
//   5 engine speed / 50 rpm   6 coolant temperature + 40 deg C
//   7 O2 sensor (EngineModel::StepO2: narrowband against output and VAF, or a
//     wideband controller's reading of the engine's lambda)

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/AccelPump.h"
#include "sim/DeviceMemory.h"
#include "sim/EngineModel.h"
#include "sim/FaultSet.h"
#include "sim/SimTime.h"

namespace zelor::sim {

struct DeviceConfig {
  DeviceMemory memory;        // table and settings at power-on
  std::uint8_t version = 32;  // firmware version x 10
  FaultSet faults;
  std::uint32_t seed = 1;  // engine noise
  O2Setup o2;              // the O2 sensor and its delay
  EcuSetup ecu;            // the ECU's own fuelling
  // Frames go out this many times faster than the stream's 10 ms; the
  // engine still advances 10 ms a frame (the line is as much faster).
  int speed = 1;
  SimTime flashDelay{300'000};     // "sw" to the new table being held
  SimTime stopWait{20'000};        // how long 's' waits for its second letter
  SimTime dataTimeout{1'000'000};  // a command's data may pause this long
};

class ConverterDevice {
 public:
  // Length of a stream frame.
  static constexpr std::size_t kFrameSize = 8;
  // Bytes the extra-bytes fault answers "sr" with.
  static constexpr std::size_t kExtraReplySize = 300;
  // Interval of the keep-talking fault's chatter.
  static constexpr SimTime kChatterInterval{10'000};

  // A powered-on device with the given memory, version and faults, idle.
  explicit ConverterDevice(DeviceConfig config);

  // Takes bytes that arrived at `now` (not earlier than any earlier call's
  // time); runs the timers due by then first.
  void Receive(const std::uint8_t* data, std::size_t size, SimTime now);
  // As above, for a vector.
  void Receive(const std::vector<std::uint8_t>& data, SimTime now);

  // Runs everything due by `now`: stop wait, data timeout, flash write,
  // stream frames, chatter.
  void Advance(SimTime now);

  // The reply bytes produced since the last call, oldest first.
  std::vector<std::uint8_t> TakeOutput();

  // The earliest time at which Advance has something to do, if any.
  std::optional<SimTime> NextDeadline() const;

  // True once the hangup-after fault has fired: the port is to be closed.
  bool HangupRequested() const { return hangup_; }

  // The table the device holds now (what "sr" returns).
  const Table& CurrentTable() const { return memory_.table; }
  // The settings the device holds now, in stored form.
  const Settings& CurrentSettings() const { return memory_.settings; }
  // True while a written table waits for its flash delay.
  bool FlashPending() const { return pendingWrite_.has_value(); }
  // True while a stream is on (even when a fault keeps it silent).
  bool Streaming() const { return streaming_; }
  // True when the last stream was started with "sa".
  bool LearningMode() const { return learning_; }
  // Correction range bounds and signed step, as last received.
  int RangeBegin() const { return rangeBegin_; }
  int RangeEnd() const { return rangeEnd_; }
  int Step() const { return step_; }
  // Frames produced by the current (or last) stream.
  std::uint64_t StreamFrames() const { return streamFrames_; }
  // How many times faster than the stream's 10 ms the frames go out.
  int Speed() const { return speed_; }
  // The engine behind the converter.
  const EngineModel& Engine() const { return engine_; }
  // The converter output for a MAF value: table cell plus correction.
  std::uint8_t OutputFor(std::uint8_t maf) const;

 private:
  enum class Parse { kIdle, kAfterS, kData };

  void ExpireTimers(SimTime now);
  void HandleByte(std::uint8_t b, SimTime now);
  void StartCommand(std::uint8_t b, SimTime now);
  void ExpectData(std::uint8_t command, std::size_t size, SimTime now);
  void FinishData(SimTime now);
  void StopStream();
  void StartStream(bool learning, SimTime now);
  void ReplyTable(SimTime now);
  void ReplyVersion();
  void EmitFrame();
  void Emit(std::uint8_t b);

  DeviceConfig config_;
  int speed_;
  SimTime frameInterval_;
  DeviceMemory memory_;
  EngineModel engine_;
  AccelPump pump_;
  std::vector<std::uint8_t> output_;

  Parse parse_ = Parse::kIdle;
  SimTime afterSDeadline_{};
  std::uint8_t dataCommand_ = 0;
  std::size_t dataSize_ = 0;
  std::vector<std::uint8_t> data_;
  SimTime lastDataByte_{};

  std::optional<Table> pendingWrite_;
  SimTime pendingWriteDue_{};

  int rangeBegin_ = 0;
  int rangeEnd_ = 0;
  int step_ = 0;

  bool streaming_ = false;
  bool learning_ = false;
  SimTime nextFrame_{};
  std::uint64_t streamFrames_ = 0;
  bool byteDropped_ = false;
  bool hangup_ = false;

  bool chatter_ = false;
  SimTime nextChatter_{};
  std::uint8_t chatterByte_ = 0;
};

}  // namespace zelor::sim
