// Our implementation of the platform field encoder. The grammar is described in
// docs/wire-format.md; in short:
//   integer  i<decimal>.          i16.  i-2147483648.
//   string   s<length>,<body>     s6,Family   s0,
//   record   r<count>,<strings>   r1,s4,names5,Alice
// In a string body '%', ':', ';', bytes below 0x20 and 0x7F are written as %XX. Decoders
// accept only what the encoder writes, so every value has exactly one encoding.
//
// Three layers, in serializer/:
//   chunk.h         the interface of a backend: load, short load, store, shift and escape
//                   mask of sixteen bytes at a time;
//   chunk_sse2.h,   one backend per instruction set, each a file of its own: SSE2 (x86-64),
//   chunk_ssse3.h,  SSSE3 (SSE2 with a byte shuffle, chosen at run time on x86-64), NEON
//   chunk_neon.h,   (ARM where the target has it) and portable 64-bit words (plain C++,
//   chunk_words.h   every host; what Debian's armhf baseline runs);
//   backends.h      the one place that picks the native backend and lists those the
//                   target can run;
//   codec.h         the encoder and decoders, written once over any backend.
// This file holds the six entry points, over the native backend, or over SSSE3 (compiled
// in SerializerSsse3.cpp) where the processor has it. The tests run over every
// backend the host can run, and fuzz_serializer_reference checks each of them against a
// byte-at-a-time reference.
#include "Serializer.h"

#include "serializer/backends.h"
#include "serializer/codec.h"

using Native = dst_serializer::Codec<dst_serializer::Native>;

#if defined(DST_SERIALIZER_SSSE3)
#include <cpuid.h>
#include <atomic>

#include "serializer/ssse3_codec.h"

namespace {
using Shuffling = dst_serializer::Ssse3Codec;

// Asked of the processor on first use, not at load: the library runs no code when loaded.
// Concurrent first calls may each ask; they get the same answer.
std::atomic<int> ssse3{-1};
__attribute__((noinline)) bool askProcessor() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    const bool has = __get_cpuid(1, &a, &b, &c, &d) && (c & bit_SSSE3) != 0;
    ssse3.store(has ? 1 : 0, std::memory_order_relaxed);
    return has;
}
inline bool shuffles() {
    const int known = ssse3.load(std::memory_order_relaxed);
    return known > 0 || (known < 0 && askProcessor());
}
}  // namespace
#else
namespace {
using Shuffling = Native;
constexpr bool shuffles() { return false; }
}  // namespace
#endif

void Serializer::serialize(std::string& buffer, int value) { Native::serialize(buffer, value); }
void Serializer::serialize(std::string& buffer, const std::string& value, bool) {
    shuffles() ? Shuffling::serialize(buffer, value) : Native::serialize(buffer, value);
}
void Serializer::serialize(std::string& buffer, PhonebookRecord& record) {
    shuffles() ? Shuffling::serialize(buffer, record) : Native::serialize(buffer, record);
}

bool Serializer::deserialize(std::string& buffer, int& value) { return Native::deserialize(buffer, value); }
bool Serializer::deserialize(std::string& buffer, std::string& value, bool) {
    return shuffles() ? Shuffling::deserialize(buffer, value) : Native::deserialize(buffer, value);
}
bool Serializer::deserialize(std::string& buffer, PhonebookRecord& record) {
    return shuffles() ? Shuffling::deserialize(buffer, record) : Native::deserialize(buffer, record);
}
