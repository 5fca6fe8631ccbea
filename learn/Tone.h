#pragma once
// The lambda beeper's sound as plain rules: which tone an O2 level gives,
// and the samples of a tone.

#include <cstdint>
#include <vector>

namespace zelor {

// One pass of the beeper: a tone, then a silent pause (0: none).
struct Tone {
  int frequencyHz = 0;
  int toneMs = 0;
  int pauseMs = 0;
  bool operator==(const Tone&) const = default;
};

// The tone of an O2 level v (the O2 gauge's position, 0..255; values beyond
// are taken as the nearer end). With d = 5100 / v rounded to the nearest
// integer, halves to even:
//   v 0..24     200 Hz for 100 ms, no pause (a steady low tone)
//   v 25..128   800 Hz for d ms, then d ms of silence
//   v 129..225  1000 Hz for d ms, then d ms of silence
//   v 226..255  2000 Hz for 200 ms, no pause (a steady high tone)
Tone ToneFor(int v);

// The sample rate of generated tones; whole milliseconds are whole samples.
inline constexpr int kToneSampleRate = 48000;

// A sine of frequencyHz lasting durationMs as signed 16-bit mono samples at
// sampleRate: exactly sampleRate x durationMs / 1000 samples, with a short
// raised-cosine fade at both ends so that the first and the last sample are
// 0 and the tone starts and stops without a click. amplitude is the peak
// (at most 32767).
std::vector<std::int16_t> ToneSamples(int frequencyHz, int durationMs, int sampleRate,
                                      int amplitude);

}  // namespace zelor
