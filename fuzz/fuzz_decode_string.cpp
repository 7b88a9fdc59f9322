#include "Serializer.h"
#include "fuzz_helpers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkDecoder(
        data, size, std::string("sentinel"),
        [](std::string& b, std::string& v) { return Serializer::deserialize(b, v, false); },
        [](std::string& b, const std::string& v) {
            Serializer::serialize(b, v, false);
            FUZZ_CHECK(b.find_first_of(":;") == std::string::npos);
        });
    return 0;
}
