#!/usr/bin/env bash
# Keeps the shipped libraries small: compares the stripped size of each with the committed
# baseline for its architecture, and fails when one moved by more than 10 % either way.
#   abi/sizes.sh BUILD_DIR ARCH            checks against abi/sizes.ARCH
#   abi/sizes.sh BUILD_DIR ARCH --update   writes a new baseline (a deliberate change)
# ARCH is armhf (stripped with the cross binutils) or the build machine's own.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1 arch=$2 baseline="$here/sizes.$2"
strip=strip
[ "$arch" = armhf ] && strip=arm-linux-gnueabihf-strip
scratch=$(mktemp -d /tmp/dst-sizes.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
current="$scratch/sizes"
echo "# Stripped sizes in bytes of the $arch libraries, checked by abi/sizes.sh (within 10 %)." >"$current"
for lib in libDirectoryServiceTypes.so libSerializer.so libLoggingHandler.so; do
  "$strip" -o "$scratch/$lib" "$build/$lib"
  echo "$lib $(stat -c %s "$scratch/$lib")" >>"$current"
done
if [ "${3:-}" = "--update" ]; then
  cp "$current" "$baseline"
  echo "baseline updated: $baseline"
  exit 0
fi
awk 'NR == FNR { if (!/^#/) base[$1] = $2; next }
     /^#/ { next }
     { change = ($1 in base) ? ($2 - base[$1]) * 100 / base[$1] : 1e9
       ok = change >= -10 && change <= 10
       printf "%-30s %8d bytes, baseline %8s: %+6.1f %%%s\n", $1, $2, ($1 in base) ? base[$1] : "none", change, ok ? "" : "  OUT OF BOUNDS"
       bad += !ok }
     END { exit bad != 0 }' "$baseline" "$current" ||
  { echo "A library moved by more than 10 % against $baseline. If that is deliberate, run: abi/sizes.sh $build $arch --update"; exit 1; }
