// The portable backend: plain C++ on two 64-bit words, with the bytes classified by a
// table. Every host builds it; it is the native one where the
// target has no vector unit that the others use (Debian's armhf baseline has no NEON).
#ifndef DST_SERIALIZER_CHUNK_WORDS_H
#define DST_SERIALIZER_CHUNK_WORDS_H

#include "chunk.h"

namespace dst_serializer {

// 1 for a byte that must be escaped.
struct EscapedTable {
    unsigned char at[256];
    constexpr EscapedTable() : at() {
        for (int c = 0; c < 256; ++c) at[c] = mustEscape(static_cast<unsigned char>(c));
    }
    constexpr unsigned char operator[](std::uint64_t c) const { return at[c]; }
};
inline constexpr EscapedTable kEscaped;

struct Words {
    using Chunk = WordPair;
    static constexpr const char* name = "Words";
    static constexpr bool kFewestInstructions = true;
    static constexpr bool kShuffles = false;
    static constexpr bool kReloads = true;
    static constexpr bool kLongByTable = true;

    static DST_INLINE Chunk load(const char* p) { return {loadWord(p), loadWord(p + 8)}; }
    static DST_INLINE Chunk loadShort(const char* p, std::size_t n) { return loadShortWords(p, n); }
    static DST_INLINE void store(char* out, Chunk c) { storeWord(out, c.lo), storeWord(out + 8, c.hi); }

    // A table lookup per byte: on a 32-bit core, where each 64-bit operation is two, it
    // takes half the instructions of classifying the words arithmetically (SWAR).
    static DST_INLINE unsigned escapeMask(Chunk c) { return escapeMask8(c.lo) | escapeMask8(c.hi) << 8; }

    // The first `n` bytes only, entered at the n-th of sixteen lookups: most field names and
    // many values are shorter than a chunk, and each lookup is three instructions.
    static DST_INLINE unsigned escapeMaskShort(Chunk c, std::size_t n) {
        auto bit = [c](unsigned j) __attribute__((always_inline)) {
            return unsigned{kEscaped[((j < 8 ? c.lo : c.hi) >> (8 * (j % 8))) & 0xFF]} << j;
        };
        unsigned m = 0;
        switch (n) {
            default: m |= bit(15); [[fallthrough]];
            case 15: m |= bit(14); [[fallthrough]];
            case 14: m |= bit(13); [[fallthrough]];
            case 13: m |= bit(12); [[fallthrough]];
            case 12: m |= bit(11); [[fallthrough]];
            case 11: m |= bit(10); [[fallthrough]];
            case 10: m |= bit(9); [[fallthrough]];
            case 9: m |= bit(8); [[fallthrough]];
            case 8: m |= bit(7); [[fallthrough]];
            case 7: m |= bit(6); [[fallthrough]];
            case 6: m |= bit(5); [[fallthrough]];
            case 5: m |= bit(4); [[fallthrough]];
            case 4: m |= bit(3); [[fallthrough]];
            case 3: m |= bit(2); [[fallthrough]];
            case 2: m |= bit(1); [[fallthrough]];
            case 1: m |= bit(0); [[fallthrough]];
            case 0: break;
        }
        return m;
    }

private:
    static DST_INLINE unsigned escapeMask4(std::uint32_t w) {
        auto bit = [w](unsigned j) __attribute__((always_inline)) {
            return unsigned{kEscaped[(w >> (8 * j)) & 0xFF]} << j;
        };
        return bit(0) | bit(1) | bit(2) | bit(3);
    }
    static DST_INLINE unsigned escapeMask8(std::uint64_t w) {
        return escapeMask4(static_cast<std::uint32_t>(w)) | escapeMask4(static_cast<std::uint32_t>(w >> 32)) << 4;
    }

    static DST_INLINE void storeWord(char* out, std::uint64_t w) {
        if (kBigEndian) w = __builtin_bswap64(w);
        std::memcpy(out, &w, 8);
    }
};

}  // namespace dst_serializer

#endif
