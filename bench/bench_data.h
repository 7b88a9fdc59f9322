// Generated benchmark inputs: realistic directory records, the same on every run.
#ifndef DST_BENCH_DATA_H
#define DST_BENCH_DATA_H

#include <random>
#include <string>

#include "DirectoryServiceTypes.h"

namespace bench {

// 4 to 8 fields (name, phone numbers, e-mail, address, ...), values of 10 to 40 bytes,
// some holding ':' or ';' or UTF-8.
inline PhonebookRecordList makeRecords(std::size_t count) {
    static const char* const kNames[] = {"name", "tel.mobile", "tel.home", "tel.work",
                                         "email", "address", "company", "note"};
    static const char kAlnum[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .-+@";
    std::mt19937 rng(2026);  // fixed, so every run measures the same records
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    PhonebookRecordList records(count);
    for (PhonebookRecord& r : records) {
        const int fields = pick(4, 8);
        for (int f = 0; f < fields; ++f) {
            std::string value;
            const int len = pick(10, 40);
            while (static_cast<int>(value.size()) < len) {
                const int kind = pick(0, 99);
                if (kind < 2) value += ':';
                else if (kind < 3) value += ';';
                else if (kind < 6) value += "\xC3\xA9";  // é
                else value += kAlnum[pick(0, sizeof kAlnum - 2)];
            }
            r.emplace_back(kNames[f], value);
        }
    }
    return records;
}

inline PhonebookSearchResults makeResults(std::size_t count) {
    PhonebookSearchResults set;
    for (PhonebookRecord& r : makeRecords(count)) set.addPhonebookRecord(std::move(r));
    return set;
}

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
