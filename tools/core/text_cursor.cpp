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

void Cursor::fail(std::size_t at, const std::string& message) const {
    throw BadText("bad " + std::string(kind_.name) + " text (" + (origin_ == Origin::detected ? "detected" : "given") +
                      ") at byte " + std::to_string(at) + ": " + message + ", near \"" + excerpt(text_, at) + "\"",
        at);
}

}  // namespace dstypes
