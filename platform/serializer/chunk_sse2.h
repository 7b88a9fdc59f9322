// The SSE2 backend (every x86-64): a chunk is one vector register.
#ifndef DST_SERIALIZER_CHUNK_SSE2_H
#define DST_SERIALIZER_CHUNK_SSE2_H

#include <emmintrin.h>

#include "chunk.h"

namespace dst_serializer {

struct Sse2 {
    using Chunk = __m128i;
    static constexpr const char* name = "SSE2";
    static constexpr bool kFewestInstructions = false;
    static constexpr bool kShuffles = false;
    static constexpr bool kReloads = false;
    static constexpr bool kLongByTable = false;

    static DST_INLINE Chunk load(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static DST_INLINE Chunk loadShort(const char* p, std::size_t n) {
        const WordPair w = loadShortWords(p, n);
        return _mm_set_epi64x(static_cast<long long>(w.hi), static_cast<long long>(w.lo));
    }
    static DST_INLINE void store(char* out, Chunk c) { _mm_storeu_si128(reinterpret_cast<__m128i*>(out), c); }

    // The vector shifts take their count from a register and give zero for counts of 64
    // and more, so no branch is needed.
    static DST_INLINE Chunk shiftDown(Chunk c, std::size_t k) {
        const auto bits = static_cast<int>(8 * k);
        const __m128i high = _mm_srli_si128(c, 8);
        const __m128i both = _mm_srl_epi64(c, _mm_cvtsi32_si128(bits));
        const __m128i down = _mm_srl_epi64(high, _mm_cvtsi32_si128(bits - 64));    // k >= 8
        const __m128i across = _mm_sll_epi64(high, _mm_cvtsi32_si128(64 - bits));  // k < 8
        return _mm_or_si128(both, _mm_or_si128(down, across));
    }

    static DST_INLINE unsigned escapeMaskShort(Chunk c, std::size_t n) { return escapeMask(c) & firstBits(n); }
    static DST_INLINE unsigned escapeMask(Chunk v) { return static_cast<unsigned>(_mm_movemask_epi8(escapeVector(v))); }

    // 0xFF in each byte that must be escaped.
    static DST_INLINE __m128i escapeVector(Chunk v) {
        const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(0x1F)), v);  // v <= 0x1F
        const __m128i del = _mm_cmpeq_epi8(v, _mm_set1_epi8(0x7F));
        const __m128i percent = _mm_cmpeq_epi8(v, _mm_set1_epi8('%'));
        const __m128i colons = _mm_cmpeq_epi8(_mm_or_si128(v, _mm_set1_epi8(1)), _mm_set1_epi8(';'));  // ':' | 1 == ';'
        return _mm_or_si128(_mm_or_si128(control, del), _mm_or_si128(percent, colons));
    }
};

}  // namespace dst_serializer

#endif
