// A plain logAppUni, apart from platform/LoggingHandler.cpp: one line per call on stderr.
#include <cstdarg>
#include <cstdio>

#include "LoggingHandler.h"

int logAppUni(const char* module, const char* file, int level, int line, const char* format, ...) {
    char message[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    return std::fprintf(stderr, "%s %s:%d [%d] %s\n", module, file, line, level, message);
}
