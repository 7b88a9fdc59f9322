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
//   chunk_neon.h,   NEON (ARM where the target has it) and portable 64-bit words (plain
//   chunk_words.h   C++, every host; what Debian's armhf baseline runs);
//   backends.h      the one place that picks the native backend and lists those the
//                   target can run;
//   codec.h         the encoder and decoders, written once over any backend.
// This file holds the six entry points, over the native backend. The tests run over every
// backend the host can run, and fuzz_serializer_reference checks each of them against a
// byte-at-a-time reference.
#include "Serializer.h"

#include "serializer/backends.h"
#include "serializer/codec.h"

using Native = dst_serializer::Codec<dst_serializer::Native>;

void Serializer::serialize(std::string& buffer, int value) { Native::serialize(buffer, value); }
void Serializer::serialize(std::string& buffer, const std::string& value, bool) { Native::serialize(buffer, value); }
void Serializer::serialize(std::string& buffer, PhonebookRecord& record) { Native::serialize(buffer, record); }

bool Serializer::deserialize(std::string& buffer, int& value) { return Native::deserialize(buffer, value); }
bool Serializer::deserialize(std::string& buffer, std::string& value, bool) { return Native::deserialize(buffer, value); }
bool Serializer::deserialize(std::string& buffer, PhonebookRecord& record) { return Native::deserialize(buffer, record); }
