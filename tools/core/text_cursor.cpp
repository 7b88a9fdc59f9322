#include "text_cursor.h"

namespace dstypes {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool onlySpace(std::string_view s) {
    for (char c : s)
        if (!isSpace(c)) return false;
    return true;
}

std::string excerpt(std::string_view text, std::size_t at) {
    auto show = [](std::string_view s) {
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
    };
    const std::size_t from = at > 12 ? at - 12 : 0;
    std::string s = (from > 0 ? "..." : "") + show(text.substr(from, at - from));
    if (at >= text.size()) return s + "[end]";
    s += "[" + show(text.substr(at, 1)) + "]" + show(text.substr(at + 1, 12));
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

void Cursor::fail(std::size_t at, const std::string& message, const Place& place) const {
    const std::string where = place.words();
    throw BadText("bad " + std::string(kind_.name) + " text (" + (origin_ == Origin::detected ? "detected" : "given") +
                      ") at byte " + std::to_string(at) + ": " + message + (where.empty() ? "" : " (" + where + ")") +
                      ", near \"" + excerpt(text_, at) + "\"",
        at);
}

}  // namespace dstypes
