#!/bin/bash
# Runs a compile from the top of the tree with its source named from there: this compiler
# keeps the source's name in the module, and the code it generates for WebAssembly's
# exceptions varies with the memory its own data takes, so that an absolute name would make
# the module depend on where the tree lies. Outputs and the depfile go where they were asked.
#   wasm-compile.sh TOP [setarch -R] COMPILER ARGS...
set -euo pipefail
top=$1 build=$PWD
shift
args=() prev=
for a; do
  case $prev in -o | -MF) [[ $a = /* ]] || a=$build/$a ;; esac
  prev=$a
  [[ $a = "$top"/* ]] && a=${a#"$top"/}
  args+=("$a")
done
cd "$top"
"${args[@]}"
# The depfile names what was found from the top as it was found: made whole again.
for ((i = 0; i + 1 < ${#args[@]}; i++)); do
  [ "${args[i]}" != -MF ] || sed -i "s| \([^ /\\\\][^ ]*\)| $top/\1|g" "${args[i + 1]}"
done
