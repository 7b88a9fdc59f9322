// The NEON backend (32-bit ARM built with NEON, and AArch64): a chunk is one vector register.
#include "table.h"

#if defined(__ARM_NEON)
#include <arm_neon.h>

#include "common.h"

namespace dst_serializer::neon {
namespace {

struct Primitives {
    using Chunk = uint8x16_t;
    static constexpr Chunks kChunks = Chunks::Skipping;
    static constexpr LongBodies kLongBodies = LongBodies::Classified;

    static DST_INLINE Chunk load(const char* p) { return vld1q_u8(reinterpret_cast<const std::uint8_t*>(p)); }
    static DST_INLINE Chunk loadShort(const char* p, std::size_t n) {
        const WordPair w = loadShortWords(p, n);
        return vcombine_u8(vcreate_u8(w.lo), vcreate_u8(w.hi));
    }
    static DST_INLINE void store(char* out, Chunk c) { vst1q_u8(reinterpret_cast<std::uint8_t*>(out), c); }

    static DST_INLINE unsigned escapeMaskShort(Chunk c, std::size_t n) { return escapeMask(c) & firstBits(n); }
    // ':' and ';' differ in their lowest bit only, so one compare finds both.
    static_assert((':' | 1) == ';');
    static DST_INLINE unsigned escapeMask(Chunk v) {
        const uint8x16_t hit =
            vorrq_u8(vorrq_u8(vcleq_u8(v, vdupq_n_u8(kLastControl)), vceqq_u8(v, vdupq_n_u8(kDelete))),
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

}  // namespace

#include "codec.h"

}  // namespace dst_serializer::neon
const dst_serializer::Ops dst_serializer::kNeon = dst_serializer::neon::kOps;
#endif
