// The codec over the `Primitives` of the backend whose file includes this one, inside that
// backend's namespace (and target region, where it has one), so that it is compiled once
// per backend, with that backend's instructions only; no include guard. A backend's
// Primitives are static and inlined:
//   Chunk                  sixteen bytes in registers, byte i the i-th in memory;
//   load(p), store(out, c) sixteen bytes;
//   loadShort(p, n)        the n (below 16) bytes at p, then zeros, reading nothing after them;
//   escapeMask(c)          bit i set when mustEscape(byte i);
//   escapeMaskShort(c, n)  the same, of the first n (up to 16) bytes only;
//   kChunks, kLongBodies   its policies (common.h); with Chunks::Shuffled also expand,
//                          unescape, kExpandOvershoot and shiftDown (ssse3.cpp).
static_assert(sizeof(Primitives::Chunk) == kChunk);
static_assert(std::is_same_v<decltype(Primitives::store(nullptr, Primitives::load(nullptr))), void> &&
              std::is_same_v<decltype(Primitives::escapeMask(Primitives::loadShort(nullptr, 0))), unsigned> &&
              std::is_same_v<decltype(Primitives::escapeMaskShort(Primitives::load(nullptr), 0)), unsigned>);
static_assert(std::is_same_v<decltype(Primitives::kChunks), const Chunks> &&
              std::is_same_v<decltype(Primitives::kLongBodies), const LongBodies>);

namespace {
#include "encoder.h"

#include "decoder.h"  // after the encoder, whose eachMask it uses

constexpr Ops kOps = {Encoder<Primitives>::putInt, Encoder<Primitives>::putString, Encoder<Primitives>::putRecord,
    Decoder<Primitives>::getInt, Decoder<Primitives>::getString, Decoder<Primitives>::getRecord};
}  // namespace
