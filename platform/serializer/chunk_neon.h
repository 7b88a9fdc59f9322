// The NEON backend (32-bit ARM built with NEON, and AArch64): a chunk is one vector register.
#ifndef DST_SERIALIZER_CHUNK_NEON_H
#define DST_SERIALIZER_CHUNK_NEON_H

#include <arm_neon.h>

#include "chunk.h"

namespace dst_serializer {

struct Neon {
    using Chunk = uint8x16_t;
    static constexpr const char* name = "NEON";
    static constexpr bool kFewestInstructions = true;
    static constexpr bool kShuffles = false;
    static constexpr bool kReloads = false;
    static constexpr bool kLongByTable = false;

    static DST_INLINE Chunk load(const char* p) { return vld1q_u8(reinterpret_cast<const std::uint8_t*>(p)); }
    static DST_INLINE Chunk loadShort(const char* p, std::size_t n) {
        const WordPair w = loadShortWords(p, n);
        return vcombine_u8(vcreate_u8(w.lo), vcreate_u8(w.hi));
    }
    static DST_INLINE void store(char* out, Chunk c) { vst1q_u8(reinterpret_cast<std::uint8_t*>(out), c); }

    // A table lookup of bytes k to k + 15: indices past the chunk give zero.
    static DST_INLINE Chunk shiftDown(Chunk c, std::size_t k) {
        const uint8x8x2_t table = {{vget_low_u8(c), vget_high_u8(c)}};
        const uint8x8_t at = vadd_u8(vcreate_u8(0x0706050403020100u), vdup_n_u8(static_cast<std::uint8_t>(k)));
        return vcombine_u8(vtbl2_u8(table, at), vtbl2_u8(table, vadd_u8(at, vdup_n_u8(8))));
    }

    static DST_INLINE unsigned escapeMaskShort(Chunk c, std::size_t n) { return escapeMask(c) & firstBits(n); }
    static DST_INLINE unsigned escapeMask(Chunk v) {
        const uint8x16_t hit = vorrq_u8(vorrq_u8(vcleq_u8(v, vdupq_n_u8(0x1F)), vceqq_u8(v, vdupq_n_u8(0x7F))),
            vorrq_u8(vceqq_u8(v, vdupq_n_u8('%')), vceqq_u8(vorrq_u8(v, vdupq_n_u8(1)), vdupq_n_u8(';'))));
        // One bit per byte: weight the lanes 1, 2, ..., 128 in each half and add them up pairwise.
        const uint8x16_t weights = vreinterpretq_u8_u64(vdupq_n_u64(0x8040201008040201u));
        const uint8x16_t bits = vandq_u8(hit, weights);
        uint8x8_t sum = vpadd_u8(vget_low_u8(bits), vget_high_u8(bits));
        sum = vpadd_u8(sum, sum);
        sum = vpadd_u8(sum, sum);
        return static_cast<unsigned>(vget_lane_u8(sum, 0)) | static_cast<unsigned>(vget_lane_u8(sum, 1)) << 8;
    }
};

}  // namespace dst_serializer

#endif
