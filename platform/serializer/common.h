// What every backend's codec shares, included before and outside its namespace: the escape
// set, the policies, the tables, the helpers of no instruction set (common.cpp: not inline).
#ifndef DST_SERIALIZER_COMMON_H
#define DST_SERIALIZER_COMMON_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>

#include "PhonebookRecord.h"
#include "sizes.h"

#define DST_INLINE __attribute__((always_inline)) inline

namespace dst_serializer {

// Room enough for the encoding of `n` bytes written in one pass.
constexpr std::size_t bound(std::size_t n) { return 3 * n + kLongestHead + kSlack; }
static_assert(bound(kLongestOnStack) <= kScratch, "the longest value written in one pass fits the scratch");

// The bytes a body writes as '%' and two hex digits; every classifier answers this.
constexpr unsigned char kLastControl = 0x1F, kDelete = 0x7F;
constexpr bool mustEscape(unsigned char c) {
    return c <= kLastControl || c == kDelete || c == '%' || c == ':' || c == ';';
}

// What a backend chooses beside its primitives.
enum class Chunks {
    Shuffled,  // every chunk the same steps, its escapes expanded and decoded whole by shuffles,
               // a value's last bytes its last sixteen shifted down: where mispredictions cost
    Skipping,  // a plain chunk skipped on a branch, escapes one at a time, the bytes after each
               // loaded again, last bytes loaded by length, long bodies by one copy of the
               // code: where instructions and code size cost (ARM), or there is no shuffle
};
enum class LongBodies {
    Classified,  // every chunk classified, as in shorter bodies
    ByTable,     // past three chunks, each byte written from the table: where classifying one
                 // is itself a lookup, no dearer for plain text and cheaper for dense
};

struct ByteTable {
    signed char hex[256];     // value of an upper-case hex digit, -1 otherwise
    char digits[200];         // "00" to "99"
    char heads[16][4];        // "s0," to "s9," and a spare byte, "s10," to "s15,"
    unsigned char bits[256];  // how many bits are set
    // At v + 16 for v from -16 (what two hex values give when either is not a digit, taken
    // as a byte from 0xF0 up, which is never escaped) to 255: 0 when v must be escaped.
    unsigned char notEscaped[16 + 256];
    constexpr ByteTable() : hex(), digits(), heads(), bits(), notEscaped() {
        for (int c = 0; c < 256; ++c) hex[c] = -1;
        for (int d = 0; d < 10; ++d) hex['0' + d] = static_cast<signed char>(d);
        for (int d = 0; d < 6; ++d) hex['A' + d] = static_cast<signed char>(10 + d);
        for (int v = 0; v < 100; ++v)
            digits[2 * v] = static_cast<char>('0' + v / 10), digits[2 * v + 1] = static_cast<char>('0' + v % 10);
        for (int n = 0; n < 16; ++n) {
            heads[n][0] = 's', heads[n][1] = n < 10 ? static_cast<char>('0' + n) : '1';
            heads[n][2] = n < 10 ? ',' : static_cast<char>('0' + n - 10), heads[n][3] = ',';
        }
        for (int i = 1; i < 256; ++i) bits[i] = static_cast<unsigned char>(bits[i / 2] + (i & 1));
        for (int v = -16; v < 256; ++v) notEscaped[v + 16] = !mustEscape(static_cast<unsigned char>(v));
    }
};
// What each byte is written as ("%XX" or itself), then that length: a table of its own, not
// internal, so that ARM takes its address from the GOT and indexes it with no offset to add.
struct EscapeTable {
    char at[256][4];
    constexpr EscapeTable() : at() {
        constexpr char hexDigits[] = "0123456789ABCDEF";
        for (int c = 0; c < 256; ++c) {
            const bool escaped = mustEscape(static_cast<unsigned char>(c));
            at[c][0] = escaped ? '%' : static_cast<char>(c), at[c][1] = hexDigits[c >> 4];
            at[c][2] = hexDigits[c & 0xF], at[c][3] = escaped ? 3 : 1;
        }
    }
};
inline constexpr EscapeTable kEscapes;
// Internal to each backend's file: ARM then addresses it from the file's other constants.
namespace {
constexpr ByteTable kBytes;
}  // namespace

constexpr bool kBigEndian = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__;

// From a table: the baseline x86-64 and armhf have no population count instruction.
DST_INLINE unsigned popcount16(unsigned x) { return kBytes.bits[x & 0xFF] + kBytes.bits[x >> 8]; }
// The mask of the first `n` (up to 16) bytes of a chunk.
DST_INLINE unsigned firstBits(std::size_t n) { return (1u << n) - 1; }

// In std::size_t, the widest value written: on a 32-bit core a 64-bit division is a call.
inline std::size_t decimalLength(std::size_t v) {
    std::size_t n = 1;
    for (; v >= 100; v /= 100) n += 2;
    return n + (v >= 10);
}
// Writes v in decimal at `out`, two digits at a time; returns the end. Not inline: copied
// into each caller, it made the armhf library 7 % larger for 1 % fewer instructions.
char* putDecimal(char* out, std::size_t v);
// Most lengths have one to three digits: no loop, no call, and two from the table.
DST_INLINE std::size_t digitsOf(std::size_t v) { return v < 10 ? 1 : v < 100 ? 2 : v < 1000 ? 3 : decimalLength(v); }
DST_INLINE void putLength(char* out, std::size_t v) {
    if (v < 10)
        *out = static_cast<char>('0' + v);
    else if (v < 100)
        std::memcpy(out, &kBytes.digits[2 * v], 2);
    else if (v < 1000)  // long values: no call
        *out = static_cast<char>('0' + v / 100), std::memcpy(out + 1, &kBytes.digits[2 * (v % 100)], 2);
    else
        putDecimal(out, v);
}
// The head "s<length>," of a body of `length` bytes (`digits` digits); returns the body's place.
inline char* putHead(char* out, std::size_t length, std::size_t digits) {
    out[0] = 's';
    putLength(out + 1, length);
    out[1 + digits] = ',';
    return out + 2 + digits;
}

// The exact size of the encoding of `n` bytes of which `escapes` are escaped; in 64 bits,
// as a record's encodings can add up to more than a 32-bit std::size_t counts.
inline std::uint64_t encodedSize(std::size_t n, std::size_t escapes) {
    const std::uint64_t body = std::uint64_t{n} + 2 * std::uint64_t{escapes};
    if (body > SIZE_MAX) return body;  // too long for any string, whatever its head
    return 2 + digitsOf(static_cast<std::size_t>(body)) + body;
}
// Makes room at the end of `buffer` for an encoding of `size` bytes and kSlack beyond, and
// returns where it starts; throws std::length_error, as std::string does, past its most.
char* extendFor(std::string& buffer, std::uint64_t size);
// Removes the first `n` bytes of `buffer`: one move, and a truncation that needs no call.
inline void dropFront(std::string& buffer, std::size_t n) {
    const std::size_t rest = buffer.size() - n;
    if (rest != 0) std::memmove(&buffer[0], buffer.data() + n, rest);
    buffer.erase(rest);
}

// Eight bytes, byte i in bits 8i..8i+7 whatever the byte order.
DST_INLINE std::uint64_t loadWord(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return kBigEndian ? __builtin_bswap64(w) : w;
}
struct WordPair {
    std::uint64_t lo, hi;  // bytes 0 to 7, 8 to 15
};
// The `n` (below 16) bytes at `p`, the rest zero, by a few overlapping loads that touch
// nothing after them; on a 32-bit core in 32-bit pieces, each shifted by less than 32.
DST_INLINE WordPair loadShortWords(const char* p, std::size_t n) {
    auto load32 = [](const char* q) {
        std::uint32_t w;
        std::memcpy(&w, q, 4);
        return kBigEndian ? __builtin_bswap32(w) : w;
    };
    // The last `k` (0 to 3) bytes before `end`, moved down, from the word that ends there.
    auto ending = [&load32](const char* end, std::size_t k) { return load32(end - 4) >> (8 * (4 - k) - 1) >> 1; };
    auto pair = [](std::uint32_t low, std::uint32_t high) { return std::uint64_t{high} << 32 | low; };
    auto byte = [p](std::size_t i) { return std::uint32_t{static_cast<unsigned char>(p[i])} << (8 * i); };
    if constexpr (sizeof(void*) >= 8) {  // where a 64-bit shift is one instruction
        if (n >= 8) return {loadWord(p), loadWord(p + n - 8) >> (8 * (16 - n) - 1) >> 1};  // no branch for n == 8
        if (n >= 4) return {load32(p) | std::uint64_t{load32(p + n - 4)} << (8 * (n - 4)), 0};
    }
    if (n >= 12) return {pair(load32(p), load32(p + 4)), pair(load32(p + 8), ending(p + n, n - 12))};
    if (n >= 8) return {pair(load32(p), load32(p + 4)), ending(p + n, n - 8)};
    if (n >= 4) return {pair(load32(p), ending(p + n, n - 4)), 0};
    return {n == 0 ? 0 : byte(0) | byte(n / 2) | byte(n - 1), 0};
}

}  // namespace dst_serializer

#endif
