// Our implementation of the platform logger: one line per call on standard error,
//   <module> <file>:<line> [<level>] <message>
// Each line goes out whole: the writes of one line are made under a process-wide lock, so
// lines from threads of this process never interleave, whatever their length. Other
// processes do not take that lock; against them a line is whole only when its single
// write() is, which a pipe guarantees up to PIPE_BUF bytes (4096 on Linux).
#include "LoggingHandler.h"

#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

namespace {

// Constant-initialised and trivially destructible: it adds no load-time or exit-time code.
std::mutex writeLock;

const char* orNull(const char* text) { return text ? text : "(null)"; }

// Appends printf-style output; a format error leaves `out` as it was.
void appendFormatted(std::string& out, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char small[256];
    const int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) return;
    if (static_cast<std::size_t>(n) < sizeof small) {
        out.append(small, static_cast<std::size_t>(n));
        return;
    }
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(n) + 1);
    std::vsnprintf(&out[at], static_cast<std::size_t>(n) + 1, format, args);
    out.resize(at + static_cast<std::size_t>(n));
}

void append(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    appendFormatted(out, format, args);
    va_end(args);
}

}  // namespace

extern "C" int logAppUni(const char* module, const char* file, int level, int line, const char* format, ...) {
    try {
        std::string text;
        append(text, "%s %s:%d [%d] ", orNull(module), orNull(file), line, level);
        if (format) {
            va_list args;
            va_start(args, format);
            appendFormatted(text, format, args);
            va_end(args);
        } else {
            text += "(null)";
        }
        text.push_back('\n');

        std::size_t done = 0;
        const std::lock_guard<std::mutex> hold(writeLock);
        while (done < text.size()) {
            const ssize_t n = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return -1;
            done += static_cast<std::size_t>(n);
        }
        return static_cast<int>(done);
    } catch (...) {
        return -1;  // a logger must not throw into a C caller
    }
}
