// The strict reading of each kind, as JSON, and the detection of a text's kind.
#include "WireFormat.h"
#include "dstypes_core.h"
#include "json_writer.h"
#include "text_cursor.h"

namespace dstypes {

namespace {

using dst::kFrameClose;
using dst::kFrameOpen;

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
    if (count != dst::kSlots)
        in.fail(at, "the group count is " + std::to_string(count) + ", not " + std::to_string(dst::kSlots));
    j.key("groups");
    j.beginArray();
    for (int slot = 1; slot <= dst::kSlots; ++slot) {
        const std::string name = in.string("the name of slot", slot);
        writeGroup(j, slot, name, in.string("the ring tone of slot", slot));
    }
    j.endArray();
}

void decodeGroup(Cursor& in, JsonWriter& j) {
    header(in, j);
    const std::string name = in.string("the name");
    writeGroupFields(j, name, in.string("the ring tone"));
}

void decodeDimensions(Cursor& in, JsonWriter& j) {
    if (in.string("the type tag") != dst::kDimensionsTag)
        in.fail(0, "the type tag is not " + std::string(dst::kDimensionsTag));
    const int numEntries = in.integer("numEntries"), maxNumEntries = in.integer("maxNumEntries");
    const std::size_t at = in.pos();
    if (in.integer("the group name limit") != dst::kGroupNameLimit)
        in.fail(at, "the group name limit is not " + std::to_string(dst::kGroupNameLimit));
    writeDimensionsFields(j, numEntries, maxNumEntries, dst::kGroupNameLimit);
}

void decodeSearchResults(Cursor& in, JsonWriter& j, std::string_view text) {
    j.key("records");
    j.beginArray();
    for (std::size_t n = 0; !in.atEnd(); ++n) {
        if (in.rest().substr(0, kFrameOpen.size()) != kFrameOpen) in.fail(in.pos(), "expected \"rec;\"");
        const std::size_t end = text.find(kFrameClose, in.pos() + kFrameOpen.size());
        if (end == std::string_view::npos) in.fail(in.pos(), "frame without \"recEnd;\"");
        in.skip(kFrameOpen.size());
        in.limit(end);
        writeRecord(j, in.record("record", static_cast<long>(n)));
        if (in.pos() != end) in.fail(in.pos(), "unexpected text before \"recEnd;\"");
        in.limit(text.size());
        in.skip(kFrameClose.size());
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
            case 'r': j.key("record"), writeRecord(j, in.record("value", index)); break;
            default: in.fail(in.pos(), "expected an integer, a string or a record (value " + std::to_string(n) + ")");
        }
        j.endObject();
    }
    j.endArray();
}

// The likeliest kind, from the text's markers and first values alone.
Kind likeliestKind(std::string_view text) {
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    // Encodings never hold ';', so only frames (or stray text around them) can.
    if (text.empty() || text.find(kFrameClose) != std::string_view::npos) return Kind::SearchResults;
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos)
        return colon + 1 < text.size() && text[colon + 1] == 'i' ? Kind::GroupList : Kind::Group;
    const std::size_t first = extent(text, 's');
    if (first != 0) {
        std::string tag(text.substr(0, first)), value;
        if (Serializer::deserialize(tag, value, false) && value == dst::kDimensionsTag) return Kind::Dimensions;
        const std::size_t second = extent(text.substr(first), 's');
        if (second != 0 && first + second == text.size()) return Kind::Group;
    }
    return Kind::Values;
}

bool takes(std::string_view text, Kind kind) {
    try {
        Output none(Output::kDiscard);
        decode(text, kind, true, true, none);
        return true;
    } catch (const BadInput&) {
        return false;
    }
}

}  // namespace

Kind detectKind(std::string_view text, bool* taken, bool (*among)(Kind)) {
    const Kind likeliest = likeliestKind(text);
    Kind kind = likeliest;
    bool found = takes(text, likeliest);
    for (Kind other : kKinds)
        if (!found && other != likeliest && (!among || among(other)) && takes(text, other)) found = true, kind = other;
    if (taken) *taken = found;
    return kind;
}

void decode(std::string_view text, Kind kind, bool detected, bool compact, Output& out) {
    Cursor in(text, kind, detected);
    JsonWriter j(out, compact);
    j.beginObject();
    j.key("kind");
    j.bytes(kindName(kind));
    switch (kind) {
        case Kind::GroupList: decodeGroupList(in, j); break;
        case Kind::Group: decodeGroup(in, j); break;
        case Kind::Dimensions: decodeDimensions(in, j); break;
        case Kind::SearchResults: decodeSearchResults(in, j, text); break;
        case Kind::Values: decodeValues(in, j); break;
    }
    in.end();
    j.endObject();
    j.end();
}

}  // namespace dstypes
