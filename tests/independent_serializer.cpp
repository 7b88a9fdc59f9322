// Our grammar written again, plainly and a byte at a time, apart from platform/serializer/.
// Built with -DFAULT=none it stands in for a platform's own serializer; each other FAULT
// breaks one property that the checker must name, but other_grammar, which has them all.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "Serializer.h"

#define none 0
#define prepend 1         // appends-only
#define colon 2           // no-colon: ':' written raw
#define semicolon 3       // no-recEnd: ';' written raw
#define always_true 4     // bool-result
#define out_changed 5     // failure-unchanged: the out-argument is cleared first
#define removes_none 6    // removes-one-value
#define removes_two 7     // removes-one-value: a second value of the kind goes too
#define crash 8           // round-trip-strings: the string encoder crashes past 4096 bytes
#define hang 9            // round-trips: the integer encoder spins on 1 << 30, the record one sleeps past 200 fields
#define missing 10        // no record decoder at all
#define other_grammar 11  // other letters, a sign on every integer, escapes with '\', lengths in bytes held

namespace {

constexpr bool kOther = FAULT == other_grammar;
constexpr char kInteger = kOther ? 'I' : 'i', kString = kOther ? 'B' : 's', kRecord = kOther ? 'F' : 'r',
               kCount = kOther ? '=' : ',', kEscape = kOther ? '\\' : '%';

bool escaped(unsigned char c) {
    return c < 0x20 || c == 0x7F || c == kEscape || (c == ':' && FAULT != colon) || (c == ';' && FAULT != semicolon);
}

std::string encoded(const std::string& value) {
    std::string body;
    for (unsigned char c : value) {
        if (!escaped(c))
            body += static_cast<char>(c);
        else
            body += {kEscape, "0123456789ABCDEF"[c >> 4], "0123456789ABCDEF"[c & 15]};
    }
    return kString + std::to_string((kOther ? value : body).size()) + kCount + body;
}

void put(std::string& buffer, const std::string& text) {
    FAULT == prepend ? buffer.insert(0, text) : buffer.append(text);
}

struct Reader {
    const std::string& text;
    std::size_t at = 0;

    bool take(char c) { return at < text.size() && text[at] == c && ++at; }
    int hex() {
        return at >= text.size()                    ? -1
               : text[at] >= '0' && text[at] <= '9' ? text[at++] - '0'
               : text[at] >= 'A' && text[at] <= 'F' ? text[at++] - 'A' + 10
                                                    : -1;
    }

    // Canonical decimal up to `max`, then `end`.
    bool number(std::uint64_t max, char end, std::uint64_t& out) {
        const std::size_t start = at;
        for (out = 0; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
            if ((out = out * 10 + static_cast<std::uint64_t>(text[at] - '0')) > max) return false;
        return at > start && (text[start] != '0' || at == start + 1) && take(end);
    }
    bool read(int& out) {
        std::uint64_t v;
        if (!take(kInteger)) return false;
        const bool minus = take('-');
        if (kOther && !minus && !take('+')) return false;
        if (!number(minus ? 2147483648u : 2147483647u, '.', v) || (minus && v == 0)) return false;
        out = static_cast<int>(minus ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v));
        return true;
    }
    bool read(std::string& out) {
        std::uint64_t length;
        if (!take(kString) || !number(text.size(), kCount, length) || length > text.size() - at) return false;
        const std::size_t start = at, end = kOther ? text.size() : at + length;
        for (out.clear(); (kOther ? out.size() : at - start) < length; ++at) {
            if (at == end) return false;
            const auto c = static_cast<unsigned char>(text[at]);
            if (c != kEscape) {
                if (escaped(c)) return false;
                out += static_cast<char>(c);
                continue;
            }
            ++at;
            const int high = at + 2 <= end ? hex() : -1, low = high < 0 ? -1 : hex();
            if (low < 0 || !escaped(static_cast<unsigned char>(high * 16 + low))) return false;
            out += static_cast<char>(high * 16 + low), --at;
        }
        return true;
    }
    bool read(PhonebookRecord& out) {
        std::uint64_t count;
        if (!take(kRecord) || !number(text.size(), kCount, count)) return false;
        for (out.clear(); out.size() < count;) {
            out.emplace_back();
            if (!read(out.back().first) || !read(out.back().second)) return false;
        }
        return true;
    }
};

template <typename T>
bool decode(std::string& buffer, T& out) {
    if (FAULT == out_changed) out = T();
    Reader reader{buffer};
    T value;
    if (!reader.read(value)) return FAULT == always_true;
    T second;
    Reader next{buffer, reader.at};
    if (FAULT == removes_two && next.read(second)) reader.at = next.at;
    buffer.erase(0, FAULT == removes_none ? 0 : reader.at);
    out = value;
    return true;
}

}  // namespace

void Serializer::serialize(std::string& buffer, int value) {
    if (FAULT == hang && value == 1 << 30)
        for (volatile unsigned spin = 0;;) spin = spin + 1;
    put(buffer, kInteger + std::string(kOther && value >= 0 ? "+" : "") + std::to_string(value) + ".");
}

void Serializer::serialize(std::string& buffer, const std::string& value, bool) {
    if (FAULT == crash && value.size() > 4096) std::abort();
    put(buffer, encoded(value));
}

void Serializer::serialize(std::string& buffer, PhonebookRecord& record) {
    std::string text = kRecord + std::to_string(record.size()) + kCount;
    for (const RecordField& field : record) text += encoded(field.first) + encoded(field.second);
    while (FAULT == hang && record.size() > 200) ::pause();
    put(buffer, text);
}

bool Serializer::deserialize(std::string& buffer, int& value) { return decode(buffer, value); }
bool Serializer::deserialize(std::string& buffer, std::string& value, bool) { return decode(buffer, value); }
#if FAULT != missing
bool Serializer::deserialize(std::string& buffer, PhonebookRecord& record) { return decode(buffer, record); }
#endif
