// What common.h and table.h declare and do not inline.
#include "common.h"

#include <stdexcept>

#include "table.h"
#if defined(DST_SERIALIZER_X86)
#include <cpuid.h>
#endif

namespace dst_serializer {

char* putDecimal(char* out, std::size_t v) {
    char* const end = out + decimalLength(v);
    char* p = end;
    for (; v >= 100; v /= 100) p -= 2, std::memcpy(p, &kBytes.digits[2 * (v % 100)], 2);
    if (v >= 10)
        p -= 2, std::memcpy(p, &kBytes.digits[2 * v], 2);
    else
        *--p = static_cast<char>('0' + v);
    return end;
}

// Geometric growth, up to the most a string holds: many appends to one string stay linear.
char* extendFor(std::string& buffer, std::uint64_t size) {
    const std::size_t start = buffer.size(), most = buffer.max_size(), capacity = buffer.capacity();
    if (size + kSlack > most - start) throw std::length_error("Serializer::serialize: text too long");
    const std::size_t end = start + static_cast<std::size_t>(size) + kSlack;
    if (end > capacity) buffer.reserve(std::max(end, capacity > most / 2 ? most : 2 * capacity));
    buffer.resize(end);
    return &buffer[start];
}

bool everywhere() { return true; }
#if defined(DST_SERIALIZER_X86)
bool hasSsse3() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_SSSE3) != 0;
}
#endif

}  // namespace dst_serializer
