// The search result set: copies in and out, the range read, and the framed text form.
#include "PhonebookRecord.h"  // first: it compiles on its own

#include <stdexcept>

#include "support.h"

PhonebookRecord rec(int i) { return {{"name", "R" + std::to_string(i)}, {"tel", std::to_string(i)}}; }

PhonebookSearchResults setOf(int n) {
    PhonebookSearchResults set;
    for (int i = 0; i < n; ++i) set.addPhonebookRecord(rec(i));
    return set;
}

PhonebookRecordList all(const PhonebookSearchResults& set) {  // replaces what the list held
    PhonebookRecordList out = {rec(9)};
    return set.getRecordList(out), out;
}

TEST(SearchResults, KeepsEveryRecordInOrder) {
    PhonebookSearchResults set = setOf(2);
    set.addPhonebookRecord({}), set.addPhonebookRecord(rec(1));
    EXPECT_EQ(std::make_tuple(set.getRecordCount(), all(set), all(PhonebookSearchResults())),
        std::make_tuple(4u, PhonebookRecordList{rec(0), rec(1), {}, rec(1)}, PhonebookRecordList()));
}

// A row: the set's size, first, last, then the first record appended and how many (-1: out_of_range).
TEST(SearchResults, RangeReadAppendsBehindWhatOutHeld) {
    const int rows[][5] = {{0, 0, 0, 0, 0}, {0, 0, 5, 0, 0}, {0, 2, 1, 0, 0}, {0, -3, -1, 0, -1}, {0, -3, -2, 0, 0},
        {3, 0, 2, 0, 3}, {3, 1, 2, 1, 2}, {3, 1, 1, 1, 1}, {3, 0, 0, 0, 1}, {3, 2, 2, 2, 1}, {3, 3, 3, 0, 0},
        {3, 0, 3, 0, 0}, {3, 2, 1, 0, 0}, {3, -1, 1, 0, -1}, {3, -1, -1, 0, 0}, {0, -1, -1, 0, 0}, {3, -3, -2, 0, 0},
        {3, INT_MIN, 0, 0, -1}, {3, 0, INT_MAX, 0, 0}, {3, INT_MIN, INT_MAX, 0, 0}, {3, INT_MIN, -2, 0, 0},
        {3, INT_MAX, INT_MAX, 0, 0}};
    for (const auto& [size, first, last, from, count] : rows) {
        const PhonebookSearchResults set = setOf(size);
        PhonebookRecordList out = {{{"before", "x"}}}, expected = out;
        for (int i = from; i < from + count; ++i) expected.push_back(rec(i));
        if (count < 0)
            EXPECT_THROW(set.getRecordList(out, first, last), std::out_of_range);
        else
            set.getRecordList(out, first, last);
        EXPECT_EQ(out, expected) << size << ": " << first << ".." << last;
    }
}

TEST(SearchResultsText, ExactFramesAndRoundTrip) {
    EXPECT_EQ(PhonebookSearchResults().serialize() + setOf(2).serialize(),
        "rec;" + enc(rec(0)) + "recEnd;rec;" + enc(rec(1)) + "recEnd;");
    std::mt19937 rng(5150);
    PhonebookSearchResults set;
    set.addPhonebookRecord({{"rec;", "recEnd;"}, {"a:b", std::string("\0;\0", 3)}, {"x recEnd;rec; y", ""}});
    for (int i = 0; i < 200; ++i) {
        PhonebookRecord r(1 + rng() % 12);
        for (auto& field : r) field = {randomBytes(rng, rng() % 12), randomBytes(rng, rng() % 40)};
        set.addPhonebookRecord(r);
    }
    std::string text = set.serialize();
    const std::string copy = text;
    PhonebookSearchResults back = setOf(4);
    back.deserialize(text);
    back.deserialize(text);  // read twice: each record once
    EXPECT_EQ(std::make_pair(text, all(back)), std::make_pair(copy, all(set)));
}

TEST(SearchResultsText, ReadingSkipsWhatIsNoWholeFrame) {
    const std::string f0 = "rec;" + enc(rec(0)) + "recEnd;", f1 = "rec;" + enc(rec(1)) + "recEnd;",
                      ab = enc(PhonebookRecord{{"a", "b"}});
    const std::pair<std::string, PhonebookRecordList> cases[] = {{"", {rec(0), rec(1), rec(2)}}, {"nothing here", {}},
        {"junk" + f0 + "between:;recEnd;" + f1 + "after", {rec(0), rec(1)}}, {f0 + f1 + "rec;" + ab, {rec(0), rec(1)}},
        {f0 + "rec;" + enc(PhonebookRecord()) + "recEnd;" + f1, {rec(0), rec(1)}}, {"rec;recEnd;" + f1, {rec(1)}},
        {"rec;:rec;" + ab + "recEnd;" + f1, {rec(1)}}, {"rec;" + ab + "XYZrecEnd;", {{{"a", "b"}}}},
        {f0 + f0, {rec(0), rec(0)}}};
    for (const auto& [input, records] : cases) {
        PhonebookSearchResults set = setOf(3);
        std::string text = input;
        set.deserialize(text);
        EXPECT_EQ(all(set), records) << input;
    }
}
