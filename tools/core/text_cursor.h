// Strict reading of a text form: each value cut out by its own length, and messages that say
// where the reading stopped.
#ifndef DST_TOOLS_TEXT_CURSOR_H
#define DST_TOOLS_TEXT_CURSOR_H

#include <algorithm>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

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

/// Where a value sits: the JSON pointer of the member it becomes in decode's JSON, in three
/// parts ("/groups/", 1, "/name" is "/groups/1/name"), made into text only for a span or a
/// message. A prefix that does not begin with '/' names, in words, a value that the JSON
/// does not hold ("the group count"); its pointer is empty.
struct Place {
    std::string_view prefix;
    long index = -1;
    std::string_view suffix = {};
    std::string pointer() const;
    /// For messages: "the name of slot 2", "record 4, the value of field 2".
    std::string words() const;
};

/// A cursor over the text being read strictly. Every value is cut out by its extent and
/// decoded by the serializer on its own, so nothing is ever removed from the front of a long
/// working string. Given `spans`, it records there every piece it takes.
class Cursor {
public:
    Cursor(std::string_view text, const Kind& kind, Origin origin, std::vector<Span>* spans = nullptr)
        : text_(text), kind_(kind), origin_(origin), spans_(spans) {}

    std::string_view text() const { return text_; }
    std::size_t pos() const { return pos_; }
    std::string_view rest() const { return text_.substr(pos_, limit_ - pos_); }
    /// Reads stop at `at` (a frame's end) until it is set back to the end of the text.
    void limit(std::size_t at) { limit_ = std::min(at, text_.size()); }
    char peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
    bool atEnd() const { return onlySpace(rest()); }
    /// Takes `n` bytes of a header or a marker.
    void skip(std::size_t n, Span::Role role, const Place& place) {
        if (spans_) spans_->push_back({pos_, pos_, pos_ + n, role, place.pointer()});
        pos_ += n;
    }

    int integer(const Place& place) { return take<int>('i', place); }
    std::string string(const Place& place) { return take<std::string>('s', place); }
    PhonebookRecord record(const Place& place) { return take<PhonebookRecord>('r', place); }
    /// White space only, from here to the end.
    void end() {
        if (!atEnd())
            fail(text_.find_first_not_of(" \t\r\n", pos_),
                "unexpected text after the last value: only white space may follow it");
    }
    /// What stands here, for "expected ..., found ...": a value's kind, a byte, or the end.
    std::string found() const;
    /// A BadText at byte `at`: `message`, where it sits (in words) and an excerpt.
    [[noreturn]] void fail(std::size_t at, const std::string& message, std::string where = {}) const;

private:
    template <typename T>
    T take(char tag, const Place& place) {
        const std::size_t n = extent(rest(), tag);
        std::string buffer(rest().substr(0, n));
        T value{};
        bool ok;
        if constexpr (std::is_same_v<T, std::string>)
            ok = Serializer::deserialize(buffer, value, false);
        else
            ok = Serializer::deserialize(buffer, value);
        if (n == 0 || !ok || !buffer.empty()) refuse(tag, place);
        if (spans_) record(tag, n, place);
        pos_ += n;
        return value;
    }
    // The fault of the value of kind `tag` that failed here, at its offending byte.
    [[noreturn]] void refuse(char tag, const Place& place) const;
    std::string_view endName() const;  // where reads stop: the text's end or the frame's
    // The spans of the value of `n` bytes at pos_: a record's, then its fields'.
    void record(char tag, std::size_t n, const Place& place);

    std::string_view text_;
    const Kind& kind_;
    Origin origin_;
    std::vector<Span>* spans_;
    std::size_t pos_ = 0, limit_ = text_.size();
};

}  // namespace dstypes

#endif
