#!/usr/bin/env bash
# Every bundled scenario runs in-process and meets its expectations.
# usage: bundled_scenarios_test.sh VELTRIX_SIM SCENARIO_DIR OUT_DIR
set -u
sim=$1 scenarios=$2 out=$3
# A folder of its own: another test run may share the build tree.
mkdir -p "$out"
out=$(mktemp -d "$out/run.XXXXXX")
shopt -s nullglob
files=("$scenarios"/*.json)
if [ ${#files[@]} -lt 10 ]; then
    echo "FAIL: expected the bundled scenarios in $scenarios, found ${#files[@]}"
    exit 1
fi
"$sim" run "${files[@]}" --out "$out"
status=$?
if [ $status -ne 0 ]; then
    echo "FAIL: veltrix-sim run exited $status"
    exit 1
fi
# Each one carries expectations, so each is a check and not just a demo.
if [ "$(grep -c ' PASS$' <("$sim" run "${files[@]}" --out "$out"))" -ne ${#files[@]} ]; then
    echo "FAIL: not every scenario reports PASS"
    exit 1
fi
rm -rf "$out"
echo "PASS: ${#files[@]} scenarios"
