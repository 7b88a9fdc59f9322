// The SSE2 backend: the x86-64 baseline, for processors without SSSE3.
#include "table.h"

#if defined(DST_SERIALIZER_X86)
#include "sse2.h"

namespace dst_serializer::sse2 {
#include "codec.h"
}  // namespace dst_serializer::sse2
const dst_serializer::Ops dst_serializer::kSse2 = dst_serializer::sse2::kOps;
#endif
