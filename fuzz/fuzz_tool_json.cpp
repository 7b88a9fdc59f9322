// The tool's JSON reader on any input, as every kind: it either rejects the JSON with
// BadInput or writes a text that the strict reader takes and that encodes back the same.
#include "core.h"
#include "fuzz_helpers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string json = fuzzText(data, size);
    for (const dstypes::Kind* each : dstypes::kKinds) {
        const dstypes::Kind& kind = *each;
        dstypes::Output text, back, again;
        try {
            dstypes::encode(json, kind, text);
        } catch (const dstypes::BadInput&) {
            continue;
        }
        try {
            dstypes::decode(text.collected(), kind, dstypes::Origin::given, dstypes::Layout::compact, back);
            dstypes::encode(back.collected(), kind, again);
        } catch (const dstypes::BadInput& e) {
            std::fprintf(stderr, "%s\n", e.what());
            FUZZ_CHECK(!"encode wrote a text that does not read back");
        }
        FUZZ_CHECK(again.collected() == text.collected());
    }
    return 0;
}
