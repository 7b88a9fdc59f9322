// libSerializer's string and record operations over the SSSE3 backend. CMake compiles this
// file, and only this one, for SSSE3 (x86-64 builds), and lists it after Serializer.cpp, so
// that where both files instantiate the same inline code the linker keeps the baseline copy.
#include <type_traits>

#include "serializer/backends.h"
#include "serializer/codec.h"
#include "serializer/ssse3_codec.h"

static_assert(std::is_same_v<dst_serializer::Native, dst_serializer::Ssse3>, "compile this file with -mssse3");

using Shuffled = dst_serializer::Codec<dst_serializer::Ssse3>;
using dst_serializer::Ssse3Codec;

void Ssse3Codec::serialize(std::string& buffer, const std::string& value) { Shuffled::serialize(buffer, value); }
void Ssse3Codec::serialize(std::string& buffer, PhonebookRecord& record) { Shuffled::serialize(buffer, record); }
bool Ssse3Codec::deserialize(std::string& buffer, std::string& value) { return Shuffled::deserialize(buffer, value); }
bool Ssse3Codec::deserialize(std::string& buffer, PhonebookRecord& record) {
    return Shuffled::deserialize(buffer, record);
}
