// Hostile input: forged sizes, truncation at every offset, single-byte corruption, NUL
// bytes and very large values. Each must give a defined result, throw nothing and lose
// nothing that was valid before the fault.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DirectoryServiceTypes.h"
#include "Serializer.h"
#include "encoding.h"
#include "counting_allocator.h"

namespace {

constexpr std::size_t kSmallAllocation = 64 * 1024;

using Slots = std::vector<std::pair<std::string, std::string>>;

Slots slotsOf(PhonebookGroupList& t) {
    Slots out;
    PhonebookGroup g;
    for (int k = 1; k <= 16; ++k) {
        t.getGroup(k, g);
        EXPECT_EQ(g.getId(), k);
        out.emplace_back(g.getName(), g.getRingTone());
    }
    return out;
}

PhonebookGroupList tableOf(const Slots& slots) {
    PhonebookGroupList t;
    for (int k = 1; k <= 16; ++k) {
        PhonebookGroup g(k, slots[k - 1].first, slots[k - 1].second);
        t.updateGroup(g);
    }
    return t;
}

Slots sourceSlots() {
    Slots s;
    for (int k = 1; k <= 16; ++k)
        s.emplace_back("name" + std::to_string(k) + (k % 3 ? "" : ":;%"), k % 2 ? "/r/" + std::to_string(k) : "");
    return s;
}

Slots oldSlots() {
    Slots s;
    for (int k = 1; k <= 16; ++k) s.emplace_back("old" + std::to_string(k), "/old");
    return s;
}

// Offsets in the table text at which each pair ends (index 0: where the first begins).
std::vector<std::size_t> pairEnds(const Slots& slots) {
    std::vector<std::size_t> ends{std::string("PhonebookGroupList:").size() + encInt(16).size()};
    for (const auto& s : slots) ends.push_back(ends.back() + enc(s.first).size() + enc(s.second).size());
    return ends;
}

// Slots 1..k from the source, the rest as they were.
Slots mixed(std::size_t k) {
    Slots out = oldSlots(), src = sourceSlots();
    for (std::size_t i = 0; i < k; ++i) out[i] = src[i];
    return out;
}

TEST(Hostile, ForgedSizesNeverAllocateBeyondTheInput) {
    const std::string forged[] = {
        "s2147483647,abc", "s2147483648,abc", "s4294967295,", "s4294967296,x", "s18446744073709551615,",
        "s99999999999999999999999999,", "r2147483647,s0,s0,", "r2147483648,s0,s0,", "r4294967295,",
        "r18446744073709551615,s0,s0,", "r1000000000,s0,s0,s0,s0,s0,s0,", "r3,s2147483647,", "r1,s0,s4294967295,x",
    };
    for (const std::string& text : forged) {
        counting_allocator::reset();
        std::string buffer = text, s;
        PhonebookRecord r;
        EXPECT_FALSE(Serializer::deserialize(buffer, s, false)) << text;
        EXPECT_FALSE(Serializer::deserialize(buffer, r)) << text;
        EXPECT_EQ(buffer, text);
        PhonebookSearchResults set;
        std::string framed = "rec;" + text + "recEnd;";
        set.deserialize(framed);
        EXPECT_EQ(set.getRecordCount(), 0u);
        EXPECT_LT(counting_allocator::largestRequest(), kSmallAllocation) << text;
    }
}

TEST(Hostile, ClaimedFieldCountReservesLittleUpFront) {
    // 100 000 claimed fields over a text that holds only ten: the reservation is capped.
    std::string text = "r100000,";
    for (int i = 0; i < 10; ++i) text += "s0,s0,";
    text += std::string(600000, 'x');
    counting_allocator::reset();
    PhonebookRecord r;
    EXPECT_FALSE(Serializer::deserialize(text, r));
    EXPECT_LT(counting_allocator::largestRequest(), kSmallAllocation);
}

TEST(Hostile, TruncatedTableTextsApplyOnlyTheWholePairs) {
    PhonebookGroupList source = tableOf(sourceSlots());
    const std::string text = source.serialize();
    const std::vector<std::size_t> ends = pairEnds(sourceSlots());
    ASSERT_EQ(ends.back(), text.size());
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        std::size_t whole = 0;
        while (whole < 16 && ends[whole + 1] <= cut) ++whole;
        const bool countRead = cut >= ends[0];
        PhonebookGroupList receiver = tableOf(oldSlots());
        std::string prefix = text.substr(0, cut);
        receiver.deserialize(prefix);
        EXPECT_EQ(slotsOf(receiver), mixed(countRead ? whole : 0)) << "cut at " << cut;
    }
}

TEST(Hostile, CorruptedTableTextsKeepThePairsBeforeTheFault) {
    PhonebookGroupList source = tableOf(sourceSlots());
    const std::string text = source.serialize();
    const std::vector<std::size_t> ends = pairEnds(sourceSlots());
    const Slots src = sourceSlots();
    for (std::size_t at = 0; at < text.size(); ++at) {
        std::size_t before = 0;  // pairs wholly before the corrupted byte
        while (before < 16 && ends[before + 1] <= at) ++before;
        for (int b : {0x00, int{':'}, int{';'}, int{'%'}, int{'s'}, int{'i'}, int{'0'}, int{'9'}, 0xFF, text[at] ^ 1}) {
            std::string bad = text;
            bad[at] = static_cast<char>(b);
            PhonebookGroupList receiver = tableOf(oldSlots());
            receiver.deserialize(bad);
            const Slots got = slotsOf(receiver);
            // A damaged length can swallow later bytes and resynchronise on them, so only the
            // pairs before the fault are certain.
            for (std::size_t k = 0; at >= ends[0] && k < before; ++k)
                EXPECT_EQ(got[k], src[k]) << at << " " << b;
        }
    }
}

PhonebookSearchResults sourceSet(std::vector<std::size_t>* frameEnds = nullptr) {
    PhonebookSearchResults set;
    std::size_t end = 0;
    for (int i = 0; i < 6; ++i) {
        PhonebookRecord r = {{"name", "P" + std::to_string(i)}, {"rec;", "recEnd;"}, {std::string(1, '\0'), ":"}};
        set.addPhonebookRecord(r);
        end += 4 + encRecord(r).size() + 7;
        if (frameEnds) frameEnds->push_back(end);
    }
    return set;
}

PhonebookRecordList recordsOf(const PhonebookSearchResults& set) {
    PhonebookRecordList out;
    set.getRecordList(out);
    return out;
}

TEST(Hostile, TruncatedAndCorruptedResultTextsKeepTheFramesBeforeTheFault) {
    std::vector<std::size_t> ends;
    PhonebookSearchResults source = sourceSet(&ends);
    const std::string text = source.serialize();
    const PhonebookRecordList all = recordsOf(source);
    auto wholeBefore = [&](std::size_t at) {
        std::size_t n = 0;
        while (n < ends.size() && ends[n] <= at) ++n;
        return n;
    };
    for (std::size_t cut = 1; cut <= text.size(); ++cut) {
        std::string prefix = text.substr(0, cut);
        PhonebookSearchResults set;
        set.deserialize(prefix);
        const std::size_t n = wholeBefore(cut);
        EXPECT_EQ(recordsOf(set), PhonebookRecordList(all.begin(), all.begin() + static_cast<long>(n))) << cut;
    }
    for (std::size_t at = 0; at < text.size(); ++at) {
        for (int b : {0x00, int{';'}, int{'r'}, int{'e'}, int{'c'}, int{'E'}, int{'%'}, text[at] ^ 1}) {
            std::string bad = text;
            bad[at] = static_cast<char>(b);
            const std::string copy = bad;
            PhonebookSearchResults set;
            set.deserialize(bad);
            EXPECT_EQ(bad, copy);
            const PhonebookRecordList got = recordsOf(set);
            const std::size_t n = wholeBefore(at);
            ASSERT_GE(got.size(), n) << at;
            EXPECT_EQ(PhonebookRecordList(got.begin(), got.begin() + static_cast<long>(n)),
                      PhonebookRecordList(all.begin(), all.begin() + static_cast<long>(n)));
        }
    }
}

TEST(Hostile, TruncatedDimensionsChangeNoCount) {
    PhonebookGroupDimensions dims;
    dims.setNumEntries(123);
    dims.setMaxNumEntries(456);
    const std::string text = dims.serialize();
    const std::size_t afterTag = enc("PhonebookGroupDimensions").size();
    ::testing::internal::CaptureStderr();
    for (std::size_t cut = 0; cut < afterTag + encInt(123).size(); ++cut) {
        dims.setNumEntries(-1);
        dims.setMaxNumEntries(-1);
        std::string prefix = text.substr(0, cut);
        dims.deserialize(prefix);
        EXPECT_EQ(dims.getNumEntries(), -1) << cut;
        EXPECT_EQ(dims.getMaxNumEntries(), -1) << cut;
    }
    ::testing::internal::GetCapturedStderr();
}

TEST(Hostile, LargeValuesRoundTrip) {
    std::string big(1 << 20, 'n');
    for (std::size_t i = 1; i < big.size(); i += 4099) big[i] = "&\x01:;%\xc3"[i % 6];
    PhonebookGroupList t;
    PhonebookGroup g(1, big, "/dir/" + big);
    ASSERT_TRUE(t.updateGroup(g));
    std::string text = t.serialize();
    PhonebookGroupList back;
    back.deserialize(text);
    EXPECT_EQ(slotsOf(back), slotsOf(t));
    EXPECT_GT(g.serialize_xml().size(), 2 * big.size());

    PhonebookRecord wide;
    for (int i = 0; i < 100000; ++i) wide.emplace_back("f" + std::to_string(i), std::to_string(i));
    PhonebookSearchResults set;
    set.addPhonebookRecord(wide);
    for (int i = 0; i < 100000; ++i) set.addPhonebookRecord({{"name", std::to_string(i)}});
    std::string frames = set.serialize();
    PhonebookSearchResults read;
    read.deserialize(frames);
    EXPECT_EQ(read.getRecordCount(), 100001u);
    EXPECT_EQ(recordsOf(read), recordsOf(set));
}

TEST(Hostile, ForgedTableCountsOverAMegabyteOfValues) {
    std::string values;
    while (values.size() < (1u << 20)) values += enc("x") + enc("y");
    for (const std::string& count : {encInt(2147483647), std::string("i2147483648."), encInt(-2147483647 - 1)}) {
        std::string text = "PhonebookGroupList:" + count + values;
        PhonebookGroupList t = tableOf(oldSlots());
        t.deserialize(text);
        const bool applied = count == encInt(2147483647);
        EXPECT_EQ(slotsOf(t), applied ? Slots(16, {"x", "y"}) : oldSlots()) << count;
        const std::size_t left = applied ? values.size() - 16 * (enc("x").size() + enc("y").size()) : values.size();
        EXPECT_EQ(text.size(), left + (count == "i2147483648." ? count.size() : 0));
    }
}

}  // namespace
