// The call group record: state, setSpare dispatch, tag conversion, text form and XML entry.
#include "DirectoryServiceTypes.h"  // first: it compiles on its own

#if defined(DST_HAVE_LIBXML2)
#include <libxml/parser.h>
#endif

#include <locale>

#include "support.h"

// A derived group that records which setters ran.
struct Recording : PhonebookGroup {
    using PhonebookGroup::PhonebookGroup;
    std::string calls;
    void setName(std::string n) override { calls += "name(" + n + ")", PhonebookGroup::setName(n + "!"); }
    void setRingTone(std::string r) override { calls += "tone(" + r + ")", PhonebookGroup::setRingTone(r); }
};

TEST(Group, StateValidationAndSetSpare) {
    PhonebookGroup spare;
    EXPECT_EQ(std::make_tuple(spare.getId(), spare.getName() + spare.getRingTone(), spare.validateGroup()),
        std::make_tuple(0, std::string(), false));
    for (int id : {1, 0, -7, 99})
        EXPECT_EQ(
            std::make_pair(PhonebookGroup(id, " ", "").validateGroup(), PhonebookGroup(id, "", "/a").validateGroup()),
            std::make_pair(true, false))
            << id;
    Recording g(5, "Friends", "/a.wav");
    static_cast<PhonebookGroup&>(g).setSpare();
    EXPECT_EQ(
        std::make_tuple(g.getId(), g.calls, g.getName(), g.getRingTone()), std::make_tuple(5, "name()tone()", "!", ""));
}

TEST(Group, TagConversions) {
    for (int v : {0, 16, -1, INT_MAX, INT_MIN}) EXPECT_EQ(PhonebookGroup::groupIndexToTag(v), std::to_string(v));
    const std::pair<std::string, int> cases[] = {{"7", 7}, {"  12", 12}, {"\t\n12", 12}, {"12abc", 12}, {"-4", -4},
        {"+9", 9}, {"abc", 0}, {"", 0}, {"0x1A", 0}, {"010", 10}, {"- 3", 0}, {"2147483647", INT_MAX},
        {"2147483648", INT_MAX}, {"-2147483648", INT_MIN}, {"-2147483649", INT_MIN}, {"9223372036854775808", INT_MAX},
        {"-9223372036854775809", INT_MIN},
        {std::string("5\0"
                     "9",
             3),
            5}};
    for (const auto& [text, value] : cases) EXPECT_EQ(PhonebookGroup::groupTagToIndex(text), value) << text;
}

TEST(Group, TextFormIsNameThenRingToneWithoutId) {
    EXPECT_EQ(PhonebookGroup(9, "Family", "/r.wav").serialize() + PhonebookGroup().serialize(),
        enc("Family", "/r.wav", "", ""));
    const std::string cases[][4] = {// text, name, ring tone, what is left of the text
        {enc("Work", "/a/b.wav"), "Work", "/a/b.wav", ""}, {"Header:" + enc("Work", ""), "Work", "", ""},
        {enc("W", "r") + "more", "W", "r", "more"}, {"Header:", "old", "old.wav", ""},
        {"a::" + enc("x", "y"), "old", "old.wav", ":" + enc("x", "y")}, {enc("N"), "N", "old.wav", ""},
        {enc("", ""), "", "", ""}};
    for (const auto& c : cases) {
        PhonebookGroup g(4, "old", "old.wav");
        std::string text = c[0];
        g.deserialize(text);
        EXPECT_EQ(std::make_tuple(g.getId(), g.getName(), g.getRingTone(), text), std::make_tuple(4, c[1], c[2], c[3]))
            << c[0];
    }
}

std::string entry(const std::string& id, const std::string& name, const std::string& dir, const std::string& file) {
    return "<Entry><CallGroup>" + id + "</CallGroup><CallGroupName>" + name + "</CallGroupName><fileinfo directory=\"" +
           dir + "\" name=\"" + file + "\" /></Entry>";
}

TEST(GroupXml, ExactEntriesAndTheRingToneSplit) {
    EXPECT_EQ(PhonebookGroup(3, "Family", "/usr/share/sounds/ring1.wav").serialize_xml(),
        "<Entry><CallGroup>3</CallGroup><CallGroupName>Family</CallGroupName><fileinfo "
        "directory=\"/usr/share/sounds/\" name=\"ring1.wav\" /></Entry>");
    const std::string cases[][3] = {{"", "", ""}, {"ring1.wav", "", ""}, {"/ring1.wav", "", ""},
        {"tones/", "tones/", ""}, {"a/b/c", "a/b/", "c"}, {"//x", "//", "x"}, {std::string("a\0b/c\0d", 7), "a", "c"}};
    for (const auto& c : cases)
        EXPECT_EQ(PhonebookGroup(1, "n", c[0]).serialize_xml(), entry("1", "n", c[1], c[2])) << c[0];
    std::string sixteen;
    for (int k = 1; k <= 16; ++k) sixteen += entry(std::to_string(k), "", "", "");
    EXPECT_EQ(PhonebookGroupList().serialize_xml(), sixteen);
}

// Under a global locale that groups digits, numbers read as a default string stream writes them there.
TEST(GroupXml, NumbersFollowTheGlobalLocale) {
    struct Grouping : std::numpunct<char> {
        std::string do_grouping() const override { return "\3"; }
    };
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new Grouping));
    const std::string got = PhonebookGroup(1234567, "", "").serialize_xml() + PhonebookGroup::groupIndexToTag(-1234567);
    std::locale::global(previous);
    EXPECT_EQ(got, entry("1,234,567", "", "", "") + "-1,234,567");
}

TEST(GroupXml, EscapesWhatXmlCannotCarryAndKeepsEverythingElse) {
    const std::string r = "\xEF\xBF\xBD", r3 = r + r + r, r4 = r3 + r;
    std::string quotes;  // the longest text per byte that the writer makes room for
    for (int i = 0; i < 64; ++i) quotes += "&quot;";
    // valid at the edges: U+07FF, U+0800, U+FF21 (lead 0xEF), U+FFFC, U+D7FF, U+10000, U+40000, U+10FFFF
    const std::string valid =
        "\xDF\xBF \xE0\xA0\x80 \xEF\xBC\xA1 \xEF\xBF\xBC \xED\x9F\xBF \xF0\x90\x80\x80 \xF1\x80\x80\x80 "
        "\xF4\x8F\xBF\xBF \xC3\xA9 ";
    const std::string cases[][3] = {// input, as content, as attribute
        {"A&B<x>", "A&amp;B&lt;x&gt;", "A&amp;B&lt;x&gt;"},
        {"say \"hi\" 'x'", "say &quot;hi&quot; 'x'", "say &quot;hi&quot; 'x'"},
        {"tab\tnl\ncr\r", "tab\tnl\ncr&#13;", "tab&#9;nl&#10;cr&#13;"},
        {"\x01\x1f\x7f", r + r + "\x7f", r + r + "\x7f"}, {valid, valid, valid}, {"\xFF", r, r}, {"\xC3", r, r},
        {"\xE2\x82"
         "A",
            r + r + "A", r + r + "A"},
        {"\xC0\x80", r + r, r + r}, {"\xE0\x80\x80", r3, r3}, {"\xED\xA0\x80", r3, r3}, {"\xEF\xBF\xBE", r3, r3},
        {"\xF0\x80\x80\x80", r4, r4}, {"\xF4\x90\x80\x80", r4, r4}, {"\xF5\x80\x80\x80", r4, r4},
        {std::string("ab\0<c", 5), "ab", "ab"}, {std::string(64, '"'), quotes, quotes}};
    for (const auto& c : cases)
        EXPECT_EQ(PhonebookGroup(2, c[0], "").serialize_xml() + PhonebookGroup(2, "", "d/" + c[0]).serialize_xml(),
            entry("2", c[1], "", "") + entry("2", "", "d/", c[2]))
            << c[0];
}

// A real parser reads back every value as it was put in (bytes XML cannot carry excepted),
// including what it would otherwise normalise.
#if defined(DST_HAVE_LIBXML2)
TEST(GroupXml, ParsesBackWithLibxml2) {
    const std::string r = "\xEF\xBF\xBD";
    const std::string cases[][5] = {// name, directory, file, and name and file as read back
        {"A&B <C> \"D\" 'E' ]]>&amp;", "/a&b/<c>/", "\"f\" 'g'.wav", "A&B <C> \"D\" 'E' ]]>&amp;", "\"f\" 'g'.wav"},
        {"ctl\x01 tab\t nl\n cr\r Zo\xC3\xAB \xF0\x9F\x93\x9E", "/d\t\n\r/m\xC3\xBA/", "f\r\nbad\xFF\xC3",
            "ctl" + r + " tab\t nl\n cr\r Zo\xC3\xAB \xF0\x9F\x93\x9E", "f\r\nbad" + r + r}};
    for (const auto& c : cases) {
        const std::string xml = PhonebookGroup(7, c[0], c[1] + c[2]).serialize_xml();
        xmlDoc* doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, "UTF-8", XML_PARSE_NONET);
        ASSERT_NE(doc, nullptr) << xml;
        xmlNode* id = xmlDocGetRootElement(doc)->children;
        std::string got;
        for (xmlChar* v : {xmlNodeGetContent(id), xmlNodeGetContent(id->next),
                 xmlGetProp(id->next->next, BAD_CAST "directory"), xmlGetProp(id->next->next, BAD_CAST "name")})
            got += reinterpret_cast<const char*>(v) + std::string("|"), xmlFree(v);
        xmlFreeDoc(doc);
        EXPECT_EQ(got, "7|" + c[3] + "|" + c[1] + "|" + c[4] + "|");
    }
}
#endif
