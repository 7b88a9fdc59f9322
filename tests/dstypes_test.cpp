// The dstypes tool's core: JSON to text and back for every kind, the spans of the strict reading,
// and kind detection.
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

// Every kind: JSON to text and back, detection, and the spans of the strict reading, which tile the text in
// reading order (a record's fields inside it), each span's bytes what its member (or the literal it stands for)
// encodes to.
TEST(DstypesCore, JsonToTextAndBackAndTheSpansOfEveryKind) {
    std::string groups = "{\"slot\":1,\"name\":\"Family\",\"ringTone\":\"/r.wav\"}", pairs = "s6,Familys6,/r.wav";
    for (int slot = 2; slot <= 16; ++slot)
        groups += ",{\"slot\":" + std::to_string(slot) + ",\"name\":\"\",\"ringTone\":\"\"}", pairs += "s0,s0,";
    const std::tuple<std::string_view, std::string, std::string> cases[] = {// kind, compact JSON, text
        {"group-list", "{\"kind\":\"group-list\",\"header\":\"PhonebookGroupList\",\"groups\":[" + groups + "]}",
            "PhonebookGroupList:i16." + pairs},
        {"group", R"({"kind":"group","header":"H","name":"a","ringTone":{"hex":"ff"}})", "H:s1,as1,\xff"},
        {"dimensions", R"({"kind":"dimensions","numEntries":-3,"maxNumEntries":2147483647,"groupNameLimit":15})",
            "s24,PhonebookGroupDimensionsi-3.i2147483647.i15."},
        {"search-results", R"({"kind":"search-results","records":[[{"name":"a","value":"b"}],[]]})",
            "rec;r1,s1,as1,brecEnd;rec;r0,recEnd;"},
        {"values",
            R"({"kind":"values","values":[{"integer":-1},{"string":"x: \"y\";%\n\u0001"},{"record":[{"name":"","value":"v"}]}]})",
            "i-1.s20,x%3A \"y\"%3B%25%0A%01r1,s0,s1,v"}};
    for (const auto& [name, json, text] : cases) {
        EXPECT_EQ(outcome(encode, json, kind(name)), text);
        EXPECT_EQ(outcome(decode, text, kind(name), Origin::given, Layout::compact), json + "\n");
        EXPECT_EQ(detectKind(text).name, name);
        std::vector<Span> spans;
        readSpans(text + " \n", kind(name), Origin::given, spans);
        std::size_t next = 0;
        const Json doc = Json::parse(json);
        for (const Span& s : spans) {
            const std::string bytes = text.substr(s.start, s.end - s.start),
                              role[] = {"", "", "integer", "string", "record"};
            const int r = static_cast<int>(s.role);  // the count and the type tag are in no member
            const Json member = !s.pointer.empty() ? doc.at(Json::json_pointer(s.pointer))
                                : r == 2           ? Json(16)
                                                   : Json("PhonebookGroupDimensions");
            EXPECT_EQ(bytes, r == 0   ? (bytes == ":" || bytes == "rec;" || bytes == "recEnd;" ? bytes : "a marker")
                             : r == 1 ? member.get<std::string>()
                                      : outcome(encode, Json{{"values", {{{role[r], member}}}}}.dump(), kind("values")))
                << s.pointer;
            EXPECT_EQ(s.body - s.start, r >= 3 ? bytes.find(',') + 1 : 0) << s.pointer;
            EXPECT_TRUE(s.start == next || (s.start > spans[0].start && s.end <= next)) << s.pointer;  // or nests
            next = std::max(next, s.end);
        }
        EXPECT_EQ(next, text.size()) << name;
        try {  // a fault: the spans before it, and the byte its message names, which the viewer marks
            readSpans(text.substr(0, text.size() - 1), kind(name), Origin::given, spans);
            ADD_FAILURE() << name;
        } catch (const BadText& e) {
            EXPECT_FALSE(spans.empty()) << name;
            EXPECT_NE(std::string(e.what()).find(" at byte " + std::to_string(e.at) + ": "), std::string::npos);
        }
    }
    // The JSON reader refuses nesting deeper than any kind's at once, however deep it goes. (The faults of
    // the JSON and text readers are the tool's cases, tool_cases.txt.)
    EXPECT_EQ(outcome(encode, "{\"values\":" + std::string(100000, '['), kind("values")),
        "bad JSON at /values/0/0/0/0/0: nested too deeply");
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
