#include "json_writer.h"

#include <algorithm>
#include <charconv>

#include "WireFormat.h"

namespace dstypes {

namespace {

constexpr char kHex[] = "0123456789abcdef";

bool validUtf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    for (std::size_t i = 0, len; i < s.size(); i += len)
        if ((len = dst::utf8Length(p + i, s.size() - i)) == 0) return false;
    return true;
}

}  // namespace

void JsonWriter::key(std::string_view k) {
    if (silent_) return;
    element();
    quoted(k);
    out_.write(compact_ ? ":" : ": ");
    afterKey_ = true;
}

void JsonWriter::integer(long long v) {
    if (silent_) return;
    element();
    char digits[24];
    out_.write(std::string_view(
        digits, static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, v).ptr - digits)));
}

void JsonWriter::bytes(std::string_view s) {
    if (silent_) return;
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

void JsonWriter::element() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (depth_.empty()) return;
    if (!depth_.back()) out_.put(',');
    depth_.back() = false;
    newline(depth_.size());
}

void JsonWriter::open(char c) {
    if (silent_) return;
    element();
    out_.put(c);
    depth_.push_back(true);
}

void JsonWriter::close(char c) {
    if (silent_) return;
    const bool empty = depth_.back();
    depth_.pop_back();
    if (!empty) newline(depth_.size());
    out_.put(c);
}

void JsonWriter::newline(std::size_t level) {
    static constexpr std::string_view kSpaces = "                                ";
    if (compact_) return;
    out_.put('\n');
    for (std::size_t n = 2 * level; n != 0; n -= std::min(n, kSpaces.size()))
        out_.write(kSpaces.substr(0, std::min(n, kSpaces.size())));
}

void JsonWriter::quoted(std::string_view s) {
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

void writeRecord(JsonWriter& j, const PhonebookRecord& record) {
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

void writeGroupFields(JsonWriter& j, std::string_view name, std::string_view ringTone) {
    j.key("name");
    j.bytes(name);
    j.key("ringTone");
    j.bytes(ringTone);
}

void writeGroup(JsonWriter& j, int slot, std::string_view name, std::string_view ringTone) {
    j.beginObject();
    j.key("slot");
    j.integer(slot);
    writeGroupFields(j, name, ringTone);
    j.endObject();
}

void writeDimensionsFields(JsonWriter& j, int numEntries, int maxNumEntries, int groupNameLimit) {
    j.key("numEntries");
    j.integer(numEntries);
    j.key("maxNumEntries");
    j.integer(maxNumEntries);
    j.key("groupNameLimit");
    j.integer(groupNameLimit);
}

}  // namespace dstypes
