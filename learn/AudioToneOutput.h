#pragma once
// The beeper's tones on the computer's default audio output. One stream per
// run of the beeper, fed with the generated sine of each tone and with
// silence during rests, so that the stream never runs dry and every tone,
// however short, is heard whole. Each call lasts its length (a little longer
// when the stream's buffer is full); with no output, or one that fails, it
// lasts its length in silence.
//
// The output itself is the platform's, in a file of its own that
// learn/AudioOutput.cmake picks: Qt Multimedia's QAudioSink
// (AudioToneOutputQt.cpp), or WinMM's waveOut on Windows
// (AudioToneOutputWinMM.cpp), which needs no Qt Multimedia.

#include <memory>

#include "learn/ToneOutput.h"

namespace zelor {

class AudioToneOutput : public ToneOutput {
 public:
  // The platform's output on the default device. Call it on the GUI thread:
  // Qt's audio services then belong to that thread, not to the beeper's.
  static std::unique_ptr<AudioToneOutput> ForDefaultDevice();

  // True when a default output was found.
  virtual bool HasDevice() const = 0;
};

// The window's tone output: the default audio output; with the environment
// variable ZELOR_TONE_LOG set, every tone and rest is also written to the
// standard error (for a machine without sound). Call on the GUI thread.
std::unique_ptr<ToneOutput> MakeToneOutput();

}  // namespace zelor
