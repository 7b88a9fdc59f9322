// The decoders over the primitives `B` of a backend; codec.h includes it in each backend's
// namespace, after encoder.h (no include guard).

template <typename B>
struct Decoder {
    using Chunk = typename B::Chunk;

    static bool getInt(std::string& buffer, int& value) {
        return decodeFront(buffer, value, [](Reader& r, int& v) { return r.integer(v); });
    }

    static bool getString(std::string& buffer, std::string& value) {
        if (&value == &buffer) return decodeFront(buffer, value, [](Reader& r, std::string& v) { return r.string(v); });
        // Straight into `value`, whose room is reused: the reader writes it only on success.
        Reader reader{buffer.data(), buffer.size()};
        if (!reader.string(value)) return false;
        dropFront(buffer, reader.pos);
        return true;
    }

    static bool getRecord(std::string& buffer, PhonebookRecord& record) {
        return decodeFront(buffer, record, [](Reader& r, PhonebookRecord& v) { return r.record(v); });
    }

private:
    // A cursor over the working string: every read checks the end, and nothing is consumed
    // from the string itself until a whole value has been read.
    struct Reader {
        const char* data;
        std::size_t size;
        std::size_t pos = 0;

        std::size_t left() const { return size - pos; }

        bool take(char c) {
            if (pos >= size || data[pos] != c) return false;
            ++pos;
            return true;
        }

        // Canonical unsigned decimal (no sign, no leading zero) not above `max`, then `term`;
        // in std::size_t, which holds every limit (what is left of the text, or 2^31): on a
        // 32-bit core a 64-bit division by ten takes some twenty instructions a digit.
        bool count(std::size_t max, char term, std::size_t& out) {
            if (pos >= size || data[pos] < '0' || data[pos] > '9') return false;
            std::size_t v = 0;
            if (data[pos] == '0') {
                ++pos;
            } else {
                // At most max / 10 before each digit, v stays within max + 9: no wrap, every
                // limit being far below the most a std::size_t holds.
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
            if (!count(limit, '.', magnitude) || (negative && magnitude == 0)) return false;  // no "-0"
            out = negative ? static_cast<int>(-static_cast<std::int64_t>(magnitude)) : static_cast<int>(magnitude);
            return true;
        }

        // A body is valid when each byte of the escaped class is a '%' and two upper-case
        // hex digits that name a byte of that class. It is checked whole before `out` is
        // touched, and `out` is made once, at its exact size: a body that fits the scratch
        // is checked and decoded there in one pass, a longer one checked, then decoded
        // through the scratch in pieces. Values without escapes of up to three chunks, most
        // of them, are checked and appended at once.
        DST_INLINE bool string(std::string& out) {
            std::size_t n = 0;
            if (!take('s') || !count(left(), ',', n) || n > left()) return false;
            const char* const body = data + pos;
            const bool plain = n < kChunk ? B::escapeMaskShort(B::loadShort(body, n), n) == 0
                                          : n <= 3 * kChunk && Encoder<B>::eachMask(body, n,
                                                                   [](std::size_t, unsigned m) { return m == 0; });
            auto takePlain = [&] {
                put(out, body, n);
                pos += n;
                return true;
            };
            if (plain) return takePlain();
            if (n <= kLongestDecodedOnStack) {
                char scratch[kScratch];
                const char* const end = unescape(scratch, body, n);
                if (end == nullptr) return false;
                pos += n;
                put(out, scratch, static_cast<std::size_t>(end - scratch));
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
            if (!Encoder<B>::eachMask(body, n, check)) return false;
            if (escapes == 0) return takePlain();
            pos += n;
            // Each piece cut before an escape (in a checked body every '%' begins one), and
            // appended to `out` when its room is enough, else to a string made once at the
            // exact size that then takes its place: `out` is unchanged if memory runs out.
            std::string fresh;
            const std::size_t size = n - 2 * escapes;
            std::string& to = out.capacity() >= size ? out : fresh;
            to.reserve(size);
            to.clear();
            char scratch[kScratch];
            for (std::size_t at = 0; at < n;) {
                std::size_t piece = std::min(n - at, kLongestDecodedOnStack);
                if (at + piece < n) piece -= body[at + piece - 1] == '%' ? 1 : body[at + piece - 2] == '%' ? 2 : 0;
                to.append(scratch,
                    static_cast<std::size_t>(unescape(scratch, body + at, piece) - scratch));  // checked: not null
                at += piece;
            }
            if (&to == &fresh) out.swap(fresh);
            return true;
        }

        // The `n` bytes at `p` into `out`, in the room it has if that is enough, unchanged if
        // that throws. A record's fields start empty: append, which is assign for them, costs
        // some forty instructions less on armhf.
        static DST_INLINE void put(std::string& out, const char* p, std::size_t n) {
            if (out.empty())
                out.append(p, n);
            else
                out.assign(p, n);
        }

        // The byte the two hex digits after e[0] name; negative when either is not one.
        static DST_INLINE int escapeValue(const char* e) {
            return kBytes.hex[static_cast<unsigned char>(e[1])] * 16 | kBytes.hex[static_cast<unsigned char>(e[2])];
        }
        // Zero when the escape at e is a '%' and names a byte that must be escaped: no branch
        // and no compare, the table covering the negative values.
        static DST_INLINE unsigned badEscape(const char* e, int value) {
            return static_cast<unsigned>(*e ^ '%') | kBytes.notEscaped[value + 16];
        }

        // While this many bytes are left, the digits of each escape a chunk starts lie in
        // the body (and the shuffling step reads two bytes past its chunk).
        static constexpr std::size_t kWholeChunk = kChunk + 2;
        // A step's output starts no further on than its input; it stores a chunk at most
        // past its last escape's byte, which is kChunk - 3 on at most: within the room.
        static_assert(2 * kChunk - 3 <= kWholeChunk + kDecodeRoom && kChunk - 3 <= kDecodeRoom);

        // Decodes and checks the body of `n` bytes at `p` to `to`, which has room for
        // n + kDecodeRoom bytes; returns the end, or null when the body is not valid. A
        // chunk is stored whole, and each escaped-class byte in it decoded in one step, with
        // no search, no call and no branch on whether the escape is valid (or, shuffling,
        // the whole chunk at once); the last bytes take chunks no longer than the body. Out
        // of line: inlined into each reader, it made the armhf library 14 % larger.
        static char* unescape(char* to, const char* p, std::size_t n) {
            const char* const stop = p + n;
            unsigned bad = 0;  // not zero once an escape is not valid
            // The escapes of a chunk of which `len` bytes are the body's, from its one mask:
            // after each, the rest of the chunk is loaded again from after its digits and
            // stored after its byte (byte i to shifted[i], two bytes back for each escape
            // before it; copied whole where sixteen bytes of the body follow). An escape whose
            // digits spill past the chunk moves the next chunk's start.
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
            // Shuffling, a chunk with escapes is decoded whole; `carry` marks the digits that
            // spill into the next chunk.
            if constexpr (B::kChunks == Chunks::Shuffled) {
                unsigned carry = 0;
                while (static_cast<std::size_t>(stop - p) >= kWholeChunk) {
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
                while (static_cast<std::size_t>(stop - p) >= kWholeChunk) {
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
                // An escaped-class byte among the body's last two has no room for its digits.
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

    // Runs `read` on a fresh value; only on success drops the encoding from `buffer` and
    // moves the value into `out`.
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
