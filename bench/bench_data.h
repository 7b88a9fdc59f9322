// Generated benchmark inputs: realistic directory records, the same on every run and on
// every machine (the generator and its mapping to ranges are our own, not a library's).
#ifndef DST_BENCH_DATA_H
#define DST_BENCH_DATA_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "DirectoryServiceTypes.h"

namespace bench {

// One kind of records, named after what it models. Each character of a value is, with the
// given chances, a byte the encoders must escape (one of `escapes`), a character of 2 or 3
// UTF-8 bytes (one of `multibyte`), or printable ASCII.
struct Workload {
    const char* name;
    int minFields, maxFields;
    int minLength, maxLength;  // bytes per value
    double escapeChance;
    const char* escapes;
    double multibyteChance;
    const char* const* multibyte;  // null-terminated list
};

inline const char* const kAccents[] = {"\xC3\xA9", "\xC3\xBC", "\xC3\xB8", "\xC3\xB1", nullptr};        // é ü ø ñ
inline const char* const kScripts[] = {"\xD0\x90", "\xD0\xBB", "\xD1\x8F", "\xCE\xB1", "\xE5\xBC\xA0",  // А л я α 张
    "\xE7\x8E\x8B", "\xE3\x81\x82", "\xEC\x9D\xB4", nullptr};                                           // 王 あ 이

// The matrix: value lengths from 1 byte to 400, escape densities from none to about 15 %,
// ASCII and UTF-8-heavy text. The first is what most directories hold.
inline const Workload kWorkloads[] = {
    {"contact-like", 4, 8, 6, 30, 0.005, ":;", 0.04, kAccents},
    {"short values", 4, 8, 1, 14, 0.005, ":;", 0.02, kAccents},
    {"UTF-8-heavy names", 4, 8, 6, 30, 0.005, ":;", 0.75, kScripts},
    {"URIs and times", 4, 8, 10, 40, 0.05, ":::;", 0.02, kAccents},
    {"vCard-like addresses", 4, 8, 10, 40, 0.15, ";;;;:\n", 0.02, kAccents},
    {"address lines", 4, 8, 30, 100, 0.02, ":;\n", 0.03, kAccents},
    {"long notes", 2, 4, 100, 400, 0.005, "\n", 0.03, kAccents},
    {"long structured values", 2, 4, 100, 400, 0.15, ";;;:\n\t%", 0.03, kAccents},
};

// Contact-like: values of up to 40 bytes, of which up to 1 % are escaped. Such records are
// most of what a phone holds, so their targets are higher.
constexpr bool contactLike(const Workload& w) { return w.maxLength <= 40 && w.escapeChance <= 0.01; }

// What a workload looks like, as generated: to print beside the figures.
struct Shape {
    std::size_t values = 0, bytes = 0, escaped = 0, nonAscii = 0;
};

// A small, fast generator (xorshift), so that building the records costs little even
// under an instruction-counting emulator; numbers in [0, n) by multiplication, which a
// 32-bit core without a divide instruction does in one step.
struct Random {
    std::uint32_t state = 2026;  // fixed, so every run measures the same records
    std::uint32_t operator()() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    std::size_t below(std::size_t n) { return static_cast<std::size_t>((std::uint64_t{(*this)()} * n) >> 32); }
    std::size_t between(int lo, int hi) {
        return static_cast<std::size_t>(lo) + below(static_cast<std::size_t>(hi - lo + 1));
    }
    bool chance(double p) { return (*this)() < static_cast<std::uint32_t>(p * 4294967295.0); }
};

// Values are cut, whole characters only, from a stretch of text generated character by
// character, at random places and lengths: as random as generating each value on its own,
// for what is measured, and much faster.
inline PhonebookRecordList makeRecords(const Workload& w, std::size_t count, Shape* shape = nullptr) {
    static const char* const kNames[] = {
        "name", "tel.mobile", "tel.home", "tel.work", "email", "address", "company", "note"};
    static const char kAscii[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .-+@";
    Random rng;
    const std::size_t escapeKinds = std::char_traits<char>::length(w.escapes);
    std::size_t multibyteKinds = 0;
    while (w.multibyte[multibyteKinds]) ++multibyteKinds;
    const std::size_t wanted = count * static_cast<std::size_t>(w.maxFields * w.maxLength) / 2;
    std::string text;
    while (text.size() < std::min<std::size_t>(std::max<std::size_t>(wanted, 4096), 1u << 18)) {
        if (rng.chance(w.escapeChance))
            text += w.escapes[rng.below(escapeKinds)];
        else if (rng.chance(w.multibyteChance))
            text += w.multibyte[rng.below(multibyteKinds)];
        else
            text += kAscii[rng.below(sizeof kAscii - 1)];
    }
    auto inside = [&text](std::size_t i) { return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80; };
    PhonebookRecordList records(count);
    for (PhonebookRecord& r : records) {
        const std::size_t fields = rng.between(w.minFields, w.maxFields);
        for (std::size_t f = 0; f < fields; ++f) {
            std::size_t begin = rng.below(text.size() - static_cast<std::size_t>(w.maxLength) - 8);
            while (inside(begin)) ++begin;
            std::size_t end = begin + rng.between(w.minLength, w.maxLength);
            while (inside(end)) ++end;
            r.emplace_back(kNames[f % 8], text.substr(begin, end - begin));
            if (shape) {
                ++shape->values;
                shape->bytes += end - begin;
                for (std::size_t i = begin; i < end; ++i) {
                    const auto c = static_cast<unsigned char>(text[i]);
                    shape->escaped += c < 0x20 || c == 0x7F || c == '%' || c == ':' || c == ';';
                    shape->nonAscii += c >= 0x80;
                }
            }
        }
    }
    return records;
}

// The records the Google Benchmark suite and the peak-memory check use.
inline PhonebookRecordList makeRecords(std::size_t count) { return makeRecords(kWorkloads[3], count); }

inline PhonebookSearchResults resultsOf(PhonebookRecordList records) {
    PhonebookSearchResults set;
    for (PhonebookRecord& r : records) set.addPhonebookRecord(std::move(r));
    return set;
}

inline PhonebookSearchResults makeResults(std::size_t count) { return resultsOf(makeRecords(count)); }

inline PhonebookGroupList makeTable() {
    PhonebookGroupList table;
    for (int k = 1; k <= 16; k += 2) {
        PhonebookGroup g(k, "Group " + std::to_string(k), "/usr/share/sounds/ring" + std::to_string(k) + ".wav");
        table.updateGroup(g);
    }
    return table;
}

}  // namespace bench

#endif
