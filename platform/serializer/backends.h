// The one place that knows the instruction sets: which backends this target can run, and
// which of them libSerializer uses. The portable one is always among them, so that tests and
// fuzzing check it on every host.
#ifndef DST_SERIALIZER_BACKENDS_H
#define DST_SERIALIZER_BACKENDS_H

#include <tuple>

#include "chunk_words.h"

#if defined(__SSSE3__)  // a file compiled for SSSE3: libSerializer's second one, tests, fuzzing
#include "chunk_ssse3.h"
namespace dst_serializer {
using Backends = std::tuple<Ssse3, Sse2, Words>;
}
#elif defined(__SSE2__)
#include "chunk_sse2.h"
namespace dst_serializer {
using Backends = std::tuple<Sse2, Words>;
}
#elif defined(__ARM_NEON)
#include "chunk_neon.h"
namespace dst_serializer {
using Backends = std::tuple<Neon, Words>;
}
#else
namespace dst_serializer {
using Backends = std::tuple<Words>;
}
#endif

namespace dst_serializer {
using Native = std::tuple_element_t<0, Backends>;  // the first one listed
}

#endif
