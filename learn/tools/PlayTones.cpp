// zelor-play-tones [SECONDS]: a console check of the beeper's audio output
// on a machine without a converter. It plays the beeper's tones for four O2
// levels, SECONDS each (3 by default), through the same output the
// configurator uses (WinMM's waveOut on Windows), and names each level as
// it starts: a steady low tone (lean), slow beeps, quick beeps, a steady
// high tone (rich). Exit status 0 after the last level, 2 on a bad argument.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stop_token>

#include "learn/AudioToneOutput.h"
#include "learn/Tone.h"

int main(int argc, char** argv) {
  int seconds = 3;
  if (argc > 2 || (argc == 2 && (seconds = std::atoi(argv[1])) <= 0)) {
    std::printf("usage: zelor-play-tones [SECONDS]   (each level's length, 3 by default)\n");
    return 2;
  }
  auto output = zelor::AudioToneOutput::ForDefaultDevice();
  std::printf("%s\n", output->HasDevice() ? "default audio output"
                                          : "no audio output: the tones are silences");
  std::stop_source never;
  for (const int level : {10, 60, 150, 240}) {
    const zelor::Tone tone = zelor::ToneFor(level);
    std::printf("O2 level %d: %d Hz for %d ms, then %d ms of silence\n", level, tone.frequencyHz,
                tone.toneMs, tone.pauseMs);
    std::fflush(stdout);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
      output->Play(tone.frequencyHz, tone.toneMs, never.get_token());
      if (tone.pauseMs > 0) output->Rest(tone.pauseMs, never.get_token());
    }
  }
  output->End();
  return 0;
}
