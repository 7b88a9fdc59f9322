// Logging entry point of the platform.
#ifndef LOGGING_HANDLER_H
#define LOGGING_HANDLER_H

#ifdef __cplusplus
extern "C" {
#endif

/// Writes one log line. `format` and the arguments after it are printf-style.
/// Returns the number of bytes written, or a negative value on failure. Safe to call from
/// several threads: lines of one process never interleave, whatever their length.
__attribute__((visibility("default"), format(printf, 5, 6)))
int logAppUni(const char* module, const char* file, int level, int line, const char* format, ...);

#ifdef __cplusplus
}
#endif

#endif
