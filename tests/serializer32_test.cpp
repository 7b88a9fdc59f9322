// What only a 32-bit core can show: sizes that wrap. Built for 32-bit targets only.
#include <stdexcept>

#include "serializer/table.h"
#include "support.h"

// Where std::size_t has 32 bits, three times a size can wrap: two values of 715 827 864
// bytes have a worst case of 2^32, that is 0. Every byte escaped, the record's encoding is
// longer than any string: each backend refuses it as std::string refuses to grow, instead
// of writing it onto the stack, and leaves the text as it was.
TEST(Codec32, RefusesAnEncodingLongerThanAnyString) {
    static_assert(sizeof(std::size_t) == 4);
    const std::size_t half = ((SIZE_MAX - 111) / 3 + 1) / 2;
    PhonebookRecord record{{std::string(half, '%'), std::string(half, '%')}};
    for (const dst_serializer::Backend& backend : dst_serializer::kBackends) {
        if (!backend.runs()) continue;
        std::string buffer = "x";
        EXPECT_THROW(backend.ops.putRecord(buffer, record), std::length_error) << backend.name;
        EXPECT_EQ(buffer, "x") << backend.name;
    }
}
