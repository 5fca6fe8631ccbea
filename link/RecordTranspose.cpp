#include "link/RecordTranspose.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define ZELOR_TRANSPOSE_SSE2 1
#endif

namespace zelor {
namespace {

void TransposeScalar(const std::uint8_t* records, std::int32_t n, std::uint8_t* const channels[8]) {
  for (std::int32_t r = 0; r < n; ++r) {
    for (int k = 0; k < 8; ++k) channels[k][r] = records[8 * static_cast<std::int64_t>(r) + k];
  }
}

}  // namespace

void TransposeRecords(const std::uint8_t* records, std::int32_t n,
                      std::uint8_t* const channels[8]) {
  std::int32_t r = 0;
#ifdef ZELOR_TRANSPOSE_SSE2
  // Sixteen records (128 bytes) at a time: three rounds of interleaving
  // turn eight registers of two records each into eight registers of one
  // channel each (sixteen records of it).
  for (; r + 16 <= n; r += 16) {
    const auto* in = reinterpret_cast<const __m128i*>(records + 8 * static_cast<std::int64_t>(r));
    __m128i a[8];
    for (int i = 0; i < 8; ++i) a[i] = _mm_loadu_si128(in + i);  // records 2i, 2i + 1
    __m128i b[8];
    for (int i = 0; i < 4; ++i) {
      // Bytes of records 4i and 4i + 2 (low), 4i + 1 and 4i + 3 (high).
      b[2 * i] = _mm_unpacklo_epi8(a[2 * i], a[2 * i + 1]);
      b[2 * i + 1] = _mm_unpackhi_epi8(a[2 * i], a[2 * i + 1]);
    }
    __m128i c[8];
    for (int i = 0; i < 4; ++i) {
      // Records 4i .. 4i + 3 of channels 0..3 (low) and 4..7 (high), four
      // bytes a channel.
      c[2 * i] = _mm_unpacklo_epi8(b[2 * i], b[2 * i + 1]);
      c[2 * i + 1] = _mm_unpackhi_epi8(b[2 * i], b[2 * i + 1]);
    }
    // Records 0..7 and 8..15 of two channels each.
    const __m128i d0 = _mm_unpacklo_epi32(c[0], c[2]);
    const __m128i d1 = _mm_unpackhi_epi32(c[0], c[2]);
    const __m128i d2 = _mm_unpacklo_epi32(c[4], c[6]);
    const __m128i d3 = _mm_unpackhi_epi32(c[4], c[6]);
    const __m128i d4 = _mm_unpacklo_epi32(c[1], c[3]);
    const __m128i d5 = _mm_unpackhi_epi32(c[1], c[3]);
    const __m128i d6 = _mm_unpacklo_epi32(c[5], c[7]);
    const __m128i d7 = _mm_unpackhi_epi32(c[5], c[7]);
    const __m128i out[8] = {
        _mm_unpacklo_epi64(d0, d2), _mm_unpackhi_epi64(d0, d2), _mm_unpacklo_epi64(d1, d3),
        _mm_unpackhi_epi64(d1, d3), _mm_unpacklo_epi64(d4, d6), _mm_unpackhi_epi64(d4, d6),
        _mm_unpacklo_epi64(d5, d7), _mm_unpackhi_epi64(d5, d7),
    };
    for (int k = 0; k < 8; ++k)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(channels[k] + r), out[k]);
  }
#endif
  if (r < n) {
    std::uint8_t* const rest[8] = {channels[0] + r, channels[1] + r, channels[2] + r,
                                   channels[3] + r, channels[4] + r, channels[5] + r,
                                   channels[6] + r, channels[7] + r};
    TransposeScalar(records + 8 * static_cast<std::int64_t>(r), n - r, rest);
  }
}

}  // namespace zelor
