#include "learn/Tone.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "table/TableImage.h"

namespace zelor {
namespace {

constexpr int kFadeMs = 5;

}  // namespace

Tone ToneFor(int v) {
  v = std::clamp(v, 0, 255);
  if (v <= 24) return {200, 100, 0};
  if (v >= 226) return {2000, 200, 0};
  const int d = static_cast<int>(RoundHalfEven(5100, v));
  return {v <= 128 ? 800 : 1000, d, d};
}

std::vector<std::int16_t> ToneSamples(int frequencyHz, int durationMs, int sampleRate,
                                      int amplitude) {
  const long long count = std::max(0LL, static_cast<long long>(sampleRate) * durationMs / 1000);
  std::vector<std::int16_t> samples(static_cast<std::size_t>(count));
  if (count == 0) return samples;
  const double peak = std::clamp(amplitude, 0, 32767);
  const double step = 2.0 * std::numbers::pi * frequencyHz / sampleRate;
  // The fade reaches from the first sample to the last one at 0.
  const long long fade = std::max(1LL, std::min<long long>(sampleRate * kFadeMs / 1000, count / 2));
  for (long long n = 0; n < count; ++n) {
    const long long edge = std::min(n, count - 1 - n);
    const double gain =
        edge >= fade ? 1.0 : 0.5 * (1.0 - std::cos(std::numbers::pi * double(edge) / double(fade)));
    samples[static_cast<std::size_t>(n)] =
        static_cast<std::int16_t>(std::lround(peak * gain * std::sin(step * double(n))));
  }
  return samples;
}

}  // namespace zelor
