// Ratios that hold on a shared, noisy machine: each pair (ours against protobuf, or a
// target time) is measured in this one process, in interleaved rounds, and reported as the
// median over the rounds with its spread, beside its target.
//   dst_compare [ROUNDS] [MILLISECONDS_PER_SIDE] [RECORDS,...] [WORKLOAD]
// RECORDS defaults to 10000,100000; WORKLOAD, a part of a workload's name, picks workloads.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "records_proto.h"

namespace {

using Clock = std::chrono::steady_clock;

// Seconds per call of `f`, run for about `budget` seconds.
double perCall(const std::function<void()>& f, double budget) {
    std::size_t calls = 0;
    const auto start = Clock::now();
    double elapsed = 0;
    do {
        f();
        ++calls;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < budget);
    return elapsed / static_cast<double>(calls);
}

struct Spread {
    double median, min, max;
};

Spread spread(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return {n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2, v.front(), v.back()};
}

int rounds = 11;
double budget = 0.04;
int met = 0;
int missed = 0;

// A median against its target: `atLeast` or at most. Returns the mark for the row.
const char* judge(double median, double target, bool atLeast) {
    const bool ok = atLeast ? median >= target : median <= target;
    ++(ok ? met : missed);
    return ok ? "" : "MISSED";
}

// Ours against protobuf, alternating within each round (the first side alternating too);
// prints the median times per record and the median of the per-round ratios theirs/ours
// (above 1: ours is faster) with its range, and the target that ratio must reach.
void pair(const std::string& what, std::size_t records, double target, const std::function<void()>& ours,
    const std::function<void()>& theirs) {
    std::vector<double> a, b, ratio;
    for (int r = 0; r < rounds; ++r) {
        const bool oursFirst = r % 2 == 0;
        const double first = perCall(oursFirst ? ours : theirs, budget);
        const double second = perCall(oursFirst ? theirs : ours, budget);
        a.push_back(oursFirst ? first : second);
        b.push_back(oursFirst ? second : first);
        ratio.push_back(b.back() / a.back());
    }
    const Spread r = spread(ratio);
    const double perRecord = 1e9 / static_cast<double>(records);
    std::printf("%-44s %9.0f %9.0f %7.2fx (%.2f..%.2f) %6.1fx %s\n", what.c_str(), spread(a).median * perRecord,
        spread(b).median * perRecord, r.median, r.min, r.max, target, judge(r.median, target, true));
}

// One operation, on its own: the median time per call over the rounds, and its range.
Spread alone(const std::function<void()>& f) {
    std::vector<double> t;
    for (int r = 0; r < rounds; ++r) t.push_back(perCall(f, budget));
    return spread(t);
}

// One workload's records, as our result set and as protobuf's message, and their texts.
struct Prepared {
    dstbench::RecordSet proto;
    PhonebookSearchResults set;
    std::string text, wire;

    Prepared(const bench::Workload& w, std::size_t n) {
        PhonebookRecordList records = bench::makeRecords(w, n);
        proto = bench::protoOf(records);
        for (PhonebookRecord& r : records) set.addPhonebookRecord(std::move(r));
        text = set.serialize();  // deserialize leaves it as it is
        proto.SerializeToString(&wire);
    }
};

void measure(const bench::Workload& w, std::size_t n, const std::string& label) {
    Prepared p(w, n);
    const bool contact = bench::contactLike(w);
    pair(
        label + " serialize", n, contact ? 2.0 : 1.0,
        [&] {
            volatile std::size_t s = p.set.serialize().size();
            (void)s;
        },
        [&] {
            std::string out;
            p.proto.SerializeToString(&out);
            volatile std::size_t s = out.size();
            (void)s;
        });
    pair(
        label + " deserialize", n, contact ? 2.5 : 1.0,
        [&] {
            PhonebookSearchResults back;
            back.deserialize(p.text);
        },
        [&] {
            dstbench::RecordSet back;
            back.ParseFromString(p.wire);
        });
}

std::vector<std::size_t> sizesOf(const char* list) {
    std::vector<std::size_t> sizes;
    for (const char* p = list; *p;) {
        char* end;
        sizes.push_back(std::strtoul(p, &end, 10));
        p = *end ? end + 1 : end;
    }
    return sizes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) rounds = std::max(1, std::atoi(argv[1]));
    if (argc > 2) budget = std::atof(argv[2]) / 1000;
    const std::vector<std::size_t> sizes = sizesOf(argc > 3 ? argv[3] : "10000,100000");
    const char* only = argc > 4 ? argv[4] : "";
    std::vector<const bench::Workload*> chosen;
    for (const bench::Workload& w : bench::kWorkloads)
        if (std::strstr(w.name, only)) chosen.push_back(&w);

    std::printf("Workloads (fields per record; bytes per value; share of value bytes escaped, and not ASCII):\n");
    for (const bench::Workload* w : chosen) {
        bench::Shape s;
        bench::makeRecords(*w, 1000, &s);
        std::printf("  %-24s %d-%d fields, %3d-%3d bytes (mean %3.0f), %4.1f %% escaped, %2.0f %% non-ASCII%s\n",
            w->name, w->minFields, w->maxFields, w->minLength, w->maxLength, double(s.bytes) / double(s.values),
            100.0 * double(s.escaped) / double(s.bytes), 100.0 * double(s.nonAscii) / double(s.bytes),
            bench::contactLike(*w) ? "  (contact-like)" : "");
    }
    std::printf(
        "\n%d interleaved rounds of about %.0f ms a side, after a warm-up pass; medians (spread of the per-round "
        "ratios)\n\n",
        rounds, budget * 1000);
    std::printf("%-44s %9s %9s %21s %7s\n", "search results", "ours ns", "proto ns", "protobuf/ours", "target");

    // The first workload measured in a fresh process runs slower, for where its records land
    // in memory: a throwaway pass first, whose memory the measured records then reuse.
    {
        Prepared p(bench::kWorkloads[0], sizes.back());
        for (int i = 0; i < 3; ++i) {
            perCall(
                [&] {
                    volatile std::size_t s = p.set.serialize().size();
                    (void)s;
                },
                budget);
            perCall(
                [&] {
                    PhonebookSearchResults back;
                    back.deserialize(p.text);
                },
                budget);
            perCall(
                [&] {
                    std::string out;
                    p.proto.SerializeToString(&out);
                },
                budget);
            perCall(
                [&] {
                    dstbench::RecordSet back;
                    back.ParseFromString(p.wire);
                },
                budget);
        }
    }

    for (const bench::Workload* w : chosen)
        for (std::size_t n : sizes) {
            char label[64];
            std::snprintf(label, sizeof label, "%s, %zuk", w->name, n / 1000);
            measure(*w, n, label);
        }

    PhonebookGroupList table = bench::makeTable(), receiver;
    const Spread trip = alone([&] {
        std::string t = table.serialize();
        receiver.deserialize(t);
    });
    const std::size_t xmlBytes = table.serialize_xml().size();
    const Spread xml = alone([&] {
        volatile std::size_t s = table.serialize_xml().size();
        (void)s;
    });
    std::printf("\n%-34s %9.2f us  (%.2f..%.2f)    target <= 1.0 us %s\n", "group table serialize+deserialize",
        trip.median * 1e6, trip.min * 1e6, trip.max * 1e6, judge(trip.median * 1e6, 1.0, false));
    std::printf("%-34s %9.0f MB/s (%.0f..%.0f)  target >= 400 MB/s %s\n", "group table XML",
        xmlBytes / xml.median / 1e6, xmlBytes / xml.max / 1e6, xmlBytes / xml.min / 1e6,
        judge(xmlBytes / xml.median / 1e6, 400, true));

    std::printf("\nTargets: %d met, %d missed\n", met, missed);
    return 0;
}
