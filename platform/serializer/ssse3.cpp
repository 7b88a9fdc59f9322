// The SSSE3 backend: SSE2 and a byte shuffle, which expands or decodes a chunk holding
// several escapes from tables in a fixed number of steps. SSSE3 is not in the x86-64
// baseline: only this namespace's functions, in the target region below, are compiled for
// it (not what the standard library instantiates for them), and the library calls them only
// where the processor has it; cmake/check_isa.sh checks the first.
#include "table.h"

#if defined(DST_SERIALIZER_X86)
#include <tmmintrin.h>

#include "sse2.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("ssse3"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("ssse3")
#endif

namespace dst_serializer::ssse3 {
namespace {

// Shuffle controls; 0x80 gives a zero byte.
struct ShuffleTables {
    // For the escape bits of four bytes, each held as (byte, '%', high digit, low digit) in
    // one lane: the byte, or the three others.
    unsigned char expand[16][16];
    unsigned char expanded[16];  // how many bytes that gives
    // For a mask of eight bytes: the indices of those kept, in order, and how many.
    unsigned char compact[256][8];
    unsigned char kept[256];
    unsigned char slide[32];  // at k, what moves byte i + k to byte i, zeros coming in
    // By nibble, from mustEscape: a byte h * 16 + l below 0x80 must be escaped exactly when
    // high[h] & low[l] is not zero (high[h] is bit h); the shuffle gives zero from 0x80 up.
    unsigned char high[16], low[16];
    constexpr ShuffleTables() : expand(), expanded(), compact(), kept(), slide(), high(), low() {
        for (int i = 0; i < 32; ++i) slide[i] = static_cast<unsigned char>(i < 16 ? i : 0x80);
        for (int c = 0; c < 128; ++c) {
            high[c >> 4] = static_cast<unsigned char>(1 << (c >> 4));
            if (mustEscape(static_cast<unsigned char>(c))) low[c & 15] |= static_cast<unsigned char>(1 << (c >> 4));
        }
        for (int m = 0; m < 16; ++m) {
            int o = 0;
            for (int i = 0; i < 4; ++i)
                for (int k = (m >> i & 1) ? 1 : 0; k < ((m >> i & 1) ? 4 : 1); ++k)
                    expand[m][o++] = static_cast<unsigned char>(4 * i + k);
            expanded[m] = static_cast<unsigned char>(o);
            for (; o < 16; ++o) expand[m][o] = 0x80;
        }
        for (int m = 0; m < 256; ++m) {
            int o = 0;
            for (int i = 0; i < 8; ++i)
                if (m >> i & 1) compact[m][o++] = static_cast<unsigned char>(i);
            kept[m] = static_cast<unsigned char>(o);
            for (; o < 8; ++o) compact[m][o] = 0x80;
        }
    }
};
constexpr ShuffleTables kShuffle;
constexpr bool escapesBelow0x80() {
    for (int c = 0x80; c < 256; ++c)
        if (mustEscape(static_cast<unsigned char>(c))) return false;
    return true;
}
static_assert(escapesBelow0x80(), "the nibble tables classify bytes below 0x80 only");

struct Primitives : sse2::Primitives {
    static constexpr Chunks kChunks = Chunks::Shuffled;
    // How far past its end expand stores: its last group's store, a chunk, begins after the
    // first twelve bytes' output, and that group keeps four bytes at least.
    static constexpr std::size_t kExpandOvershoot = kChunk + 12;

    // The sixteen bytes of `c` at `out`, those of `m` (escape bits) as %XX, one shuffle per
    // four bytes; returns their end, from the lengths the stores loaded, not a count of `m`.
    static DST_INLINE char* expand(char* out, Chunk c, unsigned m) {
        const __m128i digits =
            _mm_setr_epi8('0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'A', 'B', 'C', 'D', 'E', 'F');
        const __m128i nibble = _mm_set1_epi8(0x0F), percent = _mm_set1_epi8('%');
        const __m128i high = _mm_shuffle_epi8(digits, _mm_and_si128(_mm_srli_epi16(c, 4), nibble));
        const __m128i low = _mm_shuffle_epi8(digits, _mm_and_si128(c, nibble));
        const __m128i pairs0 = _mm_unpacklo_epi8(c, percent), pairs1 = _mm_unpackhi_epi8(c, percent);
        const __m128i hex0 = _mm_unpacklo_epi8(high, low), hex1 = _mm_unpackhi_epi8(high, low);
        auto group = [&out](__m128i lane, unsigned bits) __attribute__((always_inline)) {
            store(out, _mm_shuffle_epi8(lane, table(kShuffle.expand[bits])));
            out += kShuffle.expanded[bits];
        };
        group(_mm_unpacklo_epi16(pairs0, hex0), m & 0xF);
        group(_mm_unpackhi_epi16(pairs0, hex0), m >> 4 & 0xF);
        group(_mm_unpacklo_epi16(pairs1, hex1), m >> 8 & 0xF);
        group(_mm_unpackhi_epi16(pairs1, hex1), m >> 12);
        return out;
    }

    // Decodes the sixteen bytes at `p` (p[16] and p[17] readable) to `to` (sixteen bytes of
    // room); returns the end. `carry` holds which of bytes 0 and 1 are the digits of an
    // escape begun before, and on return those of the next chunk. Sets `bad` unless each
    // escaped-class byte outside those digits is a '%' and two upper-case hex digits that
    // name a byte of that class.
    static DST_INLINE char* unescape(char* to, const char* p, unsigned& carry, unsigned& bad) {
        const __m128i c = load(p);
        __m128i highOk, lowOk;
        const __m128i high = hexValue(load(p + 1), highOk), low = hexValue(load(p + 2), lowOk);
        const __m128i value = _mm_or_si128(_mm_slli_epi16(high, 4), low);  // digits are below 16
        const __m128i percent = _mm_cmpeq_epi8(c, _mm_set1_epi8('%'));
        const __m128i good = _mm_andnot_si128(plainVector(value), _mm_and_si128(percent, _mm_and_si128(highOk, lowOk)));
        const auto escaped = escapeMask(c);
        const auto starts = static_cast<unsigned>(_mm_movemask_epi8(percent));
        const auto valid = static_cast<unsigned>(_mm_movemask_epi8(good));
        const unsigned digits = starts << 1 | starts << 2 | carry;
        bad |= escaped & ~digits & ~valid;
        carry = digits >> 16;
        const unsigned keep = ~digits & 0xFFFF;
        const __m128i decoded = _mm_or_si128(_mm_andnot_si128(percent, c), _mm_and_si128(percent, value));
        const __m128i lowHalf = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kShuffle.compact[keep & 0xFF]));
        const __m128i highHalf = _mm_add_epi8(
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kShuffle.compact[keep >> 8])), _mm_set1_epi8(8));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(to), _mm_shuffle_epi8(decoded, lowHalf));
        to += kShuffle.kept[keep & 0xFF];
        _mm_storel_epi64(reinterpret_cast<__m128i*>(to), _mm_shuffle_epi8(decoded, highHalf));
        return to + kShuffle.kept[keep >> 8];
    }

    // 0xFF in each byte that needs no escape: each nibble looked up by a shuffle, six steps
    // where comparing with the escape set takes nine.
    static DST_INLINE __m128i plainVector(Chunk v) {
        const __m128i nibble = _mm_and_si128(_mm_srli_epi16(v, 4), _mm_set1_epi8(0x0F));
        const __m128i classes =
            _mm_and_si128(_mm_shuffle_epi8(table(kShuffle.high), nibble), _mm_shuffle_epi8(table(kShuffle.low), v));
        return _mm_cmpeq_epi8(classes, _mm_setzero_si128());
    }
    static DST_INLINE unsigned escapeMask(Chunk v) {
        return ~static_cast<unsigned>(_mm_movemask_epi8(plainVector(v))) & 0xFFFF;
    }
    static DST_INLINE unsigned escapeMaskShort(Chunk c, std::size_t n) { return escapeMask(c) & firstBits(n); }

    // Byte i + k moved to byte i, zeros coming in, for k from 0 to 16.
    static DST_INLINE Chunk shiftDown(Chunk c, std::size_t k) { return _mm_shuffle_epi8(c, table(kShuffle.slide + k)); }

private:
    static DST_INLINE __m128i table(const unsigned char* t) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(t));
    }
    // The value of each upper-case hex digit, and in `ok` which bytes are one.
    static DST_INLINE __m128i hexValue(__m128i d, __m128i& ok) {
        const __m128i digit = _mm_sub_epi8(d, _mm_set1_epi8('0')), letter = _mm_sub_epi8(d, _mm_set1_epi8('A'));
        const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(digit, _mm_set1_epi8(9)), digit);
        const __m128i isLetter = _mm_cmpeq_epi8(_mm_min_epu8(letter, _mm_set1_epi8(5)), letter);
        ok = _mm_or_si128(isDigit, isLetter);
        return _mm_or_si128(
            _mm_and_si128(isDigit, digit), _mm_and_si128(isLetter, _mm_add_epi8(letter, _mm_set1_epi8(10))));
    }
};

}  // namespace

#include "codec.h"

}  // namespace dst_serializer::ssse3
const dst_serializer::Ops dst_serializer::kSsse3 = dst_serializer::ssse3::kOps;

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif
