// The search result set: copies in and out, the range read, and the framed text form.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "DirectoryServiceTypes.h"
#include "Serializer.h"
#include "encoding.h"

namespace {

PhonebookRecord rec(int i) { return {{"name", "R" + std::to_string(i)}, {"tel", std::to_string(i)}}; }

PhonebookSearchResults setOf(int n) {
    PhonebookSearchResults set;
    for (int i = 0; i < n; ++i) set.addPhonebookRecord(rec(i));
    return set;
}

std::string frame(PhonebookRecord r) { return "rec;" + encRecord(std::move(r)) + "recEnd;"; }

PhonebookRecordList all(const PhonebookSearchResults& set) {
    PhonebookRecordList out;
    set.getRecordList(out);
    return out;
}

TEST(SearchResults, CountAndWholeListAreCopies) {
    PhonebookSearchResults set;
    EXPECT_EQ(set.getRecordCount(), 0u);
    PhonebookRecordList out = {rec(9)};
    set.getRecordList(out);
    EXPECT_TRUE(out.empty());

    PhonebookRecord r = rec(1);
    set.addPhonebookRecord(r);
    set.addPhonebookRecord({});
    set.addPhonebookRecord(r);
    r[0].second = "changed";
    EXPECT_EQ(set.getRecordCount(), 3u);
    out = all(set);
    EXPECT_EQ(out, (PhonebookRecordList{rec(1), {}, rec(1)}));
    out[0][0].second = "changed too";
    EXPECT_EQ(all(set)[0], rec(1));
}

struct Range {
    int size, first, last;
    enum { Nothing, Throws, Records } outcome;
    int from = 0, to = 0;  // the records appended, when any
    friend void PrintTo(const Range& r, std::ostream* os) { *os << r.size << " records, " << r.first << ".." << r.last; }
};

class RangeRead : public ::testing::TestWithParam<Range> {};

TEST_P(RangeRead, AppendsBehindWhatOutHeld) {
    const Range& r = GetParam();
    const PhonebookSearchResults set = setOf(r.size);
    const PhonebookRecord before = {{"before", "x"}};
    PhonebookRecordList out = {before};
    PhonebookRecordList expected = out;
    if (r.outcome == Range::Throws) {
        EXPECT_THROW(set.getRecordList(out, r.first, r.last), std::out_of_range);
    } else {
        set.getRecordList(out, r.first, r.last);
        if (r.outcome == Range::Records)
            for (int i = r.from; i <= r.to; ++i) expected.push_back(rec(i));
    }
    EXPECT_EQ(out, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, RangeRead,
    ::testing::Values(
        Range{0, 0, 0, Range::Nothing}, Range{0, 0, 5, Range::Nothing}, Range{0, 2, 1, Range::Nothing},
        Range{0, -3, -1, Range::Throws}, Range{0, -3, -2, Range::Nothing},
        Range{3, 0, 2, Range::Records, 0, 2}, Range{3, 1, 2, Range::Records, 1, 2},
        Range{3, 1, 1, Range::Records, 1, 1}, Range{3, 0, 0, Range::Records, 0, 0},
        Range{3, 2, 2, Range::Records, 2, 2}, Range{3, 3, 3, Range::Nothing},
        Range{3, 0, 3, Range::Nothing}, Range{3, 2, 1, Range::Nothing},
        Range{3, -1, 1, Range::Throws}, Range{3, -1, -1, Range::Throws},
        Range{3, -3, -1, Range::Throws}, Range{3, -3, -2, Range::Nothing},
        Range{3, INT_MIN, 0, Range::Throws}, Range{3, 0, INT_MAX, Range::Nothing},
        Range{3, INT_MIN, INT_MAX, Range::Nothing}, Range{3, INT_MIN, -2, Range::Nothing},
        Range{3, INT_MAX, INT_MAX, Range::Nothing}));

TEST(SearchResultsText, ExactFramesAndTheEmptySet) {
    PhonebookSearchResults empty;
    EXPECT_EQ(empty.serialize(), "");
    PhonebookSearchResults set = setOf(2);
    EXPECT_EQ(set.serialize(), "rec;r2,s4,names2,R0s3,tels1,0recEnd;rec;r2,s4,names2,R1s3,tels1,1recEnd;");
}

std::string randomBytes(std::mt19937& rng, std::size_t n) {
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng() & 0xFF);
    return s;
}

TEST(SearchResultsText, RoundTripsRecordsThatHoldTheMarkers) {
    std::mt19937 rng(5150);
    PhonebookSearchResults set;
    set.addPhonebookRecord({{"rec;", "recEnd;"}, {"a:b", std::string("\0;\0", 3)}});
    set.addPhonebookRecord({{"", ""}});
    set.addPhonebookRecord({{"note", "x recEnd;rec; y"}, {"", "rec;"}});
    for (int i = 0; i < 200; ++i) {
        PhonebookRecord r;
        const int fields = 1 + static_cast<int>(rng() % 12);
        for (int f = 0; f < fields; ++f)
            r.emplace_back(randomBytes(rng, rng() % 12), randomBytes(rng, rng() % 40));
        set.addPhonebookRecord(r);
    }
    std::string text = set.serialize();
    const std::string copy = text;
    PhonebookSearchResults back = setOf(4);
    back.deserialize(text);
    EXPECT_EQ(text, copy);
    EXPECT_EQ(all(back), all(set));
}

struct Read {
    const char* label;
    std::string text;
    PhonebookRecordList records;
    friend void PrintTo(const Read& c, std::ostream* os) { *os << c.label; }
};

class SearchResultsRead : public ::testing::TestWithParam<Read> {};

TEST_P(SearchResultsRead, ReplacesTheRecordsAndLeavesTheTextAlone) {
    PhonebookSearchResults set = setOf(3);
    std::string text = GetParam().text;
    set.deserialize(text);
    EXPECT_EQ(text, GetParam().text);
    EXPECT_EQ(all(set), GetParam().records);
}

const std::string f0 = frame(rec(0)), f1 = frame(rec(1));

INSTANTIATE_TEST_SUITE_P(
    Texts, SearchResultsRead,
    ::testing::Values(
        Read{"emptyKeepsTheSet", "", {rec(0), rec(1), rec(2)}},
        Read{"noFrameEmptiesTheSet", "nothing here", {}},
        Read{"twoFrames", f0 + f1, {rec(0), rec(1)}},
        Read{"strayText", "junk" + f0 + "between:;recEnd;" + f1 + "after", {rec(0), rec(1)}},
        Read{"unterminatedLast", f0 + f1 + "rec;r1,s1,as1,b", {rec(0), rec(1)}},
        Read{"emptyRecordSkipped", f0 + frame({}) + f1, {rec(0), rec(1)}},
        Read{"emptyBody", "rec;recEnd;" + f1, {rec(1)}},
        Read{"bodyNotARecord", "rec;garbagerecEnd;" + f1, {rec(1)}},
        Read{"trailingBodyBytesIgnored", "rec;r1,s1,as1,bXYZrecEnd;", {{{"a", "b"}}}},
        Read{"openInsideBody", "rec;xrec;r1,s1,as1,brecEnd;", {}},
        Read{"duplicates", f0 + f0, {rec(0), rec(0)}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(SearchResultsText, ReadingTwiceGivesEachRecordOnce) {
    std::string text = f0 + f1;
    PhonebookSearchResults set;
    set.deserialize(text);
    set.deserialize(text);
    EXPECT_EQ(all(set), (PhonebookRecordList{rec(0), rec(1)}));
}

}  // namespace
