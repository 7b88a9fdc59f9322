// Detection of a text's kind, and the three readings of a text: strict (as JSON), lenient
// (what a receiver holds, as JSON) and the library's XML.
#include <algorithm>

#include "json_writer.h"
#include "text_cursor.h"

namespace dstypes {

namespace {

// The likeliest kind of those `among` accepts (every kind when null), from the text's markers
// and first values alone; when none of them looks likely, the first of them in that order.
const Kind& likeliestKind(std::string_view text, bool (*among)(const Kind&)) {
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    const Kind *likeliest = nullptr, *first = nullptr;
    for (const Kind* kind : kKinds) {
        if (among && !among(*kind)) continue;
        if (!first || kind->likelihood < first->likelihood) first = kind;
        if ((!likeliest || kind->likelihood < likeliest->likelihood) && kind->likely(text)) likeliest = kind;
    }
    return likeliest ? *likeliest : *first;  // values, which takes any text, looks likely
}

bool takes(std::string_view text, const Kind& kind) {
    try {
        Output none(Output::kDiscard);
        decode(text, kind, Origin::detected, Layout::compact, none);
        return true;
    } catch (const BadInput&) {
        return false;
    }
}

// The JSON object of `kind`: its name, then what `members` writes.
template <typename Members>
void writeObject(const Kind& kind, Layout layout, Output& out, Members members) {
    JsonWriter j(out, layout == Layout::compact);
    j.beginObject();
    j.key("kind");
    j.bytes(kind.name);
    members(j);
    j.endObject();
    j.end();
}

}  // namespace

const Kind& detectKind(std::string_view text, bool* taken, bool (*among)(const Kind&)) {
    const Kind* kind = &likeliestKind(text, nullptr);
    bool found = takes(text, *kind);
    for (int pass = 0; pass < 2; ++pass)  // those `among` accepts, then, so that a fault can say none does, the rest
        for (const Kind* other : kKinds)
            if (!found && other != kind && (!among || among(*other) == (pass == 0)) && takes(text, *other))
                found = true, kind = other;
    if (taken) *taken = found;
    return found ? *kind : likeliestKind(text, among);
}

void decode(std::string_view text, const Kind& kind, Origin origin, Layout layout, Output& out) {
    Cursor in(text, kind, origin);
    writeObject(kind, layout, out, [&](JsonWriter& j) {
        kind.strict(in, j);
        in.end();
    });
}

void readSpans(std::string_view text, const Kind& kind, Origin origin, std::vector<Span>& spans) {
    spans.clear();
    Cursor in(text, kind, origin, &spans);
    Output none(Output::kDiscard);
    JsonWriter j(none, true);
    kind.strict(in, j);
    in.end();
}

void decodeLenient(std::string_view text, const Kind& kind, Origin origin, Layout layout, Output& out,
    std::vector<std::string>& notes, Strict strict) {
    if (!hasClass(kind))
        throw BadInput("the text reads as " + std::string(kind.name) +
                       ", which no class of the library reads: --lenient shows what a class reads (--as names one)");
    try {
        Output none(Output::kDiscard);
        if (strict == Strict::check) decode(text, kind, origin, Layout::compact, none);
    } catch (const BadInput& e) {
        notes.push_back(std::string("the strict reading objects: ") + e.what());
    }
    std::string working(text);
    writeObject(kind, layout, out, [&](JsonWriter& j) { kind.received(working, j); });
    if (!onlySpace(working))
        notes.push_back("the receiver leaves " + std::to_string(working.size()) + " bytes of the text unread");
}

std::string toXml(std::string_view text, const Kind& kind, Origin origin, Strict strict) {
    if (!hasXml(kind)) throw BadInput("the kind " + std::string(kind.name) + " has no XML form");
    Output none(Output::kDiscard);
    if (strict == Strict::check) decode(text, kind, origin, Layout::compact, none);
    std::string working(text);
    return kind.xml(working);
}

}  // namespace dstypes
