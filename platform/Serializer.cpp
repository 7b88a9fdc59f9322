// Our implementation of the platform field encoder. The grammar is described in
// docs/wire-format.md; in short:
//   integer  i<decimal>.          i16.  i-2147483648.
//   string   s<length>,<body>     s6,Family   s0,
//   record   r<count>,<strings>   r1,s4,names5,Alice
// In a string body '%', ':', ';', bytes below 0x20 and 0x7F are written as %XX. Decoders
// accept only what the encoder writes, so every value has exactly one encoding.
#include "Serializer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

constexpr bool mustEscape(unsigned char c) {
    return c < 0x20 || c == 0x7F || c == '%' || c == ':' || c == ';';
}

struct ByteTable {
    bool escape[256];
    signed char hex[256];  // value of an upper-case hex digit, -1 otherwise
    constexpr ByteTable() : escape(), hex() {
        for (int c = 0; c < 256; ++c) {
            escape[c] = mustEscape(static_cast<unsigned char>(c));
            hex[c] = -1;
        }
        for (int d = 0; d < 10; ++d) hex['0' + d] = static_cast<signed char>(d);
        for (int d = 0; d < 6; ++d) hex['A' + d] = static_cast<signed char>(10 + d);
    }
};
constexpr ByteTable kBytes;
constexpr char kHexDigits[] = "0123456789ABCDEF";

inline bool escaped(char c) { return kBytes.escape[static_cast<unsigned char>(c)]; }

// Makes room for `extra` more bytes, growing geometrically so that many small appends
// to one working string stay linear in total.
void makeRoom(std::string& buffer, std::size_t extra) {
    const std::size_t needed = buffer.size() + extra;
    if (needed > buffer.capacity()) buffer.reserve(std::max(needed, 2 * buffer.capacity()));
}

constexpr std::size_t kMaxDigits = 20;  // enough for any 64-bit value

// Writes v in decimal ending just before `end`; returns the first character written.
char* writeDecimal(char* end, std::uint64_t v) {
    do {
        *--end = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    return end;
}

void appendDecimal(std::string& buffer, std::uint64_t v) {
    char digits[kMaxDigits];
    char* end = digits + kMaxDigits;
    char* begin = writeDecimal(end, v);
    buffer.append(begin, static_cast<std::size_t>(end - begin));
}

std::size_t decimalLength(std::uint64_t v) {
    std::size_t n = 1;
    while (v >= 10) {
        v /= 10;
        ++n;
    }
    return n;
}

std::size_t escapedLength(const std::string& value) {
    std::size_t extra = 0;
    for (char c : value) extra += escaped(c);
    return value.size() + 2 * extra;
}

void appendString(std::string& buffer, const std::string& value) {
    const std::size_t body = escapedLength(value);
    makeRoom(buffer, 2 + decimalLength(body) + body);
    buffer.push_back('s');
    appendDecimal(buffer, body);
    buffer.push_back(',');
    if (body == value.size()) {
        buffer.append(value);
        return;
    }
    const char* p = value.data();
    const char* const end = p + value.size();
    while (p != end) {
        const char* run = p;
        while (p != end && !escaped(*p)) ++p;
        buffer.append(run, static_cast<std::size_t>(p - run));
        if (p == end) break;
        const auto c = static_cast<unsigned char>(*p++);
        const char esc[3] = {'%', kHexDigits[c >> 4], kHexDigits[c & 0xF]};
        buffer.append(esc, 3);
    }
}

// A cursor over the working string. Every read checks the end; nothing is consumed from
// the string itself until a whole value has been read.
struct Reader {
    const char* data;
    std::size_t size;
    std::size_t pos = 0;

    std::size_t left() const { return size - pos; }

    bool take(char c) {
        if (pos < size && data[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    }

    // Canonical unsigned decimal (no sign, no leading zero) not above `max`, then `term`.
    bool count(std::uint64_t max, char term, std::uint64_t& out) {
        if (pos >= size || data[pos] < '0' || data[pos] > '9') return false;
        std::uint64_t v = 0;
        if (data[pos] == '0') {
            ++pos;
        } else {
            while (pos < size && data[pos] >= '0' && data[pos] <= '9') {
                const auto d = static_cast<std::uint64_t>(data[pos] - '0');
                if (v > (max - d) / 10) return false;
                v = v * 10 + d;
                ++pos;
            }
        }
        if (!take(term)) return false;
        out = v;
        return true;
    }

    bool integer(int& out) {
        if (!take('i')) return false;
        const bool negative = take('-');
        std::uint64_t magnitude = 0;
        const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
        if (!count(limit, '.', magnitude)) return false;
        if (negative && magnitude == 0) return false;  // "-0" is not canonical
        out = negative ? static_cast<int>(-static_cast<std::int64_t>(magnitude))
                       : static_cast<int>(magnitude);
        return true;
    }

    bool string(std::string& out) {
        std::uint64_t length = 0;
        if (!take('s') || !count(left(), ',', length) || length > left()) return false;
        const char* p = data + pos;
        const char* const end = p + length;
        out.clear();
        out.reserve(static_cast<std::size_t>(length));
        while (p != end) {
            const char* run = p;
            while (p != end && !escaped(*p)) ++p;
            out.append(run, static_cast<std::size_t>(p - run));
            if (p == end) break;
            if (*p != '%' || end - p < 3) return false;
            const int hi = kBytes.hex[static_cast<unsigned char>(p[1])];
            const int lo = kBytes.hex[static_cast<unsigned char>(p[2])];
            if (hi < 0 || lo < 0) return false;
            const auto c = static_cast<unsigned char>(hi << 4 | lo);
            if (!mustEscape(c)) return false;  // an escape the encoder would never write
            out.push_back(static_cast<char>(c));
            p += 3;
        }
        pos += static_cast<std::size_t>(length);
        return true;
    }

    bool record(PhonebookRecord& out) {
        constexpr std::size_t kSmallestField = 6;  // "s0,s0,"
        constexpr std::size_t kReserveCap = 256;  // never trust a count for more than this
        std::uint64_t fields = 0;
        if (!take('r') || !count(left(), ',', fields) || fields > left() / kSmallestField)
            return false;
        out.clear();
        out.reserve(std::min<std::size_t>(static_cast<std::size_t>(fields), kReserveCap));
        for (std::uint64_t i = 0; i < fields; ++i) {
            out.emplace_back();
            if (!string(out.back().first) || !string(out.back().second)) return false;
        }
        return true;
    }
};

// Runs `read` on a fresh value; only on success moves it into `out` and drops the
// encoding from the front of `buffer`.
template <typename T, typename Read>
bool decodeFront(std::string& buffer, T& out, Read read) {
    Reader reader{buffer.data(), buffer.size()};
    T value{};
    if (!read(reader, value)) return false;
    out = std::move(value);
    buffer.erase(0, reader.pos);
    return true;
}

}  // namespace

void Serializer::serialize(std::string& buffer, int value) {
    char text[kMaxDigits + 3];
    char* const end = text + sizeof text;
    char* p = end;
    *--p = '.';
    const auto magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value)
                                     : static_cast<std::uint32_t>(value);
    p = writeDecimal(p, magnitude);
    if (value < 0) *--p = '-';
    *--p = 'i';
    buffer.append(p, static_cast<std::size_t>(end - p));
}

void Serializer::serialize(std::string& buffer, const std::string& value, bool) {
    appendString(buffer, value);
}

void Serializer::serialize(std::string& buffer, PhonebookRecord& record) {
    // Room for the record as if nothing needed escaping; a value with escapes grows the
    // buffer itself, which is rare and still geometric.
    std::size_t size = 2 + decimalLength(record.size());
    for (const RecordField& field : record)
        size += 4 + decimalLength(field.first.size()) + field.first.size() +
                decimalLength(field.second.size()) + field.second.size();
    makeRoom(buffer, size);
    buffer.push_back('r');
    appendDecimal(buffer, record.size());
    buffer.push_back(',');
    for (const RecordField& field : record) {
        appendString(buffer, field.first);
        appendString(buffer, field.second);
    }
}

bool Serializer::deserialize(std::string& buffer, int& value) {
    return decodeFront(buffer, value, [](Reader& r, int& v) { return r.integer(v); });
}

bool Serializer::deserialize(std::string& buffer, std::string& value, bool) {
    return decodeFront(buffer, value, [](Reader& r, std::string& v) { return r.string(v); });
}

bool Serializer::deserialize(std::string& buffer, PhonebookRecord& record) {
    return decodeFront(buffer, record,
                       [](Reader& r, PhonebookRecord& v) { return r.record(v); });
}
