// A table read from any text keeps its ids, and its own text reads back to the same table.
#include "DirectoryServiceTypes.h"
#include "fuzz_helpers.h"

namespace {

bool sameSlots(PhonebookGroupList& a, PhonebookGroupList& b) {
    PhonebookGroup x, y;
    for (int k = 1; k <= 16; ++k) {
        a.getGroup(k, x);
        b.getGroup(k, y);
        if (x.getId() != y.getId() || x.getName() != y.getName() || x.getRingTone() != y.getRingTone()) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text = fuzzText(data, size);
    PhonebookGroupList table;
    PhonebookGroup old(5, "old", "/old.wav");
    table.updateGroup(old);
    table.deserialize(text);
    FUZZ_CHECK(text.size() <= size);

    std::string again = table.serialize();
    PhonebookGroupList copy;
    copy.deserialize(again);
    FUZZ_CHECK(again.empty());
    FUZZ_CHECK(sameSlots(table, copy));
    (void)table.serialize_xml();
    return 0;
}
