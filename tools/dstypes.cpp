// dstypes: inspect, convert and produce the directory service text forms.
//   dstypes decode [FILE|-] [--as KIND] [--compact] [--xml]
//   dstypes encode KIND [FILE|-]
//   dstypes demo
// Exit status: 0 on success, 1 on an I/O error, 2 on bad input (text, JSON or arguments).
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "DirectoryServiceTypes.h"
#include "Serializer.h"

namespace {

using Json = nlohmann::ordered_json;

struct BadInput : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct IoError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

const std::vector<std::string> kKinds = {"group-list", "dimensions", "search-results", "group", "values"};
const std::string kTableHeader = "PhonebookGroupList";
const std::string kDimensionsTag = "PhonebookGroupDimensions";

// --- bytes in JSON ---------------------------------------------------------------------
// Valid UTF-8 is a JSON string; anything else is {"hex": "<two lower-case digits a byte>"}.

bool validUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3
                          : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        if (len == 0 || i + len > s.size()) return false;
        for (std::size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        const auto c1 = static_cast<unsigned char>(len > 1 ? s[i + 1] : 0);
        if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) ||
            (c == 0xF4 && c1 > 0x8F))
            return false;  // overlong, surrogate or beyond U+10FFFF
        i += len;
    }
    return true;
}

Json bytesToJson(const std::string& s) {
    if (validUtf8(s)) return s;
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : s) {
        hex += digits[c >> 4];
        hex += digits[c & 0xF];
    }
    return Json{{"hex", hex}};
}

[[noreturn]] void badJson(const std::string& path, const std::string& what) {
    throw BadInput("bad JSON at " + (path.empty() ? std::string("/") : path) + ": " + what);
}

std::string jsonToBytes(const Json& j, const std::string& path) {
    if (j.is_string()) return j.get<std::string>();
    if (!j.is_object() || j.size() != 1 || !j.contains("hex") || !j["hex"].is_string())
        badJson(path, "expected a string or {\"hex\": \"...\"}");
    const std::string hex = j["hex"].get<std::string>();
    auto nibble = [&](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        badJson(path + "/hex", "not a hex digit");
    };
    if (hex.size() % 2) badJson(path + "/hex", "odd number of hex digits");
    std::string out;
    for (std::size_t i = 0; i < hex.size(); i += 2)
        out += static_cast<char>(nibble(hex[i]) << 4 | nibble(hex[i + 1]));
    return out;
}

const Json& member(const Json& object, const char* key, const std::string& path) {
    if (!object.is_object()) badJson(path, "expected an object");
    if (!object.contains(key)) badJson(path + "/" + key, "missing");
    return object[key];
}

int integer(const Json& j, const std::string& path) {
    if (!j.is_number_integer()) badJson(path, "expected an integer");
    const auto v = j.get<long long>();
    if (v < INT32_MIN || v > INT32_MAX) badJson(path, "outside the 32-bit range");
    return static_cast<int>(v);
}

const Json& array(const Json& j, const std::string& path) {
    if (!j.is_array()) badJson(path, "expected an array");
    return j;
}

// --- reading text ------------------------------------------------------------------------
// The values are read with the platform decoders; only positions are tracked here.

class TextReader {
public:
    explicit TextReader(const std::string& text, std::size_t base = 0)
        : rest_(text), size_(text.size()), base_(base) {}

    std::size_t offset() const { return base_ + size_ - rest_.size(); }
    bool atEnd() const { return rest_.empty(); }
    char peek() const { return rest_.empty() ? '\0' : rest_[0]; }

    int integer(const std::string& what) {
        int v = 0;
        if (!Serializer::deserialize(rest_, v)) fail("an integer", what);
        return v;
    }
    std::string string(const std::string& what) {
        std::string v;
        if (!Serializer::deserialize(rest_, v, false)) fail("a string", what);
        return v;
    }
    PhonebookRecord record(const std::string& what) {
        PhonebookRecord v;
        if (!Serializer::deserialize(rest_, v)) fail("a record", what);
        return v;
    }
    void end() {
        if (!rest_.empty())
            throw BadInput("bad text at byte " + std::to_string(offset()) + ": unexpected data after the last value");
    }
    [[noreturn]] void fail(const std::string& expected, const std::string& what) const {
        throw BadInput("bad text at byte " + std::to_string(offset()) + ": expected " + expected + " (" + what + ")");
    }

private:
    std::string rest_;
    std::size_t size_, base_;
};

Json fieldsToJson(const PhonebookRecord& r) {
    Json fields = Json::array();
    for (const RecordField& f : r) fields.push_back({{"name", bytesToJson(f.first)}, {"value", bytesToJson(f.second)}});
    return fields;
}

Json decodeGroupList(const std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) throw BadInput("bad text at byte 0: expected a header ending in ':'");
    TextReader in(text.substr(colon + 1), colon + 1);
    Json j{{"kind", "group-list"}, {"header", bytesToJson(text.substr(0, colon))}};
    const int count = in.integer("the group count");
    j["count"] = count;
    Json groups = Json::array();
    for (int slot = 1; slot <= std::min(count, 16); ++slot) {
        const std::string name = in.string("the name of slot " + std::to_string(slot));
        const std::string ringTone = in.string("the ring tone of slot " + std::to_string(slot));
        groups.push_back({{"slot", slot}, {"name", bytesToJson(name)}, {"ringTone", bytesToJson(ringTone)}});
    }
    in.end();
    j["groups"] = groups;
    return j;
}

Json decodeGroup(const std::string& text) {
    Json j{{"kind", "group"}};
    const std::size_t colon = text.find(':');
    const std::size_t start = colon == std::string::npos ? 0 : colon + 1;
    if (colon != std::string::npos) j["header"] = bytesToJson(text.substr(0, colon));
    TextReader in(text.substr(start), start);
    j["name"] = bytesToJson(in.string("the name"));
    j["ringTone"] = bytesToJson(in.string("the ring tone"));
    in.end();
    return j;
}

Json decodeDimensions(const std::string& text) {
    TextReader in(text);
    if (in.string("the type tag") != kDimensionsTag)
        throw BadInput("bad text at byte 0: the type tag is not " + kDimensionsTag);
    Json j{{"kind", "dimensions"}};
    j["numEntries"] = in.integer("numEntries");
    j["maxNumEntries"] = in.integer("maxNumEntries");
    j["groupNameLimit"] = in.integer("the group name limit");
    in.end();
    return j;
}

Json decodeSearchResults(const std::string& text) {
    static const std::string open = "rec;", close = "recEnd;";
    Json records = Json::array();
    for (std::size_t pos = 0; pos < text.size();) {
        if (text.compare(pos, open.size(), open) != 0)
            throw BadInput("bad text at byte " + std::to_string(pos) + ": expected \"rec;\"");
        const std::size_t body = pos + open.size();
        const std::size_t end = text.find(close, body);
        if (end == std::string::npos)
            throw BadInput("bad text at byte " + std::to_string(pos) + ": frame without \"recEnd;\"");
        TextReader in(text.substr(body, end - body), body);
        records.push_back(fieldsToJson(in.record("record " + std::to_string(records.size()))));
        in.end();
        pos = end + close.size();
    }
    return Json{{"kind", "search-results"}, {"records", records}};
}

Json decodeValues(const std::string& text) {
    TextReader in(text);
    Json values = Json::array();
    while (!in.atEnd()) {
        const std::string what = "value " + std::to_string(values.size());
        switch (in.peek()) {
            case 'i': values.push_back({{"integer", in.integer(what)}}); break;
            case 's': values.push_back({{"string", bytesToJson(in.string(what))}}); break;
            case 'r': values.push_back({{"record", fieldsToJson(in.record(what))}}); break;
            default: in.fail("an integer, a string or a record", what);
        }
    }
    return Json{{"kind", "values"}, {"values", values}};
}

std::string detectKind(const std::string& text) {
    if (text.empty() || text.compare(0, 4, "rec;") == 0) return "search-results";
    const std::size_t colon = text.find(':');
    if (colon != std::string::npos) return colon + 1 < text.size() && text[colon + 1] == 'i' ? "group-list" : "group";
    std::string front = text, tag;
    if (Serializer::deserialize(front, tag, false)) {
        if (tag == kDimensionsTag) return "dimensions";
        std::string second;
        if (Serializer::deserialize(front, second, false) && front.empty()) return "group";
    }
    return "values";
}

Json decode(const std::string& kind, const std::string& text) {
    if (kind == "group-list") return decodeGroupList(text);
    if (kind == "group") return decodeGroup(text);
    if (kind == "dimensions") return decodeDimensions(text);
    if (kind == "search-results") return decodeSearchResults(text);
    return decodeValues(text);
}

// The XML form through the library's own types, after decode() has checked the text.
std::string toXml(const std::string& kind, std::string text) {
    if (kind == "group-list") {
        PhonebookGroupList table;
        table.deserialize(text);
        return table.serialize_xml();
    }
    if (kind == "group") {
        PhonebookGroup group;
        group.deserialize(text);
        return group.serialize_xml();
    }
    if (kind == "dimensions") {
        PhonebookGroupDimensions dims;
        dims.deserialize(text);
        return dims.serialize_xml();
    }
    throw BadInput("the kind " + kind + " has no XML form");
}

// --- writing text --------------------------------------------------------------------------

std::string header(const Json& j, const std::string& fallback) {
    if (!j.contains("header")) return fallback;
    const std::string h = jsonToBytes(j["header"], "/header");
    if (h.find(':') != std::string::npos) badJson("/header", "a header cannot hold ':'");
    return h;
}

PhonebookRecord jsonToRecord(const Json& fields, const std::string& path) {
    PhonebookRecord r;
    for (std::size_t i = 0; i < array(fields, path).size(); ++i) {
        const std::string at = path + "/" + std::to_string(i);
        std::string name = jsonToBytes(member(fields[i], "name", at), at + "/name");
        r.emplace_back(std::move(name), jsonToBytes(member(fields[i], "value", at), at + "/value"));
    }
    return r;
}

std::string encode(const std::string& kind, const Json& j) {
    if (!j.is_object()) badJson("", "expected an object");
    if (j.contains("kind") && j["kind"] != kind) badJson("/kind", "expected \"" + kind + "\"");
    std::string text;
    if (kind == "group-list") {
        text = header(j, kTableHeader) + ":";
        Serializer::serialize(text, j.contains("count") ? integer(j["count"], "/count") : 16);
        const Json& groups = array(member(j, "groups", ""), "/groups");
        if (groups.size() > 16) badJson("/groups", "a table has at most 16 groups");
        for (std::size_t i = 0; i < groups.size(); ++i) {
            const std::string at = "/groups/" + std::to_string(i);
            Serializer::serialize(text, jsonToBytes(member(groups[i], "name", at), at + "/name"), false);
            Serializer::serialize(text, jsonToBytes(member(groups[i], "ringTone", at), at + "/ringTone"), false);
        }
    } else if (kind == "group") {
        if (j.contains("header")) text = header(j, "") + ":";
        std::string name = jsonToBytes(member(j, "name", ""), "/name");
        std::string ringTone = jsonToBytes(member(j, "ringTone", ""), "/ringTone");
        text += PhonebookGroup(0, std::move(name), std::move(ringTone)).serialize();
    } else if (kind == "dimensions") {
        if (j.contains("groupNameLimit") && integer(j["groupNameLimit"], "/groupNameLimit") != 15)
            badJson("/groupNameLimit", "the group name limit is always 15");
        PhonebookGroupDimensions dims;
        const int numEntries = integer(member(j, "numEntries", ""), "/numEntries");
        dims.setNumEntries(numEntries);
        dims.setMaxNumEntries(integer(member(j, "maxNumEntries", ""), "/maxNumEntries"));
        text = dims.serialize();
    } else if (kind == "search-results") {
        PhonebookSearchResults set;
        const Json& records = array(member(j, "records", ""), "/records");
        for (std::size_t i = 0; i < records.size(); ++i)
            set.addPhonebookRecord(jsonToRecord(records[i], "/records/" + std::to_string(i)));
        text = set.serialize();
    } else {
        const Json& values = array(member(j, "values", ""), "/values");
        for (std::size_t i = 0; i < values.size(); ++i) {
            const std::string at = "/values/" + std::to_string(i);
            const Json& v = values[i];
            if (v.is_object() && v.size() == 1 && v.contains("integer")) {
                Serializer::serialize(text, integer(v["integer"], at + "/integer"));
            } else if (v.is_object() && v.size() == 1 && v.contains("string")) {
                Serializer::serialize(text, jsonToBytes(v["string"], at + "/string"), false);
            } else if (v.is_object() && v.size() == 1 && v.contains("record")) {
                PhonebookRecord r = jsonToRecord(v["record"], at + "/record");
                Serializer::serialize(text, r);
            } else {
                badJson(at, "expected {\"integer\": ...}, {\"string\": ...} or {\"record\": [...]}");
            }
        }
    }
    return text;
}

// --- input and output ----------------------------------------------------------------------

std::string readInput(const std::string& file) {
    if (file == "-") {
        std::string all((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
        if (std::cin.bad()) throw IoError("cannot read standard input");
        return all;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) throw IoError("cannot open " + file);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw IoError("cannot read " + file);
    return all;
}

void writeOutput(const std::string& text) {
    std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
    std::cout.flush();
    if (!std::cout) throw IoError("cannot write standard output");
}

int demo() {
    std::string out;
    PhonebookGroupList producer;
    PhonebookGroup family(3, "Family", "/usr/share/sounds/ring1.wav");
    producer.updateGroup(family);
    std::string text = producer.serialize();
    out += "producer's table as text:\n  " + text + "\n";
    PhonebookGroupList receiver;
    receiver.deserialize(text);
    out += "receiver: " + std::to_string(receiver.countUsedGroups()) + " used group, \"Family\" in slot " +
           std::to_string(receiver.getGroupWithName("Family")) + "\n";
    out += "as JSON:\n" + decode("group-list", producer.serialize()).dump(2) + "\n";
    writeOutput(out);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Inspect, convert and produce the directory service text forms.", "dstypes"};
    app.set_version_flag("--version", std::string("dstypes ") + DST_VERSION);
    app.require_subcommand(1);

    std::string kinds;
    for (const std::string& k : kKinds) kinds += (kinds.empty() ? "" : ", ") + k;

    std::string decodeFile = "-", asKind;
    bool compact = false, xml = false;
    CLI::App* decodeCmd = app.add_subcommand("decode", "Print a text form as JSON (or its XML form)");
    decodeCmd->add_option("file", decodeFile, "Text to read; - for standard input")->capture_default_str();
    decodeCmd->add_option("--as", asKind, "Read the text as this kind: " + kinds)
        ->check(CLI::IsMember(kKinds));
    decodeCmd->add_flag("--compact", compact, "JSON on one line");
    decodeCmd->add_flag("--xml", xml, "Print the XML form instead (group-list, group, dimensions)");

    std::string encodeKind, encodeFile = "-";
    CLI::App* encodeCmd = app.add_subcommand("encode", "Write the text form of JSON in the shape decode prints");
    encodeCmd->add_option("kind", encodeKind, "One of: " + kinds)
        ->required()
        ->check(CLI::IsMember(kKinds));
    encodeCmd->add_option("file", encodeFile, "JSON to read; - for standard input")->capture_default_str();

    CLI::App* demoCmd = app.add_subcommand("demo", "Walk a group table from producer to receiver");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int rc = app.exit(e);
        return rc == 0 ? 0 : 2;
    }

    try {
        if (*demoCmd) return demo();
        if (*decodeCmd) {
            const std::string text = readInput(decodeFile);
            const std::string kind = asKind.empty() ? detectKind(text) : asKind;
            const Json j = decode(kind, text);
            writeOutput(xml ? toXml(kind, text) + "\n" : j.dump(compact ? -1 : 2) + "\n");
            return 0;
        }
        const std::string input = readInput(encodeFile);
        Json j;
        try {
            j = Json::parse(input);
        } catch (const Json::parse_error& e) {
            // nlohmann counts bytes from 1; offsets here count from 0, as for text.
            std::string what = e.what();
            const std::size_t at = what.find("at line ");
            what = at == std::string::npos ? what : what.substr(at + 3);
            throw BadInput("bad JSON at byte " + std::to_string(e.byte ? e.byte - 1 : 0) + ", " + what);
        }
        writeOutput(encode(encodeKind, j));
        return 0;
    } catch (const BadInput& e) {
        std::cerr << "dstypes: " << e.what() << "\n";
        return 2;
    } catch (const IoError& e) {
        std::cerr << "dstypes: " << e.what() << "\n";
        return 1;
    }
}
