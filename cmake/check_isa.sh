#!/usr/bin/env bash
# Fails unless libSerializer holds SSSE3 instructions in the functions of its SSSE3 backend
# (namespace dst_serializer::ssse3) and nowhere else, and no instruction of a later set at
# all: every other function runs on any x86-64. (GCC's tzcnt for __builtin_ctz is a
# rep-prefixed bsf, which every x86-64 runs.)
#   check_isa.sh OBJDUMP LIBRARY
set -euo pipefail
ssse3='pshufb|phadd(w|d|sw)|phsub(w|d|sw)|pmaddubsw|pmulhrsw|psign(b|w|d)|palignr|pabs(b|w|d)'
later='v[a-z0-9]+|pblendvb|pblendw|ptest|pinsr[bdq]|pextr[bdq]|pmov[sz]x[a-z]+|pmulld|pcmp[ei]str[im]|popcnt|crc32|lzcnt|round[ps][sd]'
"$1" -d --no-show-raw-insn -C "$2" | awk -v ssse3="^($ssse3)$" -v later="^($later)$" '
  /^[0-9a-f]+ <.*>:$/ { fn = substr($0, index($0, "<") + 1); fn = substr(fn, 1, length(fn) - 2); next }
  NF < 2 { next }
  $2 ~ later { bad[$2 " (beyond SSSE3) in " fn] = 1 }
  $2 ~ ssse3 { if (fn ~ /^dst_serializer::ssse3::/) inside++; else bad[$2 " (SSSE3) outside its backend, in " fn] = 1 }
  END {
    for (b in bad) { print "check_isa: " b; failed = 1 }
    if (!inside) { print "check_isa: no SSSE3 instruction in the SSSE3 backend"; exit 1 }
    if (!failed) printf "%d SSSE3 instructions, all in the SSSE3 backend\n", inside
    exit failed
  }'
