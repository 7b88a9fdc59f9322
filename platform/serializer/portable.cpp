// The portable backend: plain C++ on two 64-bit words, each byte classified by a table.
// Every target builds it; it is the one Debian's armhf baseline (no NEON) runs.
#include "common.h"
#include "table.h"

namespace dst_serializer::portable {

// mustEscape(c) at c: a table of its own, so that a lookup is one load from its base.
struct EscapedTable {
    unsigned char at[256];
    constexpr EscapedTable() : at() {
        for (int c = 0; c < 256; ++c) at[c] = mustEscape(static_cast<unsigned char>(c));
    }
};
inline constexpr EscapedTable kEscaped;

namespace {

struct Primitives {
    using Chunk = WordPair;
    static constexpr Chunks kChunks = Chunks::Skipping;
    static constexpr LongBodies kLongBodies = LongBodies::ByTable;

    static DST_INLINE Chunk load(const char* p) { return {loadWord(p), loadWord(p + 8)}; }
    static DST_INLINE Chunk loadShort(const char* p, std::size_t n) { return loadShortWords(p, n); }
    static DST_INLINE void store(char* out, Chunk c) { storeWord(out, c.lo), storeWord(out + 8, c.hi); }

    // A table lookup per byte: on a 32-bit core, where each 64-bit operation is two, half the
    // instructions of classifying the words arithmetically (SWAR).
    static DST_INLINE unsigned escapeMask(Chunk c) { return escapeMaskShort(c, kChunk); }
    // The first `n` bytes only, entered at the n-th of sixteen lookups of three instructions:
    // most field names and many values are shorter than a chunk.
    static DST_INLINE unsigned escapeMaskShort(Chunk c, std::size_t n) {
        auto bit = [c](unsigned j) __attribute__((always_inline)) {
            return escaped((j < 8 ? c.lo : c.hi) >> (8 * (j % 8))) << j;
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
    static DST_INLINE unsigned escaped(std::uint64_t byte) { return kEscaped.at[byte & 0xFF]; }
    static DST_INLINE void storeWord(char* out, std::uint64_t w) {
        if (kBigEndian) w = __builtin_bswap64(w);
        std::memcpy(out, &w, 8);
    }
};

}  // namespace

#include "codec.h"

}  // namespace dst_serializer::portable
const dst_serializer::Ops dst_serializer::kPortable = dst_serializer::portable::kOps;
