// The sixteen-slot group table: lookups against a model, updates, virtual dispatch, text form.
#include <algorithm>

#include "support.h"

// Every lookup of a table whose used slots are exactly `used`, against what they must answer.
TEST(GroupList, LookupsFollowTheUsedSlots) {
    for (const std::vector<int>& used : std::vector<std::vector<int>>{
             {}, {16}, {1}, {2, 5, 9}, {1, 2, 3}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}}) {
        Slots slots(16);
        for (int k : used) slots[k - 1] = {"g" + std::to_string(k), "/t"};
        PhonebookGroupList table = tableOf(slots);
        int spare = 1;
        while (std::count(used.begin(), used.end(), spare)) ++spare;
        const auto n = static_cast<int>(used.size());
        if (n == 16) spare = -1;
        EXPECT_EQ(std::make_tuple(table.getSize(), table.countUsedGroups(), table.isGroupListEmpty(),
                      table.getSpareGroup(), table.getGroupWithName("")),
            std::make_tuple(16, n, n == 0, spare, spare))
            << ::testing::PrintToString(used);
        for (int k = -1; k <= 17; ++k) {
            const bool isUsed = std::count(used.begin(), used.end(), k);
            EXPECT_EQ(std::make_tuple(table.findNonSpareGroup(k), table.isGroupSpare(k),
                          table.getGroupWithName("g" + std::to_string(k))),
                std::make_tuple(k >= 1 && k <= n ? used[k - 1] : -1, k >= 1 && k <= 16 && !isUsed, isUsed ? k : -1))
                << k;
        }
    }
}

TEST(GroupList, UpdateMakeSpareAndNumbersOutsideTheTable) {
    PhonebookGroupList table = tableOf(named("n", "/t"));
    PhonebookGroup unnamed(3, "", "/still/here.wav"), twin(7, "n4", "");
    EXPECT_EQ((std::tuple<bool, bool, bool, std::string>{
                  table.updateGroup(unnamed), table.updateGroup(twin), table.makeGroupSpare(6), unnamed.getRingTone()}),
        std::make_tuple(true, true, true, ""));
    for (int k : {0, 17, -1, INT_MIN, INT_MAX}) {
        PhonebookGroup refused(k, "", "/tone"), named(k, "N", "/tone");
        EXPECT_EQ((std::vector<bool>{table.updateGroup(refused), table.updateGroup(named), table.getGroup(k, named),
                      table.makeGroupSpare(k)}),
            std::vector<bool>(4, false))
            << k;
        EXPECT_EQ(std::make_tuple(refused.getRingTone(), named.getName(), named.getRingTone()),
            std::make_tuple("", "N", "/tone"));  // made spare although refused
    }
    Slots expected = named("n", "/t");
    expected[2] = expected[5] = {"", ""}, expected[6] = {"n4", ""};
    const std::vector<int> numbers = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    std::vector<int> ids;
    EXPECT_EQ(slotsOf(table, &ids), expected);
    EXPECT_EQ(std::make_tuple(ids, table.getGroupWithName("n4"), table.getGroupWithName("N4")),
        std::make_tuple(numbers, 4, -1));
}

// Overrides in derived classes take effect: the counts ask isGroupSpare, updateGroup asks the group.
struct OddSlotsUsed : PhonebookGroupList {
    bool isGroupSpare(int slot) override { return slot % 2 == 0; }
};
struct Disguised : PhonebookGroup {
    std::string calls;
    Disguised() : PhonebookGroup(0, "real", "/tone") {}
    std::string getName() override { return calls += "getName ", ""; }
    int getId() override { return calls += "getId ", 4; }
    void setSpare() override { calls += "setSpare ", PhonebookGroup::setSpare(); }
};

TEST(GroupList, VirtualOperationsAreWhatRun) {
    OddSlotsUsed odd;
    PhonebookGroupList& table = odd;
    Disguised g;
    PhonebookGroup slot;
    EXPECT_EQ((std::vector<bool>{table.updateGroup(g), table.getGroup(4, slot)}), std::vector<bool>(2, true));
    EXPECT_EQ(std::make_tuple(table.isGroupListEmpty(), table.countUsedGroups(), table.findNonSpareGroup(3),
                  table.findNonSpareGroup(9), table.getSpareGroup(), g.calls, slot.getId()),
        std::make_tuple(
            false, 8, 5, -1, 1, std::string("getName setSpare getId "), 0));  // stored by copy: the field id
}

TEST(GroupListText, RoundTripKeepsTheReceiversIds) {
    std::string empty = "PhonebookGroupList:" + enc(16);
    for (int i = 0; i < 32; ++i) empty += enc("");
    EXPECT_EQ(PhonebookGroupList("x").serialize(), empty);
    std::mt19937 rng(424242);
    for (int round = 0; round < 20; ++round) {
        Slots slots(16);
        for (auto& s : slots) s = {randomBytes(rng, rng() % 24), randomBytes(rng, rng() % 24)};
        PhonebookGroupList producer = tableOf(slots), receiver = std::string("unnumbered");  // converts implicitly
        std::string text = producer.serialize();
        receiver.deserialize(text);
        std::vector<int> ids;
        EXPECT_EQ(std::make_tuple(slotsOf(receiver, &ids), text, ids),
            std::make_tuple(slotsOf(producer), "", std::vector<int>(16, 0)));
    }
}

// Reading applies at most sixteen pairs, stops at the first that does not decode, keeps the rest.
TEST(GroupListText, CountsHeadersAndDamage) {
    auto pairs = [](int from, int to) {
        std::string s;
        for (int k = from; k <= to; ++k) s += enc("n" + std::to_string(k % 10), std::to_string(k % 10));
        return s;
    };
    const std::string h = "PhonebookGroupList:";  // after it, a ':' is where no value is: no encoding holds one
    std::vector<std::tuple<std::string, int, std::string>> cases = {// text, slots read, what is left
        {h + enc(3) + pairs(1, 5), 3, pairs(4, 5)}, {h + enc(0) + pairs(1, 2), 0, pairs(1, 2)},
        {h + enc(-4) + pairs(1, 2), 0, pairs(1, 2)}, {h + enc(18) + pairs(1, 18), 16, pairs(17, 18)},
        {h + enc(INT_MAX) + pairs(1, 20), 16, pairs(17, 20)}, {"Other:" + enc(2) + pairs(1, 2), 2, ""},
        {enc(2) + pairs(1, 2), 2, ""}, {h, 0, ""}, {"a::" + enc(1) + pairs(1, 1), 0, ":" + enc(1) + pairs(1, 1)},
        {h + enc(16) + pairs(1, 4) + enc("n5") + ":", 4, ":"},
        {h + enc(16) + pairs(1, 1) + ":" + pairs(3, 16), 1, ":" + pairs(3, 16)},
        {h + enc(1, "", "/kept.wav"), 1, ""}};  // a spare slot keeps its ring tone
    std::string front = pairs(1, 2);  // a pair where the count belongs: no count, when the serializer finds none there
    if (int count; !Serializer::deserialize(front, count)) cases.push_back({h + front, 0, front});
    for (const auto& [input, read, rest] : cases) {
        PhonebookGroupList table = tableOf(named("old", "/old"));
        std::string text = input;
        table.deserialize(text);
        Slots expected = named("old", "/old");
        for (int k = 1; k <= read; ++k) expected[k - 1] = {"n" + std::to_string(k % 10), std::to_string(k % 10)};
        if (input.find("kept") != std::string::npos) expected[0] = {"", "/kept.wav"};
        EXPECT_EQ(std::make_pair(slotsOf(table), text), std::make_pair(expected, rest)) << input;
    }
}
