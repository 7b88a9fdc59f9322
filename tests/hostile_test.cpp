// Hostile input: every reader fed each truncation and single-byte corruption of a valid
// text. Each must give a defined result and keep what was valid before the fault. (Forged
// sizes: allocation_test.)
#include <algorithm>
#include <functional>

#include "support.h"

// Calls `read` with every proper prefix of `text` and with `text` corrupted at each byte in
// several ways, passing where the fault is.
void forEachDamage(const std::string& text, const std::function<void(std::string, std::size_t)>& read) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        read(text.substr(0, at), at);
        for (char b : {'\0', ':', ';', '%', 's', 'i', 'r', 'e', '0', '9', '\xFF', static_cast<char>(text[at] ^ 1)})
            if (b != text[at]) read(std::string(text).replace(at, 1, 1, b), at);
    }
}

TEST(Hostile, DamagedTablesKeepThePairsBeforeTheFault) {
    Slots source = named("name:;%", "/r");
    source[4].second = "";
    std::vector<std::size_t> ends = {
        ("PhonebookGroupList:" + enc(16)).size()};  // where each pair ends; the first begins after header and count
    for (const auto& s : source) ends.push_back(ends.back() + PhonebookGroup(1, s.first, s.second).serialize().size());
    const std::string text = tableOf(source).serialize();
    forEachDamage(text, [&](std::string damaged, std::size_t at) {
        const bool cut = damaged.size() < text.size();
        PhonebookGroupList receiver = tableOf(named("old", "/old"));
        receiver.deserialize(damaged);
        const Slots got = slotsOf(receiver), old = named("old", "/old");
        const auto whole =
            static_cast<std::size_t>(std::upper_bound(ends.begin() + 1, ends.end(), at) - ends.begin() - 1);
        for (std::size_t k = 0; k < 16; ++k)  // a damaged length may resynchronise later, a cut text may not
            if (k < whole || cut) {
                EXPECT_EQ(got[k], k < whole ? source[k] : old[k]) << at << " " << k;
            }
    });
}

TEST(Hostile, DamagedResultTextsKeepTheFramesBeforeTheFault) {
    PhonebookSearchResults source;
    std::vector<std::size_t> ends;
    for (int i = 0; i < 6; ++i) {
        source.addPhonebookRecord(
            {{"name", "P" + std::to_string(i)}, {"rec;", "recEnd;"}, {std::string(1, '\0'), ":"}});
        ends.push_back(source.serialize().size());
    }
    const std::string text = source.serialize();
    const PhonebookRecordList all = recordsOf(source);
    forEachDamage(text, [&](std::string damaged, std::size_t at) {
        const std::string copy = damaged;
        PhonebookSearchResults set;
        set.deserialize(damaged);
        const PhonebookRecordList got = recordsOf(set);
        const auto whole = static_cast<std::size_t>(std::upper_bound(ends.begin(), ends.end(), at) - ends.begin());
        EXPECT_EQ(damaged, copy) << at;
        const auto kept =
            got.begin() + static_cast<long>(copy.size() < text.size()
                                                ? got.size()
                                                : std::min(got.size(), whole));  // after a cut, nothing more
        EXPECT_EQ(PhonebookRecordList(got.begin(), kept),
            PhonebookRecordList(all.begin(), all.begin() + static_cast<long>(whole)))
            << at;
    });
}
