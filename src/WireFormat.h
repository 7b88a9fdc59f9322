// The literals and limits of the text forms, the library's two log lines, and the one UTF-8
// check: written here once, for the library, its tools, tests and fuzzers. Internal: not
// installed, and not part of the library's build interface.
#ifndef DST_SRC_WIRE_FORMAT_H
#define DST_SRC_WIRE_FORMAT_H

#include <cstddef>
#include <string_view>

// Constants that need no construction: the library runs no code when it is loaded.
namespace dst {

constexpr std::string_view kTableHeader = "PhonebookGroupList:";  // what a group table's text starts with
constexpr int kSlots = 16;                                        // the groups of a table, and its count
constexpr std::string_view kDimensionsTag = "PhonebookGroupDimensions";
constexpr int kGroupNameLimit = 15;
constexpr std::string_view kFrameOpen = "rec;", kFrameClose = "recEnd;";  // around each search result

// The library's log lines, its only log output: logAppUni(kLogModule, kLogFile, kLogLevel,
// line, message) when the dimensions reject a text. Peers match on the line numbers, so they
// are fixed rather than taken from the source.
constexpr char kLogModule[] = "DirectoryServiceTypes";
constexpr char kLogFile[] = "./src/DirectoryServiceTypes";
constexpr int kLogLevel = 2;
constexpr int kLogEmptyTextLine = 448;  // an empty text
constexpr char kLogEmptyText[] = "Zero length string. Cannot Deserialise";
constexpr int kLogForeignTextLine = 443;  // a text whose first value is not the type tag
constexpr char kLogForeignText[] =
    "Attempting to deserialise a non PhonebookGroupDimensions string into a PhonebookGroupDimensions object";

// Length of the well-formed UTF-8 sequence at the front of p[0..n), n > 0, or 0 where there
// is none: a stray or missing continuation byte, an overlong form, a surrogate, or a code
// point beyond U+10FFFF.
inline std::size_t utf8Length(const unsigned char* p, std::size_t n) {
    const unsigned char c = p[0];
    if (c < 0x80) return 1;
    std::size_t len;
    unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (n < len || p[1] < lo || p[1] > hi) return 0;
    for (std::size_t i = 2; i < len; ++i)
        if ((p[i] & 0xC0) != 0x80) return 0;
    return len;
}

}  // namespace dst

#endif
