// The one table of the serializer's backends: each one's name, whether this processor runs
// it, and its codec's six operations. Which backends a target builds is decided here only.
#ifndef DST_SERIALIZER_TABLE_H
#define DST_SERIALIZER_TABLE_H

#include <iterator>
#include <string>
#include <string_view>

#include "PhonebookRecord.h"

#if defined(__x86_64__) && defined(__SSE2__)
#define DST_SERIALIZER_X86 1  // SSE2 is the baseline; SSSE3 is built by target attribute
#endif

namespace dst_serializer {

// A backend's codec: Serializer's six operations, without the reserved boolean.
struct Ops {
    void (*putInt)(std::string& buffer, int value);
    void (*putString)(std::string& buffer, const std::string& value);
    void (*putRecord)(std::string& buffer, PhonebookRecord& record);
    bool (*getInt)(std::string& buffer, int& value);
    bool (*getString)(std::string& buffer, std::string& value);
    bool (*getRecord)(std::string& buffer, PhonebookRecord& record);
};
struct Backend {
    std::string_view name;
    bool (*runs)();  // whether this processor has the instructions it needs
    const Ops& ops;
};
bool everywhere();
bool hasSsse3();
extern const Ops kPortable, kSse2, kSsse3, kNeon;  // each defined by its backend's file

// Best first: libSerializer takes the first that runs, or the one DST_SERIALIZER_BACKEND names.
inline constexpr Backend kBackends[] = {
#if defined(DST_SERIALIZER_X86)
    {"ssse3", hasSsse3, kSsse3},
    {"sse2", everywhere, kSse2},
#endif
#if defined(__ARM_NEON)
    {"neon", everywhere, kNeon},
#endif
    {"portable", everywhere, kPortable},
};

// The place of the backend named `name` in the table, or the table's size.
constexpr std::size_t indexOf(std::string_view name) {
    std::size_t i = 0;
    while (i < std::size(kBackends) && kBackends[i].name != name) ++i;
    return i;
}

}  // namespace dst_serializer

#endif
