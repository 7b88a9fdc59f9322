#!/usr/bin/env bash
# dst-serializer-check against the independent serializer, correct, with one fault each, and
# of another grammar: the exit status, exactly the required checks that fail, and the report.
# Usage: checker_test.sh LIBDIR VECTORS [EMULATOR...] CHECKER
dir=$1 vectors=$2 failed=0 listed=$(mktemp)
shift 2
trap 'rm -f "$listed"' EXIT
printf "# known failures\n  appends-only  # prepends\n" >"$listed"
# library | exit status | required checks that fail | pattern of the report | arguments (@ is LIBDIR)
while IFS='|' read -r lib code expected pattern args; do
  [[ -d $dir/$lib ]] && lib=$lib/libSerializer.so
  out=$("$@" "$dir/$lib" --vectors "$vectors" --timeout 3 ${args//@/$dir} 2>&1); rc=$?
  got=$(sed -n '/^Our text form/q; s/^  FAIL  \([a-zA-Z-]*\):.*/\1/p' <<<"$out" | xargs)
  [[ $rc == "$code" && $got == "$expected" && $out =~ $pattern && $out != *Deserialise* ]] || { echo "FAIL: $lib $args: exit $rc, failing [$got]"; echo "$out"; failed=1; }
done <<TABLE
none|0||^Checking .*/none/libSerializer.so and .*/none/libLoggingHandler.so.*PASS  logAppUni-returns.*strings.json: 842 of 842.*Required checks: 11 passed, 0 failed$|--logging-handler @/none/libLoggingHandler.so
prepend|1|appends-only|example: encoding the integer 0 behind "x" gave "i0.x", not "xi0.".*without it: Texts are corrupted.*next: ask the platform's vendor for a library with this property \(docs/platform.md#serializer\).*--expected-failures.*Required checks: 9 passed, 1 failed$
colon|1|no-colon|the encoding of the string ":" is "s1,:", with a ':' at byte 3
semicolon|1|no-recEnd|the record \{"recEnd;": "rec;"\} is "r1,s7,recEnd;s4,rec;", with "recEnd;" at byte 6.*rest of its frame is read as stray text\.
always_true|1|bool-result|an integer from the empty working string returned true.*  DIFFERS  integer-reject-empty: decoding "" gave true, the integer 12345, working string ""; expected false, the integer 12345, working string "".*  \.\.\. and 21 more \(--all shows them\).  integers.json: 39 of 65 cases pass
out_changed|1|failure-unchanged|from "" returned false but changed the out-argument from the integer 12345 to the integer 0
removes_none|1|removes-one-value|decoding the integer 0 from "i0." left "i0.", not ""
removes_two|1|removes-one-value|decoding the integer 0 from "i0.i0." left "", not "i0."
crash|1|round-trip-strings|crashed .* with the string ";;;.*\(4097 bytes\)
hang|1|round-trip-integers round-trip-records|used 3 s of processor time without finishing with the integer 1073741824.*hung: asleep for 3 s with the record .*\(255 fields\)
prepend|0||XFAIL  appends-only.*1 required checks fail as expected.*Required checks: 9 passed, 0 failed$|--expected-failures $listed
none|0||STALE  appends-only.*listed in .*, but passes: remove it there.*the list is stale.*Every required check passes.*Required checks: 10 passed, 0 failed$|--expected-failures $listed
missing|2||lacks.*Serializer::deserialize\(std::string&, PhonebookRecord&\) \(_ZN10Serializer11deserializeER.*ESaIS9_EE\)$
old_abi|2||old C\+\+ string ABI.*Serializer::serialize\(std::string&, int\) as _ZN10Serializer9serializeERSsi
none|0||^dst-serializer-check [0-9]+\.[0-9]+\.[0-9]+$|--version
none|2||lacks logAppUni|--logging-handler @/none/libSerializer.so
other_grammar|0||^Checking .*SKIP  logAppUni-returns: not checked, as no --logging-handler FILE is given \(the library logs through logAppUni when it refuses a dimensions text\).*DIFFERS  integer-0-encode: encoding the integer 0 gave "I\+0\.", not "i0\.".*integers.json: 26 of 65 cases pass.*records.json: 21 of 63.*string-lengths.json: 438 of 854.*strings.json: 295 of 842.*cases pass \(not required\).Every required check passes\..Required checks: 10 passed, 0 failed$
other_grammar|1||FAIL  integer-0-encode.*Required checks: [0-9]+ passed, [1-9][0-9]* failed$|--require-text-form
../../libDirectoryServiceTypes.so|2||does not define the Serializer operations itself: they come from .*/libSerializer\.so[.0-9]*, which it loads
TABLE
exit $failed
