// The kinds of text, one entry each: how detection recognises it, its strict reading, what
// the library's class reads from it, its XML form and its JSON form. Adding a kind is an
// entry here (and its tests); the tool, its help, its completion and the viewer list the
// kinds from kKinds.
#include <iterator>
#include <optional>

#include "DirectoryServiceTypes.h"
#include "Serializer.h"
#include "WireFormat.h"
#include "json_writer.h"
#include "kind_encoder.h"
#include "text_cursor.h"

namespace dstypes {

namespace {

using dst::kFrameClose;
using dst::kFrameOpen;

// --- shared by the kinds ----------------------------------------------------------------

// The text up to the first ':' as "header", and the cursor past it; false when there is no ':'.
bool header(Cursor& in, JsonWriter& j) {
    const std::size_t colon = in.rest().find(':');
    if (colon == std::string_view::npos) return false;
    j.key("header");
    j.bytes(in.rest().substr(0, colon));
    in.skip(colon, Span::Role::header, {"/header"});
    in.skip(1, Span::Role::marker, {"/header"});
    return true;
}

// The encoder of a kind whose text may carry a header ("header" in JSON, without ':').
class WithHeader : public KindEncoder {
protected:
    bool readHeader(const std::string& key, const Json& value, const std::string& path) {
        if (key != "header") return false;
        header_ = jsonToBytes(value, path);
        if (header_->find(':') != std::string::npos) badJson(path, "a header cannot hold ':'");
        return true;
    }
    std::optional<std::string> header_;
};

// A kind without a big array has no elements.
class Members : public KindEncoder {
public:
    void element(const Json&, const std::string&, std::string&) override {}
};

// The first values of a text: whether it has exactly two strings, and whether its first value
// is the dimensions' type tag.
std::size_t firstString(std::string_view text) { return extent(text, 's'); }
bool firstIsTag(std::string_view text) {
    const std::size_t first = firstString(text);
    std::string tag(text.substr(0, first)), value;
    return first != 0 && Serializer::deserialize(tag, value, false) && value == dst::kDimensionsTag;
}
bool twoStrings(std::string_view text) {
    const std::size_t first = firstString(text), second = first ? extent(text.substr(first), 's') : 0;
    return second != 0 && first + second == text.size();
}

// --- group-list ---------------------------------------------------------------------------

const std::string kTableSize = "a table has exactly " + std::to_string(dst::kSlots) + " groups";

void strictGroupList(Cursor& in, JsonWriter& j) {
    if (!header(in, j))
        in.fail(in.text().size(), "no ':' ends a header: a group table begins with one, such as PhonebookGroupList:");
    const std::size_t at = in.pos();
    const int count = in.integer({"the group count"});
    if (count != dst::kSlots)
        in.fail(at, "the group count is " + std::to_string(count) + ", not " + std::to_string(dst::kSlots));
    j.key("groups");
    j.beginArray();
    for (int slot = 1; slot <= dst::kSlots; ++slot) {
        const std::string name = in.string({"/groups/", slot - 1, "/name"});
        writeGroup(j, slot, name, in.string({"/groups/", slot - 1, "/ringTone"}));
    }
    j.endArray();
}

void receivedGroupList(std::string& working, JsonWriter& j) {
    PhonebookGroupList table;
    table.deserialize(working);
    j.key("groups");
    j.beginArray();
    for (int slot = 1; slot <= dst::kSlots; ++slot) {
        PhonebookGroup g;
        table.getGroup(slot, g);
        writeGroup(j, slot, g.getName(), g.getRingTone());
    }
    j.endArray();
}

class GroupListEncoder : public WithHeader {
public:
    bool member(const std::string& key, const Json& value, const std::string& path) override {
        return readHeader(key, value, path);
    }
    void element(const Json& e, const std::string& at, std::string&) override {
        if (groups_.size() == dst::kSlots) badJson(at, kTableSize);
        object(e, {"name", "ringTone", "slot"}, 2, at);
        if (e.contains("slot") && jsonToInt(e["slot"], at + "/slot") != static_cast<int>(groups_.size()) + 1)
            badJson(at + "/slot", "expected " + std::to_string(groups_.size() + 1));
        std::string name = jsonToBytes(e["name"], at + "/name");
        groups_.emplace_back(std::move(name), jsonToBytes(e["ringTone"], at + "/ringTone"));
    }
    void finish(bool arraySeen, std::string& text) override {
        if (groups_.size() != dst::kSlots) badJson("/groups", arraySeen ? kTableSize : "missing");
        text = header_ ? *header_ + ":" : std::string(dst::kTableHeader);
        Serializer::serialize(text, dst::kSlots);
        for (const auto& [name, ringTone] : groups_)
            Serializer::serialize(text, name, false), Serializer::serialize(text, ringTone, false);
    }

private:
    std::vector<std::pair<std::string, std::string>> groups_;
};

const Kind kGroupList = {"group-list", "a group table: a header, the count 16 and sixteen name and ring tone pairs", 1,
    [](std::string_view text) {
        const std::size_t colon = text.find(':');
        return colon != std::string_view::npos && colon + 1 < text.size() && text[colon + 1] == 'i';
    },
    strictGroupList, receivedGroupList,
    [](std::string& working) {
        PhonebookGroupList table;
        table.deserialize(working);
        return table.serialize_xml();
    },
    "groups", 4,  // {"groups": [{"name": {"hex": ...}}]}
    3,            // a group: slot, name, ring tone
    [] { return std::unique_ptr<KindEncoder>(new GroupListEncoder); }};

// --- group --------------------------------------------------------------------------------

void strictGroup(Cursor& in, JsonWriter& j) {
    header(in, j);
    const std::string name = in.string({"/name"});
    writeGroupFields(j, name, in.string({"/ringTone"}));
}

class GroupEncoder : public WithHeader {
public:
    bool member(const std::string& key, const Json& value, const std::string& path) override {
        if (key == "name" || key == "ringTone") {
            (key == "name" ? name_ : ringTone_) = jsonToBytes(value, path);
            return true;
        }
        return readHeader(key, value, path);
    }
    void element(const Json&, const std::string&, std::string&) override {}
    void finish(bool, std::string& text) override {
        if (!name_ || !ringTone_) badJson(name_ ? "/ringTone" : "/name", "missing");
        text = (header_ ? *header_ + ":" : "") + PhonebookGroup(0, *name_, *ringTone_).serialize();
    }

private:
    std::optional<std::string> name_, ringTone_;
};

const Kind kGroup = {"group", "a call group: its name and its ring tone, after an optional header", 3,
    [](std::string_view text) {
        const std::size_t colon = text.find(':');
        return colon != std::string_view::npos || twoStrings(text);  // a colon not followed by a count
    },
    strictGroup,
    [](std::string& working, JsonWriter& j) {
        PhonebookGroup g;
        g.deserialize(working);
        writeGroupFields(j, g.getName(), g.getRingTone());
    },
    [](std::string& working) {
        PhonebookGroup g;
        g.deserialize(working);
        return g.serialize_xml();
    },
    "", 2,  // {"name": {"hex": ...}}
    4,      // kind, header, name, ring tone
    [] { return std::unique_ptr<KindEncoder>(new GroupEncoder); }};

// --- dimensions ---------------------------------------------------------------------------

void strictDimensions(Cursor& in, JsonWriter& j) {
    if (in.string({"the type tag"}) != dst::kDimensionsTag)
        in.fail(0, "the type tag is not " + std::string(dst::kDimensionsTag));
    const int numEntries = in.integer({"/numEntries"}), maxNumEntries = in.integer({"/maxNumEntries"});
    const std::size_t at = in.pos();
    if (in.integer({"/groupNameLimit"}) != dst::kGroupNameLimit)
        in.fail(at, "the group name limit is not " + std::to_string(dst::kGroupNameLimit));
    writeDimensionsFields(j, numEntries, maxNumEntries, dst::kGroupNameLimit);
}

// A receiver in a fresh process: its counts start at 0 and 0.
PhonebookGroupDimensions freshDimensions() {
    PhonebookGroupDimensions d;
    d.setNumEntries(0);
    d.setMaxNumEntries(0);
    return d;
}

class DimensionsEncoder : public Members {
public:
    bool member(const std::string& key, const Json& value, const std::string& path) override {
        if (key == "numEntries" || key == "maxNumEntries") {
            (key == "numEntries" ? numEntries_ : maxNumEntries_) = jsonToInt(value, path);
            return true;
        }
        if (key != "groupNameLimit") return false;
        if (jsonToInt(value, path) != dst::kGroupNameLimit)
            badJson(path, "the group name limit is always " + std::to_string(dst::kGroupNameLimit));
        return true;
    }
    void finish(bool, std::string& text) override {
        if (!numEntries_ || !maxNumEntries_) badJson(numEntries_ ? "/maxNumEntries" : "/numEntries", "missing");
        PhonebookGroupDimensions d;
        d.setNumEntries(*numEntries_);
        d.setMaxNumEntries(*maxNumEntries_);
        text = d.serialize();
    }

private:
    std::optional<int> numEntries_, maxNumEntries_;
};

const Kind kDimensions = {"dimensions", "the group dimensions: the type tag, the entry count, the maximum and 15", 2,
    [](std::string_view text) { return text.find(':') == std::string_view::npos && firstIsTag(text); },
    strictDimensions,
    [](std::string& working, JsonWriter& j) {
        PhonebookGroupDimensions d = freshDimensions();
        d.deserialize(working);
        writeDimensionsFields(j, d.getNumEntries(), d.getMaxNumEntries(), d.getgroupNameLimit());
    },
    [](std::string& working) {
        PhonebookGroupDimensions d = freshDimensions();
        d.deserialize(working);
        return d.serialize_xml();
    },
    "", 1,  // flat
    4,      // kind and the three figures
    [] { return std::unique_ptr<KindEncoder>(new DimensionsEncoder); }};

// --- search-results -----------------------------------------------------------------------

void strictSearchResults(Cursor& in, JsonWriter& j) {
    j.key("records");
    j.beginArray();
    for (std::size_t n = 0; !in.atEnd(); ++n) {
        const Place frame{"/records/", static_cast<long>(n)};
        if (in.rest().substr(0, kFrameOpen.size()) != kFrameOpen)
            in.fail(in.pos(), "expected \"rec;\", found " + in.found(), frame.words());
        const std::size_t end = in.text().find(kFrameClose, in.pos() + kFrameOpen.size());
        in.skip(kFrameOpen.size(), Span::Role::marker, frame);
        in.limit(end);
        writeRecord(j, in.record(frame));
        if (in.pos() != end)
            in.fail(in.pos(),
                end == std::string_view::npos ? "expected \"recEnd;\", found " + in.found()
                                              : "unexpected text before \"recEnd;\": a frame holds one record",
                frame.words());
        in.limit(in.text().size());
        in.skip(kFrameClose.size(), Span::Role::marker, frame);
    }
    j.endArray();
}

class SearchResultsEncoder : public KindEncoder {
public:
    bool member(const std::string&, const Json&, const std::string&) override { return false; }
    void element(const Json& e, const std::string& at, std::string& text) override {
        PhonebookSearchResults one;  // frames concatenate: a set per record writes the same text
        one.addPhonebookRecord(jsonToRecord(e, at));
        text = one.serialize();
    }
    void finish(bool arraySeen, std::string&) override {
        if (!arraySeen) badJson("/records", "missing");
    }
};

const Kind kSearchResults = {"search-results", "a result set: a frame of rec; and recEnd; around each record", 0,
    [](std::string_view text) { return text.empty() || text.find(kFrameClose) != std::string_view::npos; },
    strictSearchResults,
    [](std::string& working, JsonWriter& j) {
        PhonebookSearchResults set;
        set.deserialize(working);
        PhonebookRecordList records;
        set.getRecordList(records);
        j.key("records");
        j.beginArray();
        for (const PhonebookRecord& r : records) writeRecord(j, r);
        j.endArray();
        working.clear();  // the result set reads every frame and leaves the text as it was
    },
    nullptr, "records", 5,  // {"records": [[{"name": {"hex": ...}}]]}
    2,                      // a field: name, value
    [] { return std::unique_ptr<KindEncoder>(new SearchResultsEncoder); }};

// --- values -------------------------------------------------------------------------------

void strictValues(Cursor& in, JsonWriter& j) {
    j.key("values");
    j.beginArray();
    for (std::size_t n = 0; !in.atEnd(); ++n) {
        const auto index = static_cast<long>(n);
        j.beginObject();
        switch (in.peek()) {
            case 'i': j.key("integer"), j.integer(in.integer({"/values/", index, "/integer"})); break;
            case 's': j.key("string"), j.bytes(in.string({"/values/", index, "/string"})); break;
            case 'r': j.key("record"), writeRecord(j, in.record({"/values/", index, "/record"})); break;
            default:
                in.fail(in.pos(), "expected an integer, a string or a record, found " + in.found(),
                    Place{"/values/", index}.words());
        }
        j.endObject();
    }
    j.endArray();
}

class ValuesEncoder : public KindEncoder {
public:
    bool member(const std::string&, const Json&, const std::string&) override { return false; }
    void element(const Json& e, const std::string& at, std::string& text) override {
        if (!e.is_object() || e.size() != 1)
            badJson(at, "expected {\"integer\": ...}, {\"string\": ...} or {\"record\": [...]}");
        const std::string& k = e.begin().key();
        if (k == "integer") {
            Serializer::serialize(text, jsonToInt(e[k], at + "/integer"));
        } else if (k == "string") {
            Serializer::serialize(text, jsonToBytes(e[k], at + "/string"), false);
        } else if (k == "record") {
            PhonebookRecord r = jsonToRecord(e[k], at + "/record");
            Serializer::serialize(text, r);
        } else {
            badJson(at + "/" + k, "expected integer, string or record");
        }
    }
    void finish(bool arraySeen, std::string&) override {
        if (!arraySeen) badJson("/values", "missing");
    }
};

const Kind kValues = {"values", "bare encoded values: integers, strings and records, end to end", 4,
    [](std::string_view) { return true; }, strictValues, nullptr, nullptr, "values",
    6,  // {"values": [{"record": [{"name": {"hex": ...}}]}]}
    2,  // a field: name, value
    [] { return std::unique_ptr<KindEncoder>(new ValuesEncoder); }};

const Kind* const kAll[] = {&kGroupList, &kGroup, &kDimensions, &kSearchResults, &kValues};

}  // namespace

const KindTable kKinds = {kAll, std::size(kAll)};

const Kind* kindNamed(std::string_view name) {
    for (const Kind* kind : kKinds)
        if (kind->name == name) return kind;
    return nullptr;
}

}  // namespace dstypes
