// Captures the library's log calls: the test executable defines logAppUni itself and
// exports it, so the dynamic linker binds the library's calls here instead of to the
// platform logger.
#ifndef DST_TESTS_LOG_CAPTURE_H
#define DST_TESTS_LOG_CAPTURE_H

#include <ostream>
#include <string>
#include <tuple>
#include <vector>

struct LogCall {
    std::string module;
    std::string file;
    int level;
    int line;
    std::string message;

    bool operator==(const LogCall& o) const {
        return std::tie(module, file, level, line, message) ==
               std::tie(o.module, o.file, o.level, o.line, o.message);
    }
    friend std::ostream& operator<<(std::ostream& os, const LogCall& c) {
        return os << c.module << " " << c.file << " " << c.level << " " << c.line << " " << c.message;
    }
};

/// Every call since the last take, in order; taking clears the list.
std::vector<LogCall> takeLogCalls();

#endif
