#include "log_capture.h"

#include <cstdarg>
#include <cstdio>

#include "LoggingHandler.h"

namespace {
std::vector<LogCall> calls;
}

std::vector<LogCall> takeLogCalls() {
    std::vector<LogCall> taken;
    taken.swap(calls);
    return taken;
}

extern "C" int logAppUni(const char* module, const char* file, int level, int line,
                         const char* format, ...) {
    char message[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    calls.push_back({module, file, level, line, message});
    return 0;
}
