// A result set read from any text leaves the text alone, and its own text reads back to
// the same records.
#include "DirectoryServiceTypes.h"
#include "fuzz_helpers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = fuzzText(data, size);
    std::string text = input;
    PhonebookSearchResults set;
    set.addPhonebookRecord({{"before", "x"}});
    set.deserialize(text);
    FUZZ_CHECK(text == input);

    PhonebookRecordList records, back;
    set.getRecordList(records);
    for (const PhonebookRecord& r : records) FUZZ_CHECK(!r.empty());

    std::string again = set.serialize();
    PhonebookSearchResults copy;
    copy.deserialize(again);
    copy.getRecordList(back);
    FUZZ_CHECK(back == records);
    return 0;
}
