#!/usr/bin/env bash
# Every bundled scenario runs in-process and meets its own expectations, so
# each is a check and not just a demo.
# usage: bundled_scenarios_test.sh VELTRIX_SIM SCENARIO_DIR WORK_DIR
set -u
sim=$1 scenarios=$2 work=$3
mkdir -p "$work"
out=$(mktemp -d "$work/run.XXXXXX")  # another test run may share the build tree
files=("$scenarios"/*.json)
"$sim" run "${files[@]}" --out "$out" >"$out/summary.txt"
status=$?
cat "$out/summary.txt"
passed=$(grep -c ' PASS$' "$out/summary.txt")
if [ $status -ne 0 ] || [ "$passed" -ne ${#files[@]} ] || [ ${#files[@]} -lt 10 ]; then
    echo "FAIL: exit $status, $passed of ${#files[@]} scenarios PASS"
    exit 1
fi
rm -rf "$out"
echo "PASS: ${#files[@]} scenarios"
