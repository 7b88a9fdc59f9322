// The call group record: state, setSpare dispatch, tag conversion and its text form.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "DirectoryServiceTypes.h"
#include "Serializer.h"
#include "encoding.h"

namespace {

TEST(PhonebookGroup, DefaultIsSpareWithIdZero) {
    PhonebookGroup g;
    EXPECT_EQ(g.getId(), 0);
    EXPECT_EQ(g.getName(), "");
    EXPECT_EQ(g.getRingTone(), "");
    EXPECT_FALSE(g.validateGroup());
}

TEST(PhonebookGroup, ValidateLooksAtTheNameOnly) {
    struct Case {
        int id;
        const char* name;
        const char* ringTone;
        bool valid;
    };
    for (const Case& c : {Case{1, "Work", "", true}, Case{1, "", "/a/b.wav", false},
                          Case{0, "x", "", true}, Case{-7, " ", "", true}, Case{99, "x", "", true}}) {
        PhonebookGroup g(c.id, c.name, c.ringTone);
        EXPECT_EQ(g.validateGroup(), c.valid) << c.id << " '" << c.name << "'";
    }
}

TEST(PhonebookGroup, SetSpareKeepsTheId) {
    PhonebookGroup g(5, "Friends", "/usr/share/sounds/a.wav");
    g.setSpare();
    EXPECT_EQ(g.getId(), 5);
    EXPECT_EQ(g.getName(), "");
    EXPECT_EQ(g.getRingTone(), "");
    EXPECT_FALSE(g.validateGroup());
}

// A derived group that records which setters ran.
struct Recording : PhonebookGroup {
    std::vector<std::string> calls;
    void setName(std::string n) override {
        calls.push_back("setName(" + n + ")");
        PhonebookGroup::setName(n + "!");
    }
    void setRingTone(std::string r) override {
        calls.push_back("setRingTone(" + r + ")");
        PhonebookGroup::setRingTone(r);
    }
};

TEST(PhonebookGroup, SetSpareCallsTheVirtualSettersInOrder) {
    Recording g;
    PhonebookGroup& base = g;
    base.setSpare();
    EXPECT_EQ(g.calls, (std::vector<std::string>{"setName()", "setRingTone()"}));
    EXPECT_EQ(g.getName(), "!");  // the override's effect, not the base's
}

TEST(PhonebookGroup, IndexToTag) {
    for (int v : {0, 16, -1, INT_MAX, INT_MIN})
        EXPECT_EQ(PhonebookGroup::groupIndexToTag(v), std::to_string(v));
}

TEST(PhonebookGroup, TagToIndexFollowsStrtolClampedToInt) {
    struct Case {
        std::string text;
        int value;
    };
    const Case cases[] = {
        {"7", 7}, {"  12", 12}, {"\t\n12", 12}, {"12abc", 12}, {"-4", -4}, {"+9", 9},
        {"abc", 0}, {"", 0}, {"0x1A", 0}, {"010", 10}, {"- 3", 0},
        {"2147483647", INT_MAX}, {"2147483648", INT_MAX}, {"99999999999", INT_MAX},
        {"-2147483648", INT_MIN}, {"-2147483649", INT_MIN}, {"-99999999999", INT_MIN},
        {"4294967296", INT_MAX}, {"9223372036854775808", INT_MAX}, {"-9223372036854775809", INT_MIN},
        {std::string("5\0" "9", 3), 5},
    };
    for (const Case& c : cases) EXPECT_EQ(PhonebookGroup::groupTagToIndex(c.text), c.value) << c.text;
}

TEST(PhonebookGroupText, IsNameThenRingToneWithoutId) {
    EXPECT_EQ(PhonebookGroup().serialize(), enc("") + enc(""));
    PhonebookGroup a(1, "Family", "/r.wav"), b(9, "Family", "/r.wav");
    EXPECT_EQ(a.serialize(), enc("Family") + enc("/r.wav"));
    EXPECT_EQ(a.serialize(), b.serialize());
}

struct ReadCase {
    const char* label;
    std::string text;
    std::string name, ringTone, rest;
    friend void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.label; }
};

class GroupRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(GroupRead, CutsAtTheFirstColonThenReadsTwoValues) {
    PhonebookGroup g(4, "old", "old.wav");
    std::string text = GetParam().text;
    g.deserialize(text);
    EXPECT_EQ(g.getId(), 4);
    EXPECT_EQ(g.getName(), GetParam().name);
    EXPECT_EQ(g.getRingTone(), GetParam().ringTone);
    EXPECT_EQ(text, GetParam().rest);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, GroupRead,
    ::testing::Values(
        ReadCase{"plain", enc("Work") + enc("/a/b.wav"), "Work", "/a/b.wav", ""},
        ReadCase{"header", "Header:" + enc("Work") + enc(""), "Work", "", ""},
        ReadCase{"trailing", enc("W") + enc("r") + "more", "W", "r", "more"},
        ReadCase{"colonLast", "Header:", "old", "old.wav", ""},
        // our encodings never hold a colon, so a colon only comes from a header
        ReadCase{"twoHeaders", "a:b:" + enc("x") + enc("y"), "old", "old.wav", "b:" + enc("x") + enc("y")},
        ReadCase{"noValue", "garbage", "old", "old.wav", "garbage"},
        ReadCase{"nameOnly", enc("N"), "N", "old.wav", ""},
        ReadCase{"emptyValues", enc("") + enc(""), "", "", ""}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
