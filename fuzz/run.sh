#!/usr/bin/env bash
# Runs every fuzz target for SECONDS (default 30) on its committed starting corpus:
#   fuzz/run.sh [SECONDS] [BUILD_DIR]
# New inputs go to a scratch directory, so the committed corpus stays as it is. A crash, a
# failed property, a leak or an input slower than the -timeout stops the run with a
# non-zero status and leaves the input in the scratch directory.
set -euo pipefail
seconds=${1:-30}
here=$(cd "$(dirname "$0")" && pwd)
build=${2:-$here/../build/fuzz}
scratch=$(mktemp -d /tmp/dst-fuzz.XXXXXX)
status=0
for target in fuzz_decode_int fuzz_decode_string fuzz_decode_record fuzz_group \
              fuzz_group_list fuzz_dimensions fuzz_search_results fuzz_serializer_reference \
              fuzz_tool_text fuzz_tool_json; do
  mkdir -p "$scratch/$target" "$here/corpus/$target"
  echo "== $target (${seconds}s)"
  if ! (cd "$scratch" && "$build/fuzz/$target" -max_total_time="$seconds" -timeout=5 \
          -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
          "$scratch/$target" "$here/corpus/$target" 2>"$scratch/$target.log"); then
    status=1
    tail -40 "$scratch/$target.log"
  fi
  grep -E '^Done|stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb' \
    "$scratch/$target.log" || true
done
[ "$status" = 0 ] && rm -rf "$scratch" || echo "findings kept in $scratch"
exit "$status"
