#include "Serializer.h"
#include "fuzz_helpers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkDecoder(
        data, size, 0x5EED, [](std::string& b, int& v) { return Serializer::deserialize(b, v); },
        [](std::string& b, int v) { Serializer::serialize(b, v); });
    return 0;
}
