// Ratios that hold on a shared, noisy machine: each pair (ours against protobuf, or a
// target time) is measured in this one process, in interleaved rounds, and reported as the
// median over the rounds with its spread.   dst_compare [ROUNDS] [MILLISECONDS_PER_SIDE]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}


int rounds = 11;
double budget = 0.05;

// Ours against theirs, alternating within each round; prints the median times and the
// median of the per-round ratios theirs/ours (above 1: ours is faster), with its range.
void pair(const char* name, const std::function<void()>& ours, const std::function<void()>& theirs) {
    std::vector<double> a, b, ratio;
    for (int r = 0; r < rounds; ++r) {
        const bool oursFirst = r % 2 == 0;
        const double first = perCall(oursFirst ? ours : theirs, budget);
        const double second = perCall(oursFirst ? theirs : ours, budget);
        a.push_back(oursFirst ? first : second);
        b.push_back(oursFirst ? second : first);
        ratio.push_back(b.back() / a.back());
    }
    std::printf("%-34s %12.1f %12.1f %9.2fx  (%.2f..%.2f)\n", name, median(a) * 1e6, median(b) * 1e6, median(ratio),
                *std::min_element(ratio.begin(), ratio.end()), *std::max_element(ratio.begin(), ratio.end()));
}

// One operation, on its own: the median time per call over the rounds, and its range.
std::vector<double> alone(const std::function<void()>& f) {
    std::vector<double> t;
    for (int r = 0; r < rounds; ++r) t.push_back(perCall(f, budget));
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) rounds = std::max(1, std::atoi(argv[1]));
    if (argc > 2) budget = std::atof(argv[2]) / 1000;
    std::printf("%d interleaved rounds of about %.0f ms a side; medians (spread of the per-round ratios)\n\n", rounds, budget * 1000);
    std::printf("%-34s %12s %12s %10s\n", "search results", "ours us", "protobuf us", "protobuf/ours");
    for (std::size_t n : {1000u, 10000u, 100000u}) {
        PhonebookSearchResults set = bench::makeResults(n);
        const dstbench::RecordSet proto = bench::protoOf(bench::makeRecords(n));
        std::string text = set.serialize();  // deserialize leaves it as it is
        std::string wire;
        proto.SerializeToString(&wire);
        pair(("serialize " + std::to_string(n)).c_str(), [&] { volatile std::size_t s = set.serialize().size(); (void)s; },
             [&] { std::string out; proto.SerializeToString(&out); volatile std::size_t s = out.size(); (void)s; });
        pair(("deserialize " + std::to_string(n)).c_str(), [&] { PhonebookSearchResults back; back.deserialize(text); },
             [&] { dstbench::RecordSet back; back.ParseFromString(wire); });
    }

    PhonebookGroupList table = bench::makeTable(), receiver;
    const std::vector<double> trip = alone([&] { std::string t = table.serialize(); receiver.deserialize(t); });
    const std::size_t xmlBytes = table.serialize_xml().size();
    const std::vector<double> xml = alone([&] { volatile std::size_t s = table.serialize_xml().size(); (void)s; });
    std::printf("\n%-34s %9.2f us  (%.2f..%.2f)\n", "group table serialize+deserialize", median(trip) * 1e6,
                *std::min_element(trip.begin(), trip.end()) * 1e6, *std::max_element(trip.begin(), trip.end()) * 1e6);
    std::printf("%-34s %9.0f MB/s (%.0f..%.0f)\n", "group table XML", xmlBytes / median(xml) / 1e6,
                xmlBytes / *std::max_element(xml.begin(), xml.end()) / 1e6, xmlBytes / *std::min_element(xml.begin(), xml.end()) / 1e6);
    return 0;
}
