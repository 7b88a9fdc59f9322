// The sixteen-slot group table: lookups, counts, updates and virtual dispatch.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "DirectoryServiceTypes.h"

namespace {

PhonebookGroupList tableWithUsed(std::initializer_list<int> slots, const std::string& name = "") {
    PhonebookGroupList table;
    for (int k : slots) {
        PhonebookGroup g(k, name.empty() ? "g" + std::to_string(k) : name, "/t/" + std::to_string(k));
        EXPECT_TRUE(table.updateGroup(g));
    }
    return table;
}

TEST(GroupList, DefaultTableIsNumberedAndSpare) {
    PhonebookGroupList table;
    EXPECT_EQ(table.getSize(), 16);
    EXPECT_TRUE(table.isGroupListEmpty());
    EXPECT_EQ(table.countUsedGroups(), 0);
    EXPECT_EQ(table.getSpareGroup(), 1);
    EXPECT_EQ(table.findNonSpareGroup(1), -1);
    for (int k = 1; k <= 16; ++k) {
        PhonebookGroup g(99, "x", "y");
        ASSERT_TRUE(table.getGroup(k, g));
        EXPECT_EQ(g.getId(), k);
        EXPECT_EQ(g.getName(), "");
        EXPECT_EQ(g.getRingTone(), "");
    }
}

TEST(GroupList, StringConstructorLeavesIdsZero) {
    PhonebookGroupList table("anything");
    PhonebookGroup g;
    for (int k = 1; k <= 16; ++k) {
        ASSERT_TRUE(table.getGroup(k, g));
        EXPECT_EQ(g.getId(), 0);
    }
    PhonebookGroup used(4, "Work", "");
    ASSERT_TRUE(table.updateGroup(used));
    table.getGroup(4, g);
    EXPECT_EQ(g.getId(), 4);
    EXPECT_EQ(table.getSpareGroup(), 1);
    EXPECT_EQ(table.getGroupWithName("Work"), 4);
    EXPECT_EQ(table.findNonSpareGroup(1), 4);
}

TEST(GroupList, NumbersOutsideTheTableAreAnsweredNotRaised) {
    PhonebookGroupList table = tableWithUsed({1, 16});
    for (int k : {0, 17, -1, INT_MIN, INT_MAX}) {
        PhonebookGroup out(42, "keep", "me");
        EXPECT_FALSE(table.getGroup(k, out)) << k;
        EXPECT_EQ(out.getId(), 42);
        EXPECT_EQ(out.getName(), "keep");
        EXPECT_FALSE(table.makeGroupSpare(k));
        EXPECT_FALSE(table.isGroupSpare(k));
    }
    EXPECT_EQ(table.countUsedGroups(), 2);
}

TEST(GroupList, LookupsOnATableWithSlots2And5And9Used) {
    PhonebookGroupList table = tableWithUsed({2, 5, 9});
    const std::pair<int, int> ranks[] = {{1, 2}, {2, 5}, {3, 9}, {4, -1}, {0, -1}, {-1, -1}, {INT_MIN, -1}};
    for (auto [n, slot] : ranks) EXPECT_EQ(table.findNonSpareGroup(n), slot) << n;
    EXPECT_EQ(table.countUsedGroups(), 3);
    EXPECT_EQ(table.getSpareGroup(), 1);
    EXPECT_FALSE(table.isGroupListEmpty());
    EXPECT_TRUE(table.isGroupSpare(1));
    EXPECT_FALSE(table.isGroupSpare(5));
    EXPECT_EQ(table.getGroupWithName("g5"), 5);
}

TEST(GroupList, SpareAndNameLookupsWhenFullOrPartlyUsed) {
    PhonebookGroupList full = tableWithUsed({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    EXPECT_EQ(full.getSpareGroup(), -1);
    EXPECT_EQ(full.getGroupWithName(""), -1);
    EXPECT_EQ(full.countUsedGroups(), 16);
    EXPECT_EQ(full.findNonSpareGroup(16), 16);

    PhonebookGroupList partly = tableWithUsed({1, 2, 3});
    EXPECT_EQ(partly.getSpareGroup(), 4);
    EXPECT_EQ(partly.getGroupWithName(""), 4);
}

TEST(GroupList, NameLookupIsExactAndFindsTheLowestSlot) {
    PhonebookGroupList table = tableWithUsed({7, 3}, "Family");
    EXPECT_EQ(table.getGroupWithName("Family"), 3);
    EXPECT_EQ(table.getGroupWithName("family"), -1);
    EXPECT_EQ(table.getGroupWithName("Family "), -1);
    EXPECT_EQ(table.getGroupWithName("Fam"), -1);
}

TEST(GroupList, UpdateStoresByIdAndMakesUnnamedGroupsSpareFirst) {
    PhonebookGroupList table = tableWithUsed({3});
    PhonebookGroup unnamed(3, "", "/still/here.wav");
    EXPECT_TRUE(table.updateGroup(unnamed));
    EXPECT_EQ(unnamed.getRingTone(), "");
    PhonebookGroup slot;
    table.getGroup(3, slot);
    EXPECT_EQ(slot.getName(), "");
    EXPECT_EQ(slot.getRingTone(), "");

    for (int id : {0, 17, -5}) {
        PhonebookGroup refused(id, "", "/tone");
        EXPECT_FALSE(table.updateGroup(refused));
        EXPECT_EQ(refused.getRingTone(), "");  // cleared even though refused
        PhonebookGroup named(id, "N", "/tone");
        EXPECT_FALSE(table.updateGroup(named));
        EXPECT_EQ(named.getRingTone(), "/tone");
    }
    EXPECT_TRUE(table.isGroupListEmpty());
}

TEST(GroupList, MakeSpareKeepsTheId) {
    PhonebookGroupList table = tableWithUsed({6});
    EXPECT_TRUE(table.makeGroupSpare(6));
    PhonebookGroup g;
    table.getGroup(6, g);
    EXPECT_EQ(g.getId(), 6);
    EXPECT_EQ(g.getName(), "");
    EXPECT_EQ(g.getRingTone(), "");
}

// A table whose notion of "spare" is overridden: every algorithm built on isGroupSpare
// must follow it.
struct OddSlotsUsed : PhonebookGroupList {
    bool isGroupSpare(int slot) override { return slot % 2 == 0; }
};

TEST(GroupList, CountsAndRanksGoThroughTheVirtualIsGroupSpare) {
    OddSlotsUsed odd;
    PhonebookGroupList& table = odd;
    EXPECT_FALSE(table.isGroupListEmpty());
    EXPECT_EQ(table.countUsedGroups(), 8);
    EXPECT_EQ(table.findNonSpareGroup(1), 1);
    EXPECT_EQ(table.findNonSpareGroup(3), 5);
    EXPECT_EQ(table.findNonSpareGroup(9), -1);
    EXPECT_EQ(table.getSpareGroup(), 1);  // reads names, not isGroupSpare
}

// A group whose accessors are overridden: updateGroup must use them on the caller's group.
struct Disguised : PhonebookGroup {
    std::vector<std::string> calls;
    Disguised() : PhonebookGroup(0, "real", "/tone") {}
    std::string getName() override {
        calls.push_back("getName");
        return "";
    }
    int getId() override {
        calls.push_back("getId");
        return 4;
    }
    void setSpare() override {
        calls.push_back("setSpare");
        PhonebookGroup::setSpare();
    }
};

TEST(GroupList, UpdateGroupCallsTheGroupsVirtualOperationsInOrder) {
    PhonebookGroupList table;
    Disguised g;
    EXPECT_TRUE(table.updateGroup(g));
    EXPECT_EQ(g.calls, (std::vector<std::string>{"getName", "setSpare", "getId"}));
    PhonebookGroup slot;
    table.getGroup(4, slot);
    EXPECT_EQ(slot.getId(), 0);  // stored by copy: the field, not the overridden getId
    EXPECT_EQ(slot.getName(), "");
}

}  // namespace
