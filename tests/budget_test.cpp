// Allocation budgets, counted by this executable's own operator new, which the library's
// calls bind to. On the phone an allocation is dear: one more per value, per record or per
// text is a fault, caught here rather than by a timing.
#include <cstdlib>
#include <functional>

#include "../bench/bench_data.h"
#include "support.h"

static std::size_t allocations = 0;

// Never inlined: a tool that replaces these itself (valgrind) must see every call.
__attribute__((noinline)) void* operator new(std::size_t n) {
    void* p = (++allocations, std::malloc(n ? n : 1));
    return p ? p : throw std::bad_alloc();
}
__attribute__((noinline)) void operator delete(void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void* p, std::size_t) noexcept { std::free(p); }

template <typename F>
std::size_t allocationsOf(F&& f) {
    const std::size_t before = allocations;
    return f(), allocations - before;
}

const std::size_t kInline = std::string().capacity();  // what a string holds without the heap

TEST(Budget, TextsAreMadeOnceAndReadersAllocatePerRecordAndLongValue) {
    if (allocationsOf([] { std::string(kInline + 1, 'x'); }) != 1)
        GTEST_SKIP() << "operator new is not ours here (valgrind?)";
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
                    [&] {
                        std::string s;
                        Serializer::serialize(s, a, false);
                        return s;
                    },
                    [&] {
                        std::string s;
                        Serializer::serialize(s, record);
                        return s;
                    },
                    [] {
                        std::string s;
                        Serializer::serialize(s, -12345);
                        return s;
                    }}) {
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
    // On every workload of the benchmark matrix, writing a result set allocates once, and
    // reading it once per record (its fields) and once per name or value too long to be
    // held inline; beyond that only the set's list and the working copy of a frame, which
    // grow geometrically: at most 8 times and once per doubling of the 1000 records.
    for (const bench::Workload& w : bench::kWorkloads) {
        PhonebookRecordList records = bench::makeRecords(w, 1000);
        std::size_t least = records.size();
        for (const PhonebookRecord& r : records)
            for (const RecordField& f : r) least += (f.first.size() > kInline) + (f.second.size() > kInline);
        PhonebookSearchResults set = bench::resultsOf(std::move(records)), back;
        std::string text;
        EXPECT_EQ(allocationsOf([&] { text = set.serialize(); }), 1u) << w.name;
        const std::size_t reading = allocationsOf([&] { back.deserialize(text); });
        EXPECT_TRUE(reading >= least && reading <= least + 18) << w.name << ": " << reading << " for " << least;
    }
}
