// The serializer's encoder and decoders, written once over a backend that classifies and
// moves sixteen bytes at a time (chunk.h). libSerializer instantiates them for the native
// backend; the tests and the fuzz target, for every backend the host can run.
#ifndef DST_SERIALIZER_CODEC_H
#define DST_SERIALIZER_CODEC_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

#include "PhonebookRecord.h"
#include "chunk.h"

namespace dst_serializer {
// Internal to each file that compiles it (libSerializer's one, a test, the fuzz target), so
// that the compiler inlines what is used once, as it would in a file of its own.
namespace {

struct ByteTable {
    signed char hex[256];     // value of an upper-case hex digit, -1 otherwise
    char digits[200];         // "00" to "99"
    char escapes[256][4];     // what a byte is written as ("%XX" or itself), then that length
    char heads[16][4];        // "s0," to "s9," and a spare byte, "s10," to "s15,"
    unsigned char bits[256];  // how many bits are set
    // For v from -16 to 255 at v + 16 (what two hex values give, negative when either is
    // not a digit): 0 when v is a byte that must be escaped, 1 otherwise. A negative v is
    // taken as a byte from 0xF0 up, which is never escaped.
    unsigned char notEscaped[16 + 256];
    constexpr ByteTable() : hex(), digits(), escapes(), heads(), bits(), notEscaped() {
        for (int c = 0; c < 256; ++c) hex[c] = -1;
        for (int d = 0; d < 10; ++d) hex['0' + d] = static_cast<signed char>(d);
        for (int d = 0; d < 6; ++d) hex['A' + d] = static_cast<signed char>(10 + d);
        for (int v = 0; v < 100; ++v)
            digits[2 * v] = static_cast<char>('0' + v / 10), digits[2 * v + 1] = static_cast<char>('0' + v % 10);
        constexpr char hexDigits[] = "0123456789ABCDEF";
        for (int c = 0; c < 256; ++c) {
            const bool escaped = mustEscape(static_cast<unsigned char>(c));
            escapes[c][0] = escaped ? '%' : static_cast<char>(c), escapes[c][1] = hexDigits[c >> 4],
            escapes[c][2] = hexDigits[c & 0xF];
            escapes[c][3] = escaped ? 3 : 1;
        }
        for (int n = 0; n < 16; ++n) {
            heads[n][0] = 's', heads[n][1] = n < 10 ? static_cast<char>('0' + n) : '1';
            heads[n][2] = n < 10 ? ',' : static_cast<char>('0' + n - 10), heads[n][3] = ',';
        }
        for (int i = 1; i < 256; ++i) bits[i] = static_cast<unsigned char>(bits[i / 2] + (i & 1));
        for (int v = -16; v < 256; ++v) notEscaped[v + 16] = !mustEscape(static_cast<unsigned char>(v));
    }
};
inline constexpr ByteTable kBytes;

// From a table: the default x86-64 and armhf targets have no population count instruction,
// and the builtin would call into the compiler's runtime.
DST_INLINE unsigned popcount16(unsigned x) { return kBytes.bits[x & 0xFF] + kBytes.bits[x >> 8]; }

// --- writing, whatever the backend ------------------------------------------------------

// In std::size_t, the widest value written (lengths, counts and int magnitudes): on a
// 32-bit core a 64-bit division, even by a constant, is a call into the compiler's runtime.
inline std::size_t decimalLength(std::size_t v) {
    std::size_t n = 1;
    for (; v >= 100; v /= 100) n += 2;
    return n + (v >= 10);
}

// Writes v in decimal at `out`, two digits at a time; returns the end. Not declared inline:
// copied into each caller, it made the armhf library 7 % larger for 1 % fewer instructions.
char* putDecimal(char* out, std::size_t v) {
    char* const end = out + decimalLength(v);
    char* p = end;
    for (; v >= 100; v /= 100) p -= 2, std::memcpy(p, &kBytes.digits[2 * (v % 100)], 2);
    if (v >= 10)
        p -= 2, std::memcpy(p, &kBytes.digits[2 * v], 2);
    else
        *--p = static_cast<char>('0' + v);
    return end;
}

// The encoder may store whole chunks past what it keeps: callers leave this much room
// beyond the exact size.
constexpr std::size_t kSlack = 2 * kChunk;

// Most lengths have one to three digits: those take no loop, and one or two come from the table.
DST_INLINE std::size_t digitsOf(std::size_t v) { return v < 10 ? 1 : v < 100 ? 2 : v < 1000 ? 3 : decimalLength(v); }
DST_INLINE void putLength(char* out, std::size_t v) {
    if (v < 10)
        *out = static_cast<char>('0' + v);
    else if (v < 100)
        std::memcpy(out, &kBytes.digits[2 * v], 2);
    else
        putDecimal(out, v);
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
// In 64 bits: on a 32-bit core, the encodings of a record's values (each up to three times
// its size) can add up to more than a std::size_t counts, and the writer must see that,
// not a wrapped size.
inline std::uint64_t encodedSize(std::size_t n, std::size_t escapes) {
    const std::uint64_t body = std::uint64_t{n} + 2 * std::uint64_t{escapes};
    if (body > SIZE_MAX) return body;  // too long for any string, whatever its head
    return 2 + digitsOf(static_cast<std::size_t>(body)) + body;
}

// Makes room at the end of `buffer` for an encoding of `size` bytes and `kSlack` beyond,
// and returns where it starts. Throws std::length_error, as std::string itself does, when
// the string cannot grow that far. Growth is geometric, up to the most a string holds, so
// that many appends to one working string stay linear in total.
inline char* extendFor(std::string& buffer, std::uint64_t size) {
    const std::size_t start = buffer.size(), most = buffer.max_size(), capacity = buffer.capacity();
    if (size + kSlack > most - start) throw std::length_error("Serializer::serialize: text too long");
    const std::size_t end = start + static_cast<std::size_t>(size) + kSlack;
    if (end > capacity) buffer.reserve(std::max(end, capacity > most / 2 ? most : 2 * capacity));
    buffer.resize(end);
    return &buffer[start];
}

// Room enough for the encoding of `n` bytes written in one pass.
constexpr std::size_t bound(std::size_t n) { return 3 * n + 24 + kSlack; }

// Values whose worst case fits here are written on the stack, in one pass, and appended in
// one piece; larger ones are counted first and written straight into the working string.
constexpr std::size_t kScratch = 4096;

// The longest value whose worst case fits the scratch. Callers compare sizes with it before
// they multiply: on a 32-bit core, three times the sizes of two values of 716 MB wraps to
// nothing, and a wrapped bound would let them onto the stack.
constexpr std::size_t kOnStack = (kScratch - bound(0)) / 3;

// --- reading, whatever the backend ------------------------------------------------------

// Removes the first `n` bytes of `buffer`: one move of the rest, and a truncation that
// needs no call into the library.
inline void dropFront(std::string& buffer, std::size_t n) {
    const std::size_t rest = buffer.size() - n;
    if (rest != 0) std::memmove(&buffer[0], buffer.data() + n, rest);
    buffer.erase(rest);
}

// --- the six operations over backend B ---------------------------------------------------

template <typename B>
struct Codec {
    using Backend = B;
    using Chunk = typename B::Chunk;

    static void serialize(std::string& buffer, int value) {
        const bool negative = value < 0;
        const std::uint32_t magnitude =
            negative ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
        char text[16];
        char* out = text;
        *out++ = 'i';
        if (negative) *out++ = '-';
        out = putDecimal(out, magnitude);
        *out++ = '.';
        buffer.append(text, static_cast<std::size_t>(out - text));
    }

    static void serialize(std::string& buffer, const std::string& value) {
        if (&value == &buffer) {  // the value as it was before this call, not as it grows
            const std::string copy(value);
            return serialize(buffer, copy);
        }
        if (value.empty()) {  // spare slots and absent fields: the commonest value of all
            buffer.append("s0,", 3);
            return;
        }
        if (value.size() <= kOnStack) {
            char scratch[kScratch];
            buffer.append(
                scratch, static_cast<std::size_t>(putStringOnePass(scratch, value.data(), value.size()) - scratch));
            return;
        }
        const std::size_t escapes = countEscapes(value.data(), value.size()), start = buffer.size();
        const std::uint64_t size = encodedSize(value.size(), escapes);
        putString(extendFor(buffer, size), value, escapes);
        buffer.resize(start + static_cast<std::size_t>(size));
    }

    static void serialize(std::string& buffer, PhonebookRecord& record) {
        {
            char scratch[kScratch];
            char* out = scratch;
            *out++ = 'r';
            const std::size_t count = record.size();
            out = count < 10 ? (*out = static_cast<char>('0' + count), out + 1)
                             : putDecimal(out, count);  // no call for most
            *out++ = ',';
            auto field = record.begin();
            const auto last = record.end();  // kept: the stores through `out` could alias the record
            // Each field is written while its worst case fits in what is left of the scratch.
            // Most fields are short and most records far from filling it: that takes two
            // comparisons. Otherwise the sizes are compared with kOnStack first: a | b is at
            // most a + b, so that turns away no field that fits, and past it three times
            // their sum cannot wrap.
            constexpr std::size_t kShort = 256;
            const char* const roomy = scratch + kScratch - 2 * bound(kShort);
            for (; field != last; ++field) {
                const std::size_t a = field->first.size(), b = field->second.size();
                if (((a | b) >= kShort || out > roomy) &&
                    ((a | b) > kOnStack ||
                        3 * (a + b) + 2 * bound(0) > kScratch - static_cast<std::size_t>(out - scratch)))
                    break;
                out = putStringOnePass(out, field->first.data(), field->first.size());
                out = putStringOnePass(out, field->second.data(), field->second.size());
            }
            if (field == last) {
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
        // The exact size first, so that the buffer grows once and by no more than it keeps.
        // The escape counts of the first fields are kept for the writing.
        constexpr std::size_t kKept = 64;
        std::size_t counts[kKept];
        std::uint64_t size = 2 + decimalLength(record.size());  // in 64 bits, as encodedSize()
        std::size_t k = 0;
        for (const RecordField& field : record) {
            for (const std::string* s : {&field.first, &field.second}) {
                const std::size_t escapes = countEscapes(s->data(), s->size());
                if (k < kKept) counts[k++] = escapes;
                size += encodedSize(s->size(), escapes);
            }
        }
        const std::size_t start = buffer.size();
        char* out = extendFor(buffer, size);
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
        buffer.resize(start + static_cast<std::size_t>(size));
    }

    static bool deserialize(std::string& buffer, int& value) {
        return decodeFront(buffer, value, [](Reader& r, int& v) { return r.integer(v); });
    }

    static bool deserialize(std::string& buffer, std::string& value) {
        if (&value == &buffer) return decodeFront(buffer, value, [](Reader& r, std::string& v) { return r.string(v); });
        // Straight into `value`, whose room is reused: the reader writes it only on success.
        Reader reader{buffer.data(), buffer.size()};
        if (!reader.string(value)) return false;
        dropFront(buffer, reader.pos);
        return true;
    }

    static bool deserialize(std::string& buffer, PhonebookRecord& record) {
        return decodeFront(buffer, record, [](Reader& r, PhonebookRecord& v) { return r.record(v); });
    }

private:
    // B::loadShort(p, n) where most values take it (a short value, or a longer one's last
    // bytes). Where instructions count, a switch on `n` gives each length its own loads,
    // with fixed shifts and no tests of `n`, and the compiler enters escapeMaskShort's
    // lookups from the same case. Contact-like records take 9 % fewer instructions on armhf.
    // Not everywhere: inlined at every short load, it made the armhf library 16 % larger.
    static DST_INLINE Chunk loadShortByLength(const char* p, std::size_t n) {
        if constexpr (!B::kFewestInstructions) {
            return B::loadShort(p, n);
        } else {
            switch (n) {
                case 0: return B::loadShort(p, 0);
                case 1: return B::loadShort(p, 1);
                case 2: return B::loadShort(p, 2);
                case 3: return B::loadShort(p, 3);
                case 4: return B::loadShort(p, 4);
                case 5: return B::loadShort(p, 5);
                case 6: return B::loadShort(p, 6);
                case 7: return B::loadShort(p, 7);
                case 8: return B::loadShort(p, 8);
                case 9: return B::loadShort(p, 9);
                case 10: return B::loadShort(p, 10);
                case 11: return B::loadShort(p, 11);
                case 12: return B::loadShort(p, 12);
                case 13: return B::loadShort(p, 13);
                case 14: return B::loadShort(p, 14);
                default: return B::loadShort(p, 15);
            }
        }
    }

    // Calls `f(at, m)` with the escape masks of the `n` bytes at `p`, bit i of `m` for byte
    // at + i, each byte in exactly one mask, and stops at the first call that returns false.
    // The rest after the whole chunks is the last sixteen bytes again, less those already
    // covered, or a short load.
    template <typename F>
    static DST_INLINE bool eachMask(const char* p, std::size_t n, F f) {
        std::size_t i = 0;
        for (; i + kChunk <= n; i += kChunk)
            if (!f(i, B::escapeMask(B::load(p + i)))) return false;
        if (i == n) return true;
        if (n >= kChunk) return f(n - kChunk, B::escapeMask(B::load(p + n - kChunk)) & ~firstBits(kChunk - (n - i)));
        return f(0, B::escapeMaskShort(B::loadShort(p, n), n));
    }

    // How many of the `n` bytes at `p` must be escaped.
    static std::size_t countEscapes(const char* p, std::size_t n) {
        std::size_t count = 0;
        eachMask(p, n, [&count](std::size_t, unsigned m) { return count += popcount16(m), true; });
        return count;
    }

    // A chunk of a body (escape mask `m`, of which `len` bytes are kept, byte k also at
    // src[k]; src[0] is read even when `len` is 0, which a std::string's terminator allows)
    // at `out`; returns the end. A chunk with at most one escape is stored whole, its escape
    // written over its byte, and the bytes after it stored again, moved down (shifted in
    // registers, or loaded again where the backend reloads). Whether a chunk has an escape
    // cannot be predicted, so on x86-64 that takes no branch: a chunk without one writes its
    // would-be escape into the room beyond its end. A chunk with more (dense text) is
    // expanded by shuffles where the backend has them, or else written byte by byte from a
    // table; either way without a branch per escape.
    static DST_INLINE char* putChunk(char* out, Chunk c, unsigned m, std::size_t len, const char* src) {
        if constexpr (B::kShuffles) return B::expand(out, c, m) - (kChunk - len);  // the bytes past `len` are plain
        if (B::kFewestInstructions && m == 0) {
            B::store(out, c);
            return out + len;
        }
        // The chunk's bytes after byte k (an escape, or `len` for none), moved down to byte 0.
        static_assert(!B::kReloads || B::kFewestInstructions, "a backend that reloads branches past plain chunks");
        auto from = [&](std::size_t k) __attribute__((always_inline)) {
            if constexpr (B::kReloads)
                return B::loadShort(src + k + 1, len - k - 1);
            else
                return B::shiftDown(c, std::min(k + 1, kChunk));
        };
        if (const unsigned after = m & (m - 1); after != 0) {
            // Exactly two: where instructions count (ARM), the second escape is written as
            // the first, on top of the chunk as the first left it.
            if (B::kFewestInstructions && (after & (after - 1)) == 0) {
                const auto first = static_cast<std::size_t>(__builtin_ctz(m)),
                           second = static_cast<std::size_t>(__builtin_ctz(after));
                B::store(out, c);
                std::memcpy(out + first, kBytes.escapes[static_cast<unsigned char>(src[first])], 4);
                B::store(out + first + 3, from(first));
                std::memcpy(out + second + 2, kBytes.escapes[static_cast<unsigned char>(src[second])], 4);
                B::store(out + second + 5, from(second));
                return out + len + 4;
            }
            for (std::size_t j = 0; j < len; ++j) out = putByte(out, kBytes.escapes, src[j]);
            return out;
        }
        B::store(out, c);
        const auto k = static_cast<std::size_t>(__builtin_ctz(m | 1u << len));
        std::memcpy(out + k, kBytes.escapes[static_cast<unsigned char>(src[m != 0 ? k : 0])], 4);
        B::store(out + k + 3, from(k));
        return out + len + (m != 0 ? 2 : 0);
    }

    // Byte `c` as `escapes` (kBytes.escapes) writes it, "%XX" or itself, at `out`, four
    // bytes stored; returns the end of what it keeps.
    static DST_INLINE char* putByte(char* out, const char (*escapes)[4], char c) {
        std::uint32_t e;  // its length, the last byte, taken from the register
        std::memcpy(&e, escapes[static_cast<unsigned char>(c)], 4);
        std::memcpy(out, &e, 4);
        return out + (kBigEndian ? e & 0xFF : e >> 24);
    }

    // The sixteen bytes at `p`, each written from the table whether escaped or not; returns
    // the end. Four instructions a byte on ARM, about what classifying a plain byte and
    // storing it take, and nothing more for an escape.
    static DST_INLINE char* putBytes(char* out, const char* p) {
        // The empty asm statements keep the table's address and `out` in registers as they
        // are: without them GCC folds the table's offset into every index and splits each
        // step of `out`, two more instructions a byte.
        const char(*escapes)[4] = kBytes.escapes;
        asm("" : "+r"(escapes));
#pragma GCC unroll 16
        for (std::size_t j = 0; j < kChunk; ++j) {
            out = putByte(out, escapes, p[j]);
            asm("" : "+r"(out));
        }
        return out;
    }

    // The body of the `n` bytes at `p` (a std::string's data: p[n] is readable), at `out`
    // with `kSlack` bytes of room beyond it; returns its end. Bodies of up to 48 bytes, most
    // values, take a fixed number of chunks instead of a loop.
    static DST_INLINE char* putBody(char* out, const char* p, std::size_t n) {
        if (n < kChunk) {
            const Chunk c = B::loadShort(p, n);
            return putChunk(out, c, B::escapeMaskShort(c, n), n, p);
        }
        auto full = [&](std::size_t i) __attribute__((always_inline)) {
            const Chunk c = B::load(p + i);
            out = putChunk(out, c, B::escapeMask(c), kChunk, p + i);
        };
        // From `i` on: the bytes not yet written, loaded on their own (where instructions
        // count) or as the last sixteen bytes shifted down.
        auto rest = [&](std::size_t i) __attribute__((always_inline)) {
            const std::size_t len = n - i;
            Chunk c;
            if constexpr (B::kFewestInstructions)
                c = len < kChunk ? loadShortByLength(p + i, len) : B::load(p + i);
            else
                c = B::shiftDown(B::load(p + n - kChunk), kChunk - len);
            return putChunk(out, c, B::escapeMaskShort(c, len), len, p + i);
        };
        if constexpr (B::kShuffles) {
            // Where every chunk with escapes is expanded without a branch, a value of up to
            // three chunks takes one branch, on whether it is plain as a whole.
            if (n <= 3 * kChunk) {
                const Chunk first = B::load(p), last = B::load(p + n - kChunk);
                const bool three = n > 2 * kChunk;
                const Chunk second = three ? B::load(p + kChunk) : first;
                if ((B::escapeMask(first) | B::escapeMask(last) | (three ? B::escapeMask(second) : 0)) == 0) {
                    B::store(out, first), B::store(out + (three ? kChunk : 0), second),
                        B::store(out + n - kChunk, last);
                    return out + n;
                }
            }
        }
        if (n <= 2 * kChunk) return full(0), rest(kChunk);
        if (n <= 3 * kChunk) return full(0), full(kChunk), rest(2 * kChunk);
        // Shorter bodies, most of them plain, are classified even so: there a plain chunk
        // is one store.
        if constexpr (B::kLongByTable) {
            std::size_t i = 0;
            for (; n - i > kChunk; i += kChunk) out = putBytes(out, p + i);
            return rest(i);
        }
        std::size_t i = 0;
        // Past a few chunks (notes, mostly), whether a chunk is plain is predictable:
        // plain text has long runs of them, and dense text few.
        if (n > 6 * kChunk) {
            for (; n - i > kChunk; i += kChunk) {
                const Chunk c = B::load(p + i);
                const unsigned m = B::escapeMask(c);
                if (m == 0)
                    B::store(out, c), out += kChunk;
                else
                    out = putChunk(out, c, m, kChunk, p + i);
            }
        }
        for (; n - i > kChunk; i += kChunk) full(i);
        return rest(i);
    }

    // One copy of putBody for the one-pass writers, where code size counts: a call costs
    // little beside a body of sixteen bytes and more.
    __attribute__((noinline)) static char* putBodyOutOfLine(char* out, const char* p, std::size_t n) {
        return putBody(out, p, n);
    }

    // The encoding of a string whose escapes are counted already.
    static char* putString(char* out, const std::string& s, std::size_t escapes) {
        const std::size_t body = s.size() + 2 * escapes;
        return putBody(putHead(out, body, digitsOf(body)), s.data(), s.size());
    }

    // The encoding of the `n` bytes at `p` at `out`, which has room for `bound(n)` bytes;
    // returns its end. One pass: the body goes where a length of as many digits as the raw
    // size leaves it, and moves in the rare case that escapes add a digit.
    static DST_INLINE char* putStringOnePass(char* out, const char* p, std::size_t n) {
        // A short value without escapes (field names, mostly) is one store of its head from
        // a table and one of its chunk; one with escapes is that chunk, expanded.
        char* end;
        char* body;
        std::size_t guess;
        if (n < kChunk) {
            const Chunk c = loadShortByLength(p, n);
            const unsigned m = B::escapeMaskShort(c, n);
            if (m == 0) {
                std::memcpy(out, kBytes.heads[n], 4);
                body = out + (n < 10 ? 3 : 4);
                B::store(body, c);
                return body + n;
            }
            guess = n < 10 ? 1 : 2;
            body = out + 2 + guess;
            end = putChunk(body, c, m, n, p);
        } else {
            guess = digitsOf(n);
            body = out + 2 + guess;
            end = B::kFewestInstructions ? putBodyOutOfLine(body, p, n) : putBody(body, p, n);
        }
        const auto length = static_cast<std::size_t>(end - body);
        const std::size_t digits = digitsOf(length);
        if (digits != guess) {
            std::memmove(body + (digits - guess), body, length);
            end += digits - guess;
        }
        putHead(out, length, digits);
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
        // In std::size_t, which holds every limit (what is left of the text, or 2^31): on a
        // 32-bit core a 64-bit division by ten took some twenty instructions a digit.
        bool count(std::size_t max, char term, std::size_t& out) {
            if (pos >= size || data[pos] < '0' || data[pos] > '9') return false;
            std::size_t v = 0;
            if (data[pos] == '0') {
                ++pos;
            } else {
                // Below max / 10 before each digit, v stays within max + 9, which does not
                // wrap: every limit is far below the most a std::size_t holds.
                const std::size_t most = max / 10;
                while (pos < size && data[pos] >= '0' && data[pos] <= '9') {
                    if (v > most) return false;
                    v = v * 10 + static_cast<std::size_t>(data[pos] - '0');
                    ++pos;
                }
                if (v > max) return false;
            }
            if (!take(term)) return false;
            out = v;
            return true;
        }

        bool integer(int& out) {
            if (!take('i')) return false;
            const bool negative = take('-');
            std::size_t magnitude = 0;
            const std::size_t limit = negative ? 2147483648u : 2147483647u;
            if (!count(limit, '.', magnitude)) return false;
            if (negative && magnitude == 0) return false;  // "-0" is not canonical
            out = negative ? static_cast<int>(-static_cast<std::int64_t>(magnitude)) : static_cast<int>(magnitude);
            return true;
        }

        // A body is valid when every byte of the escaped class is a '%' followed by two
        // upper-case hex digits that name a byte of that class. The whole body is checked
        // before `out` is touched, and `out` is then made once, at its exact size: a body
        // that fits the scratch is checked and decoded there in one pass; a longer one is
        // checked first and decoded through the scratch in pieces.
        DST_INLINE bool string(std::string& out) {
            std::size_t n = 0;
            if (!take('s') || !count(left(), ',', n) || n > left()) return false;
            const char* const body = data + pos;
            // Most values have no escape: those up to a few chunks are checked and appended
            // at once, without the scratch.
            const bool plain =
                n < kChunk ? B::escapeMaskShort(B::loadShort(body, n), n) == 0
                           : n <= 3 * kChunk && eachMask(body, n, [](std::size_t, unsigned m) { return m == 0; });
            auto takePlain = [&] {
                out.assign(body, n);  // into the room `out` already has, if it is enough; unchanged if it throws
                pos += n;
                return true;
            };
            if (plain) return takePlain();
            if (n <= kScratch - kChunk) {
                char scratch[kScratch];
                const char* const end = unescape(scratch, body, n);
                if (end == nullptr) return false;
                pos += n;
                out.assign(scratch, static_cast<std::size_t>(end - scratch));
                return true;
            }
            std::size_t escapes = 0;
            auto check = [&](std::size_t at, unsigned m) __attribute__((always_inline)) {
                for (; m != 0; m &= m - 1, ++escapes) {
                    const std::size_t j = at + static_cast<std::size_t>(__builtin_ctz(m));
                    // badEscape tests the '%' too; testing it first as well makes the record
                    // reader, into which this is inlined, some 40 instructions shorter on armhf.
                    if (body[j] != '%' || n - j < 3 || badEscape(body + j, escapeValue(body + j)) != 0) return false;
                }
                return true;
            };
            if (!eachMask(body, n, check)) return false;
            if (escapes == 0) return takePlain();
            pos += n;
            // Decoded through the scratch a piece at a time, each cut before an escape (in a
            // checked body every '%' begins one), and appended to `out` when its room is
            // enough, else to a string made once at the exact size that then takes its place:
            // `out` is unchanged if memory runs out.
            std::string fresh;
            const std::size_t size = n - 2 * escapes;
            std::string& to = out.capacity() >= size ? out : fresh;
            to.reserve(size);
            to.clear();
            char scratch[kScratch];
            for (std::size_t at = 0; at < n;) {
                std::size_t piece = std::min(n - at, kScratch - kChunk);
                if (at + piece < n) piece -= body[at + piece - 1] == '%' ? 1 : body[at + piece - 2] == '%' ? 2 : 0;
                to.append(scratch,
                    static_cast<std::size_t>(unescape(scratch, body + at, piece) - scratch));  // checked: not null
                at += piece;
            }
            if (&to == &fresh) out.swap(fresh);
            return true;
        }

        // The byte the two hex digits after e[0] name; negative when either is not one.
        static DST_INLINE int escapeValue(const char* e) {
            return kBytes.hex[static_cast<unsigned char>(e[1])] * 16 | kBytes.hex[static_cast<unsigned char>(e[2])];
        }
        // Zero when the escape at e is a '%' and that byte is one that must be escaped: one
        // table lookup, no branch and no compare; the table covers the negative values.
        static DST_INLINE unsigned badEscape(const char* e, int value) {
            return static_cast<unsigned>(*e ^ '%') | kBytes.notEscaped[value + 16];
        }

        // Decodes the body of `n` bytes at `p` to `to`, which has room for `n + kChunk` bytes,
        // and checks it; returns the end, or null when the body is not valid (having written
        // `to` in part). A chunk is stored whole, and each escaped-class byte in it is
        // decoded in one step, with no search, no call, and no branch on whether the escape
        // is valid (or, with a shuffle, the whole chunk at once). A chunk's output starts no
        // further on than its input, and it stores at most 30 bytes past that start, so the
        // room holds every store while an escape's digits are within the body: while 18
        // bytes are left to read. The last bytes take chunks no longer than the body.
        // Out of line: inlined into each reader, it made the armhf library 14 % larger.
        static char* unescape(char* to, const char* p, std::size_t n) {
            const char* const stop = p + n;
            constexpr std::ptrdiff_t kRest = kChunk + 2;
            unsigned bad = 0;  // not zero once an escape is not valid
            // Every escape of a chunk is taken from its one mask: after each, the rest of the
            // chunk is loaded again from after its digits and stored after its byte. An
            // escape whose digits spill past the chunk moves the next chunk's start. Byte i
            // of a chunk goes to shifted[i]: two bytes back for each escape before it.
            // `len` bytes of the chunk are the body's; the rest after an escape is copied whole
            // where sixteen bytes of the body follow its digits (never in the last bytes).
            auto escapes = [&](unsigned m, std::size_t len) __attribute__((always_inline)) {
                char* shifted = to;
                std::size_t after = 0;  // the chunk's bytes up to the last escape's digits
                do {
                    const auto i = static_cast<std::size_t>(__builtin_ctz(m));
                    const char* const e = p + i;
                    const int value = escapeValue(e);
                    bad |= badEscape(e, value);
                    shifted[i] = static_cast<char>(value);  // dropped when the body is not valid
                    shifted -= 2;
                    after = i + 3;
                    m = m >> after << after;  // and the digits' bits, set only when they are invalid
                    if (after < len) {
                        if (stop - e >= static_cast<std::ptrdiff_t>(kChunk + 3))
                            std::memcpy(shifted + after, e + 3, kChunk);
                        else
                            B::store(shifted + after, B::loadShort(e + 3, len - after));
                    }
                } while (m != 0);
                after = std::max(after, len);
                p += after, to = shifted + after;
            };
            // A backend with a shuffle decodes every chunk with escapes whole, sixteen bytes
            // a step; `carry` marks the digits that spill into the next chunk.
            if constexpr (B::kShuffles) {
                unsigned carry = 0;
                while (stop - p >= kRest) {
                    const Chunk c = B::load(p);
                    if ((B::escapeMask(c) | carry) == 0) {
                        B::store(to, c);
                        p += kChunk, to += kChunk;
                        continue;
                    }
                    to = B::unescape(to, p, carry, bad);
                    p += kChunk;
                }
                p += carry & 2 ? 2 : carry;  // digits already decoded with their escape
            } else {
                while (stop - p >= kRest) {
                    const Chunk c = B::load(p);
                    const unsigned m = B::escapeMask(c);
                    B::store(to, c);
                    if (m == 0) {
                        p += kChunk, to += kChunk;
                        continue;
                    }
                    escapes(m, kChunk);
                }
            }
            while (p != stop) {
                const auto left = static_cast<std::size_t>(stop - p);
                const std::size_t len = std::min(left, kChunk);
                const Chunk c = left >= kChunk ? B::load(p) : B::loadShort(p, left);
                const unsigned m = B::escapeMaskShort(c, len);
                B::store(to, c);
                if (m == 0) {
                    p += len, to += len;
                    continue;
                }
                // An escaped-class byte among the body's last two has no room for its digits,
                // or is one of them: the body is not valid.
                if (m >> (left - std::min<std::size_t>(left, 2)) != 0) return nullptr;
                escapes(m, len);
            }
            return bad != 0 ? nullptr : to;
        }

        bool record(PhonebookRecord& out) {
            constexpr std::size_t kSmallestField = 6;  // "s0,s0,"
            constexpr std::size_t kReserveCap = 256;   // never trust a count for more than this
            std::size_t fields = 0;
            if (!take('r') || !count(left() / kSmallestField, ',', fields)) return false;
            out.clear();
            out.reserve(std::min(fields, kReserveCap));
            for (std::size_t i = 0; i < fields; ++i) {
                out.emplace_back();
                if (!string(out.back().first) || !string(out.back().second)) return false;
            }
            return true;
        }
    };

    // Runs `read` on a fresh value; only on success drops the encoding from the front of
    // `buffer` and moves the value into `out`.
    template <typename T, typename Read>
    static bool decodeFront(std::string& buffer, T& out, Read read) {
        Reader reader{buffer.data(), buffer.size()};
        T value{};
        if (!read(reader, value)) return false;
        dropFront(buffer, reader.pos);  // before the store, in case `out` is `buffer` itself
        out = std::move(value);
        return true;
    }
};

}  // namespace
}  // namespace dst_serializer

#endif
