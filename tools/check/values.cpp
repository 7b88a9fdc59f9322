// The values the checks use, generated the same on every run, and how a failure shows them.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <random>

#include "check.h"
#include "serializer/sizes.h"

namespace dstcheck {

const char* const kKinds[3] = {"integer", "string", "record"};

Value otherThan(const Value& v) {
    if (auto* i = std::get_if<int>(&v)) return *i == INT_MAX ? *i - 1 : *i + 1;
    if (auto* s = std::get_if<std::string>(&v)) return *s + "?";
    PhonebookRecord r = std::get<PhonebookRecord>(v);
    r.emplace_back("?", "?");
    return r;
}
const Value kSentinels[3] = {12345, std::string("keep"), PhonebookRecord{{"keep", "me"}}};

std::string quote(const std::string& s, std::size_t cap) {
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size() && i < cap; ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        out += c == '"' || c == '\\'   ? std::string{'\\', static_cast<char>(c)}
               : c < 0x20 || c >= 0x7F ? hex
                                       : std::string(1, static_cast<char>(c));
    }
    out += '"';
    if (s.size() > cap) out += "... (" + std::to_string(s.size()) + " bytes)";
    return out;
}

std::string describe(const Value& v) {
    if (auto* i = std::get_if<int>(&v)) return "the integer " + std::to_string(*i);
    if (auto* s = std::get_if<std::string>(&v)) return "the string " + quote(*s);
    const auto& r = std::get<PhonebookRecord>(v);
    std::string out = "the record {";
    for (std::size_t k = 0; k < r.size() && k < 3; ++k)
        out += (k ? ", " : "") + quote(r[k].first, 20) + ": " + quote(r[k].second, 20);
    return out + (r.size() > 3 ? ", ... (" + std::to_string(r.size()) + " fields)}" : "}");
}

std::string aKindOf(const Value& v) { return (v.index() == 0 ? "an " : "a ") + std::string(kKinds[v.index()]); }

namespace {

std::string randomBytes(std::mt19937& rng, std::size_t n, const std::string& alphabet = "") {
    std::string s(n, '\0');
    for (char& c : s) c = alphabet.empty() ? static_cast<char>(rng()) : alphabet[rng() % alphabet.size()];
    return s;
}

}  // namespace

// Smallest first within each kind, so that the first failure found is the smallest example.
// Every byte value, the bytes our grammar escapes, and the texts the library's readers look
// for (":" and "recEnd;") are among them.
std::vector<Value> propertyValues() {
    std::mt19937 rng(20261207);
    std::vector<Value> values;
    for (int v : {0, 1, -1, 2, 9, 10, -10, 16, 99, 100, -100, 255, 256, 1000, 65535, 65536, 123456789, -123456789,
             INT_MAX - 1, INT_MAX, INT_MIN + 1, INT_MIN})
        values.emplace_back(v);
    for (int k = 0; k < 16; ++k) values.emplace_back(static_cast<int>(rng()));
    const char trickyBytes[] = ":;%,.\0\x7F recEndi0s1";
    const std::string tricky(trickyBytes, sizeof trickyBytes - 1);
    std::vector<std::string> strings = {
        "", "::", "a:b", "rec;", "recEnd;", "End;", "PhonebookGroupList:", "s1,", "i1.", "r0,"};
    for (int c = 0; c < 256; ++c) strings.emplace_back(1, static_cast<char>(c));
    for (std::size_t n = 2; n <= 70; ++n)
        strings.push_back(randomBytes(rng, n)), strings.push_back(randomBytes(rng, n, tricky));
    std::stable_sort(
        strings.begin(), strings.end(), [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
    values.insert(values.end(), strings.begin(), strings.end());
    std::vector<PhonebookRecord> records = {
        {}, {{"", ""}}, {{"a", "b"}}, {{"rec", "End;"}}, {{"recEnd;", "rec;"}}, {{":", "x:y"}}};
    for (const std::string& s : strings)
        if (s.size() < 24) records.push_back({{s, s}, {"recEnd;", s}});
    for (std::size_t n = 1; n <= 20; ++n) {
        PhonebookRecord r;
        for (std::size_t k = 0; k < n; ++k)
            r.emplace_back(randomBytes(rng, rng() % 8, tricky), randomBytes(rng, rng() % 24, tricky));
        records.push_back(r);
    }
    values.insert(values.end(), records.begin(), records.end());
    return values;
}

// The extremes of every kind, and lengths and field counts past the chunk and buffer sizes
// an implementation is likely to use.
std::vector<Value> roundTripValues(int kind) {
    std::mt19937 rng(4096);
    std::vector<Value> values;
    for (const Value& v : propertyValues())
        if (static_cast<int>(v.index()) == kind) values.push_back(v);
    if (kind == 0) {
        for (long long p = 1; p <= INT_MAX; p *= 2)
            for (long long v : {p - 1, p, -p, -p + 1}) values.emplace_back(static_cast<int>(v));
        for (int k = 0; k < 500; ++k) values.emplace_back(static_cast<int>(rng()));
    } else if (kind == 1) {
        std::string all;
        for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
        values.emplace_back(all);
        constexpr std::size_t onStack = dst_serializer::kLongestOnStack;  // our encoder's edge
        for (std::size_t n : std::initializer_list<std::size_t>{100, 127, 128, 129, 255, 256, 257, 1023, 1024, 1025,
                 onStack - 1, onStack, onStack + 1, onStack + 2, 2047, 2048, 2049, 4095, 4096, 4097, 8191, 8192, 8193,
                 65535, 65536, 65537, 100000}) {
            values.emplace_back(std::string(n, ';'));
            values.emplace_back(randomBytes(rng, n));
        }
    } else {
        for (std::size_t n : {21, 31, 32, 33, 63, 64, 65, 100, 255, 256, 257, 1000}) {
            PhonebookRecord r;
            for (std::size_t k = 0; k < n; ++k) r.emplace_back(randomBytes(rng, k % 7), randomBytes(rng, k % 31));
            values.emplace_back(r);
        }
        values.emplace_back(
            PhonebookRecord{{std::string(5000, ':'), randomBytes(rng, 70000)}, {"", std::string(4097, 'x')}});
    }
    return values;
}

std::vector<std::string> followers() {
    return {encoding(0), encoding(-7), encoding(std::string()), encoding(std::string("a:b")),
        encoding(PhonebookRecord{}), encoding(PhonebookRecord{{"n", "v"}}),
        encoding(INT_MIN) + encoding(std::string("x"))};
}

// The empty text, every proper prefix and single-byte change of short encodings, and random bytes.
std::vector<std::string> damagedTexts(const std::vector<Value>& values) {
    std::mt19937 rng(7);
    std::vector<std::string> texts = {""};
    for (const Value& v : values) {
        const std::string text = encoding(v);
        if (text.size() > 24) continue;
        for (std::size_t at = 0; at < text.size(); ++at) {
            texts.push_back(text.substr(0, at));
            for (char c : {'\0', ':', ',', '.', '9', 'x', static_cast<char>(text[at] + 1)})
                texts.push_back(std::string(text).replace(at, 1, 1, c));
        }
        texts.push_back(text);
    }
    for (int k = 0; k < 200; ++k) texts.push_back(randomBytes(rng, rng() % 16, "isr0123456789-,.:;%AF"));
    std::sort(texts.begin(), texts.end(), [](const std::string& a, const std::string& b) {
        return a.size() < b.size() || (a.size() == b.size() && a < b);
    });
    texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
    return texts;
}

}  // namespace dstcheck
