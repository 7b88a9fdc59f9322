#!/usr/bin/env bash
# Runs the benchmarks once and prints one table: our throughput beside protobuf's and
# memcpy's on the same records, the ratios, per-record cost by size, the group table and
# the peak memory of a large read.   bench/report.sh [BUILD_DIR] [MIN_TIME_SECONDS]
set -euo pipefail
build=${1:-$(dirname "$0")/../build/default}
min_time=${2:-0.5}
json=$(mktemp /tmp/dst-bench.XXXXXX.json)
text=$(mktemp /tmp/dst-bench.XXXXXX.txt)
trap 'rm -f "$json" "$text"' EXIT

"$build/bench/dst_bench" --benchmark_min_time="$min_time" --benchmark_format=json \
  --benchmark_out="$json" --benchmark_out_format=json >/dev/null
"$build/bench/dst_peak_memory" write "$text" 100000
peak=$("$build/bench/dst_peak_memory" read "$text")

python3 - "$json" "$peak" <<'PY'
import json, sys
runs = {b["name"]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
ctx = json.load(open(sys.argv[1]))["context"]

def us(name): return runs[name]["real_time"] * {"ns": 1e-3, "us": 1, "ms": 1e3}[runs[name]["time_unit"]]
def ns(name): return us(name) * 1e3

print(f"Machine: {ctx['num_cpus']} x {ctx['mhz_per_cpu']} MHz, load {ctx.get('load_avg', [])}")
print()
print("Search results, same records (time per call; ratio > 1 means ours is faster)")
print(f"{'operation':<14}{'records':>8}{'ours us':>11}{'protobuf us':>13}{'memcpy us':>11}"
      f"{'ours/protobuf':>15}{'ours/memcpy':>13}{'text MB':>9}")
for op, theirs in (("Serialize", "ProtobufSerialize"), ("Deserialize", "ProtobufParse")):
    for n in (1000, 10000, 100000):
        o, p, m = us(f"BM_Results{op}/{n}"), us(f"BM_{theirs}/{n}"), us(f"BM_Memcpy/{n}")
        mb = runs[f"BM_Results{op}/{n}"]["text_bytes"] / 1e6
        print(f"{op.lower():<14}{n:>8}{o:>11.0f}{p:>13.0f}{m:>11.0f}{p / o:>15.2f}{m / o:>13.3f}{mb:>9.2f}")
print()
print("Per-record cost (ns) and growth from 1k to 100k records")
print(f"{'operation':<20}{'1k':>8}{'10k':>8}{'100k':>8}{'100k/1k':>9}")
for op in ("ResultsSerialize", "ResultsDeserialize", "ProtobufSerialize", "ProtobufParse"):
    per = [ns(f"BM_{op}/{n}") / n for n in (1000, 10000, 100000)]
    print(f"{op:<20}{per[0]:>8.0f}{per[1]:>8.0f}{per[2]:>8.0f}{per[2] / per[0]:>9.2f}")
print()
print("Serializer alone")
for name in ("BM_EncodeString", "BM_DecodeString", "BM_EncodeRecord", "BM_DecodeRecord"):
    print(f"  {name[3:]:<16}{runs[name]['bytes_per_second'] / 1e6:>8.0f} MB/s")
print()
print("Group table (ns per call)")
for name in ("BM_GroupListSerialize", "BM_GroupListDeserialize", "BM_GroupListRoundTrip", "BM_GroupListSerializeXml"):
    print(f"  {name[12:]:<16}{ns(name):>8.0f}")
print()
print("Peak memory reading 100k records:", sys.argv[2])
PY
