// What the library's own classes make of a text: the lenient reading as JSON, and the XML
// fragment.
#include "DirectoryServiceTypes.h"
#include "WireFormat.h"
#include "dstypes_core.h"
#include "json_writer.h"
#include "text_cursor.h"

namespace dstypes {

bool hasClass(Kind kind) { return kind != Kind::Values; }

bool hasXml(Kind kind) {
    bool xml = false;
    switch (kind) {
        case Kind::GroupList:
        case Kind::Group:
        case Kind::Dimensions: xml = true; break;
        case Kind::SearchResults:
        case Kind::Values: break;
    }
    return xml;
}

void decodeLenient(std::string_view text, Kind kind, bool detected, bool compact, Output& out,
    std::vector<std::string>& notes, bool checked) {
    if (!hasClass(kind))
        throw BadInput("--lenient reads the kinds the library has classes for, not " + std::string(kindName(kind)));
    try {
        Output none(Output::kDiscard);
        if (!checked) decode(text, kind, detected, true, none);
    } catch (const BadInput& e) {
        notes.push_back(std::string("the strict reading objects: ") + e.what());
    }
    std::string working(text);
    JsonWriter j(out, compact);
    j.beginObject();
    j.key("kind");
    j.bytes(kindName(kind));
    switch (kind) {
        case Kind::GroupList: {
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
            break;
        }
        case Kind::Group: {
            PhonebookGroup g;
            g.deserialize(working);
            writeGroupFields(j, g.getName(), g.getRingTone());
            break;
        }
        case Kind::Dimensions: {
            PhonebookGroupDimensions d;  // a receiver in a fresh process starts at 0 and 0
            d.setNumEntries(0);
            d.setMaxNumEntries(0);
            d.deserialize(working);
            writeDimensionsFields(j, d.getNumEntries(), d.getMaxNumEntries(), d.getgroupNameLimit());
            break;
        }
        case Kind::SearchResults: {
            PhonebookSearchResults set;
            set.deserialize(working);
            PhonebookRecordList records;
            set.getRecordList(records);
            j.key("records");
            j.beginArray();
            for (const PhonebookRecord& r : records) writeRecord(j, r);
            j.endArray();
            working.clear();  // the result set reads every frame and leaves the text as it was
            break;
        }
        case Kind::Values: break;
    }
    j.endObject();
    j.end();
    if (!onlySpace(working))
        notes.push_back("the receiver leaves " + std::to_string(working.size()) + " bytes of the text unread");
}

std::string toXml(std::string_view text, Kind kind, bool detected, bool checked) {
    if (!hasXml(kind)) throw BadInput("the kind " + std::string(kindName(kind)) + " has no XML form");
    Output none(Output::kDiscard);
    if (!checked) decode(text, kind, detected, true, none);
    std::string working(text);
    auto xmlOf = [&working](auto&& receiver) {
        receiver.deserialize(working);
        return receiver.serialize_xml();
    };
    switch (kind) {
        case Kind::GroupList: return xmlOf(PhonebookGroupList());
        case Kind::Group: return xmlOf(PhonebookGroup());
        case Kind::Dimensions: return xmlOf(PhonebookGroupDimensions());
        case Kind::SearchResults:
        case Kind::Values: break;
    }
    return {};  // no XML form, refused above
}

}  // namespace dstypes
