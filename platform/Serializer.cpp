// Our implementation of the platform field encoder. The grammar is described in
// docs/wire-format.md; in short:
//   integer  i<decimal>.          i16.  i-2147483648.
//   string   s<length>,<body>     s6,Family   s0,
//   record   r<count>,<strings>   r1,s4,names5,Alice
// In a string body '%', ':', ';', bytes below 0x20 and 0x7F are written as %XX. Decoders
// accept only what the encoder writes, so every value has exactly one encoding.
//
// Bytes are classified sixteen at a time: with SSE2 on x86-64, with NEON where the target
// has it, and with 64-bit integer arithmetic (SWAR) everywhere else. All three give the
// same 16-bit mask, so everything above them is shared; the fuzz target
// fuzz_serializer_reference checks the result against a byte-at-a-time reference.
#include "Serializer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#elif defined(__ARM_NEON)
#include <arm_neon.h>
#endif

namespace {

constexpr bool mustEscape(unsigned char c) { return c < 0x20 || c == 0x7F || c == '%' || c == ':' || c == ';'; }

struct ByteTable {
    signed char hex[256];  // value of an upper-case hex digit, -1 otherwise
    char digits[200];      // "00" to "99"
    char escapes[256][4];  // "%XX" and a spare byte
    constexpr ByteTable() : hex(), digits(), escapes() {
        for (int c = 0; c < 256; ++c) hex[c] = -1;
        for (int d = 0; d < 10; ++d) hex['0' + d] = static_cast<signed char>(d);
        for (int d = 0; d < 6; ++d) hex['A' + d] = static_cast<signed char>(10 + d);
        for (int v = 0; v < 100; ++v) digits[2 * v] = static_cast<char>('0' + v / 10), digits[2 * v + 1] = static_cast<char>('0' + v % 10);
        constexpr char hexDigits[] = "0123456789ABCDEF";
        for (int c = 0; c < 256; ++c) escapes[c][0] = '%', escapes[c][1] = hexDigits[c >> 4], escapes[c][2] = hexDigits[c & 0xF];
    }
};
constexpr ByteTable kBytes;

// --- sixteen bytes at a time --------------------------------------------------------------

constexpr std::size_t kChunk = 16;

// Sixteen bytes as two words, byte i in bits 8i.. of `lo` (i < 8) or of `hi`.
struct Words {
    std::uint64_t lo, hi;
};

constexpr bool kBigEndian = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__;

inline std::uint64_t loadWord(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return kBigEndian ? __builtin_bswap64(w) : w;
}

// A chunk in registers: one vector register where SSE2 has the operations the writer needs,
// two words elsewhere.
#if defined(__SSE2__)
struct Chunk {
    __m128i v;
};
inline Chunk chunkOf(Words w) { return {_mm_set_epi64x(static_cast<long long>(w.hi), static_cast<long long>(w.lo))}; }
inline Chunk loadChunk(const char* p) { return {_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))}; }
inline void storeChunk(char* out, Chunk c) { _mm_storeu_si128(reinterpret_cast<__m128i*>(out), c.v); }
// Shifted down by `k` bytes (0 to 16), zeros coming in, without a branch: the vector
// shifts take their count from a register and give zero for counts of 64 and more.
inline Chunk shiftDown(Chunk c, std::size_t k) {
    const auto bits = static_cast<int>(8 * k);
    const __m128i high = _mm_srli_si128(c.v, 8);
    const __m128i both = _mm_srl_epi64(c.v, _mm_cvtsi32_si128(bits));
    const __m128i down = _mm_srl_epi64(high, _mm_cvtsi32_si128(bits - 64));  // k >= 8
    const __m128i across = _mm_sll_epi64(high, _mm_cvtsi32_si128(64 - bits));  // k < 8
    return {_mm_or_si128(both, _mm_or_si128(down, across))};
}
#else
using Chunk = Words;
inline void storeWord(char* out, std::uint64_t w) {
    if (kBigEndian) w = __builtin_bswap64(w);
    std::memcpy(out, &w, 8);
}
inline Chunk chunkOf(Words w) { return w; }
inline Chunk loadChunk(const char* p) { return {loadWord(p), loadWord(p + 8)}; }
inline void storeChunk(char* out, Chunk c) { storeWord(out, c.lo), storeWord(out + 8, c.hi); }
#endif

// The `n` (below 16) bytes at `p`, the rest zero, read with a few overlapping loads and
// without touching anything after them.
__attribute__((always_inline)) inline Chunk loadShort(const char* p, std::size_t n) {
    auto load32 = [](const char* q) {
        std::uint32_t w;
        std::memcpy(&w, q, 4);
        return std::uint64_t{kBigEndian ? __builtin_bswap32(w) : w};
    };
    auto byte = [p](std::size_t i) { return std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i); };
    if (n >= 8) return chunkOf({loadWord(p), loadWord(p + n - 8) >> (8 * (16 - n) - 1) >> 1});  // no branch for n == 8
    if (n >= 4) return chunkOf({load32(p) | load32(p + n - 4) << (8 * (n - 4)), 0});
    return chunkOf({n == 0 ? 0 : byte(0) | byte(n / 2) | byte(n - 1), 0});
}

// Elsewhere the shifts work on the two words: with a 128-bit integer where the compiler has
// one (branch-free, the positions being data-dependent), with branches otherwise.
#if !defined(__SSE2__)
#if defined(__SIZEOF_INT128__)
__extension__ typedef unsigned __int128 Wide;
inline Chunk shiftDown(Chunk c, std::size_t k) {
    const Wide v = (static_cast<Wide>(c.hi) << 64 | c.lo) >> (4 * k) >> (4 * k);  // k may be 16
    return {static_cast<std::uint64_t>(v), static_cast<std::uint64_t>(v >> 64)};
}
#else
inline Chunk shiftDown(Chunk c, std::size_t k) {
    if (k == 0) return c;
    if (k >= 8) return {k >= 16 ? 0 : (k == 8 ? c.hi : c.hi >> (8 * (k - 8))), 0};
    return {c.lo >> (8 * k) | c.hi << (64 - 8 * k), c.hi >> (8 * k)};
}
#endif
#endif

// Bit i of the result is set when byte i of the chunk must be escaped. `escapeMask(p)`
// classifies the sixteen bytes at p, `escapeMaskOf(c)` a chunk already in registers.
#if defined(__SSE2__)
inline unsigned classify(__m128i v) {
    const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(0x1F)), v);  // v <= 0x1F
    const __m128i del = _mm_cmpeq_epi8(v, _mm_set1_epi8(0x7F));
    const __m128i percent = _mm_cmpeq_epi8(v, _mm_set1_epi8('%'));
    const __m128i colons = _mm_cmpeq_epi8(_mm_or_si128(v, _mm_set1_epi8(1)), _mm_set1_epi8(';'));  // ':' | 1 == ';'
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(control, del), _mm_or_si128(percent, colons))));
}
inline unsigned escapeMask(const char* p) { return classify(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))); }
inline unsigned escapeMaskOf(Chunk c) { return classify(c.v); }
#elif defined(__ARM_NEON)
inline unsigned classify(uint8x16_t v) {
    const uint8x16_t hit = vorrq_u8(vorrq_u8(vcleq_u8(v, vdupq_n_u8(0x1F)), vceqq_u8(v, vdupq_n_u8(0x7F))),
                                    vorrq_u8(vceqq_u8(v, vdupq_n_u8('%')), vceqq_u8(vorrq_u8(v, vdupq_n_u8(1)), vdupq_n_u8(';'))));
    // One bit per byte: weight the lanes 1, 2, ..., 128 in each half and add them up pairwise.
    const uint8x16_t weights = vreinterpretq_u8_u64(vdupq_n_u64(0x8040201008040201u));
    const uint8x16_t bits = vandq_u8(hit, weights);
    uint8x8_t sum = vpadd_u8(vget_low_u8(bits), vget_high_u8(bits));
    sum = vpadd_u8(sum, sum);
    sum = vpadd_u8(sum, sum);
    return static_cast<unsigned>(vget_lane_u8(sum, 0)) | static_cast<unsigned>(vget_lane_u8(sum, 1)) << 8;
}
inline unsigned escapeMask(const char* p) { return classify(vld1q_u8(reinterpret_cast<const std::uint8_t*>(p))); }
inline unsigned escapeMaskOf(Chunk c) { return classify(vcombine_u8(vcreate_u8(c.lo), vcreate_u8(c.hi))); }
#else
// Bit 7 of each byte of `flags` is set exactly when that byte of `w` must be escaped, with
// no carry between bytes; those bits are then gathered into the low eight bits.
inline unsigned escapeMask8(std::uint64_t w) {
    constexpr std::uint64_t ones = 0x0101010101010101u, low7 = 0x7F7F7F7F7F7F7F7Fu;
    const auto zero = [](std::uint64_t v) { return ~(((v & low7) + low7) | v | low7); };  // 0x80 where v's byte is 0
    const std::uint64_t flags = zero(w & (ones * 0xE0)) | zero(w ^ (ones * 0x7F)) | zero(w ^ (ones * '%')) | zero((w | ones) ^ (ones * ';'));
    return static_cast<unsigned>(((flags >> 7) * 0x0102040810204080u) >> 56);
}
inline unsigned escapeMaskOf(Chunk c) { return escapeMask8(c.lo) | escapeMask8(c.hi) << 8; }
inline unsigned escapeMask(const char* p) { return escapeMaskOf(loadChunk(p)); }
#endif

// The mask of the first `n` (below 16) bytes only.
inline unsigned firstBits(std::size_t n) { return (1u << n) - 1; }

inline unsigned popcount16(unsigned x) {
#if defined(__POPCNT__)
    return static_cast<unsigned>(__builtin_popcount(x));
#else  // without a library call where the ISA has no popcnt instruction
    struct Table {
        unsigned char bits[256];
        constexpr Table() : bits() {
            for (int i = 1; i < 256; ++i) bits[i] = static_cast<unsigned char>(bits[i / 2] + (i & 1));
        }
    };
    static constexpr Table kTable;
    return kTable.bits[x & 0xFF] + kTable.bits[x >> 8];
#endif
}

// Calls `f(at, m)` with the escape masks of the `n` bytes at `p`, bit i of `m` for byte
// at + i, each byte in exactly one mask, and stops at the first call that returns false.
// The rest after the whole chunks is the last sixteen bytes again, less those already
// covered, or a short load.
template <typename F>
__attribute__((always_inline)) inline bool eachMask(const char* p, std::size_t n, F f) {
    std::size_t i = 0;
    for (; i + kChunk <= n; i += kChunk)
        if (!f(i, escapeMask(p + i))) return false;
    if (i == n) return true;
    if (n >= kChunk) return f(n - kChunk, escapeMask(p + n - kChunk) & ~firstBits(kChunk - (n - i)));
    return f(0, escapeMaskOf(loadShort(p, n)) & firstBits(n));
}

// How many of the `n` bytes at `p` must be escaped.
std::size_t countEscapes(const char* p, std::size_t n) {
    std::size_t count = 0;
    eachMask(p, n, [&count](std::size_t, unsigned m) { return count += popcount16(m), true; });
    return count;
}

// --- writing ------------------------------------------------------------------------------

// Makes room for `extra` more bytes at the end and returns where they start. Growth is
// geometric, so that many small appends to one working string stay linear in total.
char* extend(std::string& buffer, std::size_t extra) {
    const std::size_t size = buffer.size();
    if (size + extra > buffer.capacity()) buffer.reserve(std::max(size + extra, 2 * buffer.capacity()));
    buffer.resize(size + extra);
    return &buffer[size];
}

std::size_t decimalLength(std::uint64_t v) {
    std::size_t n = 1;
    for (; v >= 100; v /= 100) n += 2;
    return n + (v >= 10);
}

// Writes v in decimal at `out`, two digits at a time; returns the end.
char* putDecimal(char* out, std::uint64_t v) {
    char* const end = out + decimalLength(v);
    char* p = end;
    for (; v >= 100; v /= 100) p -= 2, std::memcpy(p, &kBytes.digits[2 * (v % 100)], 2);
    if (v >= 10) p -= 2, std::memcpy(p, &kBytes.digits[2 * v], 2);
    else *--p = static_cast<char>('0' + v);
    return end;
}

// The encoder may store whole chunks past what it keeps: callers leave this much room
// beyond the exact size.
constexpr std::size_t kSlack = 2 * kChunk;

// A chunk of a body (escape mask `m`, of which `len` bytes are kept, byte k also at
// src[k]; src[0] is read even when `len` is 0, which a std::string's terminator allows) at
// `out`; returns the end. The chunk is stored whole; each escape is then written
// over its byte and the bytes after it are stored again, shifted in registers. Whether a
// chunk has an escape cannot be predicted, so the first one is written without a branch:
// a chunk without one writes its would-be escape into the room beyond its end.
__attribute__((always_inline)) inline char* putChunk(char* out, Chunk c, unsigned m, std::size_t len, const char* src) {
    storeChunk(out, c);
    auto k = static_cast<std::size_t>(__builtin_ctz(m | 1u << len));
    std::memcpy(out + k, kBytes.escapes[static_cast<unsigned char>(src[m != 0 ? k : 0])], 4);
    storeChunk(out + k + 3, shiftDown(c, std::min(k + 1, kChunk)));
    std::size_t extra = m != 0 ? 2 : 0;
    for (m &= m - 1; m != 0; m &= m - 1, extra += 2) {
        k = static_cast<std::size_t>(__builtin_ctz(m));
        char* const at = out + k + extra;
        std::memcpy(at, kBytes.escapes[static_cast<unsigned char>(src[k])], 4);
        storeChunk(at + 3, shiftDown(c, k + 1));
    }
    return out + len + extra;
}

// The body of the `n` bytes at `p` (a std::string's data: p[n] is readable), at `out` with
// `kSlack` bytes of room beyond it; returns its end. Bodies of up to 48 bytes, most values,
// take a fixed number of chunks instead of a loop.
__attribute__((always_inline)) inline char* putBody(char* out, const char* p, std::size_t n) {
    if (n < kChunk) {
        const Chunk c = loadShort(p, n);
        return putChunk(out, c, escapeMaskOf(c) & firstBits(n), n, p);
    }
    auto full = [&](std::size_t i) __attribute__((always_inline)) { out = putChunk(out, loadChunk(p + i), escapeMask(p + i), kChunk, p + i); };
    // From `i` on: the last sixteen bytes, less those already written, shifted down.
    auto rest = [&](std::size_t i) __attribute__((always_inline)) {
        const char* const last = p + n - kChunk;
        const std::size_t skip = kChunk - (n - i);
        return putChunk(out, shiftDown(loadChunk(last), skip), escapeMask(last) >> skip, n - i, p + i);
    };
    if (n <= 2 * kChunk) return full(0), rest(kChunk);
    if (n <= 3 * kChunk) return full(0), full(kChunk), rest(2 * kChunk);
    std::size_t i = 0;
    for (; n - i > kChunk; i += kChunk) full(i);
    return rest(i);
}

// Most lengths have one or two digits: those come straight from the table.
__attribute__((always_inline)) inline std::size_t digitsOf(std::size_t v) { return v < 10 ? 1 : v < 100 ? 2 : decimalLength(v); }
__attribute__((always_inline)) inline void putLength(char* out, std::size_t v) {
    if (v < 10) *out = static_cast<char>('0' + v);
    else if (v < 100) std::memcpy(out, &kBytes.digits[2 * v], 2);
    else putDecimal(out, v);
}

// The head "s<length>," of a body of `length` bytes, whose length has `digits` digits;
// returns where the body goes.
inline char* putHead(char* out, std::size_t length, std::size_t digits) {
    out[0] = 's';
    putLength(out + 1, length);
    out[1 + digits] = ',';
    return out + 2 + digits;
}

// The exact size of the encoding of a string of `n` bytes of which `escapes` are escaped.
inline std::size_t encodedSize(std::size_t n, std::size_t escapes) {
    const std::size_t body = n + 2 * escapes;
    return 2 + digitsOf(body) + body;
}

// The encoding of a string whose escapes are counted already.
inline char* putString(char* out, const std::string& s, std::size_t escapes) {
    const std::size_t body = s.size() + 2 * escapes;
    return putBody(putHead(out, body, digitsOf(body)), s.data(), s.size());
}

// The encoding of the `n` bytes at `p` at `out`, which has room for `bound(n)` bytes;
// returns its end. One pass: the body goes where a length of as many digits as the raw
// size leaves it, and moves in the rare case that escapes add a digit.
inline std::size_t bound(std::size_t n) { return 3 * n + 24 + kSlack; }

__attribute__((always_inline)) inline char* putStringOnePass(char* out, const char* p, std::size_t n) {
#if defined(__SSE2__)
    // A short value without escapes (field names, mostly) is its head and body in one store.
    // One with escapes loads again below: keeping the chunk for it measured slower.
    if (n < kChunk) {
        const Chunk c = loadShort(p, n);
        if ((escapeMaskOf(c) & firstBits(n)) == 0) {
            if (n < 10) {
                storeChunk(out, {_mm_or_si128(_mm_slli_si128(c.v, 3), _mm_cvtsi32_si128('s' | static_cast<int>('0' + n) << 8 | ',' << 16))});
                return out + 3 + n;
            }
            const int digits = static_cast<unsigned char>(kBytes.digits[2 * n]) | static_cast<unsigned char>(kBytes.digits[2 * n + 1]) << 8;
            storeChunk(out, {_mm_or_si128(_mm_slli_si128(c.v, 4), _mm_cvtsi32_si128('s' | digits << 8 | ',' << 24))});
            storeChunk(out + kChunk, {_mm_srli_si128(c.v, 12)});
            return out + 4 + n;
        }
    }
#endif
    const std::size_t guess = digitsOf(n);
    char* const body = out + 2 + guess;
    char* end = putBody(body, p, n);
    const auto length = static_cast<std::size_t>(end - body);
    const std::size_t digits = digitsOf(length);
    if (digits != guess) {
        std::memmove(body + (digits - guess), body, length);
        end += digits - guess;
    }
    putHead(out, length, digits);
    return end;
}

// Values whose worst case fits here are written on the stack, in one pass, and appended in
// one piece; larger ones are counted first and written straight into the working string.
constexpr std::size_t kScratch = 4096;

// --- reading ------------------------------------------------------------------------------

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
        out = negative ? static_cast<int>(-static_cast<std::int64_t>(magnitude)) : static_cast<int>(magnitude);
        return true;
    }

    // A body is valid when every byte of the escaped class is a '%' followed by two
    // upper-case hex digits that name a byte of that class. The whole body is checked
    // before `out` is touched, and `out` is then written once, at its exact size.
    __attribute__((always_inline)) bool string(std::string& out) {
        std::uint64_t length = 0;
        if (!take('s') || !count(left(), ',', length) || length > left()) return false;
        const auto n = static_cast<std::size_t>(length);
        const char* const body = data + pos;
        std::size_t escapes = 0;
        // The escaped-class bytes of the chunk at body[at], as mask `m`.
        auto check = [&](std::size_t at, unsigned m) __attribute__((always_inline)) {
            for (; m != 0; m &= m - 1, ++escapes) {
                const std::size_t j = at + static_cast<std::size_t>(__builtin_ctz(m));
                if (body[j] != '%' || n - j < 3) return false;
                const int hi = kBytes.hex[static_cast<unsigned char>(body[j + 1])];
                const int lo = kBytes.hex[static_cast<unsigned char>(body[j + 2])];
                if (hi < 0 || lo < 0 || !mustEscape(static_cast<unsigned char>(hi << 4 | lo))) return false;
            }
            return true;
        };
        if (!eachMask(body, n, check)) return false;
        pos += n;
        if (escapes == 0) {
            out.clear();  // then one copy into the room `out` already has, if it is enough
            out.append(body, n);
            return true;
        }
        out.resize(n - 2 * escapes);
        char* to = &out[0];
        const char* p = body;
        for (std::size_t e = 0; e < escapes; ++e) {
            const auto* percent = static_cast<const char*>(std::memchr(p, '%', static_cast<std::size_t>(body + n - p)));
            std::memcpy(to, p, static_cast<std::size_t>(percent - p));
            to += percent - p;
            *to++ = static_cast<char>(kBytes.hex[static_cast<unsigned char>(percent[1])] << 4 | kBytes.hex[static_cast<unsigned char>(percent[2])]);
            p = percent + 3;
        }
        std::memcpy(to, p, static_cast<std::size_t>(body + n - p));
        return true;
    }

    bool record(PhonebookRecord& out) {
        constexpr std::size_t kSmallestField = 6;  // "s0,s0,"
        constexpr std::size_t kReserveCap = 256;   // never trust a count for more than this
        std::uint64_t fields = 0;
        if (!take('r') || !count(left(), ',', fields) || fields > left() / kSmallestField) return false;
        out.clear();
        out.reserve(std::min<std::size_t>(static_cast<std::size_t>(fields), kReserveCap));
        for (std::uint64_t i = 0; i < fields; ++i) {
            out.emplace_back();
            if (!string(out.back().first) || !string(out.back().second)) return false;
        }
        return true;
    }
};

// Removes the first `n` bytes of `buffer`: one move of the rest, and a truncation that
// needs no call into the library.
inline void dropFront(std::string& buffer, std::size_t n) {
    const std::size_t rest = buffer.size() - n;
    if (rest != 0) std::memmove(&buffer[0], buffer.data() + n, rest);
    buffer.erase(rest);
}

// Runs `read` on a fresh value; only on success drops the encoding from the front of
// `buffer` and moves the value into `out`.
template <typename T, typename Read>
bool decodeFront(std::string& buffer, T& out, Read read) {
    Reader reader{buffer.data(), buffer.size()};
    T value{};
    if (!read(reader, value)) return false;
    dropFront(buffer, reader.pos);  // before the store, in case `out` is `buffer` itself
    out = std::move(value);
    return true;
}

}  // namespace

void Serializer::serialize(std::string& buffer, int value) {
    const bool negative = value < 0;
    const std::uint32_t magnitude = negative ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    char text[16];
    char* out = text;
    *out++ = 'i';
    if (negative) *out++ = '-';
    out = putDecimal(out, magnitude);
    *out++ = '.';
    buffer.append(text, static_cast<std::size_t>(out - text));
}

void Serializer::serialize(std::string& buffer, const std::string& value, bool) {
    if (&value == &buffer) {  // the value as it was before this call, not as it grows
        const std::string copy(value);
        return serialize(buffer, copy, false);
    }
    if (value.empty()) {  // spare slots and absent fields: the commonest value of all
        buffer.append("s0,", 3);
        return;
    }
    if (bound(value.size()) <= kScratch) {
        char scratch[kScratch];
        buffer.append(scratch, static_cast<std::size_t>(putStringOnePass(scratch, value.data(), value.size()) - scratch));
        return;
    }
    const std::size_t escapes = countEscapes(value.data(), value.size()), size = encodedSize(value.size(), escapes);
    const std::size_t start = buffer.size();
    putString(extend(buffer, size + kSlack), value, escapes);
    buffer.resize(start + size);
}

void Serializer::serialize(std::string& buffer, PhonebookRecord& record) {
    {
        char scratch[kScratch];
        char* out = scratch;
        *out++ = 'r';
        out = putDecimal(out, record.size());
        *out++ = ',';
        auto field = record.begin();
        // Each field is written while its worst case fits in what is left of the scratch.
        for (; field != record.end() && bound(field->first.size()) + bound(field->second.size()) <= kScratch - static_cast<std::size_t>(out - scratch); ++field) {
            out = putStringOnePass(out, field->first.data(), field->first.size());
            out = putStringOnePass(out, field->second.data(), field->second.size());
        }
        if (field == record.end()) {
            buffer.append(scratch, static_cast<std::size_t>(out - scratch));  // after the last read of the record
            return;
        }
    }
    for (const RecordField& field : record) {
        if (&field.first == &buffer || &field.second == &buffer) {  // encode the record as it was
            PhonebookRecord copy(record);
            return serialize(buffer, copy);
        }
    }
    // The exact size first, so that the buffer grows once and by no more than it keeps. The
    // escape counts of the first fields are kept for the writing.
    constexpr std::size_t kKept = 64;
    std::size_t counts[kKept];
    std::size_t size = 2 + decimalLength(record.size()), k = 0;
    for (const RecordField& field : record) {
        for (const std::string* s : {&field.first, &field.second}) {
            const std::size_t escapes = countEscapes(s->data(), s->size());
            if (k < kKept) counts[k++] = escapes;
            size += encodedSize(s->size(), escapes);
        }
    }
    const std::size_t start = buffer.size();
    char* out = extend(buffer, size + kSlack);
    *out++ = 'r';
    out = putDecimal(out, record.size());
    *out++ = ',';
    k = 0;
    for (const RecordField& field : record) {
        for (const std::string* s : {&field.first, &field.second}) {
            const std::size_t escapes = k < kKept ? counts[k++] : countEscapes(s->data(), s->size());
            out = putString(out, *s, escapes);
        }
    }
    buffer.resize(start + size);
}

bool Serializer::deserialize(std::string& buffer, int& value) {
    return decodeFront(buffer, value, [](Reader& r, int& v) { return r.integer(v); });
}

bool Serializer::deserialize(std::string& buffer, std::string& value, bool) {
    if (&value == &buffer) return decodeFront(buffer, value, [](Reader& r, std::string& v) { return r.string(v); });
    // Straight into `value`, whose room is reused: the reader writes it only on success.
    Reader reader{buffer.data(), buffer.size()};
    if (!reader.string(value)) return false;
    dropFront(buffer, reader.pos);
    return true;
}

bool Serializer::deserialize(std::string& buffer, PhonebookRecord& record) {
    return decodeFront(buffer, record, [](Reader& r, PhonebookRecord& v) { return r.record(v); });
}
