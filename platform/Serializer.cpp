// libSerializer's six entry points, over a backend of the table in serializer/table.h: the
// one DST_SERIALIZER_BACKEND names, or the first that the processor runs. The grammar is in
// docs/wire-format.md.
#include "Serializer.h"

#include <atomic>

#include "serializer/table.h"

namespace {
using dst_serializer::kBackends;
using dst_serializer::Ops;

#if defined(DST_SERIALIZER_BACKEND)
constexpr std::size_t kNamed = dst_serializer::indexOf(DST_SERIALIZER_BACKEND);
static_assert(kNamed < std::size(kBackends), "DST_SERIALIZER_BACKEND names a backend this target does not build");
const Ops& ops() { return kBackends[kNamed].ops; }
#else
// Chosen on first use, not at load: the library runs no code when it is loaded. Concurrent
// first calls may each choose; they choose the same.
std::atomic<const Ops*> chosen{nullptr};
__attribute__((noinline)) const Ops& choose() {
    std::size_t i = 0;
    while (!kBackends[i].runs()) ++i;  // the last runs everywhere
    chosen.store(&kBackends[i].ops, std::memory_order_relaxed);
    return kBackends[i].ops;
}
const Ops& ops() {
    if constexpr (std::size(kBackends) == 1) return kBackends[0].ops;
    const Ops* known = chosen.load(std::memory_order_relaxed);
    return known != nullptr ? *known : choose();
}
#endif
}  // namespace

void Serializer::serialize(std::string& buffer, int value) { ops().putInt(buffer, value); }
void Serializer::serialize(std::string& buffer, const std::string& value, bool) { ops().putString(buffer, value); }
void Serializer::serialize(std::string& buffer, PhonebookRecord& record) { ops().putRecord(buffer, record); }
bool Serializer::deserialize(std::string& buffer, int& value) { return ops().getInt(buffer, value); }
bool Serializer::deserialize(std::string& buffer, std::string& value, bool) { return ops().getString(buffer, value); }
bool Serializer::deserialize(std::string& buffer, PhonebookRecord& record) { return ops().getRecord(buffer, record); }
