#!/usr/bin/env bash
# The dstypes command line: a round trip per kind, the XML forms, and a table of inputs with
# their exit codes, messages and output; the conversions themselves are dstypes_test's.
# Usage: tool_test.sh DSTYPES DATA_DIR
tool=$1 data=$2 failed=0 tmp=$(mktemp)
trap 'rm -f "$tmp" "$tmp".*' EXIT
fail() { echo "FAIL: $*"; failed=1; }
for kind in group-list group dimensions search-results values; do
  "$tool" decode "$data/$kind.txt" | "$tool" encode "$kind" | cmp -s - "$data/$kind.txt" || fail "round trip of $kind"
  "$tool" decode "$data/$kind.txt" | python3 -c 'import json,sys; t=sys.stdin.read(); sys.exit(json.dumps(json.loads(t), indent=2, ensure_ascii=False) + "\n" != t)' || fail "JSON layout of $kind"
done
"$tool" decode --xml "$data/group-list.txt" | cmp -s - "$data/group-list.xml" || fail "XML of the group table"
"$tool" decode --xml --pretty "$data/group-list.txt" | xmllint --noout - || fail "pretty XML is not well-formed"
# 3.4 MB of bytes that are not UTF-8 make a text node of 10.2 MB, past libxml2's default limit; libxml2 must print nothing.
{ printf 's3400000,'; head -c 3400000 /dev/zero | tr '\0' '\200'; printf 's0,'; } | "$tool" decode --xml --pretty --as group - 2>"$tmp.err" | xmllint --noout --huge - && [[ ! -s $tmp.err ]] || fail "huge pretty XML"
# exit code | stderr pattern | stdout pattern | standard input (printf) | arguments. A document that fails leaves nothing
# of itself on the output, however long it had grown (%2000000s: 2 MB of spaces).
while IFS='|' read -r code pattern output input args; do
  printf "$input" | "$tool" $args >"$tmp" 2>"$tmp.err"
  rc=$?
  [[ $rc == "$code" && $(<"$tmp.err") =~ $pattern && $(<"$tmp") =~ $output ]] || fail "$args < '$input': exit $rc, $(<"$tmp.err") $(<"$tmp")"
done <<'TABLE'
2|^dstypes: bad group-list text \(detected\) at byte 29: expected a string \(the name of slot 2\), near "...t:i16.s0,s0,\[s\]1"$|^$|PhonebookGroupList:i16.s0,s0,s1|decode -
2|^dstypes: the kind values has no XML form$|^$|s1,as1,b|decode --xml --as values -
2|^dstypes: bad values text \(detected\) at byte 3: .*near "i1\.\[\\x22\]"$|^$|i1."|decode -
2|^dstypes: bad values text \(given\) at byte 0: .*near "\[\\x5c\]"$|^$|\\|decode --as values -
2|--as: nothing not in|||decode --as nothing -
2|^dstypes: standard input \(-\) can be read only once$|^$|x|decode - -
1|cannot open no-such-file: No such file or directory|||decode no-such-file
1|cannot read /: Is a directory|||decode /
1|cannot read /: Is a directory|||encode group /
0|^dstypes: standard input: no text; read as an empty set of search results$|"records": \[\]||decode -
0|^$|^Inspect, convert and produce||--help
2|^dstypes: standard input:3: bad values text \(detected\) at byte 0: .*, near "\[x\]"$|^\{"kind":"search-results","records":\[\[\{"name":"a","value":"b"\}\]\]\}.\{"kind":"dimensions","numEntries":3,"maxNumEntries":9,"groupNameLimit":15\}$|rec;r1,s1,as1,brecEnd;\r\n\nx\ns24,PhonebookGroupDimensionsi3.i9.i15.\n|decode --lines -
0|^dstypes: the strict reading objects: bad group-list text \(detected\) at byte 19: the group count is 1, not 16, near "...okGroupList:\[i\]1.s1,as0,"$|^\{"kind":"group-list","groups":\[\{"slot":1,"name":"a","ringTone":""\},\{"slot":2,"name":""|PhonebookGroupList:i1.s1,as0,|decode --lenient --compact -
0|^dstypes: the strict reading objects: bad search-results text \(detected\) at byte 0: expected "rec;", near "\[x\] rec;r1,s1,a..."$|^\{"kind":"search-results","records":\[\[\{"name":"a","value":"b"\}\]\]\}$|x rec;r1,s1,as1,brecEnd;|decode --lenient --compact -
0|the receiver leaves 3 bytes|^\{"kind":"dimensions","numEntries":3,.*\}.\{"kind":"dimensions","numEntries":0,"maxNumEntries":0,"groupNameLimit":15\}$|s24,PhonebookGroupDimensionsi3.i9.i15.\ns1,xi1.\n|decode --lenient --lines --as dimensions -
2|^dstypes: bad JSON at /name: expected a string|^$|{"kind":"group","name":5}|encode group -
2|^dstypes: standard input:1: bad search-results text .* at byte 2000027|^\{"kind":"search-results","records":\[\[\{"name":"a","value":"b"\}\]\]\}$|rec;r1,s1,as2000000,%2000000srecEnd;x\nrec;r1,s1,as1,brecEnd;\n|decode --lines -
2|^dstypes: bad JSON at /x: unknown member for search-results$|^$|{"records":[[{"name":"a","value":"%2000000s"}]],"x":0}|encode search-results -
TABLE
"$tool" decode - <&- 2>"$tmp.err"; [[ $? == 1 && $(<"$tmp.err") == *"cannot read standard input"* ]] || fail "closed standard input"
for args in --help --version "decode $data/group.txt"; do "$tool" $args >/dev/full 2>"$tmp.err"; [[ $? == 1 && $(<"$tmp.err") == *"cannot write the output: No space"* ]] || fail "$args > /dev/full"; done
exit $failed
