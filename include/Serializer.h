// Field encoder of the platform: integers, strings and records to and from a working string.
#ifndef SERIALIZER_H
#define SERIALIZER_H

#include <string>

#include "PhonebookRecord.h"

/// Static encode/decode operations on a working string.
///
/// Encoders append one self-delimiting encoding to the end of the working string and leave
/// what is already there untouched, so encodings concatenate. Decoders read the value at
/// the front of the working string, store it in the out-argument and remove exactly its
/// encoding from the front. A decoder that finds no valid encoding of the wanted kind at
/// the front returns false and leaves both the working string and the out-argument as
/// they were. No operation throws except on allocation failure. The working string may
/// itself be the value (or a field of the record): an encoder then appends the encoding of
/// the value as it was before the call, and a decoder leaves the decoded value in it.
/// All operations are safe to call from several threads on distinct strings.
///
/// The boolean argument of the string operations is reserved; callers pass false and the
/// value is ignored.
class __attribute__((visibility("default"))) Serializer {
public:
    static void serialize(std::string& buffer, int value);
    static void serialize(std::string& buffer, const std::string& value, bool reserved);
    static void serialize(std::string& buffer, PhonebookRecord& record);

    static bool deserialize(std::string& buffer, int& value);
    static bool deserialize(std::string& buffer, std::string& value, bool reserved);
    static bool deserialize(std::string& buffer, PhonebookRecord& record);
};

#endif
