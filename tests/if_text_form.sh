#!/usr/bin/env bash
# Runs a test of our text form where the serializer passes every vector of it, and skips it
# (exit 77) where one fails:  if_text_form.sh [EMULATOR...] CHECKER SERIALIZER VECTORS -- TEST...
args=()
while [[ $1 != -- ]]; do args+=("$1"); shift; done
shift
"${args[@]:0:${#args[@]}-2}" "${args[@]: -2:1}" --vectors "${args[@]: -1}" --require-text-form >/dev/null
case $? in
  0) exec "$@" ;;
  1) echo "skipped: the serializer fails a vector of our text form"; exit 77 ;;
  *) echo "the serializer cannot be checked"; exit 1 ;;
esac
