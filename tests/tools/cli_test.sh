#!/usr/bin/env bash
# The command line: exit statuses of ini-check and run, usage errors.
# (What run writes and reports is checked in run_report_test.cpp.)
# usage: cli_test.sh VELTRIX_SIM SOURCE_DIR
set -u
sim=$1 src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
expect_status() {  # expected-status description command...
    local want=$1 what=$2
    shift 2
    "$@" >"$work/out.txt" 2>"$work/err.txt"
    local got=$?
    if [ "$got" -ne "$want" ]; then
        echo "FAIL: $what: exit $got, expected $want"
        sed 's/^/    /' "$work/out.txt" "$work/err.txt" | head -20
        failures=$((failures + 1))
    fi
}

expect_status 0 "ini-check on the shipped file" "$sim" ini-check "$src/dist/Veltrix.ini"
grep -q '^No warnings.$' "$work/out.txt" || { echo "FAIL: shipped file not reported clean"; failures=$((failures + 1)); }

printf '[Lingering]\nLingerTime=0\n' >"$work/bad.ini"
expect_status 1 "ini-check with a warning" "$sim" ini-check "$work/bad.ini"
grep -q '^  line 2: LingerTime 0: ' "$work/out.txt" || { echo "FAIL: warning not printed"; failures=$((failures + 1)); }

# Saved by Notepad as "Unicode": the two lines the plug-in prints, and the file named as UTF-16.
expect_status 1 "ini-check on a UTF-16 file" "$sim" ini-check "$src/tests/tools/check_files/unicode.ini"
cat >"$work/unicode-end.txt" <<'END'
Printed by the plug-in at every start
  Unknown key binding: =
  Unknown key binding: =

1 warning
  line 1: the file is saved as UTF-16 (Notepad's "Unicode"): the plug-in reads it byte by byte and finds none of its settings in it (save it as UTF-8 or ANSI)
END
sed -n '/^Printed by/,$p' "$work/out.txt" | diff "$work/unicode-end.txt" - ||
    { echo "FAIL: UTF-16 file: the report does not end as above"; failures=$((failures + 1)); }

expect_status 2 "ini-check on a missing file" "$sim" ini-check "$work/none.ini"
expect_status 2 "ini-check on a directory" "$sim" ini-check "$work"

# Without an argument it reads Veltrix.ini in the working directory.
cp "$work/bad.ini" "$work/Veltrix.ini"
(cd "$work" && "$sim" ini-check >"$work/default.txt")
grep -q '^Veltrix.ini: 2 lines$' "$work/default.txt" || { echo "FAIL: default file not read"; failures=$((failures + 1)); }

expect_status 2 "run without scenarios" "$sim" run
expect_status 2 "unknown option" "$sim" run "$src/scenarios/knife.json" --fast
expect_status 2 "unknown command" "$sim" fly
expect_status 0 "run one scenario" "$sim" run "$src/scenarios/knife.json" --out "$work/out"
grep -q '^knife .* PASS$' "$work/out.txt" || { echo "FAIL: no summary row"; failures=$((failures + 1)); }

[ $failures -eq 0 ] && echo "PASS" && exit 0
exit 1
