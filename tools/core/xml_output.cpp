// Indented XML: the one part of the core that needs libxml2.
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <climits>
#include <memory>

#include "core.h"

namespace dstypes {

namespace {
// libxml2 reports some faults through its global handlers whatever the parser's options say.
template <typename Error>
void silent(void*, Error) {}
void silentGeneric(void*, const char*, ...) {}
}  // namespace

std::string prettyXml(std::string_view xml, const Kind& kind) {
    const std::string name(kind.name), document = "<" + name + ">" + std::string(xml) + "</" + name + ">";
    // The library escapes all it writes, so only libxml2's limits can refuse the fragment:
    // XML_PARSE_HUGE lifts those on a text node from 10 MB to 1 GB.
    const char* const tooLarge = "the XML form of this text is too large to indent";
    if (document.size() > INT_MAX / 2) throw BadInput(tooLarge);
    xmlSetStructuredErrorFunc(nullptr, &silent);
    xmlSetGenericErrorFunc(nullptr, &silentGeneric);
    std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> doc(
        xmlReadMemory(document.data(), static_cast<int>(document.size()), nullptr, "UTF-8",
            XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE),
        xmlFreeDoc);
    xmlChar* formatted = nullptr;
    int size = 0;
    if (doc) xmlDocDumpFormatMemoryEnc(doc.get(), &formatted, &size, "UTF-8", 1);
    if (!formatted) throw BadInput(tooLarge);
    std::string result(reinterpret_cast<const char*>(formatted), static_cast<std::size_t>(size));
    xmlFree(formatted);
    return result;
}

}  // namespace dstypes
