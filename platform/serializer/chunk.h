// The interface between the serializer's algorithm (codec.h) and its byte classifiers: a
// backend is a struct with
//   Chunk                         sixteen bytes in registers, byte i the i-th in memory;
//   load(p)                       the sixteen bytes at p;
//   loadShort(p, n)               the n (below 16) bytes at p, the rest zero, reading nothing
//                                 after them;
//   store(out, c)                 all sixteen bytes of c at out;
//   shiftDown(c, k)               byte i + k moved to byte i, zeros coming in, for k from 0
//                                 to 16, without a branch where the hardware allows (not
//                                 needed where kReloads);
//   escapeMask(c)                 bit i set when byte i must be escaped ('%', ':', ';', bytes
//                                 below 0x20 and 0x7F);
//   escapeMaskShort(c, n)         the same, of the first n (up to 16) bytes only;
//   kFewestInstructions           whether the target's cost is its instructions and code size
//                                 (ARM cores: a chunk without an escape takes a branch past
//                                 the escape step, a value's last bytes are loaded on their
//                                 own, long bodies are written by one copy of the code) or
//                                 its mispredictions (x86-64: those steps without a branch);
//   kReloads                      whether the bytes after an escape are loaded again from
//                                 the value (loadShort) or shifted down in registers: the
//                                 portable words reload, as shifting a pair of 64-bit words
//                                 takes a dozen instructions on a 32-bit core;
//   kLongByTable                  whether bodies longer than three chunks are written a
//                                 byte at a time from a table instead of classified: where
//                                 classifying a byte is itself a lookup (the portable
//                                 words), that costs no more for plain text and less for
//                                 dense;
//   kShuffles                     whether it can move bytes within a chunk by table, and
//                                 so has
//     expand(out, c, m)           the chunk with the bytes of escape mask m written as %XX,
//                                 at most 28 bytes past what that takes; returns the end
//                                 of all sixteen bytes so written, and
//     unescape(to, p, carry, bad) the chunk at p decoded whole, escapes spilling into
//                                 the next chunk carried (chunk_ssse3.h says how);
//   name                          for test and fuzz reports.
// Every function is static and inlined. The helpers here are for the backends' own use.
#ifndef DST_SERIALIZER_CHUNK_H
#define DST_SERIALIZER_CHUNK_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#define DST_INLINE __attribute__((always_inline)) inline

namespace dst_serializer {

constexpr std::size_t kChunk = 16;

constexpr bool kBigEndian = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__;

// The bytes a string body escapes as %XX; every backend's escapeMask answers this.
constexpr bool mustEscape(unsigned char c) { return c < 0x20 || c == 0x7F || c == '%' || c == ':' || c == ';'; }

// The mask of the first `n` (up to 16) bytes of a chunk.
DST_INLINE unsigned firstBits(std::size_t n) { return (1u << n) - 1; }

// Eight bytes, byte i in bits 8i..8i+7 whatever the byte order.
DST_INLINE std::uint64_t loadWord(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return kBigEndian ? __builtin_bswap64(w) : w;
}

// Sixteen bytes as two such words: bytes 0 to 7 in `lo`, 8 to 15 in `hi`.
struct WordPair {
    std::uint64_t lo, hi;
};

// The `n` (below 16) bytes at `p`, the rest zero, read with a few overlapping loads and
// without touching anything after them. On a 32-bit core, in 32-bit pieces, each shifted by
// less than 32: there a 64-bit shift by a variable count takes several instructions.
DST_INLINE WordPair loadShortWords(const char* p, std::size_t n) {
    auto load32 = [](const char* q) {
        std::uint32_t w;
        std::memcpy(&w, q, 4);
        return kBigEndian ? __builtin_bswap32(w) : w;
    };
    // The last `k` (0 to 3) bytes before `end`, moved down, from the word that ends there.
    auto ending = [&load32](const char* end, std::size_t k) { return load32(end - 4) >> (8 * (4 - k) - 1) >> 1; };
    auto pair = [](std::uint32_t low, std::uint32_t high) { return std::uint64_t{high} << 32 | low; };
    auto byte = [p](std::size_t i) { return std::uint32_t{static_cast<unsigned char>(p[i])} << (8 * i); };
    if constexpr (sizeof(void*) >= 8) {  // where a 64-bit shift is one instruction
        if (n >= 8) return {loadWord(p), loadWord(p + n - 8) >> (8 * (16 - n) - 1) >> 1};  // no branch for n == 8
        if (n >= 4) return {load32(p) | std::uint64_t{load32(p + n - 4)} << (8 * (n - 4)), 0};
    }
    if (n >= 12) return {pair(load32(p), load32(p + 4)), pair(load32(p + 8), ending(p + n, n - 12))};
    if (n >= 8) return {pair(load32(p), load32(p + 4)), ending(p + n, n - 8)};
    if (n >= 4) return {pair(load32(p), ending(p + n, n - 4)), 0};
    return {n == 0 ? 0 : byte(0) | byte(n / 2) | byte(n - 1), 0};
}

}  // namespace dst_serializer

#endif
