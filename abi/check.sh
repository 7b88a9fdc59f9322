#!/usr/bin/env bash
# Compares the built library's ABI with the committed baseline for its architecture:
#   abi/check.sh BUILD_DIR ARCH            fails on an incompatible change
#   abi/check.sh BUILD_DIR ARCH --update   writes a new baseline (a deliberate ABI change)
# ARCH names the baseline file: abi/libDirectoryServiceTypes.ARCH.abi
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
lib="$1/libDirectoryServiceTypes.so"
baseline="$here/libDirectoryServiceTypes.$2.abi"
current=$(mktemp /tmp/dst-abi.XXXXXX)
trap 'rm -f "$current"' EXIT
abidw --no-show-locs --no-corpus-path --out-file "$current" "$lib"
if [ "${3:-}" = "--update" ]; then
  cp "$current" "$baseline"
  echo "baseline updated: $baseline"
  exit 0
fi
set +e
abidiff --no-show-locs "$baseline" "$current"
rc=$?
set -e
# abidiff's status is a bit mask: 1 error, 2 usage, 4 ABI changed, 8 incompatible change.
if (( rc & 3 )); then echo "abidiff failed ($rc)"; exit 1; fi
if (( rc & 8 )); then
  echo "INCOMPATIBLE ABI change against $baseline (see above)."
  echo "If it is deliberate, bump the SONAME and run: abi/check.sh $1 $2 --update"
  exit 1
fi
if (( rc & 4 )); then echo "compatible ABI additions against $baseline (see above)"; fi
echo "ABI of $lib matches $baseline"
