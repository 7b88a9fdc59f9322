// The tool's strict text reader on any text, as every kind: it either rejects the text with
// BadInput or writes JSON that encodes back to the same text (white space after it aside),
// and the lenient reading and the XML form never fail on a text the strict reading took.
// Detection finds a kind that takes the text whenever one does.
#include "core.h"
#include "fuzz_helpers.h"

using dstypes::Kind;
using dstypes::Layout;
using dstypes::Origin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text = fuzzText(data, size);
    bool anyTakes = false, taken = false;
    const Kind& detected = dstypes::detectKind(text, &taken);
    for (const Kind* each : dstypes::kKinds) {
        const Kind& kind = *each;
        dstypes::Output json, again;
        try {
            dstypes::decode(text, kind, Origin::given, size % 2 ? Layout::compact : Layout::indented, json);
        } catch (const dstypes::BadInput&) {
            FUZZ_CHECK(!taken || &kind != &detected);
            continue;
        }
        anyTakes = true;
        try {
            dstypes::encode(json.collected(), kind, again);
        } catch (const dstypes::BadInput& e) {
            std::fprintf(stderr, "%s\n%s\n", json.collected().c_str(), e.what());
            FUZZ_CHECK(!"decode wrote JSON that encode refuses");
        }
        const std::string& back = again.collected();
        FUZZ_CHECK(text.compare(0, back.size(), back) == 0);
        FUZZ_CHECK(text.find_first_not_of(" \t\r\n", back.size()) == std::string::npos);
        std::vector<std::string> notes;
        dstypes::Output lenient;
        if (dstypes::hasClass(kind)) dstypes::decodeLenient(text, kind, Origin::given, Layout::compact, lenient, notes);
        if (dstypes::hasXml(kind))
            FUZZ_CHECK(!dstypes::prettyXml(dstypes::toXml(text, kind, Origin::given), kind).empty());
    }
    FUZZ_CHECK(taken == anyTakes);
    return 0;
}
