// The dstypes tool's core: JSON to text and back for every kind, kind detection, the
// messages of the strict text reader and of the JSON reader.
#include "core.h"  // first: it compiles on its own

#include <gtest/gtest.h>

#include "json_values.h"

using namespace dstypes;

const Kind& kind(std::string_view name) { return *kindNamed(name); }

// What `write(args..., out)` puts on an Output `out`, or the message of the BadInput it throws.
template <typename Write, typename... Args>
std::string outcome(Write write, const Args&... args) {
    Output out;
    try {
        write(args..., out);
    } catch (const BadInput& e) {
        return e.what();
    }
    return out.collected();
}

// Each kind: its compact JSON and its text.
std::vector<std::tuple<std::string_view, std::string, std::string>> roundTrips() {
    std::string groups = "{\"slot\":1,\"name\":\"Family\",\"ringTone\":\"/r.wav\"}", pairs = "s6,Familys6,/r.wav";
    for (int slot = 2; slot <= 16; ++slot)
        groups += ",{\"slot\":" + std::to_string(slot) + ",\"name\":\"\",\"ringTone\":\"\"}", pairs += "s0,s0,";
    return {{"group-list", "{\"kind\":\"group-list\",\"header\":\"PhonebookGroupList\",\"groups\":[" + groups + "]}",
                "PhonebookGroupList:i16." + pairs},
        {"group", R"({"kind":"group","header":"H","name":"a","ringTone":{"hex":"ff"}})", "H:s1,as1,\xff"},
        {"dimensions", R"({"kind":"dimensions","numEntries":-3,"maxNumEntries":2147483647,"groupNameLimit":15})",
            "s24,PhonebookGroupDimensionsi-3.i2147483647.i15."},
        {"search-results", R"({"kind":"search-results","records":[[{"name":"a","value":"b"}],[]]})",
            "rec;r1,s1,as1,brecEnd;rec;r0,recEnd;"},
        {"values",
            R"({"kind":"values","values":[{"integer":-1},{"string":"x: \"y\";%\n\u0001"},{"record":[{"name":"","value":"v"}]}]})",
            "i-1.s20,x%3A \"y\"%3B%25%0A%01r1,s0,s1,v"}};
}

TEST(DstypesCore, JsonToTextAndBackForEveryKind) {
    for (const auto& [name, json, text] : roundTrips()) {
        EXPECT_EQ(outcome(encode, json, kind(name)), text);
        EXPECT_EQ(outcome(decode, text, kind(name), Origin::given, Layout::compact), json + "\n");
        EXPECT_EQ(detectKind(text).name, name);
    }
}

// The spans tile the text in reading order, a record's fields inside it, and each span's bytes
// are what its JSON member (or the literal it stands for) encodes to.
TEST(DstypesCore, SpansTileTheTextAndHoldTheirMembers) {
    for (const auto& [name, json, text] : roundTrips()) {
        std::vector<Span> spans;
        readSpans(text + " \n", kind(name), Origin::given, spans);
        const Json doc = Json::parse(json);
        std::size_t next = 0;
        for (const Span& s : spans) {
            const std::string bytes = text.substr(s.start, s.end - s.start);
            const char* role[] = {"marker", "header", "integer", "string", "record"};
            const auto r = static_cast<int>(s.role);
            const Json member = !s.pointer.empty() ? doc.at(Json::json_pointer(s.pointer))
                                : r == 2           ? Json(16)
                                                   : Json("PhonebookGroupDimensions");  // the count, the type tag
            const Json values = {{"values", {{{role[r], member}}}}};
            EXPECT_EQ(bytes, r == 0   ? std::string(bytes == ":" || bytes == "recEnd;" ? bytes : "rec;")
                             : r == 1 ? member.get<std::string>()
                                      : outcome(encode, values.dump(), kind("values")))
                << s.pointer;
            EXPECT_EQ(s.body - s.start, r >= 3 ? bytes.find(',') + 1 : 0) << s.pointer;
            EXPECT_TRUE(s.start == next || (s.start > spans[0].start && s.end <= next))
                << s.pointer;  // tiles, or nests
            next = std::max(next, s.end);
        }
        EXPECT_EQ(next, text.size()) << name;
        EXPECT_THROW(readSpans(text.substr(0, text.size() - 1), kind(name), Origin::given, spans), BadText);
        EXPECT_FALSE(spans.empty()) << "the spans before the fault";
    }
}

// The likeliest kind comes first; when its strict reading refuses the text, any kind whose
// reading takes it whole; when none does, the likeliest, whose reading names the fault.
TEST(DstypesCore, DetectionFindsAKindThatTakesTheWholeText) {
    const std::tuple<std::string, std::string_view, bool> cases[] = {// text, kind, whether a reading takes it
        {" \r\n", "search-results", true}, {"s24,PhonebookGroupDimensionsi3.i9.i15.\n", "dimensions", true},
        {"s1,as1,b", "group", true}, {"recEnd;:s1,as1,b", "group", true},
        {"s24,PhonebookGroupDimensionsi3.i9.i16.", "values", true}, {"x", "values", false},
        {"X:i3.", "group-list", false}, {"X:s1,a", "group", false}, {"s1,as1,bx", "values", false},
        {"rec;r1,s1,as1,b", "values", false}, {"rec;r1,s1,as1,brecEnd;x", "search-results", false}};
    bool taken;
    for (const auto& [text, name, takes] : cases)  // a braced list is evaluated in order: taken is read after
        EXPECT_EQ((std::pair<std::string_view, bool>{detectKind(text, &(taken = !takes)).name, taken}),
            std::make_pair(name, takes))
            << text;
    EXPECT_EQ(detectKind("s24,PhonebookGroupDimensionsi3.i9.i16.", nullptr, hasXml).name, "dimensions");  // not values
}

TEST(DstypesCore, TextFaultsNameTheKindTheByteAndAnExcerpt) {
    const std::tuple<std::string, std::string_view, std::string> cases[] = {
        // text, kind given (none: detected), message
        {"PhonebookGroupList:i1.s1,as0,", "group-list",
            "bad group-list text (given) at byte 19: the group count is 1, not 16, near "
            "\"...okGroupList:[i]1.s1,as0,\""},
        {"i16.", "group-list",
            "bad group-list text (given) at byte 0: expected a header ending in ':', near \"[i]16.\""},
        {"s1,as6,abcdef x", "group",
            "bad group text (given) at byte 13: unexpected text after the last value, near \"...1,as6,abcdef[ ]x\""},
        {"s2,XYi1.i2.i15.", "dimensions",
            "bad dimensions text (given) at byte 0: the type tag is not PhonebookGroupDimensions, near "
            "\"[s]2,XYi1.i2.i1...\""},
        {"s24,PhonebookGroupDimensionsi3.i9.i16.", "dimensions",
            "bad dimensions text (given) at byte 34: the group name limit is not 15, near \"...nsionsi3.i9.[i]16.\""},
        {"rec;r1,s1,as1,brecEnd;rec;", "",
            "bad search-results text (detected) at byte 22: frame without \"recEnd;\", near \"...as1,brecEnd;[r]ec;\""},
        {"rec;r1,s1,as1,bXrecEnd;", "search-results",
            "bad search-results text (given) at byte 15: unexpected text before \"recEnd;\", near "
            "\"...;r1,s1,as1,b[X]recEnd;\""},
        {"x\xff\"", "",
            "bad values text (detected) at byte 0: expected an integer, a string or a record (value 0), near "
            "\"[x]\\xff\\x22\""},
        {"r2,s1,as1,bcd", "values",
            "bad values text (given) at byte 0: expected a record (value 0), near \"[r]2,s1,as1,bcd\""}};
    for (const auto& [text, name, message] : cases) {
        const Origin origin = name.empty() ? Origin::detected : Origin::given;
        EXPECT_EQ(
            outcome(decode, text, name.empty() ? detectKind(text) : kind(name), origin, Layout::compact), message);
    }
}

// The JSON reader takes the schema decode writes, hex digits in either case, and names the path of a fault.
TEST(DstypesCore, JsonReaderTakesTheSchemaAndNamesThePathOfAFault) {
    const std::tuple<std::string_view, std::string, std::string> cases[] = {// kind, JSON, text or message
        {"group", R"({"name":{"hex":"C3aF"},"ringTone":""})", "s2,\xC3\xAFs0,"},
        {"group", R"({"kind":18446744073709551616,"name":"a","ringTone":"b"})",
            "bad JSON at /kind: expected \"group\""},
        {"group", R"({"":[{"integer":1}],"name":"a","ringTone":"b"})", "bad JSON at /: unknown member for group"},
        {"group", R"({"kind":"group","header":"a:b","name":"a","ringTone":""})",
            "bad JSON at /header: a header cannot hold ':'"},
        {"group-list", R"({"groups":[{"name":"a","ringTone":""},{"name":5}]})",
            "bad JSON at /groups/1/ringTone: missing"},
        {"group-list", R"({"groups": []})", "bad JSON at /groups: a table has exactly 16 groups"},
        {"dimensions", R"({"numEntries":1,"maxNumEntries":2,"counts":3})",
            "bad JSON at /counts: unknown member for dimensions"},
        {"values", "{\"kind\":\n",
            "bad JSON at byte 9, line 2, column 1: syntax error while parsing value - unexpected end of input; "
            "expected '[', '{', or a literal"},
        {"values", R"({"values":[{"integer": 1e400}]})", "bad JSON at byte 27, number overflow parsing '1e400'"},
        {"values", R"({"values":[{"integer": 18446744073709551615}]})",
            "bad JSON at /values/0/integer: outside the 32-bit range"},
        {"values", R"({"values":[], "values": []})", "bad JSON at /values: duplicate key"},
        {"values", R"({"values":[{"record":[{"name":"a","value":"b","name":"c"}]}]})",
            "bad JSON at /values/0/record/0/name: duplicate key"},
        {"values", R"({"values":[{"string":{"hex":"f"}}]})",
            "bad JSON at /values/0/string/hex: odd number of hex digits"},
        {"values", "[]", "bad JSON at /: expected an object"},
        {"values", R"({"values":[5]})",
            "bad JSON at /values/0: expected {\"integer\": ...}, {\"string\": ...} or {\"record\": [...]}"},
        {"values", R"({"values":[{"string":{"hex":5}}]})",
            "bad JSON at /values/0/string: expected a string or {\"hex\": \"...\"}"},
        {"values", "{\"values\":" + std::string(100000, '['), "bad JSON at /values/0/0/0/0/0: nested too deeply"}};
    for (const auto& [name, json, text] : cases) EXPECT_EQ(outcome(encode, json, kind(name)), text);
}
