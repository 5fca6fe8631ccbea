#pragma once
// The live stream's runs: the flags the threads share (StreamFlags), the
// LogBuffer, the run's reader TThreadLog and beeper TBeepThread with their
// tone output, and whether the run's reader ended because its port was left.
// It is the one owner of a run's start, stop, join and loss:
//
//   Start      the previous run's reader and beeper are joined first (two
//              readers never share the port, an old one never stores into
//              the new recording, an old beeper never sounds beside the new
//              one); then the purge, the caller's own commands, the start
//              command, the count 0, Streaming, and the new reader and
//              beeper.
//   Stop       Streaming off, the beeper silent at once, "s" sent; the
//              threads are not waited for.
//   AwaitStreamEnd  before another exchange on the port: the last reader
//              joined and, after a stop, the converter's last frames let
//              pass.
//   LeavePort  another port is chosen: a streaming converter is told to
//              stop ("s", a failing write ignored), the port closes under
//              the reader, which is joined; the run then counts as one
//              whose reader is lost, but not its converter.
//   End        the owner's end: Streaming off, both threads joined.
//
// Everything runs on the owner's (GUI) thread. The reader reports a broken
// stream through `failure`, which `post` queues on that thread (see
// TThreadLog for why it never blocks there). The port is the owner's and
// must outlive the run.

#include <functional>
#include <memory>
#include <string>

#include "learn/BeepThread.h"
#include "learn/ToneOutput.h"
#include "link/ConverterLink.h"
#include "link/LogBuffer.h"
#include "link/StreamFlags.h"
#include "link/StreamReader.h"

namespace zelor {

class SerialPort;

class StreamRun {
 public:
  // Makes the tone output at the first Start (on the owner's thread).
  using ToneFactory = std::function<std::unique_ptr<ToneOutput>()>;

  StreamRun(SerialPort& port, TThreadLog::FailureRoutine failure, TThreadLog::GuiPost post,
            ToneFactory makeTones);
  // End().
  ~StreamRun();
  StreamRun(const StreamRun&) = delete;
  StreamRun& operator=(const StreamRun&) = delete;

  // Joins the previous run's threads, purges the port, runs first (the
  // commands that go before the stream's, which it may send), sends the
  // start command ("sa" with learning, else "sl"), empties the recording
  // and starts the run's reader and beeper. streamMessage is what the
  // reader shows when the stream breaks off.
  void Start(bool learning, const std::string& streamMessage, const std::function<void()>& first);
  void Stop();
  void LeavePort();
  // Waits for the last run's reader (it may still store its last frame)
  // before the recording is written by anyone else.
  void JoinReader();
  // Waits until the last run has ended on the line: its reader (it may still
  // sit in its last read and take bytes of a reply), then, after a stop, the
  // converter's last frames (a reply asked for now would start with them):
  // bytes are read and discarded until a read brings none, or the table
  // read's drain bound has passed. Serial errors are raised.
  void AwaitStreamEnd();
  void End();

  bool Streaming() const { return flags_.Streaming.load(std::memory_order_relaxed); }
  // True while a reader thread of the last run is still running.
  bool ReaderRunning() const { return reader_ && !reader_->Finished(); }
  // The run's reader has ended while the stream still counts as running
  // (until Stop): the panel keeps its last sample, live learning writes
  // nothing.
  bool ReaderLost() const { return Streaming() && reader_ && reader_->Finished(); }
  // The run's converter was lost (a hang-up, an unplugged adapter): its
  // reader ended by itself, not because another port was chosen.
  bool LinkLost() const { return ReaderLost() && !readerLeftByPortChange_; }
  // True while the beeper of the last run is still running.
  bool BeeperRunning() const { return beeper_ && !beeper_->Finished(); }

  // Replaces where the beeper's tones go. A running beeper ends; the next
  // Start starts one on the new output.
  void SetToneOutput(std::unique_ptr<ToneOutput> tones);

  LogBuffer& Log() { return *log_; }
  const LogBuffer& Log() const { return *log_; }
  StreamFlags& Flags() { return flags_; }

 private:
  SerialPort& port_;
  ConverterLink link_;
  TThreadLog::FailureRoutine failure_;
  TThreadLog::GuiPost post_;
  ToneFactory makeTones_;
  // Declared before the threads, which use them, so that they go last.
  StreamFlags flags_;
  std::unique_ptr<LogBuffer> log_ = std::make_unique<LogBuffer>();
  std::unique_ptr<ToneOutput> tones_;
  std::unique_ptr<TThreadLog> reader_;
  // The run's reader was still reading when another port was chosen, and
  // ended because its port was closed; reset by Start.
  bool readerLeftByPortChange_ = false;
  // "s" went out and the line has not been found silent since.
  bool stopUnsettled_ = false;
  std::unique_ptr<TBeepThread> beeper_;
};

}  // namespace zelor
