// The dstypes tool's core: JSON to text and back for every kind, kind detection, the
// messages of the strict text reader and of the JSON reader.
#include "core.h"  // first: it compiles on its own

#include <gtest/gtest.h>

#include <memory>

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
    EXPECT_EQ(detectKind("x", nullptr, hasClass).name, "search-results");  // the likeliest with a class, not values
}

// A fault names the byte that makes the text invalid, what was expected there, where it sits, its line
// and column when the text has lines, and, for a detected kind, that no kind reads the text.
TEST(DstypesCore, TextFaultsNameTheOffendingByteAndTheirCause) {
    const std::tuple<std::string, std::string_view, std::size_t, std::string> cases[] = {
        // text, kind given ("": detected), the offending byte, what the message says from there
        {"PhonebookGroupList:i1.s1,as0,", "group-list", 19,
            "19: the group count is 1, not 16, near \"...okGroupList:[i]1.s1,as0,\""},
        {"i16.", "group-list", 4, "4: no ':' ends a header"},
        {"s1,as6,abcdef x", "group", 14, "14: unexpected text after the last value"},
        {"H\r\nX:s1,a\r\n", "group", 9, "9: expected a string, found the byte \\x0d (the ring tone; line 2, column 7)"},
        {"s2,XYi1.i2.i15.", "dimensions", 0, "0: the type tag is not PhonebookGroupDimensions"},
        {"s24,PhonebookGroupDimensionsi3.i9.i16.", "dimensions", 34, "34: the group name limit is not 15"},
        {"rec;r1,s1,as1,brecEnd;rec;", "", 26, "26: expected a record, found the end of the text (record 1)"},
        {"rec;r1,s1,as1,bXrecEnd;", "search-results", 15, "15: unexpected text before \"recEnd;\""},
        {"rec;r1,s1,as1,b", "search-results", 15, "15: expected \"recEnd;\", found the end of the text (record 0)"},
        {"rec;r1,s1,as3,a:brecEnd;", "", 15,
            "15: ':' must be written %3A inside a value (record 0, the value of field 0)"},
        {"rec;r2,s0,s0,s1,as5,abcrecEnd;", "", 18,
            "18: a length of 5 runs past the frame's \"recEnd;\" by 2 bytes "
            "(record 0, the value of field 1)"},
        {"x\xff\"", "", 0, "0: expected an integer, a string or a record, found 'x' (value 0), near \"[x]\\xff\\x22\""},
        {"i1.r2,s1,as1,bcd", "values", 4,
            "4: a count of 2 fields needs at least 12 bytes, and 10 follow before the "
            "end of the text (value 1)"},
        {"r1,s1,as3,%4b", "values", 10, "10: an escape's hex digits are upper-case: %4B, not %4b (value 0, the value"},
        {"s3,%41", "values", 3, "3: 'A' is written as it is, not as %41"},
        {"s3,%GG", "values", 3, "3: '%' begins an escape"}, {"s2,a%", "values", 4, "4: the escape is cut off"},
        {"s2,;\x7F", "values", 3, "3: ';' must be written %3B"},
        {"s1,\x7F", "values", 3, "3: the byte \\x7f must be written %7F"},
        {"s1,\x01", "values", 3, "3: the byte \\x01 must be written %01"},
        {"i-0.", "values", 2, "2: a '-' is followed"}, {"i01.", "values", 2, "2: an integer has no leading zeros"},
        {"s01,a", "values", 2, "2: a length has no leading"},
        {"i2147483648.", "values", 10, "10: an integer is at most 2147483647"},
        {"i+1.", "values", 1, "1: an integer has no '+'"},
        {"i-2147483649.", "values", 11, "11: an integer is at least -2147483648"},
        {"i1x", "values", 2, "2: expected '.'"}, {"i", "values", 1, "1: expected a digit, found the end"},
        {"s1;a", "values", 2, "2: expected ',' after the length"},
        {"s", "values", 1, "1: expected the length's digits"},
        {"r1,s1,ai1.,", "values", 7, "7: expected a string, found an integer"},
        {"s99999999999999999999,", "values", 2, "2: a length of 20 digits runs past the end of the text"}};
    for (const auto& [text, name, byte, message] : cases) {
        const Kind& k = name.empty() ? detectKind(text) : kind(name);
        try {
            decode(
                text, k, name.empty() ? Origin::detected : Origin::given, Layout::compact, *std::make_unique<Output>());
            ADD_FAILURE() << text;
        } catch (const BadText& e) {
            const std::string said = e.what(),
                              origin = name.empty() ? " (the likeliest kind; no kind reads this text)" : "";
            EXPECT_EQ(e.at, byte) << said;
            EXPECT_EQ(said.find("bad " + std::string(k.name) + " text" + origin + " at byte " + message), 0) << said;
        }
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
