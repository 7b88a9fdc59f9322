// The field encoder over every backend of its table (those this processor cannot run are
// skipped, saying so), against a plain reference of its grammar: round trips and strict
// rejection.
#include "Serializer.h"  // first: it compiles on its own

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <tuple>

#include "serializer/common.h"
#include "serializer/table.h"
#include "support.h"

using dst_serializer::kLongestDecodedOnStack;
using dst_serializer::kLongestOnStack;
using dst_serializer::Ops;

// The bytes written as '%' and two hex digits, written out apart from the codec's own rule.
bool escapedByGrammar(unsigned char c) { return c < 0x20 || c == 0x7F || c == '%' || c == ':' || c == ';'; }

// The grammar written the simplest way: a byte at a time.
std::string reference(const std::string& value) {
    std::string body;
    for (unsigned char c : value) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02X", c);
        body += escapedByGrammar(c) ? hex : std::string(1, static_cast<char>(c));
    }
    return "s" + std::to_string(body.size()) + "," + body;
}
std::string reference(const PhonebookRecord& record) {
    std::string text = "r" + std::to_string(record.size()) + ",";
    for (const RecordField& f : record) text += reference(f.first) + reference(f.second);
    return text;
}

void put(const Ops& ops, std::string& buffer, int value) { ops.putInt(buffer, value); }
void put(const Ops& ops, std::string& buffer, const std::string& value) { ops.putString(buffer, value); }
void put(const Ops& ops, std::string& buffer, PhonebookRecord& value) { ops.putRecord(buffer, value); }
bool get(const Ops& ops, std::string& buffer, int& value) { return ops.getInt(buffer, value); }
bool get(const Ops& ops, std::string& buffer, std::string& value) { return ops.getString(buffer, value); }
bool get(const Ops& ops, std::string& buffer, PhonebookRecord& value) { return ops.getRecord(buffer, value); }

// One instance per backend, named after it: Backends/Codec.X/ssse3, .../portable, ...
struct Codec : ::testing::TestWithParam<const dst_serializer::Backend*> {
    const Ops& ops = GetParam()->ops;
    void SetUp() override {
        if (!GetParam()->runs()) GTEST_SKIP() << GetParam()->name << ": this processor lacks its instructions";
    }

    // Encodes `value` behind other text, checks the bytes, and decodes it back from the front.
    template <typename T>
    void roundTrip(T value, const std::string& expected) {
        std::string buffer = "x";
        T out{};
        put(ops, buffer, value);
        ASSERT_EQ(buffer, "x" + expected);
        buffer.erase(0, 1);
        EXPECT_TRUE(get(ops, buffer, out)) << expected.substr(0, 40);
        EXPECT_EQ(out, value);
        EXPECT_EQ(buffer, "");
    }

    // Every text leaves the working string and the out-argument untouched.
    template <typename T>
    void expectRejected(const std::vector<std::string>& texts, const T& keep) {
        for (const std::string& text : texts) {
            std::string buffer = text;
            T out = keep;
            EXPECT_FALSE(get(ops, buffer, out)) << text.substr(0, 60);
            EXPECT_EQ(out, keep) << text.substr(0, 60);
            EXPECT_EQ(buffer, text);
        }
    }
};
std::vector<const dst_serializer::Backend*> backends() {
    std::vector<const dst_serializer::Backend*> all;
    for (const dst_serializer::Backend& b : dst_serializer::kBackends) all.push_back(&b);
    return all;
}
INSTANTIATE_TEST_SUITE_P(Backends, Codec, ::testing::ValuesIn(backends()),
    [](const ::testing::TestParamInfo<const dst_serializer::Backend*>& info) { return std::string(info.param->name); });

// Each byte at every position of a short value, a chunk, three chunks and their tails, and
// of the first and last chunks of values past the stack's: written as the reference writes
// it and read back; raw in a body, accepted exactly when it needs no escape; escaped,
// accepted exactly when it needs one. Every classifier of every path meets every byte.
TEST_P(Codec, EachByteIsEscapedExactlyWhenItMustBe) {
    std::vector<std::pair<std::size_t, std::size_t>> places;  // length, position
    for (std::size_t len : {7, 16, 33, 100})
        for (std::size_t pos = 0; pos < len; ++pos) places.emplace_back(len, pos);
    for (std::size_t len : {kLongestOnStack + 1, kLongestDecodedOnStack + 1})
        for (std::size_t pos = 0; pos < 2 * dst_serializer::kChunk; ++pos)
            places.emplace_back(len, pos % 2 ? pos / 2 : len - 1 - pos / 2);
    for (int c = 0; c < 256; ++c) {
        const bool escaped = escapedByGrammar(static_cast<unsigned char>(c));
        EXPECT_EQ(dst_serializer::mustEscape(static_cast<unsigned char>(c)), escaped)
            << c;  // the rule the codec is built from
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02X", c);
        for (const auto& [len, pos] : places) {
            const std::string raw = std::string(len, 'a').replace(pos, 1, 1, static_cast<char>(c)),
                              code = std::string(len, 'a').replace(pos, 1, hex);
            roundTrip(raw, "s" + std::to_string(escaped ? len + 2 : len) + "," + (escaped ? code : raw));
            std::string out, rawText = "s" + std::to_string(len) + "," + raw,
                             codeText = "s" + std::to_string(len + 2) + "," + code;
            ASSERT_EQ(get(ops, rawText, out), !escaped) << c << " at " << pos << " of " << len;
            ASSERT_EQ(get(ops, codeText, out), escaped) << c << " at " << pos << " of " << len;
        }
    }
}

// Lengths around every chunk and digit boundary and the scratches (dense values around the
// longest written on the stack; a body past the longest read there is read in pieces, which
// the dense values cut at every offset of an escape), all bytes, random bytes. Records of
// dense fields that fill the scratch both ways: a few long fields, or many short ones.
TEST_P(Codec, EveryValueEncodesAsTheReferenceAndDecodesBack) {
    std::mt19937 rng(20261206);
    std::string all;
    for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
    std::vector<std::string> strings = {all, std::string(100000, 'x') + ":;", ";" + randomBytes(rng, 5000)};
    for (std::size_t len : {0, 1, 2, 9, 10, 11, 15, 16, 17, 32, 33, 48, 49, 99, 100, 999, 1000})
        strings.insert(strings.end(), {std::string(len, 'a'), std::string(len, ';'), randomBytes(rng, len)});
    for (std::size_t len = kLongestOnStack - 16; len <= kLongestOnStack + 34; ++len)
        strings.push_back(std::string(len % 3, 'a') + std::string(len, '%'));
    for (std::string s : strings) {
        roundTrip(s, reference(s));
        const std::string expected = s + reference(s);
        put(ops, s, s);  // into itself: the value as it was before the call
        ASSERT_EQ(s, expected);
    }
    for (int v : {0, 1, -1, 9, 10, -10, 99, 100, INT_MIN, INT_MAX, INT_MIN + 1, static_cast<int>(rng())})
        roundTrip(v, "i" + std::to_string(v) + ".");
    for (std::size_t n = 0; n < 60; ++n) {
        PhonebookRecord record(n == 59 ? 100 : n % 12);  // the last past the encoder's scratch and the counts it keeps
        for (RecordField& f : record) f = {randomBytes(rng, rng() % 20), randomBytes(rng, rng() % 60)};
        const std::string expected = reference(record);
        roundTrip(record, expected);
        if (record.empty()) continue;
        const std::string into = record[0].first + expected;  // into a field of its own: the record as it was
        put(ops, record[0].first, record);
        EXPECT_EQ(record[0].first, into);
    }
    for (std::size_t size : {85, 255, 256, 1000})
        for (std::size_t fields : {1, 3, 8}) {
            const PhonebookRecord record(fields, {std::string(size / 3, ':'), std::string(size, ';')});
            roundTrip(record, reference(record));
        }
}

TEST_P(Codec, DecodersTakeOneValueAndLeaveTheRest) {
    std::string buffer = "r1,s3,tels8,1%3A2%3Bs3,i1.t", last;  // one byte left at the end
    PhonebookRecord r;
    ASSERT_TRUE(get(ops, buffer, r));
    ASSERT_TRUE(get(ops, buffer, last));
    EXPECT_EQ(std::make_tuple(r[0].second, last, buffer),
        std::make_tuple(std::string("1:2;"), std::string("i1."), std::string("t")));
    buffer = "s2,i1rest";
    ASSERT_TRUE(get(ops, buffer, buffer));  // the working string is the one decoded into
    EXPECT_EQ(buffer, "i1");
}

TEST_P(Codec, RejectsAnythingButTheCanonicalForm) {
    expectRejected<int>({"", "i", "i.", "i-.", "i12", "12.", "s2,12", "i+1.", "i01.", "i-0.", "i00.", "i 1.",
                            "i2147483648.", "i-2147483649.", "i99999999999999999999999.", "i1x.", "I1."},
        12345);
    expectRejected<std::string>({"", "s", "s,", "s1", "s1,", "s01,a", "s-1,", "s5,abcd", "s2147483647,abc",
                                    "s4294967297,a", "s18446744073709551617,a", "i1.", "r0,", "S0,", "s1,%", "s2,%3",
                                    "s3,%3a", "s3,%GG", "s3,%G0", "s3,%0G", "s3,a%3Ab", "s8,ab:%3A%3Acd"},
        "keep");
    // A bad escape after plain text or escapes, at every alignment, with whole chunks or only
    // a few bytes after it.
    std::vector<std::string> longer;
    for (const char* bad :
        {"%1G", "%G1", "%/0", "%0:", "%@1", "%1@", "%3a", "%41", "%7E", "%:0", "%;;", ":", "\n", ";3B"}) {
        for (std::size_t run = 0; run < 40; ++run) {
            std::string dense = std::string(run % 3, 'x');
            for (std::size_t k = 0; k < run / 3; ++k) dense += "%3A";
            for (const std::string& prefix : {std::string(run, 'x'), dense})
                for (std::size_t after : {2, 30}) {
                    const std::string body = prefix + bad + std::string(after, 'y');
                    longer.push_back("s" + std::to_string(body.size()) + "," + body);
                }
        }
    }
    // An escape whose digits lie past the body's end, in the text that follows it.
    for (std::size_t run = 0; run < 40; ++run)
        for (std::size_t cut : {1, 2})
            longer.push_back("s" + std::to_string(run + cut) + "," + std::string(run, 'x') + "%3B");
    // A body cut short by as many bytes as its length has digits and more: nothing past the
    // text may be read (the sanitizers see it in the copy, which has no spare room).
    for (std::size_t n : {12, 100, 1000, 5000})
        longer.push_back("s" + std::to_string(n) + "," + std::string(n - std::to_string(n).size() - 1, 'a'));
    expectRejected<std::string>(longer, "keep");
    expectRejected<PhonebookRecord>({"", "r", "r,", "r1", "r1,", "r1,s0,", "r01,s0,s0,", "r2,s0,s0,", "r1,s0,i1.s0,",
                                        "r1,s1,:s0,", "r2147483647,s0,s0,", "r4294967297,s0,s0,", "s0,", "R0,"},
        {{"keep", "me"}});
}

#if SIZE_MAX == UINT32_MAX  // what only a 32-bit core shows
// There three times a size can wrap: two values of 715 827 864 bytes have a worst case of
// 2^32, that is 0. Every byte escaped, the record's encoding is longer than any string: the
// writer refuses it as std::string refuses to grow, instead of writing it onto the stack,
// and leaves the text as it was.
TEST_P(Codec, RefusesAnEncodingLongerThanAnyString) {
    const std::size_t half = ((SIZE_MAX - 111) / 3 + 1) / 2;
    PhonebookRecord record{{std::string(half, '%'), std::string(half, '%')}};
    std::string buffer = "x";
    EXPECT_THROW(ops.putRecord(buffer, record), std::length_error);
    EXPECT_EQ(buffer, "x");
}
#endif
