#include "Serializer.h"
#include "fuzz_helpers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkDecoder(
        data, size, PhonebookRecord{{"sentinel", "field"}},
        [](std::string& b, PhonebookRecord& v) { return Serializer::deserialize(b, v); },
        [](std::string& b, PhonebookRecord v) {
            Serializer::serialize(b, v);
            FUZZ_CHECK(b.find_first_of(":;") == std::string::npos);
        });
    return 0;
}
