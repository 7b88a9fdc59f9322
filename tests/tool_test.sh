#!/usr/bin/env bash
# The dstypes command line: a round trip per kind, the XML forms, a table of inputs with their
# exit codes, messages and output, the man page, and realistic contact records line for line,
# faults planted in them named at their byte; the conversions themselves are dstypes_test's.
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
  printf "$input" | "$tool" $args >"$tmp" 2>"$tmp.err"; rc=$?
  [[ $rc == "$code" && $(<"$tmp.err") =~ $pattern && $(<"$tmp") =~ $output ]] || fail "$args < '$input': exit $rc, $(<"$tmp.err") $(<"$tmp")"
done < <(grep -v '^#' "$(dirname "$0")/tool_cases.txt")
"$tool" decode - <&- 2>"$tmp.err"; [[ $? == 1 && $(<"$tmp.err") == *"cannot read standard input"* ]] || fail "closed standard input"
for args in --help --version "decode $data/group.txt"; do "$tool" $args >/dev/full 2>"$tmp.err"; [[ $? == 1 && $(<"$tmp.err") == *"cannot write the output: No space"* ]] || fail "$args > /dev/full"; done
# Real data (make_captures.py): a result set a line both ways, a blank line kept; then a fault planted in each line, which
# decode --lines must name at its line, column and byte, with its cause and field: a raw ':' amid a photo (tens of kB in)
# where there is one, else at the '@' of the address (field 3), or the escape of the first ';' of a name (field 1) in lower case.
python3 "$(dirname "$0")/make_captures.py" 40 120000 --lines >"$tmp.ndjson" && "$tool" encode --lines "$tmp.ndjson" >"$tmp.txt" &&
  "$tool" decode --lines "$tmp.txt" | cmp -s - "$tmp.ndjson" || fail "contact records line for line"
LC_ALL=C awk -v bad="$tmp.bad.txt" -v said="dstypes: $tmp.bad.txt" -v colon="':' must be written %3A inside a value" \
  -v escape="an escape's hex digits are upper-case: %3B, not %3b" '!length { print >bad; next } {
  photo = index($0, "TYPE=JPEGs"); size = substr($0, photo + 10) + 0; raw = NR % 2 || photo
  at = photo ? photo + 11 + length(size "") + int(size / 2) : raw ? index($0, "@") : index($0, "%3B")
  print substr($0, 1, at - 1) (raw ? ":" : "%3b") substr($0, at + (raw ? 1 : 3)) >bad
  printf "%s:%d:%d: bad search-results text (the likeliest kind; no kind reads this text) at byte %d: %s (record 0, the value of field %d)\n",
    said, NR, at, at - 1, raw ? colon : escape, photo ? substr($0, 6) - 1 : raw ? 3 : 1 }' "$tmp.txt" >"$tmp.expected"
"$tool" decode --lines "$tmp.bad.txt" 2>&1 >"$tmp.out" | sed 's/, near ".*//' | diff - "$tmp.expected" && [[ $(tr -d '\n' <"$tmp.out") == "" && $(wc -l <"$tmp.out") == 40 ]] || fail "faults of contact records"
[[ $("$tool" decode "$tmp.bad.txt" 2>&1) == "$(sed -En '1s/^(.*):1:([0-9]+): (.*)\)$/\1: \3; line 1, column \2), near "/p' "$tmp.expected")"* ]] || fail "a file's fault"
# The man page: every option of --help, and the sections a man page has.
man=$(zcat "$(dirname "$tool")/dstypes.1.gz" | man -l - 2>/dev/null)
for word in $("$tool" --help | grep -oE -- '--[a-z]+' | sort -u) 'EXIT STATUS' EXAMPLES 'SEE ALSO'; do [[ $man == *"$word"* ]] || fail "man page without $word"; done
exit $failed
