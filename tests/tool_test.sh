#!/usr/bin/env bash
# The dstypes tool: a round trip per kind, the XML form, and a table of bad inputs with their
# exit codes and messages. Usage: tool_test.sh DSTYPES DATA_DIR
tool=$1 data=$2 failed=0
fail() { echo "FAIL: $*"; failed=1; }
for kind in group-list group dimensions search-results values; do
  "$tool" decode "$data/$kind.txt" | "$tool" encode "$kind" | cmp -s - "$data/$kind.txt" || fail "round trip of $kind"
done
"$tool" decode --xml "$data/group-list.txt" | cmp -s - "$data/group-list.xml" || fail "XML of the group table"
# expected exit code | stderr pattern | input | arguments
while IFS='|' read -r code pattern input args; do
  err=$(printf '%b' "$input" | "$tool" $args 2>&1 >/dev/null)
  rc=$?
  [[ $rc == "$code" && $err =~ $pattern ]] || fail "dstypes $args <<< '$input': exit $rc, '$err'"
done <<'TABLE'
2|byte 29: expected a string \(the name of slot 2\)|PhonebookGroupList:i16.s0,s0,s1|decode -
2|byte 0: expected a string \(value 0\)|s3,%ZZ|decode --as values -
2|byte 22: frame without "recEnd;"|rec;r1,s1,as1,brecEnd;rec;r1,s1,as1,b|decode -
2|bad JSON at /name: expected a string|{"kind":"group","name":5}|encode group -
2|bad JSON at /groups/1/name: expected a string|{"groups":[{"name":"a","ringTone":""},{"name":5,"ringTone":""}]}|encode group-list -
2|bad JSON at byte 9|{"kind":\n|encode group -
2|has no XML form|rec;r0,recEnd;|decode --xml -
2|--as: nothing not in||decode --as nothing -
1|cannot open .*no-such-file|x|decode no-such-file
TABLE
exit $failed
