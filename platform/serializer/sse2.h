// The SSE2 primitives (every x86-64): a chunk is one vector register. The SSE2 backend
// (sse2.cpp), which has no shuffle, and the SSSE3 one (ssse3.cpp) are built on them.
#ifndef DST_SERIALIZER_SSE2_H
#define DST_SERIALIZER_SSE2_H

#include <emmintrin.h>

#include "common.h"

namespace dst_serializer::sse2 {

struct Primitives {
    using Chunk = __m128i;
    static constexpr Chunks kChunks = Chunks::Skipping;
    static constexpr LongBodies kLongBodies = LongBodies::Classified;

    static DST_INLINE Chunk load(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static DST_INLINE Chunk loadShort(const char* p, std::size_t n) {
        const WordPair w = loadShortWords(p, n);
        return _mm_set_epi64x(static_cast<long long>(w.hi), static_cast<long long>(w.lo));
    }
    static DST_INLINE void store(char* out, Chunk c) { _mm_storeu_si128(reinterpret_cast<__m128i*>(out), c); }

    static DST_INLINE unsigned escapeMaskShort(Chunk c, std::size_t n) { return escapeMask(c) & firstBits(n); }
    static DST_INLINE unsigned escapeMask(Chunk v) { return static_cast<unsigned>(_mm_movemask_epi8(escapeVector(v))); }

    // 0xFF in each byte that must be escaped. ':' and ';' differ in their lowest bit only,
    // so one compare finds both.
    static_assert((':' | 1) == ';');
    static DST_INLINE __m128i escapeVector(Chunk v) {
        const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(kLastControl)), v);
        const __m128i del = _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(kDelete)));
        const __m128i percent = _mm_cmpeq_epi8(v, _mm_set1_epi8('%'));
        const __m128i colons = _mm_cmpeq_epi8(_mm_or_si128(v, _mm_set1_epi8(1)), _mm_set1_epi8(';'));
        return _mm_or_si128(_mm_or_si128(control, del), _mm_or_si128(percent, colons));
    }
};

}  // namespace dst_serializer::sse2

#endif
