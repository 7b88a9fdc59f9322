#!/usr/bin/env bash
# The numbers against the targets, reproducible on a shared machine: every ratio is
# measured in one process (dst_compare), ours and protobuf's alternating round by round,
# and reported as the median of the rounds with its spread; then the peak memory of a
# large read.   bench/report.sh [BUILD_DIR] [ROUNDS] [MILLISECONDS_PER_SIDE]
# The Google Benchmark suite (build/default/bench/dst_bench) has the finer breakdown.
set -euo pipefail
build=${1:-$(dirname "$0")/../build/default}
rounds=${2:-15}
ms=${3:-60}
text=$(mktemp /tmp/dst-bench.XXXXXX.txt)
trap 'rm -f "$text"' EXIT

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo
"$build/bench/dst_compare" "$rounds" "$ms"
echo
"$build/bench/dst_peak_memory" write "$text" 100000
echo "Peak memory reading 100k records: $("$build/bench/dst_peak_memory" read "$text")"
