// Encodings of single values, for building expected texts in tests.
#ifndef DST_TESTS_ENCODING_H
#define DST_TESTS_ENCODING_H

#include <string>

#include "Serializer.h"

inline std::string encInt(int value) {
    std::string out;
    Serializer::serialize(out, value);
    return out;
}

inline std::string enc(const std::string& value) {
    std::string out;
    Serializer::serialize(out, value, false);
    return out;
}

inline std::string encRecord(PhonebookRecord record) {
    std::string out;
    Serializer::serialize(out, record);
    return out;
}

#endif
