// The program bench/instructions.sh counts: for each workload, 200 records written and read
// by our text form and by protobuf, each operation between two calls of dst_mark(), so that
// a counter sees exactly the operation (neither start-up nor the building of the data).
// Under qemu the counter finds the marks in the execution log; under callgrind each mark
// dumps the counts since the previous one.
//   count_instructions [--list] [WORKLOAD]     (a part of a workload's name picks workloads)
#include <cstdio>
#include <cstring>
#include <string>

#if defined(DST_CALLGRIND)
#include <valgrind/callgrind.h>
#endif

#include "records_proto.h"

extern "C" __attribute__((noinline, used)) void dst_mark() {
#if defined(DST_CALLGRIND)
    CALLGRIND_DUMP_STATS;
#else
    asm volatile("" ::: "memory");
#endif
}

namespace {

constexpr std::size_t kRecords = 200, kWarmUp = 20;

// The four operations on `count` records of `w`; `marked` puts a mark before each and one
// after the last.
void run(const bench::Workload& w, std::size_t count, bool marked) {
    PhonebookRecordList records = bench::makeRecords(w, count);
    const dstbench::RecordSet proto = bench::protoOf(records);
    PhonebookSearchResults set = bench::resultsOf(std::move(records));
    std::string text, wire;
    PhonebookSearchResults back;
    dstbench::RecordSet protoBack;
    auto mark = [marked] {
        if (marked) dst_mark();
    };
    mark();
    text = set.serialize();
    mark();
    back.deserialize(text);
    mark();
    proto.SerializeToString(&wire);
    mark();
    protoBack.ParseFromString(wire);
    mark();
    if (back.getRecordCount() != count || protoBack.records_size() != static_cast<int>(count)) {
        std::fprintf(stderr, "%s: the records did not come back\n", w.name);
        std::exit(1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool list = argc > 1 && std::strcmp(argv[1], "--list") == 0;
    const char* only = argc > 1 + list ? argv[1 + list] : "";
    for (const bench::Workload& w : bench::kWorkloads) {
        if (!std::strstr(w.name, only)) continue;
        if (list) {
            std::printf("%s\t%d\n", w.name, bench::contactLike(w));
            continue;
        }
        run(w, kWarmUp, false);  // first calls: lazy binding, the allocator's first growth
        run(w, kRecords, true);
    }
    return 0;
}
