// Helpers shared by the suites: texts built through the serializer, random bytes, and a group
// table seen slot by slot.
#pragma once

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "DirectoryServiceTypes.h"
#include "Serializer.h"

// Every record a set holds, in order.
inline PhonebookRecordList recordsOf(const PhonebookSearchResults& set) {
    PhonebookRecordList out;
    set.getRecordList(out);
    return out;
}

// The encodings of `values`, end to end. The suites build the texts they expect from these and
// from the library's own markers, so that they hold with any serializer that has the
// properties of docs/platform.md, whatever its grammar. A text that begins with ':' holds no
// value at its front, since no encoding holds one.
inline void put(std::string& text, int v) { Serializer::serialize(text, v); }
inline void put(std::string& text, const std::string& v) { Serializer::serialize(text, v, false); }
inline void put(std::string& text, PhonebookRecord v) { Serializer::serialize(text, v); }
template <typename... T>
std::string enc(const T&... values) {
    std::string text;
    (put(text, values), ...);
    return text;
}

inline std::string randomBytes(std::mt19937& rng, std::size_t n) {
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    return s;
}

using Slots = std::vector<std::pair<std::string, std::string>>;  // name and ring tone, slot 1 first

inline Slots slotsOf(PhonebookGroupList& table, std::vector<int>* ids = nullptr) {
    Slots out;
    for (PhonebookGroup g; out.size() < 16 && table.getGroup(static_cast<int>(out.size()) + 1, g);) {
        out.emplace_back(g.getName(), g.getRingTone());
        if (ids) ids->push_back(g.getId());
    }
    return out;
}

// Sixteen slots named prefix1..prefix16, all with `ringTone`.
inline Slots named(const std::string& prefix, const std::string& ringTone) {
    Slots slots;
    for (int k = 1; k <= 16; ++k) slots.emplace_back(prefix + std::to_string(k), ringTone);
    return slots;
}

// A default table whose slots hold `slots`.
inline PhonebookGroupList tableOf(const Slots& slots) {
    PhonebookGroupList table;
    for (int k = 1; k <= 16; ++k) {
        PhonebookGroup g(k, slots[k - 1].first, slots[k - 1].second);
        table.updateGroup(g);
    }
    return table;
}
