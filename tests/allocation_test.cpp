// Allocations, seen through this executable's own operator new, which the library's calls bind
// to: the budgets (on the phone an allocation is dear: one more per value, per record or per
// text is a fault, caught here rather than by a timing), and what every operation leaves when
// an allocation fails (every allocation of every operation made to fail in turn).
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <new>

#include "../bench/bench_data.h"
#include "support.h"

namespace {
std::size_t allocations = 0, largest = 0;  // largest: the largest single allocation since it was reset
long failAt = -1;                          // allocations left before the one that fails; negative: none fails
}  // namespace

// Never inlined: a tool that replaces these itself (valgrind) must see every call.
__attribute__((noinline)) void* operator new(std::size_t n) {
    ++allocations, largest = std::max(largest, n);
    if (failAt == 0) failAt = -1, throw std::bad_alloc();
    if (failAt > 0) --failAt;
    void* p = std::malloc(n ? n : 1);
    return p ? p : throw std::bad_alloc();
}
__attribute__((noinline)) void operator delete(void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

template <typename F>
std::size_t allocationsOf(F&& f) {
    const std::size_t before = allocations;
    return f(), allocations - before;
}

const std::size_t kInline = std::string().capacity();  // what a string holds without the heap
const std::string kInlineText(std::string(200, 'i'));
#define SKIP_UNLESS_OURS \
    if (allocationsOf([] { std::string(kInline + 1, 'x'); }) != 1) GTEST_SKIP() << "operator new is not ours here"

std::string encoded(const std::function<void(std::string&)>& write) {
    std::string s;
    write(s);
    return s;
}

TEST(Budget, TextsAreMadeOnceAndReadersAllocatePerRecordAndLongValue) {
    SKIP_UNLESS_OURS;
    // Each serialize() and serialize_xml(), and each encoder into an empty string, returns
    // its text after one allocation, made for that text, and none when the text fits
    // inline, for values from empty to past the encoder's 4 KiB scratch with escapes in up
    // to a quarter of the bytes. Reading a table's text into a table that holds it
    // allocates nothing: names within the name limit are read into a string kept inline
    // (a longer one costs one allocation), ring tones into their slots.
    const std::vector<std::string> values = {"", "Family", "Caf\xC3\xA9; friends", "/usr/share/sounds/ring1.wav",
        std::string(300, 'x') + std::string(60, '\n'), std::string(5000, 'v')};
    for (const std::string& a : values)
        for (const std::string& b : values) {
            PhonebookGroup group(3, a, b);
            PhonebookGroupList table = tableOf(Slots(16, {a, b}));
            PhonebookRecord record{{a, b}};
            for (const std::function<std::string()>& write :
                std::vector<std::function<std::string()>>{[&] { return group.serialize(); },
                    [&] { return group.serialize_xml(); }, [&] { return table.serialize(); },
                    [&] { return table.serialize_xml(); }, [] { return PhonebookGroupDimensions().serialize_xml(); },
                    [&] { return encoded([&](std::string& s) { put(s, a); }); },
                    [&] { return encoded([&](std::string& s) { Serializer::serialize(s, record); }); },
                    [] { return encoded([](std::string& s) { put(s, -12345); }); }}) {
                std::string text;  // the count of the call, taken before the text's size
                const std::size_t made = allocationsOf([&] { text = write(); });
                EXPECT_EQ(made, text.size() > kInline ? 1u : 0u)
                    << a.size() << "/" << b.size() << ": " << text.substr(0, 20);
            }
            EXPECT_EQ(allocationsOf([&, text = table.serialize()]() mutable { table.deserialize(text); }),
                a.size() > 15 ? 1u : 0u)
                << a.size() << "/" << b.size();
        }
    PhonebookGroupDimensions().serialize();  // the first call also makes the type tag, once
    EXPECT_EQ(allocationsOf([] { PhonebookGroupDimensions().serialize(); }), 1u);
    // On every workload of the benchmark matrix, writing a result set allocates once (twice
    // where its room would reach the allocator's mapping ceiling, 512 KiB on 32-bit: the
    // first records are written first, to size the rest), and reading it once per record
    // (its fields) and once per name or value too long to be held inline; beyond that only
    // the set's list and the working copy of a frame, which grow geometrically: at most 8
    // times and once per doubling of the 1000 records.
    for (const bench::Workload& w : bench::kWorkloads) {
        const PhonebookRecordList records = bench::makeRecords(w, 1000);
        std::size_t least = records.size();
        for (const PhonebookRecord& r : records)
            for (const RecordField& f : r) least += (f.first.size() > kInline) + (f.second.size() > kInline);
        PhonebookSearchResults set = bench::resultsOf(records), back;
        std::string text;
        const std::size_t writing = allocationsOf([&] { text = set.serialize(); });
        EXPECT_TRUE(writing == 1 || (writing == 2 && text.size() > (300u << 10))) << w.name << ": " << writing;
        const std::size_t reading = allocationsOf([&] { back.deserialize(text); });
        EXPECT_TRUE(reading >= least && reading <= least + 18) << w.name << ": " << reading << " for " << least;
        EXPECT_TRUE(recordsOf(back) == records) << w.name;
    }
}

// On 64-bit glibc a block from 32 MiB up is mapped afresh on every call: a text that fits
// below that is given room below it, though its estimate reaches it, and reads back whole.
TEST(Budget, ATextBelowTheMappingCeilingIsGivenRoomBelowIt) {
    if (sizeof(void*) < 8) GTEST_SKIP() << "32-bit: the ceiling is 512 KiB, met by the budgets above";
    const PhonebookRecordList records = bench::makeRecords(bench::kWorkloads[0], 125000);
    PhonebookSearchResults set = bench::resultsOf(records), back;
    std::string text = set.serialize();
    EXPECT_GT(text.size(), std::size_t{24} << 20);
    EXPECT_LT(text.capacity(), std::size_t{32} << 20);
    back.deserialize(text);
    EXPECT_TRUE(recordsOf(back) == records);
}

TEST(Budget, ForgedSizesNeverAllocateBeyondTheInput) {
    for (const std::string text : {"s2147483647,abc", "s4294967296,x", "s18446744073709551615,",
             "s99999999999999999999999999,", "r2147483648,s0,s0,", "r18446744073709551615,s0,s0,",
             "r1000000000,s0,s0,s0,s0,s0,s0,", "r3,s2147483647,", "r1,s0,s4294967295,x"}) {
        std::string buffer = text, s, framed = "rec;" + text + "recEnd;", many = "r100000," + std::string(600000, 'x');
        PhonebookRecord r;
        PhonebookSearchResults set;
        largest = 0;
        set.deserialize(framed);
        EXPECT_EQ((std::vector<bool>{Serializer::deserialize(buffer, s, false), Serializer::deserialize(buffer, r),
                      Serializer::deserialize(many, r), set.getRecordCount() != 0}),
            std::vector<bool>(4, false))
            << text;
        EXPECT_LT(largest, 64u * 1024) << text;  // a claimed field count reserves little up front
    }
}

// Everything an operation may touch, each part with a text form that reads back.
struct World {
    PhonebookGroup group{3, "Family and friends", std::string(40, 'r')};
    PhonebookGroupList table = tableOf(named("a group of a long name ", "/usr/share/sounds/a long ring tone.wav"));
    PhonebookGroupDimensions dimensions;
    PhonebookSearchResults set = bench::resultsOf(PhonebookRecordList(5, {{"name", std::string(20, 'n')}}));
    PhonebookRecordList out{{{"kept", "as it was"}}};
    PhonebookRecord record{{"name", "Alice"}};
    std::string value = std::string(30, 'v'), escaped = enc(std::string(300, 's') + ":;"),
                plain = enc(std::string(40, 'p'));
    std::string longText = enc(std::string(6000, '%')), recordText = enc(PhonebookRecord{{std::string(300, 'n'), "v"}});
    std::string tableText = tableOf(named(std::string(30, 't'), "/r")).serialize(),
                dimensionsText = dimensions.serialize();
    std::string setText = bench::resultsOf(PhonebookRecordList(4, {{"other", std::string(300, 'o')}})).serialize();
    std::string integerText = enc(42, kInlineText);
    int number = 5;

    // Every part's text form, each of which must read back.
    std::string forms() {
        PhonebookGroup g;
        PhonebookGroupList t;
        PhonebookSearchResults s, o = bench::resultsOf(out);
        std::string gt = group.serialize(), tt = table.serialize(), st = set.serialize();
        g.deserialize(gt), t.deserialize(tt), s.deserialize(st);
        EXPECT_EQ(
            g.serialize() + t.serialize() + s.serialize(), group.serialize() + table.serialize() + set.serialize());
        return group.serialize() + table.serialize() + dimensions.serialize() + set.serialize() + "|" + o.serialize() +
               enc(record, value, escaped, plain, longText, recordText, tableText, dimensionsText, setText, integerText,
                   number);
    }
};

const std::string kLong(300, 'x');

// Each public operation of the four classes and each of the serializer's, as a line of code
// on the World `w`, and whether it promises to leave everything as it was when it throws.
struct Operation {
    const char* code;
    bool unchanged;
    std::function<void(World&)> run;
};
#define OPERATION(unchanged, ...)                                                \
    {                                                                            \
#__VA_ARGS__, unchanged, [](World & w) { (void)w, (void)(__VA_ARGS__); } \
    }
const Operation kOperations[] = {OPERATION(true, PhonebookGroup(1, kLong, kLong)),
    OPERATION(true, PhonebookGroup(w.group)), OPERATION(false, w.group = PhonebookGroup(2, kLong, kLong)),
    OPERATION(true, w.group.getName() + w.group.getRingTone()),
    OPERATION(false, w.group.setName(kLong), w.group.setRingTone(kLong)), OPERATION(false, w.group.setSpare()),
    OPERATION(true, w.group.serialize()), OPERATION(false, w.group.deserialize(w.escaped)),
    OPERATION(true, w.group.serialize_xml()),
    OPERATION(true, PhonebookGroup::groupTagToIndex(PhonebookGroup::groupIndexToTag(-9))),
    OPERATION(true, PhonebookGroupList(), PhonebookGroupList(kLong)), OPERATION(false, w.table.getGroup(4, w.group)),
    OPERATION(false, w.table.updateGroup(w.group)), OPERATION(false, w.table.makeGroupSpare(6)),
    OPERATION(true, w.table.getGroupWithName(kLong) + w.table.getSpareGroup() + w.table.findNonSpareGroup(3)),
    OPERATION(true, w.table.countUsedGroups() + w.table.isGroupListEmpty()), OPERATION(true, w.table.serialize()),
    OPERATION(false, w.table.deserialize(w.tableText)), OPERATION(true, w.table.serialize_xml()),
    OPERATION(true, w.dimensions.serialize() + w.dimensions.serialize_xml()),
    OPERATION(true, w.dimensions.deserialize(w.dimensionsText)),
    OPERATION(true, w.set.addPhonebookRecord({{kLong, kLong}})), OPERATION(false, w.set.getRecordList(w.out)),
    OPERATION(true, w.set.getRecordList(w.out, 1, 4)), OPERATION(true, w.set.serialize()),
    OPERATION(true, w.set.deserialize(w.setText)), OPERATION(true, put(w.value, -7)),
    OPERATION(true, put(w.value, kLong)), OPERATION(true, put(w.value, PhonebookRecord{{kLong, kLong}})),
    OPERATION(true, Serializer::deserialize(w.integerText, w.number)),
    OPERATION(true, Serializer::deserialize(w.escaped, w.value, false)),
    OPERATION(true, Serializer::deserialize(w.plain, w.value, false)),
    OPERATION(true, Serializer::deserialize(w.longText, w.value, false)),
    OPERATION(true, Serializer::deserialize(w.recordText, w.record))};

// The k-th allocation fails, for k = 0, 1, ... until the operation completes; after each
// failure every object still reads back its text form (nothing half-built; the sanitizers'
// build checks that nothing leaks), and what promises it is as it was.
TEST(AllocationFailure, EveryFailureLeavesEveryObjectReadableAndThePromisedStateUnchanged) {
    SKIP_UNLESS_OURS;
    for (const Operation& op : kOperations)
        for (long k = 0, threw = true; threw; ++k) {
            World world;
            const std::string before = world.forms();
            failAt = k;
            try {
                op.run(world);
                threw = false;
            } catch (const std::bad_alloc&) {  // where it fails, the world must hold
            }
            failAt = -1;
            const std::string after = world.forms();
            EXPECT_TRUE(!threw || !op.unchanged || after == before) << op.code << ", allocation " << k;
        }
}

}  // namespace
