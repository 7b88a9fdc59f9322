#!/usr/bin/env bash
# The dstypes tool: a round trip per kind, the XML forms, and a table of inputs with their
# exit codes, messages and output. Usage: tool_test.sh DSTYPES DATA_DIR
tool=$1 data=$2 failed=0 tmp=$(mktemp)
trap 'rm -f "$tmp" "$tmp.err"' EXIT
fail() { echo "FAIL: $*"; failed=1; }
for kind in group-list group dimensions search-results values; do
  "$tool" decode "$data/$kind.txt" | "$tool" encode "$kind" | cmp -s - "$data/$kind.txt" || fail "round trip of $kind"
done
"$tool" decode --xml "$data/group-list.txt" | cmp -s - "$data/group-list.xml" || fail "XML of the group table"
"$tool" decode --xml --pretty "$data/group-list.txt" | xmllint --noout - || fail "pretty XML is not well-formed"
# exit code | stderr pattern | stdout pattern | standard input (printf) | arguments
while IFS='|' read -r code pattern output input args; do
  printf "$input" | "$tool" $args >"$tmp" 2>"$tmp.err"
  rc=$?
  [[ $rc == "$code" && $(<"$tmp.err") =~ $pattern && $(<"$tmp") =~ $output ]] || fail "$args < '$input': exit $rc, $(<"$tmp.err") $(<"$tmp")"
done <<'TABLE'
2|^dstypes: bad group-list text \(detected\) at byte 29: expected a string \(the name of slot 2\), near "...t:i16.s0,s0,\[s\]1"$|^$|PhonebookGroupList:i16.s0,s0,s1|decode -
2|bad values text \(given\) at byte 0: expected a string \(value 0\)||s3,%%ZZ|decode --as values -
2|byte 22: frame without "recEnd;"||rec;r1,s1,as1,brecEnd;rec;r1,s1,as1,b|decode -
2|has no XML form||rec;r0,recEnd;|decode --xml -
2|--as: nothing not in|||decode --as nothing -
1|cannot open no-such-file: No such file or directory|||decode no-such-file
1|cannot read /: Is a directory|||decode /
1|cannot read /: Is a directory|||encode group /
0|no text; read as an empty set of search results|"records": \[\]||decode -
2|^dstypes: standard input:3: bad values text \(detected\) at byte 0: .*, near "\[x\]"$|^\{"kind":"search-results","records":\[\[\{"name":"a","value":"b"\}\]\]\}.\{"kind":"dimensions","numEntries":3,"maxNumEntries":9,"groupNameLimit":15\}$|rec;r1,s1,as1,brecEnd;\r\n\nx\ns24,PhonebookGroupDimensionsi3.i9.i15.\n|decode --lines -
0|^dstypes: the strict reading objects: bad group-list text \(detected\) at byte 19: the group count is 1, not 16, near "...okGroupList:\[i\]1.s1,as0,"$|^\{"kind":"group-list","groups":\[\{"slot":1,"name":"a","ringTone":""\},\{"slot":2,"name":""|PhonebookGroupList:i1.s1,as0,|decode --lenient --compact -
2|bad JSON at /name: expected a string|^$|{"kind":"group","name":5}|encode group -
2|bad JSON at /groups/1/name: expected a string||{"groups":[{"name":"a","ringTone":""},{"name":5,"ringTone":""}]}|encode group-list -
2|bad JSON at /groups: a table has exactly 16 groups||{"groups": []}|encode group-list -
2|bad JSON at byte 9, line 2||{"kind":\n|encode group -
2|bad JSON at byte [0-9]+, number overflow||{"values":[{"integer": 1e400}]}|encode values -
2|bad JSON at /values/0/integer: outside the 32-bit range||{"values":[{"integer": 18446744073709551615}]}|encode values -
2|bad JSON at /values: duplicate key||{"values":[], "values": []}|encode values -
2|bad JSON at /values/0/record/0/name: duplicate key||{"values":[{"record":[{"name":"a","value":"b","name":"c"}]}]}|encode values -
2|bad JSON at /counts: unknown member for dimensions||{"numEntries":1,"maxNumEntries":2,"counts":3}|encode dimensions -
TABLE
"$tool" decode - <&- 2>"$tmp.err"; [[ $? == 1 && $(<"$tmp.err") == *"cannot read standard input"* ]] || fail "closed standard input"
"$tool" decode - < / 2>"$tmp.err"; [[ $? == 1 && $(<"$tmp.err") == *"Is a directory"* ]] || fail "a directory as standard input"
python3 -c 'print("{\"values\":" + "["*100000 + "]"*100000 + ", \"kind\": 1}")' | "$tool" encode values 2>"$tmp.err"
[[ $? == 2 && $(<"$tmp.err") == *"nested too deeply"* ]] || fail "deep nesting"
exit $failed
