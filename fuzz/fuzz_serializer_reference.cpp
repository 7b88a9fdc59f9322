// The serializer's codec over every backend of its table that this processor runs (sixteen
// bytes at a time) against a plain reference that reads and writes the grammar a byte at a
// time: byte-identical encodings of any values, and the same decode results and remaining
// text for any input. The backends it cannot run are named on start.
#include <climits>
#include <cstdio>
#include <optional>
#include <utility>

#include "fuzz_helpers.h"
#include "serializer/table.h"

namespace ref {

bool mustEscape(unsigned char c) { return c < 0x20 || c == 0x7F || c == '%' || c == ':' || c == ';'; }

std::string string(const std::string& value) {
    static const char hex[] = "0123456789ABCDEF";
    std::string body;
    for (unsigned char c : value) {
        if (mustEscape(c))
            body += {'%', hex[c >> 4], hex[c & 0xF]};
        else
            body += static_cast<char>(c);
    }
    return "s" + std::to_string(body.size()) + "," + body;
}

std::string record(const PhonebookRecord& r) {
    std::string out = "r" + std::to_string(r.size()) + ",";
    for (const RecordField& f : r) out += string(f.first) + string(f.second);
    return out;
}

// Canonical decimal at s[i..] up to `max`, then `term`.
bool number(const std::string& s, std::size_t& i, unsigned long long max, char term, unsigned long long& v) {
    const std::size_t start = i;
    v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        if (i > start && s[start] == '0') return false;
        v = v * 10 + static_cast<unsigned long long>(s[i++] - '0');
        if (v > max) return false;
    }
    return i > start && i < s.size() && s[i++] == term;
}

bool integer(const std::string& s, std::size_t& i, int& out) {
    if (i >= s.size() || s[i++] != 'i') return false;
    const bool negative = i < s.size() && s[i] == '-';
    i += negative;
    unsigned long long v;
    if (!number(s, i, negative ? 2147483648ull : 2147483647ull, '.', v) || (negative && v == 0)) return false;
    out = negative ? static_cast<int>(-static_cast<long long>(v)) : static_cast<int>(v);
    return true;
}

bool string(const std::string& s, std::size_t& i, std::string& out) {
    unsigned long long n;
    if (i >= s.size() || s[i++] != 's' || !number(s, i, ULLONG_MAX / 4, ',', n) || n > s.size() - i) return false;
    const std::size_t end = i + n;
    out.clear();
    auto hexValue = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1; };
    while (i < end) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (!mustEscape(c)) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (c != '%' || end - i < 3 || hexValue(s[i + 1]) < 0 || hexValue(s[i + 2]) < 0) return false;
        const auto decoded = static_cast<unsigned char>(hexValue(s[i + 1]) << 4 | hexValue(s[i + 2]));
        if (!mustEscape(decoded)) return false;
        out += static_cast<char>(decoded);
        i += 3;
    }
    return true;
}

bool record(const std::string& s, std::size_t& i, PhonebookRecord& out) {
    unsigned long long n;
    if (i >= s.size() || s[i++] != 'r' || !number(s, i, ULLONG_MAX / 8, ',', n) || n > (s.size() - i) / 6) return false;
    out.assign(static_cast<std::size_t>(n), {});
    for (RecordField& f : out)
        if (!string(s, i, f.first) || !string(s, i, f.second)) return false;
    return true;
}

}  // namespace ref

// The reference's reading of `input`: on success the value and the text after it.
template <typename T>
using Outcome = std::optional<std::pair<T, std::string>>;

template <typename T, typename Slow>
Outcome<T> slowDecode(const std::string& input, Slow slow) {
    T value{};
    std::size_t i = 0;
    if (!slow(input, i, value)) return std::nullopt;
    return std::make_pair(std::move(value), input.substr(i));
}

// A backend's decoder on the same text: the same verdict, value and remaining text; a
// failed decode leaves the out-argument (holding `before`) as it was.
template <typename T, typename Decode>
void compareDecoder(Decode decode, const std::string& input, const Outcome<T>& expected, const T& before) {
    std::string buffer = input;
    T value = before;
    FUZZ_CHECK(decode(buffer, value) == expected.has_value());
    if (expected)
        FUZZ_CHECK(value == expected->first && buffer == expected->second);
    else
        FUZZ_CHECK(buffer == input && value == before);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (const dst_serializer::Backend& backend : dst_serializer::kBackends)
        std::fprintf(stderr, "backend %.*s: %s\n", static_cast<int>(backend.name.size()), backend.name.data(),
            backend.runs() ? "checked" : "skipped, this processor lacks its instructions");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = fuzzText(data, size);
    const auto integer = slowDecode<int>(input, ref::integer);
    const auto string = slowDecode<std::string>(
        input, [](const std::string& s, std::size_t& i, std::string& v) { return ref::string(s, i, v); });
    const auto record = slowDecode<PhonebookRecord>(
        input, [](const std::string& s, std::size_t& i, PhonebookRecord& v) { return ref::record(s, i, v); });

    // The input as values to encode: a string of it, and a record of its pieces split at
    // every 0xFF byte, written behind some text that must stay.
    PhonebookRecord pieces;
    for (std::size_t start = 0, end; start <= size; start = end + 1) {
        end = std::min(input.find('\xFF', start), size);
        const std::string piece = input.substr(start, end - start);
        if (pieces.empty() || !pieces.back().second.empty())
            pieces.emplace_back(piece, "");
        else
            pieces.back().second = piece;
    }
    const std::string expected = "head" + ref::string(input) + ref::record(pieces);

    for (const dst_serializer::Backend& backend : dst_serializer::kBackends) {
        if (!backend.runs()) continue;
        const dst_serializer::Ops& ops = backend.ops;
        compareDecoder(ops.getInt, input, integer, 7);
        compareDecoder(ops.getString, input, string, std::string(40, 'x'));
        compareDecoder(ops.getRecord, input, record, PhonebookRecord{{"a", "b"}});
        std::string text = "head";
        ops.putString(text, input);
        ops.putRecord(text, pieces);
        FUZZ_CHECK(text == expected);
    }
    return 0;
}
