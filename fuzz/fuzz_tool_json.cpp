// The tool's JSON reader on any input, as every kind: it either rejects the JSON with
// BadInput or writes a text that the strict reader takes and that encodes back the same.
#include "dstypes_core.h"
#include "fuzz_helpers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string json = fuzzText(data, size);
    for (dstypes::Kind kind : dstypes::kKinds) {
        dstypes::Output text, back, again;
        try {
            dstypes::encode(json, kind, text);
        } catch (const dstypes::BadInput&) {
            continue;
        }
        try {
            dstypes::decode(text.collected(), kind, false, true, back);
            dstypes::encode(back.collected(), kind, again);
        } catch (const dstypes::BadInput& e) {
            std::fprintf(stderr, "%s\n", e.what());
            FUZZ_CHECK(!"encode wrote a text that does not read back");
        }
        FUZZ_CHECK(again.collected() == text.collected());
    }
    return 0;
}
