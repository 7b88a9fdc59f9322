// The sizes the serializer's codec works in. Tests, tools/check and
// conformance/make_vectors.py take the edges they probe from here, so each is plain
// arithmetic of the ones above it; static_asserts in the codec tie them to what it stores.
#ifndef DST_SERIALIZER_SIZES_H
#define DST_SERIALIZER_SIZES_H

#include <cstddef>

namespace dst_serializer {

constexpr std::size_t kChunk = 16;  // bytes classified and moved at a time
// How far past what they keep the writers may store: callers leave that much room.
constexpr std::size_t kSlack = 2 * kChunk;
// The longest head: 's' or 'r', a length or count of up to 20 digits, ','.
constexpr std::size_t kLongestHead = 22;
// Values and records whose worst case fits here are written on the stack, in one pass.
constexpr std::size_t kScratch = 4096;
// The longest value written on the stack: every byte escaped, it still fits the scratch.
constexpr std::size_t kLongestOnStack = (kScratch - kLongestHead - kSlack) / 3;
// How far past a body's decoded length the decoder may store.
constexpr std::size_t kDecodeRoom = kChunk;
// The longest body decoded on the stack in one pass; longer ones are checked first, then
// decoded through the scratch in pieces.
constexpr std::size_t kLongestDecodedOnStack = kScratch - kDecodeRoom;

}  // namespace dst_serializer

#endif
