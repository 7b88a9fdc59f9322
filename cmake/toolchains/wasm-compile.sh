#!/bin/bash
# Compiles with the source named from the top of the tree, from there, and without address
# randomisation where the system allows it: this compiler keeps the source's name in the
# module, and the code it generates for WebAssembly's exceptions varies with the memory its
# own data takes, so that an absolute name would make the module depend on where the tree
# lies. Outputs and the depfile go where they were asked.
#   wasm-compile.sh TOP COMPILER ARGS...
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
norandom=()
setarch -R true 2>/dev/null && norandom=(setarch -R)
cd "$top"
"${norandom[@]}" "${args[@]}"
# The depfile names what was found from the top as it was found: made whole again.
for ((i = 0; i + 1 < ${#args[@]}; i++)); do
  [ "${args[i]}" != -MF ] || sed -i "s| \([^ /\\\\][^ ]*\)| $top/\1|g" "${args[i + 1]}"
done
