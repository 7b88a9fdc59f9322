// The portable backend: plain C++ on two 64-bit words, with the bytes classified by integer
// arithmetic within each word (SWAR). Every host builds it; it is the native one where the
// target has no vector unit that the others use (Debian's armhf baseline has no NEON).
#ifndef DST_SERIALIZER_CHUNK_WORDS_H
#define DST_SERIALIZER_CHUNK_WORDS_H

#include "chunk.h"

namespace dst_serializer {

struct Words {
    using Chunk = WordPair;
    static constexpr const char* name = "Words";

    static DST_INLINE Chunk load(const char* p) { return {loadWord(p), loadWord(p + 8)}; }
    static DST_INLINE Chunk loadShort(const char* p, std::size_t n) { return loadShortWords(p, n); }
    static DST_INLINE void store(char* out, Chunk c) { storeWord(out, c.lo), storeWord(out + 8, c.hi); }

    // With branches on the count: counted on armhf (bench/instructions.sh), choosing the
    // words through masks instead took more instructions than the branches save.
    static DST_INLINE Chunk shiftDown(Chunk c, std::size_t k) {
        if (k == 0) return c;
        if (k >= 8) return {k >= 16 ? 0 : (k == 8 ? c.hi : c.hi >> (8 * (k - 8))), 0};
        return {c.lo >> (8 * k) | c.hi << (64 - 8 * k), c.hi >> (8 * k)};
    }

    static DST_INLINE unsigned escapeMask(Chunk c) { return escapeMask8(c.lo) | escapeMask8(c.hi) << 8; }

private:
    static DST_INLINE void storeWord(char* out, std::uint64_t w) {
        if (kBigEndian) w = __builtin_bswap64(w);
        std::memcpy(out, &w, 8);
    }

    // Bit 7 of each byte of `flags` is set exactly when that byte of `w` must be escaped,
    // with no carry between bytes; those bits are then gathered into the low eight bits.
    // Inlined only where the compiler sees fit: forced, it made the readers longer on armhf.
    static unsigned escapeMask8(std::uint64_t w) {
        constexpr std::uint64_t ones = 0x0101010101010101u, low7 = 0x7F7F7F7F7F7F7F7Fu;
        const auto zero = [](std::uint64_t v) { return ~(((v & low7) + low7) | v | low7); };  // 0x80 where v's byte is 0
        const std::uint64_t flags = zero(w & (ones * 0xE0)) | zero(w ^ (ones * 0x7F)) | zero(w ^ (ones * '%')) | zero((w | ones) ^ (ones * ';'));
        return static_cast<unsigned>(((flags >> 7) * 0x0102040810204080u) >> 56);
    }
};

}  // namespace dst_serializer

#endif
