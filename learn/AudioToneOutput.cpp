#include "learn/AudioToneOutput.h"

#include <cstdio>
#include <cstdlib>

namespace zelor {

std::unique_ptr<ToneOutput> MakeToneOutput() {
  auto audio = AudioToneOutput::ForDefaultDevice();
  if (std::getenv("ZELOR_TONE_LOG") == nullptr) return audio;
  std::fprintf(stderr, "beeper: %s\n",
               audio->HasDevice() ? "default audio output" : "no audio output, tones are silent");
  return std::make_unique<LoggingToneOutput>(std::move(audio), stderr);
}

}  // namespace zelor
