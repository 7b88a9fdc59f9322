#!/usr/bin/env bash
# The dstypes command line: a round trip per kind, the XML forms, and a table of inputs with
# their exit codes, messages and output; the conversions themselves are dstypes_test's.
# Usage: tool_test.sh DSTYPES DATA_DIR
tool=$1 data=$2 failed=0 tmp=$(mktemp)
trap 'rm -f "$tmp" "$tmp".*' EXIT
fail() { echo "FAIL: $*"; failed=1; }
for kind in $("$tool" kinds | cut -d" " -f1); do
  "$tool" decode "$data/$kind.txt" | "$tool" encode "$kind" | cmp -s - "$data/$kind.txt" || fail "round trip of $kind"
  "$tool" decode "$data/$kind.txt" | python3 -c 'import json,sys; t=sys.stdin.read(); sys.exit(json.dumps(json.loads(t), indent=2, ensure_ascii=False) + "\n" != t)' || fail "JSON layout of $kind"
done
"$tool" decode --xml "$data/group-list.txt" | cmp -s - "$data/group-list.xml" || fail "XML of the group table"
"$tool" decode --xml --pretty "$data/group-list.txt" | xmllint --noout - || fail "pretty XML is not well-formed"
# 3.4 MB of bytes that are not UTF-8 make a text node of 10.2 MB, past libxml2's default limit; libxml2 must print nothing.
{ printf 's3400000,'; head -c 3400000 /dev/zero | tr '\0' '\200'; printf 's0,'; } | "$tool" decode --xml --pretty --as group - 2>"$tmp.err" | xmllint --noout --huge - && [[ ! -s $tmp.err ]] || fail "huge pretty XML"
# The cases of tool_cases.txt: each input's exit code, messages and output.
while IFS='|' read -r code pattern output input args; do
  [[ $code == '#'* ]] && continue
  printf "$input" | "$tool" $args >"$tmp" 2>"$tmp.err"
  rc=$?
  [[ $rc == "$code" && $(<"$tmp.err") =~ $pattern && $(<"$tmp") =~ $output ]] || fail "$args < '$input': exit $rc, $(<"$tmp.err") $(<"$tmp")"
done <"$(dirname "$0")/tool_cases.txt"
"$tool" decode - <&- 2>"$tmp.err"; [[ $? == 1 && $(<"$tmp.err") == *"cannot read standard input"* ]] || fail "closed standard input"
for args in --help --version "decode $data/group.txt"; do "$tool" $args >/dev/full 2>"$tmp.err"; [[ $? == 1 && $(<"$tmp.err") == *"cannot write the output: No space"* ]] || fail "$args > /dev/full"; done
exit $failed
