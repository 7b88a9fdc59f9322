// The field encoder: exact encodings, round trips, concatenation and strict rejection.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "Serializer.h"
#include "encoding.h"

namespace {

std::string allBytes() {
    std::string s;
    for (int c = 0; c < 256; ++c) s.push_back(static_cast<char>(c));
    return s;
}

std::string randomBytes(std::mt19937& rng, std::size_t n) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(byte(rng));
    return s;
}

TEST(SerializerEncoding, ExactTexts) {
    EXPECT_EQ(encInt(16), "i16.");
    EXPECT_EQ(encInt(0), "i0.");
    EXPECT_EQ(encInt(INT_MIN), "i-2147483648.");
    EXPECT_EQ(encInt(INT_MAX), "i2147483647.");
    EXPECT_EQ(enc("Family"), "s6,Family");
    EXPECT_EQ(enc(""), "s0,");
    EXPECT_EQ(enc("a:b;c%d"), "s13,a%3Ab%3Bc%25d");
    EXPECT_EQ(enc(std::string("\0\x1f\x7f\x80", 4)), "s10,%00%1F%7F\x80");
    EXPECT_EQ(enc("Zoë"), "s4,Zoë");
    EXPECT_EQ(encRecord({{"name", "Alice"}}), "r1,s4,names5,Alice");
    EXPECT_EQ(encRecord({}), "r0,");
}

// Every position of an escaped byte within and across 8-byte words, and escapes that give
// the length one digit more than the raw size has.
TEST(SerializerEncoding, EscapesAtEveryPositionAndLengthCarry) {
    const char kHex[] = "0123456789ABCDEF";
    for (const char special : {'\0', '\x1f', ':', ';', '%', '\x7f'}) {
        const auto u = static_cast<unsigned char>(special);
        const std::string escape = {'%', kHex[u >> 4], kHex[u & 0xF]};
        for (std::size_t len = 1; len <= 25; ++len) {
            for (std::size_t pos = 0; pos < len; ++pos) {
                std::string value(len, 'a');
                value[pos] = special;
                const std::string body = std::string(pos, 'a') + escape + std::string(len - pos - 1, 'a');
                EXPECT_EQ(enc(value), "s" + std::to_string(body.size()) + "," + body) << len << " " << pos;
            }
            const std::string all(len, special);
            std::string body;
            for (std::size_t i = 0; i < len; ++i) body += escape;
            EXPECT_EQ(enc(all), "s" + std::to_string(body.size()) + "," + body) << len;
        }
    }
}

TEST(SerializerEncoding, EncoderAppendsAndKeepsWhatWasThere) {
    std::string buffer = "head:";
    Serializer::serialize(buffer, 7);
    Serializer::serialize(buffer, std::string("x"), false);
    EXPECT_EQ(buffer, "head:i7.s1,x");
}

class StringRoundTrip : public ::testing::TestWithParam<std::string> {};

TEST_P(StringRoundTrip, DecodesToTheSameBytesWithoutColonOrSemicolon) {
    const std::string value = GetParam();
    std::string buffer = enc(value);
    EXPECT_EQ(buffer.find_first_of(":;"), std::string::npos);
    std::string out = "stale";
    ASSERT_TRUE(Serializer::deserialize(buffer, out, false));
    EXPECT_EQ(out, value);
    EXPECT_TRUE(buffer.empty());
}

std::vector<std::string> roundTripStrings() {
    std::vector<std::string> values = {"", std::string(1, '\0'), std::string(3, '\0'), ":", ";",
                                       "%", "%%41", "rec;recEnd;", "s3,abc", "i5.", allBytes(),
                                       std::string(100000, 'x') + ":" + std::string(10, ';')};
    for (int c = 0; c < 256; ++c) values.emplace_back(1, static_cast<char>(c));
    std::mt19937 rng(20261206);
    for (int i = 0; i < 50; ++i) values.push_back(randomBytes(rng, static_cast<std::size_t>(i * 7)));
    return values;
}
INSTANTIATE_TEST_SUITE_P(Values, StringRoundTrip, ::testing::ValuesIn(roundTripStrings()));

TEST(SerializerRoundTrip, Integers) {
    std::mt19937 rng(7);
    std::vector<int> values = {0, 1, -1, 9, 10, -10, 16, INT_MIN, INT_MAX, INT_MIN + 1, INT_MAX - 1};
    for (int i = 0; i < 200; ++i) values.push_back(static_cast<int>(rng()));
    for (int value : values) {
        std::string buffer = encInt(value);
        int out = value ^ 1;
        ASSERT_TRUE(Serializer::deserialize(buffer, out)) << value;
        EXPECT_EQ(out, value);
        EXPECT_TRUE(buffer.empty());
    }
}

TEST(SerializerRoundTrip, RecordsOfArbitraryBytes) {
    std::mt19937 rng(11);
    for (int i = 0; i < 100; ++i) {
        PhonebookRecord record;
        const int fields = i % 9;
        for (int f = 0; f < fields; ++f)
            record.emplace_back(randomBytes(rng, rng() % 20), randomBytes(rng, rng() % 40));
        std::string buffer = encRecord(record);
        EXPECT_EQ(buffer.find_first_of(":;"), std::string::npos);
        PhonebookRecord out = {{"stale", "field"}};
        ASSERT_TRUE(Serializer::deserialize(buffer, out));
        EXPECT_EQ(out, record);
        EXPECT_TRUE(buffer.empty());
    }
}

TEST(SerializerRoundTrip, ConcatenatedValuesDecodeInOrderAndLeaveTheRest) {
    PhonebookRecord record = {{"tel", "+44 1:2;3"}, {"", ""}};
    std::string buffer;
    Serializer::serialize(buffer, -42);
    Serializer::serialize(buffer, std::string(), false);
    Serializer::serialize(buffer, record);
    Serializer::serialize(buffer, std::string("i1."), false);
    buffer += "tail";

    int i = 0;
    std::string empty = "x", last;
    PhonebookRecord r;
    ASSERT_TRUE(Serializer::deserialize(buffer, i));
    ASSERT_TRUE(Serializer::deserialize(buffer, empty, false));
    ASSERT_TRUE(Serializer::deserialize(buffer, r));
    ASSERT_TRUE(Serializer::deserialize(buffer, last, false));
    EXPECT_EQ(i, -42);
    EXPECT_EQ(empty, "");
    EXPECT_EQ(r, record);
    EXPECT_EQ(last, "i1.");
    EXPECT_EQ(buffer, "tail");
}

enum class Kind { Int, String, Record };

struct Malformed {
    Kind kind;
    std::string text;
    friend void PrintTo(const Malformed& m, std::ostream* os) { *os << ::testing::PrintToString(m.text); }
};

class SerializerRejects : public ::testing::TestWithParam<Malformed> {};

// Every malformed front leaves the working string and the out-argument untouched.
TEST_P(SerializerRejects, LeavesInputAndOutputUnchanged) {
    std::string buffer = GetParam().text;
    switch (GetParam().kind) {
        case Kind::Int: {
            int out = 12345;
            EXPECT_FALSE(Serializer::deserialize(buffer, out));
            EXPECT_EQ(out, 12345);
            break;
        }
        case Kind::String: {
            std::string out = "keep";
            EXPECT_FALSE(Serializer::deserialize(buffer, out, false));
            EXPECT_EQ(out, "keep");
            break;
        }
        case Kind::Record: {
            PhonebookRecord out = {{"keep", "me"}};
            EXPECT_FALSE(Serializer::deserialize(buffer, out));
            EXPECT_EQ(out, (PhonebookRecord{{"keep", "me"}}));
            break;
        }
    }
    EXPECT_EQ(buffer, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, SerializerRejects,
    ::testing::Values(
        // integers: kind, canonical form, range, termination
        Malformed{Kind::Int, ""}, Malformed{Kind::Int, "i"}, Malformed{Kind::Int, "i."},
        Malformed{Kind::Int, "i-."}, Malformed{Kind::Int, "i12"}, Malformed{Kind::Int, "12."},
        Malformed{Kind::Int, "s2,12"}, Malformed{Kind::Int, "i+1."}, Malformed{Kind::Int, "i01."},
        Malformed{Kind::Int, "i-0."}, Malformed{Kind::Int, "i00."}, Malformed{Kind::Int, "i 1."},
        Malformed{Kind::Int, "i2147483648."}, Malformed{Kind::Int, "i-2147483649."},
        Malformed{Kind::Int, "i99999999999999999999999."}, Malformed{Kind::Int, "i1x."},
        Malformed{Kind::Int, "I1."},
        // strings: kind, length, truncation, escapes
        Malformed{Kind::String, ""}, Malformed{Kind::String, "s"}, Malformed{Kind::String, "s,"},
        Malformed{Kind::String, "s1"}, Malformed{Kind::String, "s1,"}, Malformed{Kind::String, "s01,a"},
        Malformed{Kind::String, "s-1,"}, Malformed{Kind::String, "s5,abcd"},
        Malformed{Kind::String, "s2147483647,abc"}, Malformed{Kind::String, "s18446744073709551617,"},
        Malformed{Kind::String, "i1."}, Malformed{Kind::String, "r0,"}, Malformed{Kind::String, "S0,"},
        Malformed{Kind::String, "s1,%"}, Malformed{Kind::String, "s2,%3"}, Malformed{Kind::String, "s3,%3a"},
        Malformed{Kind::String, "s3,%GG"}, Malformed{Kind::String, "s3,%41"},
        Malformed{Kind::String, "s3,a%3Ab"}, Malformed{Kind::String, "s1,:"},
        Malformed{Kind::String, "s1,;"}, Malformed{Kind::String, std::string("s1,\0", 4)},
        Malformed{Kind::String, "s1,\n"}, Malformed{Kind::String, "s1,\x7f"},
        // records: kind, count, truncated or malformed fields
        Malformed{Kind::Record, ""}, Malformed{Kind::Record, "r"}, Malformed{Kind::Record, "r,"},
        Malformed{Kind::Record, "r1"}, Malformed{Kind::Record, "r1,"}, Malformed{Kind::Record, "r1,s0,"},
        Malformed{Kind::Record, "r01,s0,s0,"}, Malformed{Kind::Record, "r2,s0,s0,"},
        Malformed{Kind::Record, "r1,s0,i1.s0,"}, Malformed{Kind::Record, "r1,s1,:s0,"},
        Malformed{Kind::Record, "r2147483647,s0,s0,"}, Malformed{Kind::Record, "r4294967297,s0,s0,"},
        Malformed{Kind::Record, "s0,"}, Malformed{Kind::Record, "R0,"}));

}  // namespace
