#!/usr/bin/env bash
# The dstypes tool on large inputs: time (median of RUNS) and peak memory, against the size
# of the input.   bench/tool_report.sh [BUILD_DIR] [RUNS]
# Inputs: a 100 000-record search-result capture (written by dst_peak_memory), its JSON, and
# a million bare values.
set -euo pipefail
build=${1:-$(dirname "$0")/../build/default}
runs=${2:-5}
dir=$(mktemp -d /tmp/dst-tool-bench.XXXXXX)
trap 'rm -rf "$dir"' EXIT
"$build/bench/dst_peak_memory" write "$dir/capture.txt" 100000
"$build/tools/dstypes/dstypes" decode "$dir/capture.txt" > "$dir/capture.json"
python3 -c 'import sys; sys.stdout.write("".join("i%d.s5,v%04d" % (i, i % 10000) if i % 2 else "i%d." % i for i in range(1000000)))' \
  > "$dir/values.txt"

python3 - "$build/tools/dstypes/dstypes" "$dir" "$runs" <<'PY'
import os, statistics, subprocess, sys, time
tool, d, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])

def measure(args, infile):
    times, peaks = [], []
    for _ in range(runs):
        with open(infile, "rb") as inp, open(os.devnull, "wb") as out:
            start = time.perf_counter()
            p = subprocess.Popen([tool] + args, stdin=inp, stdout=out)
            _, status, usage = os.wait4(p.pid, 0)
            times.append(time.perf_counter() - start)
            assert os.waitstatus_to_exitcode(status) == 0, args
            peaks.append(usage.ru_maxrss * 1024)
    return statistics.median(times), min(times), max(times), max(peaks)

print(f"{'case':<34}{'input MB':>9}{'median s':>10}{'min..max s':>14}{'peak MB':>9}{'peak/input':>11}")
for name, args, infile in (
        ("decode 100k-record capture", ["decode", "-"], "capture.txt"),
        ("encode it back from JSON", ["encode", "search-results", "-"], "capture.json"),
        ("decode a million bare values", ["decode", "--as", "values", "-"], "values.txt")):
    path = os.path.join(d, infile)
    size = os.path.getsize(path)
    med, lo, hi, peak = measure(args, path)
    print(f"{name:<34}{size / 1e6:>9.1f}{med:>10.2f}{lo:>7.2f}..{hi:<5.2f}{peak / 1e6:>9.1f}{peak / size:>11.2f}")
PY
