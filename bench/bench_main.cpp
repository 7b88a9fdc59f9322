// Throughput of the text forms, beside protobuf on the same records and memcpy of the
// same number of bytes. bench/report.sh turns a run into a table.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "Serializer.h"
#include "records_proto.h"

namespace {

const std::vector<std::int64_t> kSizes = {1000, 10000, 100000};

std::string textOf(std::size_t n) { return bench::makeResults(n).serialize(); }

void perRecord(benchmark::State& state, std::size_t records, std::size_t bytes) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * records));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["text_bytes"] = static_cast<double>(bytes);
}

// --- Serializer on its own --------------------------------------------------------------

void BM_EncodeString(benchmark::State& state) {
    const PhonebookRecordList records = bench::makeRecords(1000);
    std::size_t bytes = 0;
    std::string out;
    for (auto _ : state) {
        out.clear();
        for (const PhonebookRecord& r : records)
            for (const RecordField& f : r) Serializer::serialize(out, f.second, false);
        benchmark::DoNotOptimize(out.data());
        bytes = out.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_EncodeString);

void BM_DecodeString(benchmark::State& state) {
    std::string one;
    Serializer::serialize(one, std::string("+44 20 7946 0018; ext: 12 caf\xC3\xA9"), false);
    std::string buffer, value;
    for (auto _ : state) {
        buffer = one;
        Serializer::deserialize(buffer, value, false);
        benchmark::DoNotOptimize(value.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * one.size()));
}
BENCHMARK(BM_DecodeString);

void BM_EncodeRecord(benchmark::State& state) {
    PhonebookRecordList records = bench::makeRecords(1000);
    std::string out;
    for (auto _ : state) {
        out.clear();
        for (PhonebookRecord& r : records) Serializer::serialize(out, r);
        benchmark::DoNotOptimize(out.data());
    }
    perRecord(state, records.size(), out.size());
}
BENCHMARK(BM_EncodeRecord);

void BM_DecodeRecord(benchmark::State& state) {
    PhonebookRecordList records = bench::makeRecords(1000);
    std::vector<std::string> texts;
    std::size_t bytes = 0;
    for (PhonebookRecord& r : records) {
        texts.emplace_back();
        Serializer::serialize(texts.back(), r);
        bytes += texts.back().size();
    }
    std::string buffer;
    PhonebookRecord out;
    for (auto _ : state) {
        for (const std::string& t : texts) {
            buffer = t;
            Serializer::deserialize(buffer, out);
            benchmark::DoNotOptimize(out.data());
        }
    }
    perRecord(state, records.size(), bytes);
}
BENCHMARK(BM_DecodeRecord);

// --- Search results against protobuf and memcpy --------------------------------------------

void BM_ResultsSerialize(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    PhonebookSearchResults set = bench::makeResults(n);
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string text = set.serialize();
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    perRecord(state, n, bytes);
}
BENCHMARK(BM_ResultsSerialize)->ArgsProduct({kSizes})->Unit(benchmark::kMicrosecond);

void BM_ResultsDeserialize(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    std::string text = textOf(n);
    for (auto _ : state) {
        PhonebookSearchResults set;
        set.deserialize(text);
        benchmark::DoNotOptimize(set.getRecordCount());
    }
    perRecord(state, n, text.size());
}
BENCHMARK(BM_ResultsDeserialize)->ArgsProduct({kSizes})->Unit(benchmark::kMicrosecond);

void BM_ProtobufSerialize(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const dstbench::RecordSet set = bench::protoOf(bench::makeRecords(n));
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string out;
        set.SerializeToString(&out);
        bytes = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    perRecord(state, n, bytes);
}
BENCHMARK(BM_ProtobufSerialize)->ArgsProduct({kSizes})->Unit(benchmark::kMicrosecond);

void BM_ProtobufParse(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    std::string wire;
    bench::protoOf(bench::makeRecords(n)).SerializeToString(&wire);
    for (auto _ : state) {
        dstbench::RecordSet set;
        set.ParseFromString(wire);
        benchmark::DoNotOptimize(set.records_size());
    }
    perRecord(state, n, wire.size());
}
BENCHMARK(BM_ProtobufParse)->ArgsProduct({kSizes})->Unit(benchmark::kMicrosecond);

void BM_Memcpy(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const std::string text = textOf(n);
    std::vector<char> target(text.size());
    for (auto _ : state) {
        std::memcpy(target.data(), text.data(), text.size());
        benchmark::ClobberMemory();
    }
    perRecord(state, n, text.size());
}
BENCHMARK(BM_Memcpy)->ArgsProduct({kSizes})->Unit(benchmark::kMicrosecond);

// --- The group table ---------------------------------------------------------------------

void BM_GroupListSerialize(benchmark::State& state) {
    PhonebookGroupList table = bench::makeTable();
    for (auto _ : state) benchmark::DoNotOptimize(table.serialize());
}
BENCHMARK(BM_GroupListSerialize);

void BM_GroupListDeserialize(benchmark::State& state) {
    const std::string text = bench::makeTable().serialize();
    PhonebookGroupList table;
    std::string buffer;
    for (auto _ : state) {
        buffer = text;
        table.deserialize(buffer);
    }
}
BENCHMARK(BM_GroupListDeserialize);

void BM_GroupListRoundTrip(benchmark::State& state) {
    PhonebookGroupList table = bench::makeTable(), receiver;
    for (auto _ : state) {
        std::string text = table.serialize();
        receiver.deserialize(text);
    }
}
BENCHMARK(BM_GroupListRoundTrip);

void BM_GroupListSerializeXml(benchmark::State& state) {
    PhonebookGroupList table = bench::makeTable();
    for (auto _ : state) benchmark::DoNotOptimize(table.serialize_xml());
}
BENCHMARK(BM_GroupListSerializeXml);

}  // namespace

BENCHMARK_MAIN();
