#include "dstypes_core.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <charconv>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>

#include "DirectoryServiceTypes.h"
#include "Serializer.h"

namespace dstypes {

const std::vector<std::string> kKinds = {"group-list", "group", "dimensions", "search-results", "values"};

namespace {

constexpr std::string_view kTableHeader = "PhonebookGroupList";
constexpr std::string_view kDimensionsTag = "PhonebookGroupDimensions";
constexpr std::string_view kOpen = "rec;", kClose = "recEnd;";

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool onlySpace(std::string_view s) {
    for (char c : s)
        if (!isSpace(c)) return false;
    return true;
}

// --- bytes in JSON ----------------------------------------------------------------------
// Valid UTF-8 is a JSON string; anything else is {"hex": "<two lower-case digits a byte>"}.

bool validUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t len = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        if (len == 0 || i + len > s.size()) return false;
        for (std::size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        const auto c1 = static_cast<unsigned char>(len > 1 ? s[i + 1] : 0);
        if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 > 0x8F))
            return false;  // overlong, surrogate or beyond U+10FFFF
        i += len;
    }
    return true;
}

constexpr char kHex[] = "0123456789abcdef";

// A JSON document written as it is produced, laid out as nlohmann's dump(2) (or dump()
// when compact) would lay out the same tree.
class JsonWriter {
public:
    JsonWriter(Output& out, bool compact) : out_(out), compact_(compact) {}
    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    void key(std::string_view k) {
        element();
        quoted(k);
        out_.write(compact_ ? ":" : ": ");
        afterKey_ = true;
    }
    void integer(long long v) {
        element();
        char digits[24];
        out_.write(std::string_view(digits, static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, v).ptr - digits)));
    }
    // Bytes: a string when they are valid UTF-8, {"hex": ...} otherwise.
    void bytes(std::string_view s) {
        if (validUtf8(s)) {
            element();
            quoted(s);
            return;
        }
        beginObject();
        key("hex");
        element();
        out_.put('"');
        for (unsigned char c : s) out_.put(kHex[c >> 4]), out_.put(kHex[c & 0xF]);
        out_.put('"');
        endObject();
    }
    void end() { out_.put('\n'); }

private:
    // Before any value or key: the separator from the previous element and the indentation.
    void element() {
        if (afterKey_) {
            afterKey_ = false;
            return;
        }
        if (depth_.empty()) return;
        if (!depth_.back()) out_.put(',');
        depth_.back() = false;
        newline(depth_.size());
    }
    void open(char c) {
        element();
        out_.put(c);
        depth_.push_back(true);
    }
    void close(char c) {
        const bool empty = depth_.back();
        depth_.pop_back();
        if (!empty) newline(depth_.size());
        out_.put(c);
    }
    void newline(std::size_t level) {
        static constexpr std::string_view kSpaces = "                                ";
        if (compact_) return;
        out_.put('\n');
        for (std::size_t n = 2 * level; n != 0; n -= std::min(n, kSpaces.size())) out_.write(kSpaces.substr(0, std::min(n, kSpaces.size())));
    }
    void quoted(std::string_view s) {
        out_.put('"');
        std::size_t run = 0;
        for (std::size_t i = 0; i < s.size(); ++i) {
            const auto c = static_cast<unsigned char>(s[i]);
            if (c >= 0x20 && c != '"' && c != '\\') continue;
            out_.write(s.substr(run, i - run));
            run = i + 1;
            switch (c) {
                case '"': out_.write("\\\""); break;
                case '\\': out_.write("\\\\"); break;
                case '\n': out_.write("\\n"); break;
                case '\r': out_.write("\\r"); break;
                case '\t': out_.write("\\t"); break;
                case '\b': out_.write("\\b"); break;
                case '\f': out_.write("\\f"); break;
                default: out_.write("\\u00"), out_.put(kHex[c >> 4]), out_.put(kHex[c & 0xF]);
            }
        }
        out_.write(s.substr(run));
        out_.put('"');
    }

    Output& out_;
    bool compact_;
    bool afterKey_ = false;
    std::vector<bool> depth_;  // per open container: nothing written in it yet
};

// --- reading text -----------------------------------------------------------------------

// Up to 12 bytes on each side of `at`, the byte at `at` in brackets; bytes that are not
// printable ASCII as \xNN.
std::string excerpt(std::string_view text, std::size_t at) {
    auto show = [](std::string_view s) {
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

// Length of the encoding of kind `kind` ('i', 's' or 'r') at the front of `s` as its
// lengths and terminators delimit it, or 0 when none is there. It looks no further than
// that encoding, so reading a sequence of values costs what the values hold.
std::size_t extent(std::string_view s, char kind) {
    if (s.empty() || s[0] != kind) return 0;
    if (kind == 'i') {
        const std::size_t dot = s.substr(0, 14).find('.');
        return dot == std::string_view::npos ? 0 : dot + 1;
    }
    // A count of at most 19 digits, then ','.
    auto count = [&s](std::size_t from, std::size_t& value) -> std::size_t {
        std::size_t i = from;
        value = 0;
        while (i < s.size() && i - from < 19 && s[i] >= '0' && s[i] <= '9') value = value * 10 + static_cast<std::size_t>(s[i++] - '0');
        return i > from && i < s.size() && s[i] == ',' ? i + 1 : 0;
    };
    std::size_t n = 0, at = count(1, n);
    if (at == 0) return 0;
    if (kind == 's') return n <= s.size() - at ? at + n : 0;
    for (std::size_t k = 0; k < n; ++k)  // each field is two strings of at least three bytes
        for (int half = 0; half < 2; ++half) {
            const std::size_t e = extent(s.substr(at), 's');
            if (e == 0) return 0;
            at += e;
        }
    return at;
}

// A cursor over the text being read strictly. Every value is cut out by its extent and
// decoded by the serializer on its own, so nothing is ever removed from the front of a
// long working string.
class Cursor {
public:
    Cursor(std::string_view text, std::string kind, std::string assumed, std::size_t pos = 0)
        : text_(text), kind_(std::move(kind)), assumed_(std::move(assumed)), pos_(pos) {}

    std::size_t pos() const { return pos_; }
    std::string_view rest() const { return text_.substr(pos_, limit_ - pos_); }
    // Reads stop at `limit` (a frame's end) until it is set back to the end of the text.
    void limit(std::size_t at) { limit_ = std::min(at, text_.size()); }
    char peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
    bool atEnd() const { return onlySpace(rest()); }
    void skip(std::size_t n) { pos_ += n; }

    // `what` names the value in a message, followed by `index` when there is one.
    int integer(const char* what, long index = -1) { return take<int>('i', "an integer", what, index); }
    std::string string(const char* what, long index = -1) { return take<std::string>('s', "a string", what, index); }
    PhonebookRecord record(const char* what, long index = -1) { return take<PhonebookRecord>('r', "a record", what, index); }
    void end() {
        if (!atEnd()) fail(pos_, "unexpected text after the last value");
    }
    [[noreturn]] void fail(std::size_t at, const std::string& message) const {
        throw BadInput("bad " + kind_ + " text (" + assumed_ + ") at byte " + std::to_string(at) + ": " + message + ", near \"" +
                       excerpt(text_, at) + "\"");
    }

private:
    template <typename T>
    T take(char kind, const char* expected, const char* what, long index) {
        const std::size_t n = extent(rest(), kind);
        std::string buffer(rest().substr(0, n));
        T value{};
        bool ok;
        if constexpr (std::is_same_v<T, std::string>) ok = Serializer::deserialize(buffer, value, false);
        else ok = Serializer::deserialize(buffer, value);
        if (n == 0 || !ok || !buffer.empty())
            fail(pos_, std::string("expected ") + expected + " (" + what + (index < 0 ? "" : " " + std::to_string(index)) + ")");
        pos_ += n;
        return value;
    }

    std::string_view text_;
    std::string kind_, assumed_;
    std::size_t pos_, limit_ = text_.size();
};

void recordToJson(JsonWriter& j, const PhonebookRecord& record) {
    j.beginArray();
    for (const RecordField& f : record) {
        j.beginObject();
        j.key("name");
        j.bytes(f.first);
        j.key("value");
        j.bytes(f.second);
        j.endObject();
    }
    j.endArray();
}

void groupFields(JsonWriter& j, std::string_view name, std::string_view ringTone) {
    j.key("name");
    j.bytes(name);
    j.key("ringTone");
    j.bytes(ringTone);
}

void groupToJson(JsonWriter& j, int slot, std::string_view name, std::string_view ringTone) {
    j.beginObject();
    j.key("slot");
    j.integer(slot);
    groupFields(j, name, ringTone);
    j.endObject();
}

void dimensionsFields(JsonWriter& j, int numEntries, int maxNumEntries, int groupNameLimit) {
    j.key("numEntries");
    j.integer(numEntries);
    j.key("maxNumEntries");
    j.integer(maxNumEntries);
    j.key("groupNameLimit");
    j.integer(groupNameLimit);
}

// The text up to the first ':' as "header", and the cursor past it; false when there is no ':'.
bool header(Cursor& in, JsonWriter& j) {
    const std::size_t colon = in.rest().find(':');
    if (colon == std::string_view::npos) return false;
    j.key("header");
    j.bytes(in.rest().substr(0, colon));
    in.skip(colon + 1);
    return true;
}

void decodeGroupList(Cursor& in, JsonWriter& j) {
    if (!header(in, j)) in.fail(in.pos(), "expected a header ending in ':'");
    const std::size_t at = in.pos();
    const int count = in.integer("the group count");
    if (count != 16) in.fail(at, "the group count is " + std::to_string(count) + ", not 16");
    j.key("groups");
    j.beginArray();
    for (int slot = 1; slot <= 16; ++slot) {
        const std::string name = in.string("the name of slot", slot);
        groupToJson(j, slot, name, in.string("the ring tone of slot", slot));
    }
    j.endArray();
}

void decodeGroup(Cursor& in, JsonWriter& j) {
    header(in, j);
    const std::string name = in.string("the name");
    groupFields(j, name, in.string("the ring tone"));
}

void decodeDimensions(Cursor& in, JsonWriter& j) {
    if (in.string("the type tag") != kDimensionsTag) in.fail(0, "the type tag is not " + std::string(kDimensionsTag));
    const int numEntries = in.integer("numEntries"), maxNumEntries = in.integer("maxNumEntries");
    const std::size_t at = in.pos();
    if (in.integer("the group name limit") != 15) in.fail(at, "the group name limit is not 15");
    dimensionsFields(j, numEntries, maxNumEntries, 15);
}

void decodeSearchResults(Cursor& in, JsonWriter& j, std::string_view text) {
    j.key("records");
    j.beginArray();
    for (std::size_t n = 0; !in.atEnd(); ++n) {
        if (in.rest().substr(0, kOpen.size()) != kOpen) in.fail(in.pos(), "expected \"rec;\"");
        const std::size_t end = text.find(kClose, in.pos() + kOpen.size());
        if (end == std::string_view::npos) in.fail(in.pos(), "frame without \"recEnd;\"");
        in.skip(kOpen.size());
        in.limit(end);
        recordToJson(j, in.record("record", static_cast<long>(n)));
        if (in.pos() != end) in.fail(in.pos(), "unexpected text before \"recEnd;\"");
        in.limit(text.size());
        in.skip(kClose.size());
    }
    j.endArray();
}

void decodeValues(Cursor& in, JsonWriter& j) {
    j.key("values");
    j.beginArray();
    for (std::size_t n = 0; !in.atEnd(); ++n) {
        const auto index = static_cast<long>(n);
        j.beginObject();
        switch (in.peek()) {
            case 'i': j.key("integer"), j.integer(in.integer("value", index)); break;
            case 's': j.key("string"), j.bytes(in.string("value", index)); break;
            case 'r': j.key("record"), recordToJson(j, in.record("value", index)); break;
            default: in.fail(in.pos(), "expected an integer, a string or a record (value " + std::to_string(n) + ")");
        }
        j.endObject();
    }
    j.endArray();
}

void checkKind(const std::string& kind) {
    for (const std::string& k : kKinds)
        if (k == kind) return;
    throw BadInput("unknown kind " + kind);
}

}  // namespace

void Output::flush() {
    for (std::size_t done = 0; done < buffer_.size();) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw IoError(std::string("cannot write the output: ") + std::strerror(errno));
        done += static_cast<std::size_t>(n);
    }
    written_ += buffer_.size();
    buffer_.clear();
}

std::string detectKind(std::string_view text) {
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    // Encodings never hold ';', so only frames (or stray text around them) can.
    if (text.empty() || text.find(kClose) != std::string_view::npos) return "search-results";
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos) return colon + 1 < text.size() && text[colon + 1] == 'i' ? "group-list" : "group";
    const std::size_t first = extent(text, 's');
    if (first != 0) {
        std::string tag(text.substr(0, first)), value;
        if (Serializer::deserialize(tag, value, false) && value == kDimensionsTag) return "dimensions";
        const std::size_t second = extent(text.substr(first), 's');
        if (second != 0 && first + second == text.size()) return "group";
    }
    return "values";
}

void decode(std::string_view text, const std::string& kind, const std::string& assumed, bool compact, Output& out) {
    checkKind(kind);
    Cursor in(text, kind, assumed);
    JsonWriter j(out, compact);
    j.beginObject();
    j.key("kind");
    j.bytes(kind);
    if (kind == "group-list") decodeGroupList(in, j);
    else if (kind == "group") decodeGroup(in, j);
    else if (kind == "dimensions") decodeDimensions(in, j);
    else if (kind == "search-results") decodeSearchResults(in, j, text);
    else decodeValues(in, j);
    in.end();
    j.endObject();
    j.end();
}

void decodeLenient(std::string_view text, const std::string& kind, const std::string& assumed, bool compact, Output& out,
                   std::vector<std::string>& notes) {
    checkKind(kind);
    if (kind == "values") throw BadInput("--lenient reads the kinds the library has classes for, not values");
    try {
        Output ignored;
        decode(text, kind, assumed, true, ignored);
    } catch (const BadInput& e) {
        notes.push_back(std::string("the strict reading objects: ") + e.what());
    }
    std::string working(text);
    JsonWriter j(out, compact);
    j.beginObject();
    j.key("kind");
    j.bytes(kind);
    if (kind == "group-list") {
        PhonebookGroupList table;
        table.deserialize(working);
        j.key("groups");
        j.beginArray();
        for (int slot = 1; slot <= 16; ++slot) {
            PhonebookGroup g;
            table.getGroup(slot, g);
            groupToJson(j, slot, g.getName(), g.getRingTone());
        }
        j.endArray();
    } else if (kind == "group") {
        PhonebookGroup g;
        g.deserialize(working);
        groupFields(j, g.getName(), g.getRingTone());
    } else if (kind == "dimensions") {
        PhonebookGroupDimensions d;  // a receiver in a fresh process starts at 0 and 0
        d.setNumEntries(0);
        d.setMaxNumEntries(0);
        d.deserialize(working);
        dimensionsFields(j, d.getNumEntries(), d.getMaxNumEntries(), d.getgroupNameLimit());
    } else {
        PhonebookSearchResults set;
        set.deserialize(working);
        PhonebookRecordList records;
        set.getRecordList(records);
        j.key("records");
        j.beginArray();
        for (const PhonebookRecord& r : records) recordToJson(j, r);
        j.endArray();
    }
    j.endObject();
    j.end();
    if (kind != "search-results" && !onlySpace(working))
        notes.push_back("the receiver leaves " + std::to_string(working.size()) + " bytes of the text unread");
}

std::string toXml(std::string_view text, const std::string& kind, const std::string& assumed, bool pretty) {
    checkKind(kind);
    if (kind != "group-list" && kind != "group" && kind != "dimensions") throw BadInput("the kind " + kind + " has no XML form");
    Output ignored;
    decode(text, kind, assumed, true, ignored);
    std::string working(text), xml;
    if (kind == "group-list") {
        PhonebookGroupList table;
        table.deserialize(working);
        xml = table.serialize_xml();
    } else if (kind == "group") {
        PhonebookGroup group;
        group.deserialize(working);
        xml = group.serialize_xml();
    } else {
        PhonebookGroupDimensions d;
        d.deserialize(working);
        xml = d.serialize_xml();
    }
    if (!pretty) return xml + "\n";
    const std::string document = "<" + kind + ">" + xml + "</" + kind + ">";
    std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> doc(
        xmlReadMemory(document.data(), static_cast<int>(document.size()), nullptr, "UTF-8",
                      XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
        xmlFreeDoc);
    if (!doc) throw BadInput("the XML form of this text is not well-formed");  // cannot happen: the writer escapes
    xmlChar* formatted = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(doc.get(), &formatted, &size, "UTF-8", 1);
    std::string result(reinterpret_cast<const char*>(formatted), static_cast<std::size_t>(size));
    xmlFree(formatted);
    return result;
}

// --- reading JSON -------------------------------------------------------------------------

namespace {

using Json = nlohmann::json;

[[noreturn]] void badJson(const std::string& path, const std::string& what) {
    throw BadInput("bad JSON at " + (path.empty() ? std::string("/") : path) + ": " + what);
}

std::string jsonToBytes(const Json& j, const std::string& path) {
    if (j.is_string()) return j.get<std::string>();
    if (!j.is_object() || j.size() != 1 || !j.contains("hex") || !j["hex"].is_string())
        badJson(path, "expected a string or {\"hex\": \"...\"}");
    const std::string& hex = j["hex"].get_ref<const std::string&>();
    auto nibble = [&](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        badJson(path + "/hex", "not a hex digit");
    };
    if (hex.size() % 2) badJson(path + "/hex", "odd number of hex digits");
    std::string out;
    for (std::size_t i = 0; i < hex.size(); i += 2) out += static_cast<char>(nibble(hex[i]) << 4 | nibble(hex[i + 1]));
    return out;
}

// An object with exactly the members `keys` (those after `optional` may be left out).
const Json& object(const Json& j, std::initializer_list<const char*> keys, std::size_t required, const std::string& path) {
    if (!j.is_object()) badJson(path, "expected an object");
    std::size_t i = 0;
    for (const char* k : keys)
        if (i++ < required && !j.contains(k)) badJson(path + "/" + k, "missing");
    for (auto it = j.begin(); it != j.end(); ++it)
        if (std::none_of(keys.begin(), keys.end(), [&](const char* k) { return it.key() == k; }))
            badJson(path + "/" + it.key(), "unknown member");
    return j;
}

int integer(const Json& j, const std::string& path) {
    if (j.is_number_unsigned() && j.get<std::uint64_t>() <= INT_MAX) return static_cast<int>(j.get<std::uint64_t>());
    if (j.is_number_integer() && !j.is_number_unsigned() && j.get<std::int64_t>() >= INT_MIN && j.get<std::int64_t>() <= INT_MAX)
        return static_cast<int>(j.get<std::int64_t>());
    badJson(path, j.is_number_integer() || j.is_discarded() ? "outside the 32-bit range" : "expected an integer");
}

PhonebookRecord jsonToRecord(const Json& fields, const std::string& path) {
    if (!fields.is_array()) badJson(path, "expected an array");
    PhonebookRecord r;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string at = path + "/" + std::to_string(i);
        const Json& f = object(fields[i], {"name", "value"}, 2, at);
        std::string name = jsonToBytes(f["name"], at + "/name");
        r.emplace_back(std::move(name), jsonToBytes(f["value"], at + "/value"));
    }
    return r;
}

// Events of the JSON parser, turned into the text form as they come. The members of the top
// object are taken one by one; each element of its one big array (a group, a record, a
// value) is first built as a small tree of its own, then encoded and dropped. Memory holds
// one element at a time, whatever the size of the input, and nesting deeper than any valid
// shape is refused at once.
class Encoder : public nlohmann::json_sax<Json> {
public:
    Encoder(const std::string& kind, Output& out)
        : kind_(kind), out_(out),
          arrayKey_(kind == "group-list" ? "groups" : kind == "search-results" ? "records" : kind == "values" ? "values" : "") {}

    bool null() override { return deliver(Json()); }
    bool boolean(bool v) override { return deliver(Json(v)); }
    bool number_integer(number_integer_t v) override { return deliver(Json(v)); }
    bool number_unsigned(number_unsigned_t v) override { return deliver(Json(v)); }
    bool number_float(number_float_t v, const string_t& text) override {
        // An integer beyond 64 bits arrives here: it is out of range, not a fraction.
        return deliver(text.find_first_of(".eE") == string_t::npos ? Json(Json::value_t::discarded) : Json(v));
    }
    bool string(string_t& v) override { return deliver(Json(std::move(v))); }
    bool binary(binary_t&) override { return deliver(Json()); }
    bool start_object(std::size_t) override { return open(Json::object()); }
    bool start_array(std::size_t) override { return open(Json::array()); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }
    bool key(string_t& k) override {
        Level& level = levels_.back();
        // The members so far: the tree's own, or for the top object those listed in `keys`.
        const bool top = levels_.size() == 1;
        const bool seen = top ? std::find(level.keys.begin(), level.keys.end(), k) != level.keys.end() : level.tree.contains(k);
        if (seen) badJson(path(levels_.size() - 1) + "/" + k, "duplicate key");
        if ((top ? level.keys.size() : level.tree.size()) == kMaxMembers) badJson(path(levels_.size() - 1) + "/" + k, "too many members");
        if (top) level.keys.push_back(k);
        level.key = std::move(k);
        return true;
    }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& e) override {
        std::string what = e.what();  // "[json.exception...] parse error at line 2, column 1: ..."
        const std::size_t at = what.find("at line ");
        what = at != std::string::npos ? what.substr(at + 3) : what.substr(what.find("] ") + 2);
        throw BadInput("bad JSON at byte " + std::to_string(position ? position - 1 : 0) + ", " + what);
    }

    // After the whole document: what is still to write, or missing.
    void finish() {
        if (kind_ == "group-list") {
            if (groups_.size() != 16) badJson("/groups", arraySeen_ ? "a table has exactly 16 groups" : "missing");
            std::string text = header_.value_or(std::string(kTableHeader)) + ":";
            Serializer::serialize(text, 16);
            for (const auto& [name, ringTone] : groups_) Serializer::serialize(text, name, false), Serializer::serialize(text, ringTone, false);
            out_.write(text);
        } else if (kind_ == "group") {
            if (!name_ || !ringTone_) badJson(name_ ? "/ringTone" : "/name", "missing");
            out_.write((header_ ? *header_ + ":" : "") + PhonebookGroup(0, *name_, *ringTone_).serialize());
        } else if (kind_ == "dimensions") {
            if (!numEntries_ || !maxNumEntries_) badJson(numEntries_ ? "/maxNumEntries" : "/numEntries", "missing");
            PhonebookGroupDimensions d;
            d.setNumEntries(*numEntries_);
            d.setMaxNumEntries(*maxNumEntries_);
            out_.write(d.serialize());
        } else if (!arraySeen_) {
            badJson("/" + arrayKey_, "missing");
        }
    }

private:
    static constexpr std::size_t kMaxDepth = 6;  // the deepest valid shape: /values/0/record/0/name/hex

    static constexpr std::size_t kMaxMembers = 5;  // the most any valid object has

    struct Level {
        Json tree;  // the value being built (unused for the top object and the big array)
        bool big = false;
        std::vector<std::string> keys;  // the top object's members so far (at most kMaxMembers)
        std::string key;
        std::size_t index = 0;
    };

    // Where the parser is, as a JSON pointer: the selections of the outermost `depth` levels.
    std::string path(std::size_t depth = SIZE_MAX) const {
        std::string p;
        for (std::size_t i = 0; i < levels_.size() && i < depth; ++i) {
            const Level& l = levels_[i];
            p += "/" + (l.big || l.tree.is_array() ? std::to_string(l.index) : l.key);
        }
        return p;
    }

    bool open(Json container) {
        if (levels_.empty() && !container.is_object()) badJson("", "expected an object");
        if (levels_.size() >= kMaxDepth) badJson(path(), "nested too deeply");
        const bool big = levels_.size() == 1 && levels_[0].key == arrayKey_ && container.is_array();
        arraySeen_ = arraySeen_ || big;
        levels_.push_back(Level{std::move(container), big, {}, {}, 0});
        return true;
    }

    bool close() {
        Level done = std::move(levels_.back());
        levels_.pop_back();
        return levels_.empty() || done.big || deliver(std::move(done.tree));
    }

    // A finished value: a member of the top object, an element of the big array, or a part
    // of the element being built.
    bool deliver(Json value) {
        if (levels_.empty()) badJson("", "expected an object");
        Level& parent = levels_.back();
        if (levels_.size() == 1) member(parent.key, value);
        else if (parent.big) element(value, path());
        else if (parent.tree.is_array()) parent.tree.push_back(std::move(value));
        else parent.tree[parent.key] = std::move(value);
        if (parent.big || parent.tree.is_array()) ++parent.index;
        return true;
    }

    void member(const std::string& k, const Json& value) {
        const std::string at = "/" + k;
        if (k == "kind") {
            if (value != kind_) badJson(at, "expected \"" + kind_ + "\"");
        } else if (k == "header" && (kind_ == "group-list" || kind_ == "group")) {
            header_ = jsonToBytes(value, at);
            if (header_->find(':') != std::string::npos) badJson(at, "a header cannot hold ':'");
        } else if ((k == "name" || k == "ringTone") && kind_ == "group") {
            (k == "name" ? name_ : ringTone_) = jsonToBytes(value, at);
        } else if ((k == "numEntries" || k == "maxNumEntries") && kind_ == "dimensions") {
            (k == "numEntries" ? numEntries_ : maxNumEntries_) = integer(value, at);
        } else if (k == "groupNameLimit" && kind_ == "dimensions") {
            if (integer(value, at) != 15) badJson(at, "the group name limit is always 15");
        } else {
            badJson(at, k == arrayKey_ ? "expected an array" : "unknown member for " + kind_);
        }
    }

    // One element of the big array, encoded now.
    void element(const Json& e, const std::string& at) {
        if (kind_ == "group-list") {
            if (groups_.size() == 16) badJson(at, "a table has exactly 16 groups");
            object(e, {"name", "ringTone", "slot"}, 2, at);
            if (e.contains("slot") && integer(e["slot"], at + "/slot") != static_cast<int>(groups_.size()) + 1)
                badJson(at + "/slot", "expected " + std::to_string(groups_.size() + 1));
            std::string name = jsonToBytes(e["name"], at + "/name");
            groups_.emplace_back(std::move(name), jsonToBytes(e["ringTone"], at + "/ringTone"));
        } else if (kind_ == "search-results") {
            PhonebookSearchResults one;  // frames concatenate: a set per record writes the same text
            one.addPhonebookRecord(jsonToRecord(e, at));
            out_.write(one.serialize());
        } else {
            if (!e.is_object() || e.size() != 1) badJson(at, "expected {\"integer\": ...}, {\"string\": ...} or {\"record\": [...]}");
            const std::string& k = e.begin().key();
            std::string text;
            if (k == "integer") {
                Serializer::serialize(text, integer(e[k], at + "/integer"));
            } else if (k == "string") {
                Serializer::serialize(text, jsonToBytes(e[k], at + "/string"), false);
            } else if (k == "record") {
                PhonebookRecord r = jsonToRecord(e[k], at + "/record");
                Serializer::serialize(text, r);
            } else {
                badJson(at + "/" + k, "expected integer, string or record");
            }
            out_.write(text);
        }
    }

    const std::string& kind_;
    Output& out_;
    const std::string arrayKey_;
    std::vector<Level> levels_;
    bool arraySeen_ = false;
    std::optional<std::string> header_, name_, ringTone_;
    std::optional<int> numEntries_, maxNumEntries_;
    std::vector<std::pair<std::string, std::string>> groups_;
};

}  // namespace

void encode(std::string_view json, const std::string& kind, Output& out) {
    checkKind(kind);
    Encoder encoder(kind, out);
    Json::sax_parse(json.begin(), json.end(), &encoder);
    encoder.finish();
}

}  // namespace dstypes
