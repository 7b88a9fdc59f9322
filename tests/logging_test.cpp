// The platform logger's own output: one formatted line per call on standard error.
#include <gtest/gtest.h>

#include "LoggingHandler.h"

namespace {

TEST(LoggingHandler, WritesOneFormattedLinePerCall) {
    const std::string long_text(5000, 'x');
    const char* none = nullptr;
    testing::internal::CaptureStderr();
    const int n = logAppUni("DirectoryServiceTypes", "./src/DirectoryServiceTypes", 2, 448, "Zero length string");
    logAppUni("m", "f", 1, 7, "%s=%d", "count", -3);
    logAppUni("m", "f", 0, 1, "%s", long_text.c_str());
    logAppUni(none, none, 2, 1, "%s", "msg");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "DirectoryServiceTypes ./src/DirectoryServiceTypes:448 [2] Zero length string\n"
              "m f:7 [1] count=-3\nm f:1 [0] " + long_text + "\n(null) (null):1 [2] msg\n");
    EXPECT_EQ(n, 77);
}

}  // namespace
