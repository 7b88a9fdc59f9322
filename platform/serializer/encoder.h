// The encoder over the primitives `B` of a backend; codec.h includes it in each backend's
// namespace (no include guard).

template <typename B>
struct Encoder {
    using Chunk = typename B::Chunk;
    static constexpr bool kSkipping = B::kChunks == Chunks::Skipping;

    static void putInt(std::string& buffer, int value) {
        const std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value) : value;
        char text[16] = {'i', '-'};
        char* out = putDecimal(text + 1 + (value < 0), magnitude);
        *out++ = '.';
        buffer.append(text, static_cast<std::size_t>(out - text));
    }

    static void putString(std::string& buffer, const std::string& value) {
        if (&value == &buffer) return putString(buffer, std::string(value));  // the value as it was
        if (value.empty()) return (void)buffer.append("s0,", 3);              // spare slots, absent fields: most common
        if (value.size() <= kLongestOnStack) {
            char scratch[kScratch];
            const char* end = putStringOnePass(scratch, value.data(), value.size());
            return (void)buffer.append(scratch, static_cast<std::size_t>(end - scratch));
        }
        const std::size_t escapes = countEscapes(value.data(), value.size()), start = buffer.size();
        const std::uint64_t size = encodedSize(value.size(), escapes);
        putCounted(extendFor(buffer, size), value, escapes);
        buffer.resize(start + static_cast<std::size_t>(size));
    }

    static void putRecord(std::string& buffer, PhonebookRecord& record) {
        {
            char scratch[kScratch];
            char* out = scratch;
            *out++ = 'r';
            const std::size_t count = record.size();
            out = count < 10 ? (*out = static_cast<char>('0' + count), out + 1) : putDecimal(out, count);
            *out++ = ',';
            auto field = record.begin();
            const auto last = record.end();  // kept: the stores through `out` could alias the record
            // Each field is written while its worst case fits in what is left of the scratch:
            // two comparisons for short fields far from its end. Otherwise a | b (at most a + b,
            // so no field that fits is turned away) is compared with kLongestOnStack first,
            // and past that three times the sum cannot wrap.
            constexpr std::size_t kShort = 256;
            const char* const roomy = scratch + kScratch - 2 * bound(kShort);
            for (; field != last; ++field) {
                const std::size_t a = field->first.size(), b = field->second.size();
                if (((a | b) >= kShort || out > roomy) &&
                    ((a | b) > kLongestOnStack ||
                        3 * (a + b) + 2 * bound(0) > kScratch - static_cast<std::size_t>(out - scratch)))
                    break;
                out = putStringOnePass(out, field->first.data(), field->first.size());
                out = putStringOnePass(out, field->second.data(), field->second.size());
            }
            if (field == last) return (void)buffer.append(scratch, static_cast<std::size_t>(out - scratch));
        }
        for (const RecordField& field : record)
            if (&field.first == &buffer || &field.second == &buffer) {  // encode the record as it was
                PhonebookRecord copy(record);
                return putRecord(buffer, copy);
            }
        // The exact size first, so that the buffer grows once, by what it keeps; the escape
        // counts of the first fields are kept for the writing.
        constexpr std::size_t kKept = 64;
        std::size_t counts[kKept], k = 0;
        std::uint64_t size = 2 + decimalLength(record.size());  // in 64 bits, as encodedSize()
        for (const RecordField& field : record)
            for (const std::string* s : {&field.first, &field.second}) {
                const std::size_t escapes = countEscapes(s->data(), s->size());
                if (k < kKept) counts[k++] = escapes;
                size += encodedSize(s->size(), escapes);
            }
        const std::size_t start = buffer.size();
        char* out = extendFor(buffer, size);
        *out++ = 'r';
        out = putDecimal(out, record.size());
        *out++ = ',';
        k = 0;
        for (const RecordField& field : record)
            for (const std::string* s : {&field.first, &field.second})
                out = putCounted(out, *s, k < kKept ? counts[k++] : countEscapes(s->data(), s->size()));
        buffer.resize(start + static_cast<std::size_t>(size));
    }

    // B::loadShort(p, n) where most values take it. Skipping, each length has a case of its
    // own, with fixed shifts and no tests of `n`, and escapeMaskShort's lookups are entered
    // from the same case: 9 % fewer instructions for contact-like records on armhf.
    static DST_INLINE Chunk loadShortByLength(const char* p, std::size_t n) {
        if constexpr (!kSkipping) {
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

    // Calls `f(at, m)` with the escape masks of the `n` bytes at `p` (bit i of `m` for byte
    // at + i, each byte in one mask) until one returns false: whole chunks, then the last
    // sixteen bytes less those covered, or a short load.
    template <typename F>
    static DST_INLINE bool eachMask(const char* p, std::size_t n, F f) {
        std::size_t i = 0;
        for (; i + kChunk <= n; i += kChunk)
            if (!f(i, B::escapeMask(B::load(p + i)))) return false;
        if (i == n) return true;
        if (n >= kChunk) return f(n - kChunk, B::escapeMask(B::load(p + n - kChunk)) & ~firstBits(kChunk - (n - i)));
        return f(0, B::escapeMaskShort(B::loadShort(p, n), n));
    }

private:
    static std::size_t countEscapes(const char* p, std::size_t n) {
        std::size_t count = 0;
        eachMask(p, n, [&count](std::size_t, unsigned m) { return count += popcount16(m), true; });
        return count;
    }

    // Byte `c` as the table writes it ("%XX" or itself) at out + at, four bytes stored;
    // returns the offset past what it keeps. An offset, not a pointer: ARM then adds the
    // length in the instruction that shifts it out of the entry, four instructions a byte
    // (what classifying and storing a plain byte takes), and no more for an escape.
    static DST_INLINE std::size_t putByte(char* out, std::size_t at, char c) {
        std::uint32_t e;  // its length in the last byte
        std::memcpy(&e, kEscapes.at[static_cast<unsigned char>(c)], 4);
        std::memcpy(out + at, &e, 4);
        return at + (kBigEndian ? e & 0xFF : e >> 24);
    }
    template <std::size_t... J>
    static DST_INLINE std::size_t putBytes(char* out, std::size_t at, const char* p, std::index_sequence<J...>) {
        return ((at = putByte(out, at, p[J])), ...);
    }

    // A chunk (escape mask `m`, `len` bytes kept, byte k also at src[k]) at `out`; returns
    // the end. Shuffled, it is expanded whole. Skipping, a plain one is stored; one with an
    // escape or two is stored whole, each escape written over its byte and the bytes after
    // it stored again, loaded anew; one with more (dense text) is written byte by byte from
    // the table, with no branch per escape.
    static DST_INLINE char* putChunk(char* out, Chunk c, unsigned m, std::size_t len, const char* src) {
        if constexpr (!kSkipping) {
            static_assert(B::kExpandOvershoot <= kSlack, "expand stores within the room callers leave");
            return B::expand(out, c, m) - (kChunk - len);  // the bytes past `len` are plain
        } else {
            static_assert(kChunk <= kSlack, "a chunk stored after its bytes' output is within the room");
            if (m == 0) return B::store(out, c), out + len;
            auto from = [&](std::size_t k) __attribute__((always_inline)) {  // the bytes after byte k
                return B::loadShort(src + k + 1, len - k - 1);
            };
            if (const unsigned after = m & (m - 1); after != 0) {
                if ((after & (after - 1)) == 0) {  // two: the second written as the first
                    const auto first = static_cast<std::size_t>(__builtin_ctz(m)),
                               second = static_cast<std::size_t>(__builtin_ctz(after));
                    B::store(out, c);
                    std::memcpy(out + first, kEscapes.at[static_cast<unsigned char>(src[first])], 4);
                    B::store(out + first + 3, from(first));
                    std::memcpy(out + second + 2, kEscapes.at[static_cast<unsigned char>(src[second])], 4);
                    B::store(out + second + 5, from(second));
                    return out + len + 4;
                }
                for (std::size_t j = 0; j < len; ++j) out += putByte(out, 0, src[j]);
                return out;
            }
            B::store(out, c);
            const auto k = static_cast<std::size_t>(__builtin_ctz(m));
            std::memcpy(out + k, kEscapes.at[static_cast<unsigned char>(src[k])], 4);
            B::store(out + k + 3, from(k));
            return out + len + 2;
        }
    }

    // The body of the `n` bytes at `p` (p[n] readable) at `out`, with kSlack bytes of room
    // beyond; returns its end. Up to 48 bytes, most values, take a fixed number of chunks.
    static DST_INLINE char* putBody(char* out, const char* p, std::size_t n) {
        if (n < kChunk) {
            const Chunk c = B::loadShort(p, n);
            return putChunk(out, c, B::escapeMaskShort(c, n), n, p);
        }
        auto full = [&](std::size_t i) __attribute__((always_inline)) {
            const Chunk c = B::load(p + i);
            out = putChunk(out, c, B::escapeMask(c), kChunk, p + i);
        };
        // From `i` on: the bytes not yet written, loaded on their own (skipping) or as the
        // last sixteen bytes shifted down.
        auto rest = [&](std::size_t i) __attribute__((always_inline)) {
            const std::size_t len = n - i;
            Chunk c;
            if constexpr (kSkipping)
                c = len < kChunk ? loadShortByLength(p + i, len) : B::load(p + i);
            else
                c = B::shiftDown(B::load(p + n - kChunk), kChunk - len);
            return putChunk(out, c, B::escapeMaskShort(c, len), len, p + i);
        };
        if constexpr (!kSkipping) {
            // Every chunk takes the same steps: up to three chunks take one branch, on
            // whether the value is plain as a whole.
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
        std::size_t i = 0;
        if constexpr (B::kLongBodies == LongBodies::ByTable) {
            std::size_t at = 0;
            for (; n - i > kChunk; i += kChunk) at = putBytes(out, at, p + i, std::make_index_sequence<kChunk>());
            out += at;
            return rest(i);
        }
        // Past a few chunks (notes, mostly), whether a chunk is plain is predictable: plain
        // text has long runs of them, and dense text few.
        if (n > 6 * kChunk)
            for (; n - i > kChunk; i += kChunk) {
                const Chunk c = B::load(p + i);
                const unsigned m = B::escapeMask(c);
                out = m == 0 ? (B::store(out, c), out + kChunk) : putChunk(out, c, m, kChunk, p + i);
            }
        for (; n - i > kChunk; i += kChunk) full(i);
        return rest(i);
    }

    // Skipping, the one-pass writers share one copy of putBody, for code size: a call costs
    // little beside a body of sixteen bytes and more.
    __attribute__((noinline)) static char* putBodyOutOfLine(char* out, const char* p, std::size_t n) {
        return putBody(out, p, n);
    }

    // The encoding of a string whose escapes are counted.
    static char* putCounted(char* out, const std::string& s, std::size_t escapes) {
        const std::size_t body = s.size() + 2 * escapes;
        return putBody(putHead(out, body, digitsOf(body)), s.data(), s.size());
    }

    // The encoding of the `n` bytes at `p` at `out`, which has room for bound(n) bytes;
    // returns its end. One pass: the body goes where a length of as many digits as the raw
    // size leaves it, and moves in the rare case that escapes add a digit. A short value
    // without escapes (field names, mostly) is two stores: its head, from the table, and
    // its chunk.
    static DST_INLINE char* putStringOnePass(char* out, const char* p, std::size_t n) {
        char *end, *body;
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
            end = kSkipping ? putBodyOutOfLine(body, p, n) : putBody(body, p, n);
        }
        const auto length = static_cast<std::size_t>(end - body);
        const std::size_t digits = digitsOf(length);
        if (digits != guess) std::memmove(body + (digits - guess), body, length), end += digits - guess;
        putHead(out, length, digits);
        return end;
    }
};
