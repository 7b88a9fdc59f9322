// The platform logger's own output: one formatted line per call on standard error.
#include "LoggingHandler.h"  // first: it compiles on its own

#include <unistd.h>

#include <sstream>
#include <thread>

#include "WireFormat.h"
#include "support.h"

TEST(LoggingHandler, WritesOneFormattedLinePerCall) {
    const std::string long_text(5000, 'x');
    const char* none = nullptr;
    testing::internal::CaptureStderr();
    const int n = logAppUni(dst::kLogModule, dst::kLogFile, dst::kLogLevel, dst::kLogEmptyTextLine, dst::kLogEmptyText);
    logAppUni("m", "f", 1, 7, "%s=%d", "count", -3);
    logAppUni("m", "f", 0, 1, "%s", long_text.c_str());
    logAppUni(none, none, 2, 1, "%s", "msg");
    const std::string library =
        std::string(dst::kLogModule) + " " + dst::kLogFile + ":448 [2] " + dst::kLogEmptyText + "\n";
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
        library + "m f:7 [1] count=-3\nm f:1 [0] " + long_text + "\n(null) (null):1 [2] msg\n");
    EXPECT_EQ(n, static_cast<int>(library.size()));
}

// Lines far longer than a pipe keeps whole, from several threads at once, arrive whole.
TEST(LoggingHandler, LongLinesFromThreadsNeverInterleave) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const int saved = dup(STDERR_FILENO);
    dup2(fds[1], STDERR_FILENO);
    close(fds[1]);
    std::string all;
    std::thread reader([&] {
        char chunk[4096];
        for (ssize_t n; (n = read(fds[0], chunk, sizeof chunk)) > 0; usleep(50))
            all.append(chunk, static_cast<std::size_t>(n));
    });
    std::vector<std::thread> writers;
    for (char c = 'a'; c < 'e'; ++c)
        writers.emplace_back([c] {
            for (int i = 0; i < 20; ++i) logAppUni("m", "f", 2, i, "%s", std::string(100000, c).c_str());
        });
    for (std::thread& t : writers) t.join();
    dup2(saved, STDERR_FILENO);  // closes the pipe's last write end, so the reader ends
    reader.join();
    std::istringstream lines(all);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count)
        EXPECT_TRUE(line.substr(line.find(']') + 2) == std::string(100000, line.back())) << "line " << count;
    EXPECT_EQ(count, 80);
}
