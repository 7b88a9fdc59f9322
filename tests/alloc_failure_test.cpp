// Every allocation of every operation made to fail in turn: the k-th call of operator new
// throws std::bad_alloc, for k = 0, 1, ... until the operation completes. After each failure
// every object still reads back its own text form (nothing half-built, nothing leaked: the
// sanitizers' build runs this too), and where an operation promises to leave things as they
// were when it throws, they are exactly as they were.
#include <cstdlib>
#include <functional>
#include <new>

#include "support.h"

namespace {
long failAt = -1;  // allocations left before the one that fails; negative: none fails
}  // namespace

// Never inlined: the library's calls bind to these.
__attribute__((noinline)) void* operator new(std::size_t n) {
    if (failAt == 0) failAt = -1, throw std::bad_alloc();
    if (failAt > 0) --failAt;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
__attribute__((noinline)) void operator delete(void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// Everything an operation may touch, each part with a text form that reads back.
struct World {
    PhonebookGroup group{3, "Family and friends", std::string(40, 'r')};
    PhonebookGroupList table = tableOf(named("a group of a long name ", "/usr/share/sounds/a long ring tone.wav"));
    PhonebookGroupDimensions dimensions;
    PhonebookSearchResults set;
    PhonebookRecordList out{{{"kept", "as it was"}}};
    PhonebookRecord record{{"name", "Alice"}};
    std::string buffer = enc(std::string(300, 's') + ":;"), value = std::string(30, 'v');
    std::string recordText = enc(PhonebookRecord{{std::string(300, 'n'), std::string(300, 'v')}});
    std::string plainText = enc(std::string(40, 'p')),
                longText = enc(std::string(6000, '%'));  // no escape, past the scratch
    World() {
        for (int i = 0; i < 5; ++i)
            set.addPhonebookRecord({{"name", std::string(20, 'n')}, {"tel", std::to_string(i)}});
    }

    // The text forms of every part; a part whose form does not read back fails the test.
    std::string forms() {
        PhonebookSearchResults outSet;
        for (const PhonebookRecord& r : out) outSet.addPhonebookRecord(r);
        std::string all = group.serialize() + table.serialize() + dimensions.serialize() + set.serialize() + "|" +
                          outSet.serialize() + enc(record, buffer, value, recordText, plainText, longText);
        PhonebookGroup g;
        PhonebookGroupList t;
        PhonebookSearchResults s;
        std::string gt = group.serialize(), tt = table.serialize(), st = set.serialize();
        g.deserialize(gt), t.deserialize(tt), s.deserialize(st);
        EXPECT_EQ(g.serialize() + t.serialize() + s.serialize(), group.serialize() + table.serialize() + st);
        return all;
    }
};

struct Case {
    const char* name;
    bool unchanged;  // when it throws, the world is as it was
    std::function<void(World&)> op;
};

const std::string kLong(300, 'x');
const std::string kSet = [] {
    PhonebookSearchResults s;
    for (int i = 0; i < 4; ++i) s.addPhonebookRecord({{"other", kLong}, {"n", std::to_string(i)}});
    return s.serialize();
}();

const Case kCases[] = {
    {"PhonebookGroup(...)", true, [](World&) { PhonebookGroup g(1, kLong, kLong); }},
    {"PhonebookGroup copy", true, [](World& w) { PhonebookGroup g(w.group); }},
    {"PhonebookGroup::operator=", false, [](World& w) { w.group = PhonebookGroup(2, kLong, kLong); }},
    {"getName, getRingTone", true, [](World& w) { (void)(w.group.getName() + w.group.getRingTone()); }},
    {"setName, setRingTone", false, [](World& w) { w.group.setName(kLong), w.group.setRingTone(kLong); }},
    {"setSpare", false, [](World& w) { w.group.setSpare(); }},
    {"PhonebookGroup::serialize", true, [](World& w) { w.group.serialize(); }},
    {"PhonebookGroup::deserialize", false,
        [](World& w) {
            std::string t = "H:" + enc(kLong, kLong);
            w.group.deserialize(t);
        }},
    {"PhonebookGroup::serialize_xml", true, [](World& w) { w.group.serialize_xml(); }},
    {"groupIndexToTag, groupTagToIndex", true,
        [](World&) { PhonebookGroup::groupTagToIndex(PhonebookGroup::groupIndexToTag(-12345)); }},
    {"PhonebookGroupList()", true, [](World&) { PhonebookGroupList t, u(kLong); }},
    {"getGroup", true,
        [](World& w) {
            PhonebookGroup g;
            w.table.getGroup(4, g);
        }},
    {"updateGroup", false,
        [](World& w) {
            PhonebookGroup g(5, kLong, kLong);
            w.table.updateGroup(g);
        }},
    {"lookups", true,
        [](World& w) {
            (void)(w.table.getGroupWithName(kLong) + w.table.getSpareGroup() + w.table.findNonSpareGroup(3) +
                   w.table.countUsedGroups() + w.table.isGroupListEmpty());
        }},
    {"makeGroupSpare", false, [](World& w) { w.table.makeGroupSpare(6); }},
    {"PhonebookGroupList::serialize", true, [](World& w) { w.table.serialize(); }},
    {"PhonebookGroupList::deserialize", false,
        [](World& w) {
            std::string t = tableOf(named(kLong, kLong)).serialize();
            w.table.deserialize(t);
        }},
    {"PhonebookGroupList::serialize_xml", true, [](World& w) { w.table.serialize_xml(); }},
    {"dimensions", true, [](World& w) { w.dimensions.serialize() + w.dimensions.serialize_xml(); }},
    {"PhonebookGroupDimensions::deserialize", true,
        [](World& w) {
            std::string t = w.dimensions.serialize();
            w.dimensions.deserialize(t);
        }},
    {"addPhonebookRecord", true,
        [](World& w) {
            w.set.addPhonebookRecord({{kLong, kLong}});
        }},
    {"getRecordList", false, [](World& w) { w.set.getRecordList(w.out); }},
    {"getRecordList(first, last)", true, [](World& w) { w.set.getRecordList(w.out, 1, 4); }},
    {"PhonebookSearchResults::serialize", true, [](World& w) { w.set.serialize(); }},
    {"PhonebookSearchResults::deserialize", true,
        [](World& w) {
            std::string t = kSet;
            w.set.deserialize(t);
        }},
    {"Serializer::serialize(int)", true, [](World& w) { put(w.buffer, -7); }},
    {"Serializer::serialize(string)", true, [](World& w) { put(w.buffer, kLong); }},
    {"Serializer::serialize(record)", true,
        [](World& w) {
            put(w.buffer, PhonebookRecord{{kLong, kLong}});
        }},
    {"Serializer::deserialize(int)", true,
        [](World&) {
            std::string t = enc(42);
            int n;
            Serializer::deserialize(t, n);
        }},
    {"Serializer::deserialize(string)", true, [](World& w) { Serializer::deserialize(w.buffer, w.value, false); }},
    {"Serializer::deserialize(plain string)", true,
        [](World& w) { Serializer::deserialize(w.plainText, w.value, false); }},
    {"Serializer::deserialize(long string)", true,
        [](World& w) { Serializer::deserialize(w.longText, w.value, false); }},
    {"Serializer::deserialize(record)", true, [](World& w) { Serializer::deserialize(w.recordText, w.record); }},
};

TEST(AllocationFailure, EveryFailureLeavesEveryObjectReadableAndThePromisedStateUnchanged) {
    for (const Case& c : kCases) {
        for (long failures = 0, threw = true; threw; ++failures) {
            World world;
            const std::string before = world.forms();
            failAt = failures;
            try {
                c.op(world);
                threw = false;
            } catch (const std::bad_alloc&) {  // where it fails, the world must hold
            }
            failAt = -1;
            const std::string after = world.forms();
            EXPECT_TRUE(!threw || !c.unchanged || after == before) << c.name << ", allocation " << failures;
        }
    }
}

}  // namespace
