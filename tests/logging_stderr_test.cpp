// The platform logger's own output: one formatted line per call on standard error.
#include <gtest/gtest.h>

#include <string>

#include "LoggingHandler.h"

namespace {

std::string captured(void (*call)()) {
    testing::internal::CaptureStderr();
    call();
    return testing::internal::GetCapturedStderr();
}

TEST(LoggingHandler, WritesOneLineWithAllFields) {
    EXPECT_EQ(captured([] {
                  logAppUni("DirectoryServiceTypes", "./src/DirectoryServiceTypes", 2, 448,
                            "Zero length string. Cannot Deserialise");
              }),
              "DirectoryServiceTypes ./src/DirectoryServiceTypes:448 [2] Zero length string. "
              "Cannot Deserialise\n");
}

TEST(LoggingHandler, FormatsArgumentsAndLongMessages) {
    EXPECT_EQ(captured([] { logAppUni("m", "f", 1, 7, "%s=%d", "count", -3); }),
              "m f:7 [1] count=-3\n");
    const std::string long_text(5000, 'x');
    static std::string expected;
    expected = "m f:1 [0] " + long_text + "\n";
    EXPECT_EQ(captured([] { logAppUni("m", "f", 0, 1, "%s", std::string(5000, 'x').c_str()); }),
              expected);
}

TEST(LoggingHandler, NullTextsDoNotCrash) {
    const std::string line = captured([] {
        const char* none = nullptr;
        logAppUni(none, none, 2, 1, "%s", "msg");
    });
    EXPECT_EQ(line, "(null) (null):1 [2] msg\n");
}

TEST(LoggingHandler, ReturnsTheBytesWritten) {
    testing::internal::CaptureStderr();
    const int n = logAppUni("m", "f", 2, 3, "x");
    EXPECT_EQ(testing::internal::GetCapturedStderr().size(), static_cast<std::size_t>(n));
}

}  // namespace
