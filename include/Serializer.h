/// @file
/// Serializer, the platform's field encoder: integers, strings and records to and from a
/// working string, as the stand-in built here implements it.
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
/// they were. No operation throws except `std::bad_alloc`, and `std::length_error` where
/// the working string cannot grow to hold an encoding, as std::string itself throws (on a
/// 32-bit core, a record of over a gigabyte of escaped text). An encoder that throws leaves
/// the working string as it was, and a decoder that throws leaves the working string and its
/// out-argument as they were, as any other failure does. The working string may itself be the value (or a field
/// of the record): an encoder then appends the encoding of the value as it was before the
/// call, and a decoder leaves the decoded value in it.
/// All operations are safe to call from several threads on distinct strings.
///
/// The encodings (the grammar is in [docs/wire-format.md](../docs/wire-format.md)):
/// @code{.unparsed}
/// integer  i<decimal>.          i16.  i-2147483648.
/// string   s<length>,<body>     s6,Family   s0,   s5,a%3Ab
/// record   r<count>,<strings>   r1,s4,names5,Alice
/// @endcode
/// In a string's body every `%`, `:` and `;`, every byte below 0x20 and the byte 0x7F is
/// written as `%` and two upper-case hex digits, so no encoding holds a `:` or a `;`.
/// Decoders accept only what the encoder writes: every value has exactly one encoding, and
/// every byte round-trips. They never read past the end, never allocate from a claimed
/// size beyond what the input could hold, and take time linear in what they read.
///
/// The boolean argument of the string operations is reserved; callers pass false and the
/// value is ignored.
///
/// The directory service types rely on part of this only:
/// [docs/platform.md](../docs/platform.md) lists what a platform's own `libSerializer.so`
/// must provide in its place.
class __attribute__((visibility("default"))) Serializer {
public:
    /// Appends the encoding of an integer.
    /// @param buffer the working string
    /// @param value any value, the whole 32-bit range included
    static void serialize(std::string& buffer, int value);
    /// Appends the encoding of a string.
    /// @param buffer the working string
    /// @param value any bytes, NUL included; may be `buffer` itself
    /// @param reserved ignored; pass false
    static void serialize(std::string& buffer, const std::string& value, bool reserved);
    /// Appends the encoding of a record: its field count, then each field's name and
    /// value as strings. A record without fields is encoded too (`r0,`).
    /// @param buffer the working string
    /// @param record the record; not changed, and one of its fields may be `buffer` itself
    static void serialize(std::string& buffer, PhonebookRecord& record);

    /// Decodes an integer from the front of the working string.
    /// @param buffer the working string; loses the encoding read, and only on success
    /// @param value receives the value on success; untouched otherwise
    /// @return true when an integer was decoded and removed
    static bool deserialize(std::string& buffer, int& value);
    /// Decodes a string from the front of the working string.
    /// @param buffer the working string; loses the encoding read, and only on success
    /// @param value receives the value on success, replacing what it held; untouched
    ///        otherwise. It may be `buffer` itself, which then holds the value.
    /// @param reserved ignored; pass false
    /// @return true when a string was decoded and removed
    static bool deserialize(std::string& buffer, std::string& value, bool reserved);
    /// Decodes a record from the front of the working string.
    /// @param buffer the working string; loses the encoding read, and only on success
    /// @param record receives the record on success, replacing what it held; untouched
    ///        otherwise
    /// @return true when a record was decoded and removed
    static bool deserialize(std::string& buffer, PhonebookRecord& record);
};

#endif
