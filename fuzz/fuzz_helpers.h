// Shared helpers for the fuzz targets: a property check that stops the run with a
// message, and the input as the library's working string.
#ifndef DST_FUZZ_HELPERS_H
#define DST_FUZZ_HELPERS_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(cond)                                                                     \
    do {                                                                                     \
        if (!(cond)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                    \
        }                                                                                    \
    } while (0)

inline std::string fuzzText(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// A decoder's contract on arbitrary input: on false nothing changed; on true exactly a
// prefix was consumed, and re-encoding the value gives that prefix back.
template <typename T, typename Decode, typename Encode>
void checkDecoder(const std::uint8_t* data, std::size_t size, const T& sentinel, Decode decode, Encode encode) {
    const std::string input = fuzzText(data, size);
    std::string buffer = input;
    T value = sentinel;
    if (!decode(buffer, value)) {
        FUZZ_CHECK(buffer == input);
        FUZZ_CHECK(value == sentinel);
        return;
    }
    FUZZ_CHECK(buffer.size() < input.size());
    const std::size_t consumed = input.size() - buffer.size();
    FUZZ_CHECK(input.compare(consumed, std::string::npos, buffer) == 0);
    std::string again;
    encode(again, value);
    FUZZ_CHECK(again == input.substr(0, consumed));
}

#endif
