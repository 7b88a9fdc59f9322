#include "DirectoryServiceTypes.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <locale>
#include <sstream>
#include <string_view>
#include <utility>

#include "LoggingHandler.h"
#include "Serializer.h"
#include "WireFormat.h"

namespace {

using dst::kSlots;

// Readers of a text that may carry a header drop everything up to and including its
// first colon, without looking at what stood there.
void dropHeader(std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon != std::string::npos) text.erase(0, colon + 1);
}

// Numbers become text as a default output string stream of their own writes them. Under
// the classic global locale that is plain decimal, written directly; under any other, the
// stream itself writes it, so that the text is exactly the stream's.
bool classicLocale() { return std::locale() == std::locale::classic(); }

// The text, held in `digits` under the classic locale and in `streamed` otherwise.
std::string_view decimalText(int value, bool classic, char (&digits)[16], std::string& streamed) {
    if (classic)
        return {digits, static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, value).ptr - digits)};
    std::ostringstream stream;
    stream << value;
    streamed = stream.str();
    return streamed;
}

void appendDecimal(std::string& out, int value, bool classic) {
    char digits[16];
    std::string streamed;
    out += decimalText(value, classic, digits, streamed);
}

std::string decimal(int value) {
    std::string out;
    appendDecimal(out, value, classicLocale());
    return out;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// PhonebookGroup

PhonebookGroup::PhonebookGroup() : id(0) {}

PhonebookGroup::PhonebookGroup(int id, std::string name, std::string ringTone)
    : id(id), name(std::move(name)), ringTone(std::move(ringTone)) {}

PhonebookGroup::~PhonebookGroup() = default;

int PhonebookGroup::getId() { return id; }
std::string PhonebookGroup::getName() { return name; }
std::string PhonebookGroup::getRingTone() { return ringTone; }
void PhonebookGroup::setId(int newId) { id = newId; }
void PhonebookGroup::setName(std::string newName) { name = std::move(newName); }
void PhonebookGroup::setRingTone(std::string newRingTone) { ringTone = std::move(newRingTone); }

void PhonebookGroup::setSpare() {
    setName(std::string());
    setRingTone(std::string());
}

bool PhonebookGroup::validateGroup() { return !name.empty(); }

namespace {
// A group's text: its name, then its ring tone, appended to `text`.
void appendPair(std::string& text, const std::string& name, const std::string& ringTone) {
    Serializer::serialize(text, name, false);
    Serializer::serialize(text, ringTone, false);
}

// Makes room in `text` for the encodings of `values` values of `bytes` raw bytes in all, so
// that it is made once: half again the raw size covers escapes up to a quarter of the bytes,
// and each value's head fits in the rest. Nothing when even the plainest encoding would fit
// the string's inline storage.
void reserveEncoded(std::string& text, std::size_t bytes, std::size_t values) {
    if (bytes + 3 * values > text.capacity()) text.reserve(bytes + bytes / 2 + 16 * values);
}
}  // namespace

std::string PhonebookGroup::serialize() {
    std::string text;
    reserveEncoded(text, name.size() + ringTone.size(), 2);
    appendPair(text, name, ringTone);
    return text;
}

void PhonebookGroup::deserialize(std::string& text) {
    dropHeader(text);
    Serializer::deserialize(text, name, false);
    Serializer::deserialize(text, ringTone, false);
}

std::string PhonebookGroup::groupIndexToTag(int index) { return decimal(index); }

namespace {

// Length of the well-formed UTF-8 sequence at p[0..n) that XML 1.0 can carry, or 0.
std::size_t xmlCharLength(const unsigned char* p, std::size_t n) {
    const std::size_t len = dst::utf8Length(p, n);
    if (len == 3 && p[0] == 0xEF && p[1] == 0xBF && (p[2] == 0xBE || p[2] == 0xBF)) return 0;  // U+FFFE, U+FFFF
    return len;
}

enum class XmlContext { Content, Attribute };

// Writes `text` up to its first NUL at `p` as XML character data or attribute value, and
// returns the end; `p` has room for six bytes per byte of text, the most any byte becomes.
// Markup characters become references, and bytes that XML cannot carry become U+FFFD.
// Line breaks and tabs that a parser would normalise (CR anywhere, tab and LF in
// attributes) are written as character references so that they read back as they were.
char* putXmlText(char* p, std::string_view text, XmlContext context) {
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t n = std::min(text.size(), text.find('\0'));
    const bool attribute = context == XmlContext::Attribute;
    auto put = [&p](std::string_view literal) {
        std::memcpy(p, literal.data(), literal.size());
        p += literal.size();
    };
    while (n != 0) {
        // A run of plain printable ASCII goes out in one piece.
        std::size_t run = 0;
        while (run < n && in[run] >= 0x20 && in[run] < 0x80 && in[run] != '&' && in[run] != '<' && in[run] != '>' &&
               in[run] != '"')
            ++run;
        put(std::string_view(reinterpret_cast<const char*>(in), run));
        in += run;
        n -= run;
        if (n == 0) break;
        const unsigned char c = *in;
        std::size_t len = 1;
        switch (c) {
            case '&': put("&amp;"); break;
            case '<': put("&lt;"); break;
            case '>': put("&gt;"); break;
            case '"': put("&quot;"); break;
            case '\r': put("&#13;"); break;
            case '\t': put(attribute ? "&#9;" : "\t"); break;
            case '\n': put(attribute ? "&#10;" : "\n"); break;
            default:
                if (c < 0x20 || (len = xmlCharLength(in, n)) == 0) {
                    put("\xEF\xBF\xBD");  // U+FFFD
                    len = 1;
                } else {
                    put(std::string_view(reinterpret_cast<const char*>(in), len));
                }
        }
        in += len;
        n -= len;
    }
    return p;
}

constexpr std::string_view kOpen = "<Entry><CallGroup>", kName = "</CallGroup><CallGroupName>",
                           kDirectory = "</CallGroupName><fileinfo directory=\"", kFile = "\" name=\"",
                           kClose = "\" /></Entry>";

// The longest an `Entry` element can be, with a number of `digits` characters.
std::size_t entryRoom(const std::string& name, const std::string& ringTone, std::size_t digits) {
    return kOpen.size() + kName.size() + kDirectory.size() + kFile.size() + kClose.size() + digits +
           6 * (name.size() + ringTone.size());
}

// One `Entry` element onto `out`, written in place: room is made for the longest the
// element can be, then given back.
void appendEntry(std::string& out, int id, const std::string& name, const std::string& ringTone, bool classic) {
    std::string_view directory, file;
    const std::size_t slash = ringTone.rfind('/');
    if (slash != std::string::npos && slash != 0) {
        directory = std::string_view(ringTone).substr(0, slash + 1);
        file = std::string_view(ringTone).substr(slash + 1);
    }
    char digits[16];
    std::string streamed;
    const std::string_view number = decimalText(id, classic, digits, streamed);
    const std::size_t start = out.size();
    out.resize(start + entryRoom(name, ringTone, number.size()));
    char* p = &out[start];
    auto put = [&p](std::string_view piece) {
        std::memcpy(p, piece.data(), piece.size());
        p += piece.size();
    };
    put(kOpen);
    put(number);
    put(kName);
    p = putXmlText(p, name, XmlContext::Content);
    put(kDirectory);
    p = putXmlText(p, directory, XmlContext::Attribute);
    put(kFile);
    p = putXmlText(p, file, XmlContext::Attribute);
    put(kClose);
    out.resize(static_cast<std::size_t>(p - out.data()));
}

}  // namespace

std::string PhonebookGroup::serialize_xml() {
    std::string xml;
    appendEntry(xml, id, name, ringTone, classicLocale());
    return xml;
}

int PhonebookGroup::groupTagToIndex(const std::string& tag) {
    // strtol clamps to the range of long, which is wider than int on 64-bit hosts.
    const long value = std::strtol(tag.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// ---------------------------------------------------------------------------------------
// PhonebookGroupList

PhonebookGroupList::PhonebookGroupList() {
    for (int slot = 1; slot <= kSlots; ++slot) {
        PhonebookGroup& group = groups[slot - 1];
        group.setId(slot);
        group.setName(std::string());
        group.setRingTone(std::string());
    }
}

PhonebookGroupList::PhonebookGroupList(std::string) {}

PhonebookGroupList::~PhonebookGroupList() = default;

int PhonebookGroupList::getSize() { return kSlots; }

namespace {
bool isSlot(int slot) { return slot >= 1 && slot <= kSlots; }
}  // namespace

bool PhonebookGroupList::getGroup(int slot, PhonebookGroup& out) {
    if (!isSlot(slot)) return false;
    out = groups[slot - 1];
    return true;
}

bool PhonebookGroupList::updateGroup(PhonebookGroup& group) {
    if (group.getName().empty()) group.setSpare();
    const int slot = group.getId();
    if (!isSlot(slot)) return false;
    groups[slot - 1] = group;
    return true;
}

int PhonebookGroupList::getSpareGroup() {
    for (int slot = 1; slot <= kSlots; ++slot)
        if (groups[slot - 1].getName().empty()) return slot;
    return -1;
}

int PhonebookGroupList::getGroupWithName(std::string wanted) {
    for (int slot = 1; slot <= kSlots; ++slot)
        if (groups[slot - 1].getName() == wanted) return slot;
    return -1;
}

bool PhonebookGroupList::isGroupSpare(int slot) { return isSlot(slot) && groups[slot - 1].getName().empty(); }

int PhonebookGroupList::findNonSpareGroup(int n) {
    int found = 0;
    for (int slot = 1; slot <= kSlots; ++slot)
        if (!isGroupSpare(slot) && ++found == n) return slot;
    return -1;
}

bool PhonebookGroupList::makeGroupSpare(int slot) {
    if (!isSlot(slot)) return false;
    groups[slot - 1].setSpare();
    return true;
}

bool PhonebookGroupList::isGroupListEmpty() {
    for (int slot = 1; slot <= kSlots; ++slot)
        if (!isGroupSpare(slot)) return false;
    return true;
}

int PhonebookGroupList::countUsedGroups() {
    int used = 0;
    for (int slot = 1; slot <= kSlots; ++slot)
        if (!isGroupSpare(slot)) ++used;
    return used;
}

std::string PhonebookGroupList::serialize() {
    // Every group's text straight into one string, with room made once.
    std::size_t bytes = 0;
    for (const PhonebookGroup& group : groups) bytes += group.name.size() + group.ringTone.size();
    std::string text;
    reserveEncoded(text, dst::kTableHeader.size() + 1 + bytes, 2 * kSlots + 1);
    text = dst::kTableHeader;
    Serializer::serialize(text, kSlots);
    for (const PhonebookGroup& group : groups) appendPair(text, group.name, group.ringTone);
    return text;
}

void PhonebookGroupList::deserialize(std::string& text) {
    dropHeader(text);
    int count = 0;
    Serializer::deserialize(text, count);
    // Bounded by the table, never by the count the text claims.
    const int slots = count < kSlots ? count : kSlots;
    // The name is read into a string kept across the pairs, the ring tone straight into
    // the slot (a decoder that fails leaves it as it was), so that neither allocates once
    // they have room.
    std::string name;
    for (int slot = 1; slot <= slots; ++slot) {
        PhonebookGroup& group = groups[slot - 1];
        // A pair that does not decode ends the reading, so a damaged text cannot wipe the
        // slots it no longer describes.
        if (!Serializer::deserialize(text, name, false) || !Serializer::deserialize(text, group.ringTone, false))
            return;
        group.name = name;
    }
}

std::string PhonebookGroupList::serialize_xml() {
    const bool classic = classicLocale();
    std::string xml;
    std::size_t room = 0;  // the longest the entries can be, so that the text is made once
    for (const PhonebookGroup& group : groups) room += entryRoom(group.name, group.ringTone, sizeof "-2147483648" - 1);
    xml.reserve(room);
    for (const PhonebookGroup& group : groups) appendEntry(xml, group.id, group.name, group.ringTone, classic);
    return xml;
}

// ---------------------------------------------------------------------------------------
// PhonebookGroupDimensions

namespace {

using dst::kDimensionsTag;
using dst::kGroupNameLimit;

}  // namespace

// Zero-initialised static storage: no initialiser writes them.
int PhonebookGroupDimensions::numEntries;
int PhonebookGroupDimensions::maxNumEntries;

PhonebookGroupDimensions::PhonebookGroupDimensions() = default;
PhonebookGroupDimensions::~PhonebookGroupDimensions() = default;

int PhonebookGroupDimensions::getNumEntries() { return numEntries; }
int PhonebookGroupDimensions::getMaxNumEntries() { return maxNumEntries; }
int PhonebookGroupDimensions::getgroupNameLimit() { return kGroupNameLimit; }
void PhonebookGroupDimensions::setNumEntries(int count) { numEntries = count; }
void PhonebookGroupDimensions::setMaxNumEntries(int count) { maxNumEntries = count; }

std::string PhonebookGroupDimensions::serialize() {
    std::string text;
    reserveEncoded(text, kDimensionsTag.size() + 1 + 3 * 11, 4);
    // Made once: the tag is too long for a string's inline storage, and a fresh copy on
    // every call would be a second allocation for one text. Never destroyed, as the library
    // runs no code at exit.
    static const std::string& tag = *new std::string(kDimensionsTag);
    Serializer::serialize(text, tag, false);
    Serializer::serialize(text, numEntries);
    Serializer::serialize(text, maxNumEntries);
    Serializer::serialize(text, kGroupNameLimit);
    return text;
}

void PhonebookGroupDimensions::deserialize(std::string& text) {
    if (text.empty()) {
        logAppUni(dst::kLogModule, dst::kLogFile, dst::kLogLevel, dst::kLogEmptyTextLine, dst::kLogEmptyText);
        return;
    }
    std::string tag;
    Serializer::deserialize(text, tag, false);
    if (tag != kDimensionsTag) {
        logAppUni(dst::kLogModule, dst::kLogFile, dst::kLogLevel, dst::kLogForeignTextLine, dst::kLogForeignText);
        return;
    }
    Serializer::deserialize(text, numEntries);
    Serializer::deserialize(text, maxNumEntries);
}

std::string PhonebookGroupDimensions::serialize_xml() {
    const bool classic = classicLocale();
    std::string xml;
    xml.reserve(160);  // more than the longest this text can be under the classic locale
    xml += "<groupDimension><numEntries>";
    appendDecimal(xml, numEntries, classic);
    xml += "</numEntries><maxEntries>";
    appendDecimal(xml, maxNumEntries, classic);
    xml += "</maxEntries><fieldSize name=\"group\">";
    appendDecimal(xml, kGroupNameLimit, classic);
    xml += "</fieldSize></groupDimension>";
    return xml;
}

// ---------------------------------------------------------------------------------------
// PhonebookSearchResults

namespace {
using dst::kFrameClose;
using dst::kFrameOpen;
}  // namespace

PhonebookSearchResults::PhonebookSearchResults() = default;
PhonebookSearchResults::~PhonebookSearchResults() = default;

void PhonebookSearchResults::addPhonebookRecord(PhonebookRecord record) { records.push_back(std::move(record)); }

unsigned int PhonebookSearchResults::getRecordCount() const { return static_cast<unsigned int>(records.size()); }

void PhonebookSearchResults::getRecordList(PhonebookRecordList& out) const { out = records; }

void PhonebookSearchResults::getRecordList(PhonebookRecordList& out, int first, int last) const {
    if (last < first) return;
    if (first == last) {
        if (first >= 0 && static_cast<std::size_t>(first) < records.size())
            out.push_back(records[static_cast<std::size_t>(first)]);
        return;
    }
    // Unsigned on purpose: a last of -1 wraps to 0 and passes, any other negative fails.
    if (static_cast<std::uint32_t>(last) + 1u > records.size()) return;
    // Only a negative first is still out of range here; at() raises before anything is
    // appended. The copies are made aside and moved in, which cannot throw once `out` has
    // room: `out` takes the whole range or, when memory runs out, nothing.
    (void)records.at(static_cast<std::size_t>(first));
    PhonebookRecordList range(records.begin() + first, records.begin() + last + 1);
    out.reserve(out.size() + range.size());
    out.insert(out.end(), std::make_move_iterator(range.begin()), std::make_move_iterator(range.end()));
}

std::string PhonebookSearchResults::serialize() {
    // One reservation for the whole text, estimated from a sample of the records (a pass
    // over all of them costs as much as a tenth of the writing): their bytes and three
    // eighths more (escapes in 15 % of them, the densest text we model, and the sample's
    // error), a head per field and a frame per record. A set that outgrows it grows
    // geometrically.
    constexpr std::size_t kSample = 64;
    constexpr std::size_t kFrame = kFrameOpen.size() + kFrameClose.size();
    const std::size_t sampled = std::min(records.size(), kSample);
    std::size_t bytes = 0, estimate = 0;
    for (std::size_t i = 0; i < sampled; ++i) {
        estimate += kFrame + 8;
        for (const RecordField& field : records[i]) bytes += field.first.size() + field.second.size(), estimate += 6;
    }
    estimate += bytes + bytes / 8 * 3;
    const std::size_t room = sampled != 0 ? estimate / sampled * records.size() : 0;

    std::string text;
    // One append of "recEnd;rec;" between records instead of two.
    constexpr std::string_view kBetween = "recEnd;rec;";
    static_assert(
        kBetween.substr(0, kFrameClose.size()) == kFrameClose && kBetween.substr(kFrameClose.size()) == kFrameOpen);
    auto write = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            Serializer::serialize(text, records[i]);
            text += i + 1 < records.size() ? kBetween : kFrameClose;
        }
    };
    if (records.empty()) return text;

    // Room the text does not take costs no pages, except past glibc's mapping threshold,
    // where a block is mapped, and its pages cleared, afresh on every call. The threshold
    // rises to the largest mapped block freed, but no further than kMapCeiling. So where the
    // estimate passes that, the sample is written first, which tells what its escapes add,
    // and the rest counted but for its escapes: a text that then fits below the ceiling,
    // with a margin for the sample's error, is given all the room below it.
    constexpr std::size_t kMapCeiling = sizeof(void*) >= 8 ? std::size_t{32} << 20 : std::size_t{512} << 10;
    // A block the size of the ceiling raises the threshold no more (the size it is compared
    // by carries flag bits): some pages below it, the room's header and rounding included.
    constexpr std::size_t kBelowCeiling = kMapCeiling - (std::size_t{16} << 10);
    text += kFrameOpen;
    if (room < kBelowCeiling) {
        text.reserve(room);
        write(0, records.size());
        return text;
    }
    text.reserve(room / records.size() * sampled);
    write(0, sampled);
    struct Count {
        std::size_t least = 0, bytes = 0;  // the text but for its escapes; the names' and values' bytes
    };
    auto count = [&](std::size_t from, std::size_t to) {
        auto head = [](std::size_t n) {  // "s" or "r", the digits of n, ","
            std::size_t digits = 1;
            for (; n >= 10; n /= 10) ++digits;
            return digits + 2;
        };
        Count c;
        for (std::size_t i = from; i < to; ++i) {
            c.least += kFrame + head(records[i].size());
            for (const RecordField& field : records[i]) {
                c.bytes += field.first.size() + field.second.size();
                c.least += head(field.first.size()) + head(field.second.size());
            }
        }
        c.least += c.bytes;
        return c;
    };
    const Count sample = count(0, sampled), rest = count(sampled, records.size());
    const double addedPerByte = sample.bytes != 0 ? double(text.size() - sample.least) / double(sample.bytes) : 0;
    const std::size_t expected = text.size() + rest.least + static_cast<std::size_t>(addedPerByte * double(rest.bytes));
    text.reserve(expected + rest.bytes / 32 < kBelowCeiling ? kBelowCeiling : expected + rest.bytes / 8);
    write(sampled, records.size());
    return text;
}

namespace {
// Where `marker` next starts at or after `from`, in a text whose markers mostly follow one
// another or sit at the first ';': a record's encoding has no raw ';' (its strings escape
// it), so in a well-formed text the first ';' after a record is its close marker's. Both
// guesses are checked; anything else takes the plain search.
std::size_t findMarker(const std::string& text, std::string_view marker, std::size_t from) {
    if (text.compare(from, marker.size(), marker) == 0) return from;
    const std::size_t semicolon = text.find(';', from);
    if (semicolon == std::string::npos) return std::string::npos;  // every marker ends in ';'
    const std::size_t at = semicolon + 1 - marker.size();
    if (semicolon + 1 >= from + marker.size() && text.compare(at, marker.size(), marker) == 0) return at;
    return text.find(marker, from);
}
}  // namespace

void PhonebookSearchResults::deserialize(std::string& text) {
    if (text.empty()) return;
    // The records are read aside and swapped in at the end, so that a failed allocation
    // leaves the set as it was.
    PhonebookRecordList read;
    std::string body;
    PhonebookRecord record;
    for (std::size_t open = findMarker(text, kFrameOpen, 0); open != std::string::npos;) {
        const std::size_t begin = open + kFrameOpen.size();
        const std::size_t end = findMarker(text, kFrameClose, begin);
        if (end == std::string::npos) break;
        body.assign(text, begin, end - begin);
        record.clear();
        Serializer::deserialize(body, record);
        if (!record.empty()) read.push_back(std::move(record));
        open = findMarker(text, kFrameOpen, end + kFrameClose.size());
    }
    records.swap(read);
}
