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
  // Sixteen records (128 bytes) at a time: three rounds of interleaving turn
  // eight registers of two records each into eight registers of one channel
  // each. Written out in full so that everything stays in registers.
  std::uint8_t* const out0 = channels[0];
  std::uint8_t* const out1 = channels[1];
  std::uint8_t* const out2 = channels[2];
  std::uint8_t* const out3 = channels[3];
  std::uint8_t* const out4 = channels[4];
  std::uint8_t* const out5 = channels[5];
  std::uint8_t* const out6 = channels[6];
  std::uint8_t* const out7 = channels[7];
  for (; r + 16 <= n; r += 16) {
    const auto* in = reinterpret_cast<const __m128i*>(records + 8 * static_cast<std::int64_t>(r));
    // Records 2i and 2i + 1.
    const __m128i a0 = _mm_loadu_si128(in + 0);
    const __m128i a1 = _mm_loadu_si128(in + 1);
    const __m128i a2 = _mm_loadu_si128(in + 2);
    const __m128i a3 = _mm_loadu_si128(in + 3);
    const __m128i a4 = _mm_loadu_si128(in + 4);
    const __m128i a5 = _mm_loadu_si128(in + 5);
    const __m128i a6 = _mm_loadu_si128(in + 6);
    const __m128i a7 = _mm_loadu_si128(in + 7);
    // Records 4i and 4i + 2 (lo), 4i + 1 and 4i + 3 (hi), byte by byte.
    const __m128i b0 = _mm_unpacklo_epi8(a0, a1);
    const __m128i b1 = _mm_unpackhi_epi8(a0, a1);
    const __m128i b2 = _mm_unpacklo_epi8(a2, a3);
    const __m128i b3 = _mm_unpackhi_epi8(a2, a3);
    const __m128i b4 = _mm_unpacklo_epi8(a4, a5);
    const __m128i b5 = _mm_unpackhi_epi8(a4, a5);
    const __m128i b6 = _mm_unpacklo_epi8(a6, a7);
    const __m128i b7 = _mm_unpackhi_epi8(a6, a7);
    // Records 4i .. 4i + 3 of channels 0..3 (lo) and 4..7 (hi).
    const __m128i c0 = _mm_unpacklo_epi8(b0, b1);
    const __m128i c1 = _mm_unpackhi_epi8(b0, b1);
    const __m128i c2 = _mm_unpacklo_epi8(b2, b3);
    const __m128i c3 = _mm_unpackhi_epi8(b2, b3);
    const __m128i c4 = _mm_unpacklo_epi8(b4, b5);
    const __m128i c5 = _mm_unpackhi_epi8(b4, b5);
    const __m128i c6 = _mm_unpacklo_epi8(b6, b7);
    const __m128i c7 = _mm_unpackhi_epi8(b6, b7);
    // Records 0..7 (from c0..c3) and 8..15 (from c4..c7) of two channels.
    const __m128i d0 = _mm_unpacklo_epi32(c0, c2);
    const __m128i d1 = _mm_unpackhi_epi32(c0, c2);
    const __m128i d2 = _mm_unpacklo_epi32(c4, c6);
    const __m128i d3 = _mm_unpackhi_epi32(c4, c6);
    const __m128i d4 = _mm_unpacklo_epi32(c1, c3);
    const __m128i d5 = _mm_unpackhi_epi32(c1, c3);
    const __m128i d6 = _mm_unpacklo_epi32(c5, c7);
    const __m128i d7 = _mm_unpackhi_epi32(c5, c7);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out0 + r), _mm_unpacklo_epi64(d0, d2));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out1 + r), _mm_unpackhi_epi64(d0, d2));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out2 + r), _mm_unpacklo_epi64(d1, d3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out3 + r), _mm_unpackhi_epi64(d1, d3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out4 + r), _mm_unpacklo_epi64(d4, d6));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out5 + r), _mm_unpackhi_epi64(d4, d6));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out6 + r), _mm_unpacklo_epi64(d5, d7));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out7 + r), _mm_unpackhi_epi64(d5, d7));
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
