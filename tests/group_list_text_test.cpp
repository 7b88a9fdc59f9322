// The group table's text form: exact text, round trips, counts, headers and damaged texts.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "DirectoryServiceTypes.h"
#include "Serializer.h"
#include "encoding.h"

namespace {

std::string pair(int k) { return enc("n" + std::to_string(k)) + enc("/r/" + std::to_string(k)); }

// A receiver whose slots all hold "old<k>" so that untouched slots are visible.
PhonebookGroupList receiver() {
    PhonebookGroupList table;
    for (int k = 1; k <= 16; ++k) {
        PhonebookGroup g(k, "old" + std::to_string(k), "/old");
        table.updateGroup(g);
    }
    return table;
}

std::vector<std::pair<std::string, std::string>> slots(PhonebookGroupList& table) {
    std::vector<std::pair<std::string, std::string>> out;
    PhonebookGroup g;
    for (int k = 1; k <= 16; ++k) {
        table.getGroup(k, g);
        out.emplace_back(g.getName(), g.getRingTone());
    }
    return out;
}

// Which slots read text, which kept what they held.
std::vector<std::string> names(PhonebookGroupList& table) {
    std::vector<std::string> out;
    for (auto& s : slots(table)) out.push_back(s.first);
    return out;
}

std::vector<std::string> expectedNames(int readUpTo) {
    std::vector<std::string> out;
    for (int k = 1; k <= 16; ++k) out.push_back((k <= readUpTo ? "n" : "old") + std::to_string(k));
    return out;
}

TEST(GroupListText, DefaultTableText) {
    std::string expected = "PhonebookGroupList:" + encInt(16);
    for (int i = 0; i < 32; ++i) expected += enc("");
    EXPECT_EQ(PhonebookGroupList().serialize(), expected);
    EXPECT_EQ(PhonebookGroupList("x").serialize(), expected);  // ids are not written
}

TEST(GroupListText, RoundTripKeepsTheReceiversIds) {
    PhonebookGroupList producer("unnumbered");
    PhonebookGroup family(3, "Family", "/usr/share/sounds/ring1.wav");
    producer.updateGroup(family);
    std::string text = producer.serialize();

    PhonebookGroupList table;
    table.deserialize(text);
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(table.countUsedGroups(), 1);
    EXPECT_EQ(table.getGroupWithName("Family"), 3);
    PhonebookGroup g;
    for (int k = 1; k <= 16; ++k) {
        table.getGroup(k, g);
        EXPECT_EQ(g.getId(), k);
    }
    table.getGroup(3, g);
    EXPECT_EQ(g.getRingTone(), "/usr/share/sounds/ring1.wav");
}

TEST(GroupListText, RandomTablesRoundTripEverySlot) {
    std::mt19937 rng(424242);
    std::uniform_int_distribution<int> byte(0, 255), len(0, 24);
    auto bytes = [&] {
        std::string s(static_cast<std::size_t>(len(rng)), '\0');
        for (char& c : s) c = static_cast<char>(byte(rng));
        return s;
    };
    for (int round = 0; round < 50; ++round) {
        PhonebookGroupList producer;
        for (int k = 1; k <= 16; ++k) {
            PhonebookGroup g(k, bytes(), bytes());
            producer.updateGroup(g);
        }
        std::string text = producer.serialize();
        PhonebookGroupList fresh;
        fresh.deserialize(text);
        EXPECT_EQ(slots(fresh), slots(producer));
        EXPECT_TRUE(text.empty());
    }
}

TEST(GroupListText, SpareSlotWithARingToneSurvives) {
    std::string text = "PhonebookGroupList:" + encInt(1) + enc("") + enc("/kept.wav");
    PhonebookGroupList table = receiver();
    table.deserialize(text);
    EXPECT_TRUE(table.isGroupSpare(1));
    EXPECT_EQ(table.countUsedGroups(), 15);
    std::string again = table.serialize();
    PhonebookGroupList copy;
    copy.deserialize(again);
    EXPECT_EQ(slots(copy)[0], (std::pair<std::string, std::string>{"", "/kept.wav"}));
}

struct CountCase {
    const char* label;
    std::string text;
    int readUpTo;
    std::string rest;
    friend void PrintTo(const CountCase& c, std::ostream* os) { *os << c.label; }
};

class GroupListCount : public ::testing::TestWithParam<CountCase> {};

TEST_P(GroupListCount, AppliesAtMostSixteenPairsAndKeepsTheRest) {
    PhonebookGroupList table = receiver();
    std::string text = GetParam().text;
    table.deserialize(text);
    EXPECT_EQ(names(table), expectedNames(GetParam().readUpTo));
    EXPECT_EQ(text, GetParam().rest);
    PhonebookGroup g;
    table.getGroup(16, g);
    EXPECT_EQ(g.getId(), 16);
}

std::string pairs(int from, int to) {
    std::string s;
    for (int k = from; k <= to; ++k) s += pair(k);
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, GroupListCount,
    ::testing::Values(
        CountCase{"three", "PhonebookGroupList:" + encInt(3) + pairs(1, 5), 3, pairs(4, 5)},
        CountCase{"zero", "PhonebookGroupList:" + encInt(0) + pairs(1, 2), 0, pairs(1, 2)},
        CountCase{"negative", "PhonebookGroupList:" + encInt(-4) + pairs(1, 2), 0, pairs(1, 2)},
        CountCase{"aboveSixteen", "PhonebookGroupList:" + encInt(18) + pairs(1, 18), 16, pairs(17, 18)},
        CountCase{"huge", "PhonebookGroupList:" + encInt(2147483647) + pairs(1, 20), 16, pairs(17, 20)},
        CountCase{"foreignHeader", "Other:" + encInt(2) + pairs(1, 2), 2, ""},
        CountCase{"noColon", encInt(2) + pairs(1, 2), 2, ""},
        CountCase{"colonLast", "PhonebookGroupList:", 0, ""},
        CountCase{"onlyHeader", "a:b:" + encInt(1) + pair(1), 0, "b:" + encInt(1) + pair(1)},
        CountCase{"noCount", "PhonebookGroupList:" + pairs(1, 2), 0, pairs(1, 2)},
        CountCase{"countOutOfRange", "PhonebookGroupList:i2147483648." + pair(1), 0,
                  "i2147483648." + pair(1)},
        // damaged texts: reading stops at the first pair that does not decode
        CountCase{"cutInsideFifthName", "PhonebookGroupList:" + encInt(16) + pairs(1, 4) + "s2,n", 4, "s2,n"},
        // the fifth name was read, so only what followed it is left
        CountCase{"cutAfterFifthName", "PhonebookGroupList:" + encInt(16) + pairs(1, 4) + enc("n5") + "s4,/r", 4,
                  "s4,/r"},
        CountCase{"corruptSecondPair", "PhonebookGroupList:" + encInt(16) + pair(1) + "s3,%ZZ" + pairs(3, 16), 1,
                  "s3,%ZZ" + pairs(3, 16)}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
