// Throughput of the text forms, beside protobuf on the same records and memcpy of the
// same number of bytes. bench/report.sh turns a run into a table.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "records_proto.h"
#include "serializer/table.h"

namespace {

const std::vector<std::int64_t> kSizes = {1000, 10000, 100000};

std::string textOf(std::size_t n) { return bench::makeResults(n).serialize(); }

void perRecord(benchmark::State& state, std::size_t records, std::size_t bytes) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * records));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["text_bytes"] = static_cast<double>(bytes);
}

// --- Serializer on its own, over each backend of its table ---------------------------------

using dst_serializer::Backend;

// Whether `backend` runs here; a benchmark of one that does not is reported as skipped.
bool runs(benchmark::State& state, const Backend& backend) {
    if (!backend.runs()) state.SkipWithError("skipped: this processor lacks the backend's instructions");
    return backend.runs();
}

void encodeString(benchmark::State& state, const Backend& backend) {
    const PhonebookRecordList records = bench::makeRecords(1000);
    std::size_t bytes = 0;
    std::string out;
    if (!runs(state, backend)) return;
    for (auto _ : state) {
        out.clear();
        for (const PhonebookRecord& r : records)
            for (const RecordField& f : r) backend.ops.putString(out, f.second);
        benchmark::DoNotOptimize(out.data());
        bytes = out.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void decodeString(benchmark::State& state, const Backend& backend) {
    std::string one;
    backend.ops.putString(one, std::string("+44 20 7946 0018; ext: 12 caf\xC3\xA9"));
    std::string buffer, value;
    if (!runs(state, backend)) return;
    for (auto _ : state) {
        buffer = one;
        backend.ops.getString(buffer, value);
        benchmark::DoNotOptimize(value.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * one.size()));
}

void encodeRecord(benchmark::State& state, const Backend& backend) {
    PhonebookRecordList records = bench::makeRecords(1000);
    std::string out;
    if (!runs(state, backend)) return;
    for (auto _ : state) {
        out.clear();
        for (PhonebookRecord& r : records) backend.ops.putRecord(out, r);
        benchmark::DoNotOptimize(out.data());
    }
    perRecord(state, records.size(), out.size());
}

void decodeRecord(benchmark::State& state, const Backend& backend) {
    PhonebookRecordList records = bench::makeRecords(1000);
    std::vector<std::string> texts;
    std::size_t bytes = 0;
    if (!runs(state, backend)) return;
    for (PhonebookRecord& r : records) {
        texts.emplace_back();
        backend.ops.putRecord(texts.back(), r);
        bytes += texts.back().size();
    }
    std::string buffer;
    PhonebookRecord out;
    for (auto _ : state) {
        for (const std::string& t : texts) {
            buffer = t;
            backend.ops.getRecord(buffer, out);
            benchmark::DoNotOptimize(out.data());
        }
    }
    perRecord(state, records.size(), bytes);
}

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

int main(int argc, char** argv) {
    for (const Backend& backend : dst_serializer::kBackends) {
        const std::string name(backend.name);
        benchmark::RegisterBenchmark(("BM_EncodeString/" + name).c_str(), encodeString, backend);
        benchmark::RegisterBenchmark(("BM_DecodeString/" + name).c_str(), decodeString, backend);
        benchmark::RegisterBenchmark(("BM_EncodeRecord/" + name).c_str(), encodeRecord, backend);
        benchmark::RegisterBenchmark(("BM_DecodeRecord/" + name).c_str(), decodeRecord, backend);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
