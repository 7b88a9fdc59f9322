// Strict reading of a text form: each value cut out by its own length, and messages that say
// where the reading stopped.
#ifndef DST_TOOLS_TEXT_CURSOR_H
#define DST_TOOLS_TEXT_CURSOR_H

#include <algorithm>
#include <string>
#include <string_view>
#include <type_traits>

#include "PhonebookRecord.h"
#include "Serializer.h"
#include "core.h"

namespace dstypes {

bool isSpace(char c);
bool onlySpace(std::string_view s);

/// Up to 12 bytes on each side of `at`, the byte at `at` in brackets ("[end]" past the
/// end); bytes that are not printable ASCII as \xNN.
std::string excerpt(std::string_view text, std::size_t at);

/// Length of the encoding of kind `tag` ('i', 's' or 'r') at the front of `s` as its lengths
/// and terminators delimit it, or 0 when none is there. It looks no further than that
/// encoding, so reading a sequence of values costs what the values hold.
std::size_t extent(std::string_view s, char tag);

/// A cursor over the text being read strictly. Every value is cut out by its extent and
/// decoded by the serializer on its own, so nothing is ever removed from the front of a long
/// working string.
class Cursor {
public:
    Cursor(std::string_view text, const Kind& kind, Origin origin) : text_(text), kind_(kind), origin_(origin) {}

    std::string_view text() const { return text_; }
    std::size_t pos() const { return pos_; }
    std::string_view rest() const { return text_.substr(pos_, limit_ - pos_); }
    /// Reads stop at `at` (a frame's end) until it is set back to the end of the text.
    void limit(std::size_t at) { limit_ = std::min(at, text_.size()); }
    char peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
    bool atEnd() const { return onlySpace(rest()); }
    void skip(std::size_t n) { pos_ += n; }

    // `what` names the value in a message, followed by `index` when there is one.
    int integer(const char* what, long index = -1) { return take<int>('i', "an integer", what, index); }
    std::string string(const char* what, long index = -1) { return take<std::string>('s', "a string", what, index); }
    PhonebookRecord record(const char* what, long index = -1) {
        return take<PhonebookRecord>('r', "a record", what, index);
    }
    void end() {
        if (!atEnd()) fail(pos_, "unexpected text after the last value");
    }
    [[noreturn]] void fail(std::size_t at, const std::string& message) const;

private:
    template <typename T>
    T take(char tag, const char* expected, const char* what, long index) {
        const std::size_t n = extent(rest(), tag);
        std::string buffer(rest().substr(0, n));
        T value{};
        bool ok;
        if constexpr (std::is_same_v<T, std::string>)
            ok = Serializer::deserialize(buffer, value, false);
        else
            ok = Serializer::deserialize(buffer, value);
        if (n == 0 || !ok || !buffer.empty())
            fail(pos_, std::string("expected ") + expected + " (" + what +
                           (index < 0 ? "" : " " + std::to_string(index)) + ")");
        pos_ += n;
        return value;
    }

    std::string_view text_;
    const Kind& kind_;
    Origin origin_;
    std::size_t pos_ = 0, limit_ = text_.size();
};

}  // namespace dstypes

#endif
