// Group dimensions: the process-wide counts, their text and XML forms, and the two log lines.
#include "LoggingHandler.h"  // first: it compiles on its own

#include <cstdarg>
#include <cstdio>

#include "support.h"

std::string logged;  // the log calls since the last check, one line each

// The executable exports its own logAppUni, which the dynamic linker binds before the platform's.
extern "C" int logAppUni(const char* module, const char* file, int level, int line, const char* format, ...) {
    char message[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    logged += std::string(module) + "|" + file + "|" + std::to_string(level) + "|" + std::to_string(line) + "|" +
              message + "\n";
    return 0;
}

// The counts, read through a fresh instance after setting them through others when asked.
std::pair<int, int> counts(int n = INT_MIN, int max = INT_MIN) {
    if (n != INT_MIN) PhonebookGroupDimensions().setNumEntries(n), PhonebookGroupDimensions().setMaxNumEntries(max);
    return {PhonebookGroupDimensions().getNumEntries(), PhonebookGroupDimensions().getMaxNumEntries()};
}

std::string xml(const std::string& n, const std::string& max) {  // the fragment of these counts
    return "<groupDimension><numEntries>" + n + "</numEntries><maxEntries>" + max +
           "</maxEntries><fieldSize name=\"group\">15</fieldSize></groupDimension>";
}

const std::string kTag = enc("PhonebookGroupDimensions");
const std::string xmlAtLoad = PhonebookGroupDimensions().serialize_xml();  // before any test has set the counts

TEST(Dimensions, SharedUncheckedCountsAndTheirForms) {
    PhonebookGroupDimensions d;
    EXPECT_EQ(xmlAtLoad, xml("0", "0"));
    EXPECT_EQ(counts(-7, -2147483647), std::make_pair(-7, -2147483647));
    EXPECT_EQ(d.serialize_xml(), xml("-7", "-2147483647"));
    EXPECT_EQ(counts(3, 100), std::make_pair(3, 100));
    EXPECT_EQ(std::make_tuple(d.serialize_xml().size(), d.serialize(), d.getgroupNameLimit()),
        std::make_tuple(125u, kTag + enc(3, 100, 15), 15));
}

TEST(Dimensions, ReadsTheCountsAndLeavesTheLimitAndWhatFollows) {
    std::string text = kTag + enc(12, 250, 15) + kTag + enc(1, 2, 15), onlyTag = kTag, oneCount = kTag + enc(7) + ":";
    logged.clear();
    PhonebookGroupDimensions().deserialize(text);
    EXPECT_EQ(
        std::make_tuple(counts(), text), std::make_tuple(std::make_pair(12, 250), enc(15) + kTag + enc(1, 2, 15)));
    PhonebookGroupDimensions().deserialize(onlyTag),
        PhonebookGroupDimensions().deserialize(oneCount);  // a count that does not decode keeps its value
    EXPECT_EQ(
        std::make_tuple(counts(), onlyTag, oneCount, logged), std::make_tuple(std::make_pair(7, 250), "", ":", ""));
}

TEST(Dimensions, RejectsEmptyAndForeignTextsWithOneLogLine) {
    const std::string head = "DirectoryServiceTypes|./src/DirectoryServiceTypes|2|", numbers = enc(1, 2, 15);
    const std::string empty = head + "448|Zero length string. Cannot Deserialise\n";
    const std::string foreign =
        head +
        "443|Attempting to deserialise a non PhonebookGroupDimensions string into a PhonebookGroupDimensions object\n";
    const std::string cases[][3] = {// text, what is left of it, the log line
        {"", "", empty}, {enc("PhonebookGroupList") + numbers, numbers, foreign},
        {enc("phonebookgroupdimensions") + numbers, numbers, foreign},
        {enc("PhonebookGroupDimensions:") + numbers, numbers, foreign},
        {enc("PhonebookGroupDimension") + numbers, numbers, foreign}, {enc("") + numbers, numbers, foreign},
        {":" + kTag + numbers, ":" + kTag + numbers, foreign}};  // no string: left in place
    for (const auto& c : cases) {
        counts(5, 9);
        logged.clear();
        std::string text = c[0];
        PhonebookGroupDimensions().deserialize(text);
        EXPECT_EQ(std::make_tuple(counts(), text, logged), std::make_tuple(std::make_pair(5, 9), c[1], c[2])) << c[0];
    }
}
