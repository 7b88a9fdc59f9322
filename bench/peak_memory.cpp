// Peak memory of reading a large result-set text, beyond the text and the records read:
//   peak_memory write FILE [RECORDS]   writes the text of a generated set
//   peak_memory read FILE              reads it and reports
#include <malloc.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "bench_data.h"

namespace {

long maxRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::size_t heapInUse() { return mallinfo2().uordblks + mallinfo2().hblkhd; }

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "write") {
        const std::size_t n = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 100000;
        std::ofstream(argv[2], std::ios::binary) << bench::makeResults(n).serialize();
        return 0;
    }
    if (argc != 3 || std::string(argv[1]) != "read") {
        std::cerr << "usage: peak_memory write FILE [RECORDS] | peak_memory read FILE\n";
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary | std::ios::ate);
    std::string text(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(&text[0], static_cast<std::streamsize>(text.size()));
    const long rssBefore = maxRssKiB();
    const std::size_t heapBefore = heapInUse();
    PhonebookSearchResults set;
    set.deserialize(text);
    const std::size_t records = heapInUse() - heapBefore;
    const long rssAfter = maxRssKiB();
    const double textMiB = static_cast<double>(text.size()) / (1 << 20);
    const double extraMiB = static_cast<double>(rssAfter - rssBefore) / 1024 - static_cast<double>(records) / (1 << 20);
    std::printf(
        "records %u, text %.1f MiB, records in memory %.1f MiB, peak beyond text and records %.1f MiB (%.2fx the "
        "text)\n",
        set.getRecordCount(), textMiB, static_cast<double>(records) / (1 << 20), extraMiB, extraMiB / textMiB);
    return 0;
}
