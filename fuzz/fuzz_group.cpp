// A group read from any text keeps its id and writes a text that reads back to itself.
#include "DirectoryServiceTypes.h"
#include "fuzz_helpers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text = fuzzText(data, size);
    PhonebookGroup group(7, "before", "/before.wav");
    group.deserialize(text);
    FUZZ_CHECK(group.getId() == 7);
    FUZZ_CHECK(text.size() <= size);

    std::string again = group.serialize();
    PhonebookGroup copy;
    copy.deserialize(again);
    FUZZ_CHECK(again.empty());
    FUZZ_CHECK(copy.getName() == group.getName());
    FUZZ_CHECK(copy.getRingTone() == group.getRingTone());
    (void)group.serialize_xml();
    return 0;
}
