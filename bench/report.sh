#!/usr/bin/env bash
# The numbers against the targets, reproducible on a shared machine: every ratio is
# measured in one process (dst_compare), ours and protobuf's alternating round by round,
# after a warm-up pass, and reported as the median of the rounds with its spread, beside
# its target (MISSED where the median falls short); then the peak memory of a large read.
#   bench/report.sh [--fast] [--records N,...] [--only WORKLOAD] [BUILD_DIR] [ROUNDS] [MS]
# --fast: 5 rounds of 20 ms at 10 000 records, to iterate on (the targets are judged on a
# full run: 11 rounds of 40 ms a side at 100, 1 000, 10 000 and 100 000 records). --only takes a part of
# a workload's name. The Google Benchmark suite (build/default/bench/dst_bench) has the
# finer breakdown; bench/instructions.sh counts instructions on armhf.
set -euo pipefail
rounds=11 ms=40 records=100,1000,10000,100000 only=
while [ $# -gt 0 ]; do
  case $1 in
    --fast) rounds=5 ms=20 records=10000; shift ;;
    --records) records=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    *) break ;;
  esac
done
build=${1:-$(dirname "$0")/../build/default}
rounds=${2:-$rounds}
ms=${3:-$ms}
text=$(mktemp /tmp/dst-bench.XXXXXX.txt)
trap 'rm -f "$text"' EXIT

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo
"$build/bench/dst_compare" "$rounds" "$ms" "$records" "$only"
echo
"$build/bench/dst_peak_memory" write "$text" 100000
echo "Peak memory reading 100k records: $("$build/bench/dst_peak_memory" read "$text")"
