#include "text_cursor.h"

namespace dstypes {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool onlySpace(std::string_view s) {
    for (char c : s)
        if (!isSpace(c)) return false;
    return true;
}

namespace {

// Bytes as messages show them: printable ASCII as it is, any other byte as \xNN.
std::string shown(std::string_view s) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool mustEscape(unsigned char c) { return c < 0x20 || c == 0x7F || c == '%' || c == ':' || c == ';'; }
int upperHex(char c) { return isDigit(c) ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1; }

struct Fault {
    std::size_t at = 0;
    std::string why, field;
};

// Why the value at the front of `s` does not decode: the first byte that makes it invalid,
// what was expected there in words, and, inside a record, the field that holds it
// ("/2/name"). It walks the value once; the cursor asks only when a value has failed.
class Diagnosis {
public:
    Diagnosis(std::string_view s, std::string_view end) : s_(s), end_(end) {}

    // What stands at `at`: a value's kind, a byte, or the end.
    std::string found(std::size_t at) const {
        if (at >= s_.size()) return std::string(end_);
        const char c = s_[at];
        if (c == 'i' || c == 's' || c == 'r') return c == 'i' ? "an integer" : c == 's' ? "a string" : "a record";
        return c >= 0x20 && c < 0x7F ? "'" + std::string(1, c) + "'" : "the byte " + shown(s_.substr(at, 1));
    }

    Fault of(char tag) {
        std::size_t at = 0;
        if (tag == 'i' ? !integer(at) : tag == 's' ? !string(at) : !record(at)) return fault_;
        return {0, "the serializer does not take this value", ""};  // our grammar holds it: say so
    }

private:
    bool fail(std::size_t at, std::string why) {
        fault_ = {at, std::move(why), field_};
        return false;
    }
    bool tag(std::size_t at, char t) {
        if (at < s_.size() && s_[at] == t) return true;
        return fail(at, std::string("expected ") +
                            (t == 'i'      ? "an integer"
                                : t == 's' ? "a string"
                                           : "a record") +
                            ", found " + found(at));
    }

    bool integer(std::size_t& at) {
        if (!tag(at, 'i')) return false;
        std::size_t i = at + 1;
        const bool minus = i < s_.size() && s_[i] == '-';
        i += minus;
        if (i < s_.size() && s_[i] == '+' && !minus) return fail(i, "an integer has no '+' sign");
        if (i >= s_.size() || !isDigit(s_[i])) return fail(i, "expected a digit, found " + found(i));
        if (s_[i] == '0' && minus) return fail(i, "a '-' is followed by a digit from 1 to 9: there is no -0");
        const unsigned long long max = minus ? 2147483648ull : 2147483647ull;
        unsigned long long v = 0;
        for (const std::size_t first = i; i < s_.size() && isDigit(s_[i]); ++i) {
            if (i > first && s_[first] == '0') return fail(i, "an integer has no leading zeros");
            if ((v = v * 10 + static_cast<unsigned>(s_[i] - '0')) > max)
                return fail(i, minus ? "an integer is at least -2147483648" : "an integer is at most 2147483647");
        }
        if (i >= s_.size() || s_[i] != '.')
            return fail(i, "expected '.' after the integer's digits, found " + found(i));
        at = i + 1;
        return true;
    }

    // The length of a string or the field count of a record, after its tag, and its ','.
    bool count(std::size_t& at, char t, std::size_t& n) {
        const char* name = t == 's' ? "length" : "field count";
        const std::size_t first = at;
        if (first >= s_.size() || !isDigit(s_[first]))
            return fail(first, std::string("expected the ") + name + "'s digits, found " + found(first));
        unsigned long long v = 0;
        std::size_t i = first;
        for (; i < s_.size() && isDigit(s_[i]); ++i) {
            if (i > first && s_[first] == '0') return fail(i, std::string("a ") + name + " has no leading zeros");
            v = v * 10 + static_cast<unsigned>(s_[i] - '0');
            const std::size_t room = s_.size() > i + 2 ? s_.size() - (i + 2) : 0;  // were ',' next
            if ((t == 's' ? v : 6 * v) > room) return tooLong(first, i, t);
        }
        if (i >= s_.size() || s_[i] != ',')
            return fail(i, std::string("expected ',' after the ") + name + ", found " + found(i));
        at = i + 1;
        n = static_cast<std::size_t>(v);
        return true;
    }
    // The first digit of the length or count at `first` that asks for more than follows.
    bool tooLong(std::size_t first, std::size_t digit, char t) {
        std::size_t last = first;
        while (last < s_.size() && isDigit(s_[last])) ++last;
        const std::string_view digits = s_.substr(first, last - first);
        const std::size_t room = s_.size() > last + 1 ? s_.size() - (last + 1) : 0;
        if (digits.size() > 18)
            return fail(digit, std::string("a ") + (t == 's' ? "length" : "field count") + " of " +
                                   std::to_string(digits.size()) + " digits runs past " + std::string(end_));
        const unsigned long long v = std::stoull(std::string(digits));
        if (t == 's')
            return fail(digit, "a length of " + std::string(digits) + " runs past " + std::string(end_) + " by " +
                                   std::to_string(v - room) + (v - room == 1 ? " byte" : " bytes"));
        return fail(digit, "a count of " + std::string(digits) + " fields needs at least " + std::to_string(6 * v) +
                               " bytes, and " + std::to_string(room) + " follow before " + std::string(end_));
    }

    bool string(std::size_t& at) {
        std::size_t length = 0, i = at + 1;
        if (!tag(at, 's') || !count(i, 's', length)) return false;
        for (const std::size_t end = i + length; i < end; ++i) {
            const auto c = static_cast<unsigned char>(s_[i]);
            if (c == '%') {
                if (i + 3 > end) return fail(i, "the escape is cut off by the string's length");
                const int high = upperHex(s_[i + 1]), low = upperHex(s_[i + 2]);
                const std::string written(s_.substr(i, 3));
                std::string upper = written;
                for (char& h : upper) h = h >= 'a' && h <= 'f' ? static_cast<char>(h - 'a' + 'A') : h;
                if (upperHex(upper[1]) >= 0 && upperHex(upper[2]) >= 0 && (high < 0 || low < 0))
                    return fail(i, "an escape's hex digits are upper-case: " + upper + ", not " + written);
                if (high < 0 || low < 0)
                    return fail(i, "'%' begins an escape of two upper-case hex digits (a '%' itself is %25)");
                const auto byte = static_cast<char>(high * 16 + low);
                if (!mustEscape(static_cast<unsigned char>(byte)))
                    return fail(i, (byte >= 0x20 && byte < 0x7F ? "'" + shown({&byte, 1}) + "'"
                                                                : "the byte " + shown({&byte, 1})) +
                                       " is written as it is, not as " + written);
                i += 2;
            } else if (mustEscape(c)) {
                static constexpr char kHex[] = "0123456789ABCDEF";
                const std::string escape = {'%', kHex[c >> 4], kHex[c & 0xF]};
                return fail(i, (c == ':' || c == ';' ? "'" + std::string(1, static_cast<char>(c)) + "'"
                                                     : "the byte " + shown(s_.substr(i, 1))) +
                                   " must be written " + escape + " inside a value");
            }
        }
        at = i;
        return true;
    }

    bool record(std::size_t& at) {
        std::size_t fields = 0, i = at + 1;
        if (!tag(at, 'r') || !count(i, 'r', fields)) return false;
        for (std::size_t k = 0; k < fields; ++k)
            for (const char* member : {"/name", "/value"}) {
                field_ = "/" + std::to_string(k) + member;
                if (!string(i)) return false;
            }
        field_.clear();
        at = i;
        return true;
    }

    std::string_view s_, end_;
    std::string field_;
    Fault fault_;
};

}  // namespace

std::string excerpt(std::string_view text, std::size_t at) {
    const std::size_t from = at > 12 ? at - 12 : 0;
    std::string s = (from > 0 ? "..." : "") + shown(text.substr(from, at - from));
    if (at >= text.size()) return s + "[end]";
    s += "[" + shown(text.substr(at, 1)) + "]" + shown(text.substr(at + 1, 12));
    return at + 13 < text.size() ? s + "..." : s;
}

std::size_t extent(std::string_view s, char tag) {
    if (s.empty() || s[0] != tag) return 0;
    if (tag == 'i') {
        const std::size_t dot = s.substr(0, 14).find('.');
        return dot == std::string_view::npos ? 0 : dot + 1;
    }
    // A count of at most 19 digits, then ','.
    auto count = [&s](std::size_t from, std::size_t& value) -> std::size_t {
        std::size_t i = from;
        value = 0;
        while (i < s.size() && i - from < 19 && s[i] >= '0' && s[i] <= '9')
            value = value * 10 + static_cast<std::size_t>(s[i++] - '0');
        return i > from && i < s.size() && s[i] == ',' ? i + 1 : 0;
    };
    std::size_t n = 0, at = count(1, n);
    if (at == 0) return 0;
    if (tag == 's') return n <= s.size() - at ? at + n : 0;
    for (std::size_t k = 0; k < n; ++k)  // each field is two strings of at least three bytes
        for (int half = 0; half < 2; ++half) {
            const std::size_t e = extent(s.substr(at), 's');
            if (e == 0) return 0;
            at += e;
        }
    return at;
}

std::string Place::pointer() const {
    if (prefix.empty() || prefix[0] != '/') return "";
    return std::string(prefix) + (index < 0 ? "" : std::to_string(index)) + std::string(suffix);
}

std::string Place::words() const {
    if (prefix.empty() || prefix[0] != '/') return std::string(prefix);
    // Each step of the pointer: a container ("groups", "records", "values", a value's
    // "record"), an element of one ("slot 2", "record 4", "value 1", "field 2"), or a member,
    // which names the element before it: "the name of slot 2".
    static constexpr std::pair<std::string_view, std::string_view> kMembers[] = {{"header", "the header"},
        {"name", "the name"}, {"ringTone", "the ring tone"}, {"value", "the value"},
        {"groupNameLimit", "the group name limit"}};
    std::string path = pointer(), words, element;
    std::string_view container;
    auto add = [&words](const std::string& w) { words += (words.empty() ? "" : ", ") + w; };
    for (std::size_t at = 1; at <= path.size();) {
        const std::size_t slash = std::min(path.find('/', at), path.size());
        const std::string_view step = std::string_view(path).substr(at, slash - at);
        at = slash + 1;
        if (step.empty()) continue;
        if (step[0] >= '0' && step[0] <= '9') {
            if (!element.empty()) add(element);
            const long n = std::stol(std::string(step));
            element = container == "groups"    ? "slot " + std::to_string(n + 1)
                      : container == "records" ? "record " + std::to_string(n)
                      : container == "values"  ? "value " + std::to_string(n)
                                               : "field " + std::to_string(n);
            container = container == "records" ? "fields" : "";
        } else if (step == "groups" || step == "records" || step == "values") {
            container = step;
        } else if (step == "integer" || step == "string" || step == "record") {  // a value's own form
            if (!element.empty()) add(element), element.clear();
            container = "fields";
        } else {
            std::string member(step);
            for (const auto& [name, said] : kMembers)
                if (name == step) member = said;
            add(element.empty() ? member : member + " of " + element);
            element.clear();
        }
    }
    if (!element.empty()) add(element);
    return words;
}

void Cursor::record(char tag, std::size_t n, const Place& place) {
    const std::size_t body = tag == 'i' ? pos_ : text_.find(',', pos_) + 1;
    const std::string pointer = place.pointer();
    spans_->push_back({pos_, body, pos_ + n,
        tag == 'i'   ? Span::Role::integer
        : tag == 's' ? Span::Role::string
                     : Span::Role::record,
        pointer});
    if (tag != 'r') return;
    for (std::size_t at = body, k = 0; at < pos_ + n; ++k)
        for (const char* member : {"/name", "/value"}) {
            const std::size_t e = extent(text_.substr(at), 's');
            spans_->push_back(
                {at, text_.find(',', at) + 1, at + e, Span::Role::string, pointer + "/" + std::to_string(k) + member});
            at += e;
        }
}

std::string_view Cursor::endName() const {
    return limit_ < text_.size() ? "the frame's \"recEnd;\"" : "the end of the text";
}

std::string Cursor::found() const { return Diagnosis(rest(), endName()).found(0); }

void Cursor::refuse(char tag, const Place& place) const {
    const Fault f = Diagnosis(rest(), endName()).of(tag);
    fail(pos_ + f.at, f.why, f.field.empty() ? place.words() : Place{place.pointer() + f.field}.words());
}

void Cursor::fail(std::size_t at, const std::string& message, std::string where) const {
    // The line and column, when the text has line breaks before its trailing white space.
    const std::size_t last = text_.find_last_not_of(" \t\r\n");
    if (last != std::string_view::npos && text_.find('\n') < last) {
        const std::size_t lineStart = at == 0 ? 0 : text_.rfind('\n', at - 1) + 1;  // npos + 1 is 0
        const auto line = 1 + std::count(text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(at), '\n');
        where += (where.empty() ? "" : "; ") + ("line " + std::to_string(line)) + ", column " +
                 std::to_string(at - lineStart + 1);
    }
    throw BadText("bad " + std::string(kind_.name) + " text" +
                      (origin_ == Origin::detected ? " (the likeliest kind; no kind reads this text)" : " (given)") +
                      " at byte " + std::to_string(at) + ": " + message + (where.empty() ? "" : " (" + where + ")") +
                      ", near \"" + excerpt(text_, at) + "\"",
        at);
}

}  // namespace dstypes
