// The operations that expand or compact escapes, over the SSSE3 backend, as
// platform/SerializerSsse3.cpp compiles them: that file alone is built for SSSE3, and
// Serializer.cpp calls it only on a processor that has it.
#ifndef DST_SERIALIZER_SSSE3_CODEC_H
#define DST_SERIALIZER_SSSE3_CODEC_H

#include <string>

#include "PhonebookRecord.h"

namespace dst_serializer {

struct Ssse3Codec {
    static void serialize(std::string& buffer, const std::string& value);
    static void serialize(std::string& buffer, PhonebookRecord& record);
    static bool deserialize(std::string& buffer, std::string& value);
    static bool deserialize(std::string& buffer, PhonebookRecord& record);
};

}  // namespace dst_serializer

#endif
