/// @file
/// logAppUni, the platform's logging entry point, as the stand-in built here implements it.
#ifndef LOGGING_HANDLER_H
#define LOGGING_HANDLER_H

#ifdef __cplusplus
extern "C" {
#endif

/// Writes one log line, `<module> <file>:<line> [<level>] <message>`, to standard error.
///
/// A NULL text is written as `(null)`. Nothing is thrown, also to a C++ caller. Safe to
/// call from several threads: lines of one process never interleave, whatever their
/// length; against other processes writing to the same standard error, a line stays
/// whole up to `PIPE_BUF` bytes on a pipe.
/// @param module the name of the program part that logs
/// @param file the source file that logs
/// @param level the severity, written as given; by convention 0 is fatal, 1 error,
///        2 warning, 3 information and 4 debug
/// @param line the source line that logs
/// @param format the message, printf-style, followed by its arguments
/// @return the number of bytes written, or a negative value when writing failed
__attribute__((visibility("default"), format(printf, 5, 6))) int logAppUni(
    const char* module, const char* file, int level, int line, const char* format, ...);

#ifdef __cplusplus
}
#endif

#endif
