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
#include <cstring>

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

// Makes room for `extra` more bytes at the end and returns where they start. Growth is
// geometric, so that many small appends to one working string stay linear in total.
char* extend(std::string& buffer, std::size_t extra) {
    const std::size_t size = buffer.size();
    if (size + extra > buffer.capacity()) buffer.reserve(std::max(size + extra, 2 * buffer.capacity()));
    buffer.resize(size + extra);
    return &buffer[size];
}

std::size_t decimalLength(std::uint64_t v) {
    if (v < 10) return 1;
    if (v < 100) return 2;  // lengths are mostly short
    std::size_t n = 3;
    for (v /= 1000; v != 0; v /= 10) ++n;
    return n;
}

// Writes v in decimal at `out`; returns the end of what was written.
char* putDecimal(char* out, std::uint64_t v) {
    char* const end = out + decimalLength(v);
    char* p = end;
    do {
        *--p = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    return end;
}

// Bit 7 of each byte of the result is set exactly when that byte of `w` must be escaped.
// Eight bytes are tested at once without a branch; the common case, plain text, then
// costs one test and one 8-byte copy per word.
inline std::uint64_t escapeFlags(std::uint64_t w) {
    constexpr std::uint64_t ones = 0x0101010101010101u, low7 = 0x7F7F7F7F7F7F7F7Fu;
    // 0x80 in every byte of v that is zero, exactly (no carry crosses a byte).
    const auto zero = [](std::uint64_t v) { return ~(((v & low7) + low7) | v | low7); };
    return zero(w & (ones * 0xE0))        // below 0x20
           | zero(w ^ (ones * 0x7F))      // DEL
           | zero(w ^ (ones * '%'))       //
           | zero((w | ones) ^ (ones * ';'));  // ';' or ':' (0x3A | 1 == 0x3B)
}

constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

inline char* putByte(char* out, char c) {
    if (!escaped(c)) {
        *out++ = c;
        return out;
    }
    const auto u = static_cast<unsigned char>(c);
    out[0] = '%';
    out[1] = kHexDigits[u >> 4];
    out[2] = kHexDigits[u & 0xF];
    return out + 3;
}

// The most room a string of `n` bytes can take: every byte escaped.
std::size_t stringBound(std::size_t n) { return 2 + decimalLength(3 * n) + 3 * n; }

// The word writer stores whole words and may run up to this far past the last byte it
// keeps; callers make this much more room than the bound.
constexpr std::size_t kSlack = 8;

// Writes the first `left` (1 to 8) bytes of the word `w` at `out`, escaping what must be;
// returns the end.
inline char* putWord(char* out, std::uint64_t w, std::size_t left) {
    std::uint64_t flags = escapeFlags(w);
    if (left < 8) flags &= (std::uint64_t{1} << (8 * left)) - 1;
    std::memcpy(out, &w, 8);
    while (flags != 0) {
        const auto k = static_cast<std::size_t>(__builtin_ctzll(flags)) / 8;  // plain bytes first
        const auto c = static_cast<unsigned char>(w >> (8 * k));
        out += k;
        out[0] = '%';
        out[1] = kHexDigits[c >> 4];
        out[2] = kHexDigits[c & 0xF];
        out += 3;
        left -= k + 1;
        if (left == 0) return out;
        w >>= 8 * (k + 1);
        flags >>= 8 * (k + 1);
        std::memcpy(out, &w, 8);
    }
    return out + left;
}

inline std::uint64_t load(const char* p, std::size_t size) {
    std::uint64_t w = 0;
    std::memcpy(&w, p, size);  // a constant size: one load
    return w;
}

// The last `rest` (1 to 7) of the `n` bytes at `p` as the low bytes of a word, read
// without a byte loop and without touching anything outside the n bytes.
inline std::uint64_t lastBytes(const char* p, std::size_t n, std::size_t rest) {
    if (n >= 8) return load(p + n - 8, 8) >> (8 * (8 - rest));
    if (n >= 4) return load(p, 4) | load(p + n - 4, 4) << (8 * (n - 4));  // overlapping halves
    const auto byte = [p](std::size_t i) { return static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])); };
    return byte(0) | byte(n / 2) << (8 * (n / 2)) | byte(n - 1) << (8 * (n - 1));
}

// Writes the encoding of `value` at `out`, which has room for stringBound(value.size()) +
// kSlack bytes; returns its end. One pass: the body is written where a length of as many
// digits as the raw size would leave it, and moved in the rare case that escapes add one.
char* putString(char* out, const std::string& value) {
    const char* const p = value.data();
    const std::size_t n = value.size();
    const std::size_t guess = decimalLength(n);
    char* const body = out + 2 + guess;
    char* end = body;
    std::size_t i = 0;
    if (kLittleEndian) {
        std::uint64_t w;
        for (; i + 8 <= n; i += 8) {
            std::memcpy(&w, p + i, 8);
            end = putWord(end, w, 8);
        }
        if (const std::size_t rest = n - i) {
            end = putWord(end, lastBytes(p, n, rest), rest);
        }
    } else {
        for (; i < n; ++i) end = putByte(end, p[i]);
    }

    const auto length = static_cast<std::size_t>(end - body);
    const std::size_t digits = decimalLength(length);
    if (digits != guess) {
        std::memmove(body + (digits - guess), body, length);
        end += digits - guess;
    }
    out[0] = 's';
    putDecimal(out + 1, length);
    out[1 + digits] = ',';
    return end;
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
    buffer.erase(0, reader.pos);  // before the store, in case `out` is `buffer` itself
    out = std::move(value);
    return true;
}

}  // namespace

void Serializer::serialize(std::string& buffer, int value) {
    const bool negative = value < 0;
    const std::uint32_t magnitude =
        negative ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    char* out = extend(buffer, 2 + negative + decimalLength(magnitude));
    *out++ = 'i';
    if (negative) *out++ = '-';
    out = putDecimal(out, magnitude);
    *out = '.';
}

void Serializer::serialize(std::string& buffer, const std::string& value, bool) {
    if (&value == &buffer) {  // the value as it was before this call, not as it grows
        const std::string copy(value);
        return serialize(buffer, copy, false);
    }
    const std::size_t start = buffer.size();
    char* const out = extend(buffer, stringBound(value.size()) + kSlack);
    buffer.resize(start + static_cast<std::size_t>(putString(out, value) - out));
}

void Serializer::serialize(std::string& buffer, PhonebookRecord& record) {
    for (const RecordField& field : record) {
        if (&field.first == &buffer || &field.second == &buffer) {  // encode the record as it was
            PhonebookRecord copy(record);
            return serialize(buffer, copy);
        }
    }
    // Room for the worst case is made once, the record written in one pass, and the
    // string cut back to what was written.
    std::size_t bound = 2 + decimalLength(record.size()) + kSlack;
    for (const RecordField& field : record)
        bound += stringBound(field.first.size()) + stringBound(field.second.size());
    const std::size_t start = buffer.size();
    char* const begin = extend(buffer, bound);
    char* out = begin;
    *out++ = 'r';
    out = putDecimal(out, record.size());
    *out++ = ',';
    for (const RecordField& field : record) {
        out = putString(out, field.first);
        out = putString(out, field.second);
    }
    buffer.resize(start + static_cast<std::size_t>(out - begin));
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
