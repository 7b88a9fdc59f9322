// Dimensions read from any text: one log line exactly when rejected, counts changed only
// after the tag, and a form it wrote reads back to the same counts.
#include <cstdarg>

#include "DirectoryServiceTypes.h"
#include "LoggingHandler.h"
#include "Serializer.h"
#include "WireFormat.h"
#include "fuzz_helpers.h"

namespace {
int logLines = 0;
int lastLine = 0;
}  // namespace

// Takes the place of the platform logger for the library (the executable exports it).
extern "C" int logAppUni(const char*, const char*, int, int line, const char*, ...) {
    ++logLines;
    lastLine = line;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = fuzzText(data, size);
    std::string text = input;
    PhonebookGroupDimensions dims;
    dims.setNumEntries(-1);
    dims.setMaxNumEntries(-2);
    logLines = 0;
    dims.deserialize(text);

    std::string front = input, tag;
    const bool tagged = Serializer::deserialize(front, tag, false) && tag == dst::kDimensionsTag;
    if (input.empty()) {
        FUZZ_CHECK(logLines == 1 && lastLine == dst::kLogEmptyTextLine);
    } else if (!tagged) {
        FUZZ_CHECK(logLines == 1 && lastLine == dst::kLogForeignTextLine);
    } else {
        FUZZ_CHECK(logLines == 0);
    }
    if (!tagged) FUZZ_CHECK(dims.getNumEntries() == -1 && dims.getMaxNumEntries() == -2);

    const int n = dims.getNumEntries(), max = dims.getMaxNumEntries();
    std::string again = dims.serialize();
    dims.setNumEntries(0);
    dims.setMaxNumEntries(0);
    dims.deserialize(again);
    FUZZ_CHECK(dims.getNumEntries() == n && dims.getMaxNumEntries() == max);
    std::string limit;
    Serializer::serialize(limit, dst::kGroupNameLimit);
    FUZZ_CHECK(again == limit);
    (void)dims.serialize_xml();
    return 0;
}
