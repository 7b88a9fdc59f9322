// The call group's XML entry and the table's XML form: exact texts, the ring tone split,
// escaping, and that a real XML parser reads back what was put in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DirectoryServiceTypes.h"

#ifdef DST_HAVE_LIBXML2
#include <libxml/parser.h>
#include <libxml/tree.h>
#endif

namespace {

std::string entry(int id, const std::string& name, const std::string& dir, const std::string& file) {
    return "<Entry><CallGroup>" + std::to_string(id) + "</CallGroup><CallGroupName>" + name +
           "</CallGroupName><fileinfo directory=\"" + dir + "\" name=\"" + file + "\" /></Entry>";
}

std::string xmlOf(int id, const std::string& name, const std::string& ringTone) {
    return PhonebookGroup(id, name, ringTone).serialize_xml();
}

TEST(GroupXml, ExactEntries) {
    const std::string family = xmlOf(3, "Family", "/usr/share/sounds/ring1.wav");
    EXPECT_EQ(family,
              "<Entry><CallGroup>3</CallGroup><CallGroupName>Family</CallGroupName><fileinfo "
              "directory=\"/usr/share/sounds/\" name=\"ring1.wav\" /></Entry>");
    EXPECT_EQ(family.size(), 136u);
    const std::string spare = xmlOf(16, "", "");
    EXPECT_EQ(spare, entry(16, "", "", ""));
    EXPECT_EQ(spare.size(), 104u);
    EXPECT_EQ(xmlOf(-1, "", ""), entry(-1, "", "", ""));
    EXPECT_EQ(xmlOf(0, "", ""), entry(0, "", "", ""));
}

TEST(GroupXml, SplitsTheRingToneAtItsLastSlash) {
    struct Case {
        std::string ringTone, dir, file;
    };
    const Case cases[] = {
        {"", "", ""},           {"ring1.wav", "", ""},   {"/ring1.wav", "", ""},
        {"tones/", "tones/", ""}, {"a/b/c", "a/b/", "c"}, {"//x", "//", "x"},
        {"/", "", ""},          {"a/", "a/", ""},
        {std::string("a\0b/c\0d", 7), "a", "c"},  // each part ends at its first NUL
    };
    for (const Case& c : cases)
        EXPECT_EQ(xmlOf(1, "n", c.ringTone), entry(1, "n", c.dir, c.file)) << c.ringTone;
}

TEST(GroupXml, EscapesWhatXmlCannotCarryAndKeepsEverythingElse) {
    struct Case {
        std::string in, content, attribute;
    };
    const std::string fffd = "\xEF\xBF\xBD";
    const Case cases[] = {
        {"A&B", "A&amp;B", "A&amp;B"},
        {"<x>", "&lt;x&gt;", "&lt;x&gt;"},
        {"say \"hi\" 'there'", "say &quot;hi&quot; 'there'", "say &quot;hi&quot; 'there'"},
        {"tab\tnl\ncr\r", "tab\tnl\ncr&#13;", "tab&#9;nl&#10;cr&#13;"},
        {"\x01\x1f\x7f", fffd + fffd + "\x7f", fffd + fffd + "\x7f"},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\x9E", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\x9E",
         "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\x9E"},
        {"\xFF", fffd, fffd},
        {"\xC3", fffd, fffd},                   // truncated sequence
        {"\xC0\x80", fffd + fffd, fffd + fffd},  // overlong
        {"\xED\xA0\x80", fffd + fffd + fffd, fffd + fffd + fffd},  // surrogate
        {"\xEF\xBF\xBE", fffd + fffd + fffd, fffd + fffd + fffd},  // U+FFFE
        {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd, fffd + fffd + fffd + fffd},
        {std::string("ab\0<c", 5), "ab", "ab"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(xmlOf(2, c.in, ""), entry(2, c.content, "", "")) << c.in;
        EXPECT_EQ(xmlOf(2, "", "d/" + c.in), entry(2, "", "d/", c.attribute)) << c.in;
    }
}

TEST(GroupXml, LeavesTheRecordUnchanged) {
    PhonebookGroup g(7, "N&", "/a/b");
    const std::string first = g.serialize_xml();
    EXPECT_EQ(g.serialize_xml(), first);
    EXPECT_EQ(g.getId(), 7);
    EXPECT_EQ(g.getName(), "N&");
    EXPECT_EQ(g.getRingTone(), "/a/b");
}

TEST(TableXml, IsSixteenEntriesEndToEnd) {
    PhonebookGroupList table;
    std::string expected;
    for (int k = 1; k <= 16; ++k) expected += entry(k, "", "", "");
    EXPECT_EQ(table.serialize_xml(), expected);
    EXPECT_EQ(entry(9, "", "", "").size(), 103u);

    PhonebookGroupList unnumbered("ignored");
    std::string zeros;
    for (int k = 1; k <= 16; ++k) zeros += entry(0, "", "", "");
    EXPECT_EQ(unnumbered.serialize_xml(), zeros);
}

#ifdef DST_HAVE_LIBXML2

struct Parsed {
    std::string id, name, directory, file;
};

std::string text(xmlNode* node) {
    xmlChar* content = xmlNodeGetContent(node);
    std::string s = content ? reinterpret_cast<const char*>(content) : "";
    xmlFree(content);
    return s;
}

std::string attribute(xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    std::string s = value ? reinterpret_cast<const char*>(value) : "<missing>";
    xmlFree(value);
    return s;
}

// Parses `<root>` + entries + `</root>` and returns each entry's four values.
std::vector<Parsed> parseEntries(const std::string& entries) {
    const std::string doc = "<root>" + entries + "</root>";
    xmlDoc* d = xmlReadMemory(doc.data(), static_cast<int>(doc.size()), "entry.xml", "UTF-8",
                              XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    std::vector<Parsed> out;
    if (!d) return out;
    for (xmlNode* e = xmlDocGetRootElement(d)->children; e; e = e->next) {
        xmlNode* id = e->children;
        xmlNode* name = id ? id->next : nullptr;
        xmlNode* info = name ? name->next : nullptr;
        if (!info) break;
        out.push_back({text(id), text(name), attribute(info, "directory"), attribute(info, "name")});
    }
    xmlFreeDoc(d);
    return out;
}

TEST(GroupXml, ParsesBackWithARealXmlParser) {
    const std::string fffd = "\xEF\xBF\xBD";
    struct Case {
        std::string name, dir, file, nameBack, fileBack;
    };
    const Case cases[] = {
        {"A&B <C> \"D\" 'E'", "/a&b/<c>/", "\"f\" 'g'.wav", "A&B <C> \"D\" 'E'", "\"f\" 'g'.wav"},
        {"ctl\x01\x02 tab\t nl\n cr\r", "/d\t\n\r/", "f\r\n", "ctl" + fffd + fffd + " tab\t nl\n cr\r",
         "f\r\n"},
        {"Zo\xC3\xAB \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\x9E", "/m\xC3\xBA/", "\xC3\xA9.wav",
         "Zo\xC3\xAB \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\x9E", "\xC3\xA9.wav"},
        {"bad\xFF\xC3", "/x/", "y\xFE", "bad" + fffd + fffd, "y" + fffd},
        {"]]>&amp;", "/&#10;/", "&lt;", "]]>&amp;", "&lt;"},
    };
    PhonebookGroupList table;
    int slot = 1;
    for (const Case& c : cases) {
        PhonebookGroup g(slot, c.name, c.dir + c.file);
        ASSERT_TRUE(table.updateGroup(g));
        const std::vector<Parsed> one = parseEntries(g.serialize_xml());
        ASSERT_EQ(one.size(), 1u) << g.serialize_xml();
        EXPECT_EQ(one[0].id, std::to_string(slot));
        EXPECT_EQ(one[0].name, c.nameBack);
        EXPECT_EQ(one[0].directory, c.dir);
        EXPECT_EQ(one[0].file, c.fileBack);
        ++slot;
    }
    const std::vector<Parsed> all = parseEntries(table.serialize_xml());
    ASSERT_EQ(all.size(), 16u);
    EXPECT_EQ(all[0].name, cases[0].nameBack);
    EXPECT_EQ(all[15].id, "16");
}

#endif

}  // namespace
