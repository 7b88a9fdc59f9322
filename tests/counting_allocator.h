// A counting global allocator for the tests of one executable: it records the largest
// single request since the last reset, so a test can show that a forged length never
// turns into a large allocation. The library's own allocations go through it too.
#ifndef DST_TESTS_COUNTING_ALLOCATOR_H
#define DST_TESTS_COUNTING_ALLOCATOR_H

#include <cstddef>

namespace counting_allocator {
void reset();
std::size_t largestRequest();
}  // namespace counting_allocator

#endif
