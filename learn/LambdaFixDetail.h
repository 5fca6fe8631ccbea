#pragma once
// What the analysis (LambdaFix.cpp) and the delay estimate (LambdaDelay.cpp)
// share beyond LambdaFix.h.

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "learn/LambdaFix.h"

namespace zelor {

// A buffer of at least n elements, kept from call to call: a full
// recording's passes otherwise spend much of their time having fresh pages
// zeroed. What the caller reads it writes first.
template <class T>
std::span<T> Reuse(std::vector<T>& buffer, std::size_t n) {
  if (buffer.size() < n) buffer.resize(n);
  return {buffer.data(), n};
}

// One second of samples: the enrichment's and the fuel cut's after-window.
inline constexpr int kSecond = 1000 / kLambdaSampleMs;
// 100 ms of samples: the span MAF's fall is measured over, the reading's
// mean for the loop's swing and the MAF's mean for the spread.
inline constexpr int kTenth = 100 / kLambdaSampleMs;
// A reading held longer than this is pinned (when lean).
inline constexpr int kPinnedSamples = 300 / kLambdaSampleMs;
// Readings this far apart in time start the loop's swing afresh.
inline constexpr int kSwingGap = kTenth;

// An O2 reading at or near a rail: a sensor dead, warming up or railed.
inline bool O2Dead(std::uint8_t o2) { return o2 <= 2 || o2 >= 253; }

// A narrowband reading on the rich side of its switch point.
inline bool NarrowRich(std::uint8_t o2) { return o2 * 5.0 / 255.0 > 0.45; }

// The buffers of one thread's analyses and estimates.
struct LambdaScratch {
  std::vector<std::uint8_t> cut, reading, window;
  std::vector<std::uint16_t> key, clear;
  std::vector<std::int32_t> mafSum, o2Sum, outputSum;
  static LambdaScratch& OfThisThread();
};

// Per O2 count, for a wideband (all 0 for a narrowband): beyondCut, a
// reading leaner than the cut (settings.fuelCutLambda, or the lean end of
// the sensor's scale when that is lower); pinned, a count that, held for
// more than kPinnedSamples (give or take one), is a sensor pinned short of
// its rail: leaner than every target's band, and not dead.
struct FuelCutCounts {
  std::array<std::uint8_t, 256> beyondCut{};
  std::array<std::uint8_t, 256> pinned{};
};
FuelCutCounts FuelCutCountsOf(const LambdaSettings& settings);

// Per O2 reading, 1 where it is a fuel cut: a wideband reading leaner than
// the cut (settings.fuelCutLambda, or the lean end of the sensor's scale when
// that is lower), or one count (give or take one) held for more than 300 ms
// leaner than every target's band: a sensor pinned short of its rail. All 0
// for a narrowband.
void FuelCutReadings(std::span<const std::uint8_t> o2, const LambdaSettings& settings,
                     std::span<std::uint8_t> cut);

// The largest and smallest value of x[s .. s + w] (within x) for any s
// and any w up to `longest`: the extremes of every run of 2^(k + 1)
// values, k up to log2(longest + 1) - 1, two of which cover any such
// window. Kept in `storage`.
class WindowRange {
 public:
  WindowRange(std::span<const std::uint8_t> x, int longest, std::vector<std::uint8_t>& storage)
      : x_(x), n_(x.size()) {
    levels_ = 0;
    while ((std::size_t{2} << levels_) <= static_cast<std::size_t>(longest) + 1) ++levels_;
    const std::span<std::uint8_t> all = Reuse(storage, 2 * levels_ * n_);
    data_ = all.data();
    for (int k = 0; k < levels_; ++k) {
      const std::size_t half = std::size_t{1} << k;
      const std::uint8_t* hiBelow = k == 0 ? x.data() : Hi(k - 1);
      const std::uint8_t* loBelow = k == 0 ? x.data() : Lo(k - 1);
      std::uint8_t* hi = Hi(k);
      std::uint8_t* lo = Lo(k);
      const std::size_t inside = n_ > half ? n_ - half : 0;
      for (std::size_t s = 0; s < inside; ++s) {
        hi[s] = std::max(hiBelow[s], hiBelow[s + half]);
        lo[s] = std::min(loBelow[s], loBelow[s + half]);
      }
      for (std::size_t s = inside; s < n_; ++s) {
        hi[s] = std::max(hiBelow[s], hiBelow[n_ - 1]);
        lo[s] = std::min(loBelow[s], loBelow[n_ - 1]);
      }
    }
  }
  // The extremes of x[s .. min(s + w, n - 1)], w <= longest.
  std::pair<int, int> HiLo(std::size_t s, int w) const {
    const std::size_t e = std::min(n_ - 1, s + static_cast<std::size_t>(w));
    const std::size_t length = e - s + 1;
    if (length < 2) return {x_[s], x_[s]};
    const int k = static_cast<int>(std::bit_width(length)) - 2;  // 2^(k + 1) <= length
    const std::size_t from = e + 1 - (std::size_t{2} << k);
    return {std::max(Hi(k)[s], Hi(k)[from]), std::min(Lo(k)[s], Lo(k)[from])};
  }

 private:
  std::uint8_t* Hi(int k) const { return data_ + 2 * k * n_; }
  std::uint8_t* Lo(int k) const { return data_ + (2 * k + 1) * n_; }
  std::span<const std::uint8_t> x_;
  std::size_t n_;
  int levels_ = 0;
  std::uint8_t* data_ = nullptr;
};

}  // namespace zelor
