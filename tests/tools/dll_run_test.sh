#!/usr/bin/env bash
# veltrix-sim run --dll: scenarios played against the real Veltrix.asi under
# Wine give the same verdicts as in-process, settings files of any bytes
# reach it unchanged, and a DLL that does not load is reported as a scenario
# that cannot run.
#
# usage: dll_run_test.sh VELTRIX_SIM SCENARIO_DIR WINDOWS_BUILD_DIR WORK_DIR
# Exits 77 (skipped) when the windows build or Wine is missing.
set -u
sim=$1 scenarios=$2 build=$3 work=$4
for file in "$build/Veltrix.asi" "$build/e2e/e2e_driver.exe" "$build/e2e/ScriptHookRDR2.dll"; do
    [ -f "$file" ] || { echo "SKIP: $file is not built"; exit 77; }
done
[ -x "${WINE64:-/usr/lib/wine/wine64}" ] || { echo "SKIP: wine64 is not installed"; exit 77; }
mkdir -p "$work"
work=$(mktemp -d "$work/run.XXXXXX")
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$sim" run "$scenarios/knife.json" "$scenarios/toggle_mid_flight.json" --dll "$build/Veltrix.asi" \
    --out "$work/wine" >"$work/wine.txt" 2>&1
status=$?
cat "$work/wine.txt"
[ $status -eq 0 ] || fail "run under Wine exited $status"
[ "$(grep -c ' PASS$' "$work/wine.txt")" -eq 2 ] || fail "not both scenarios PASS under Wine"
grep -q '"runner":"the real Veltrix.asi under Wine' "$work/wine/run.json" || fail "the run's data does not say it ran under Wine"
[ -s "$work/wine/index.html" ] || fail "no page for the run"
# The key presses went through Wine's real key state, and the trace is the DLL's.
[ -s "$work/wine/toggle_mid_flight/wine/calls.txt" ] || fail "no host call log from the driver"

# The same figures as in-process.
"$sim" run "$scenarios/knife.json" "$scenarios/toggle_mid_flight.json" --out "$work/native" >"$work/native.txt" 2>&1
# Only the table: a first run under Wine also says that it sets up the prefix.
table() { grep -E '^(scenario|knife|toggle_mid_flight) ' "$1"; }
diff <(table "$work/wine.txt") <(table "$work/native.txt") || fail "figures differ from the in-process run"

# A settings file reaches the DLL byte for byte: one saved as UTF-16, and one
# with NUL bytes, carriage returns inside lines and a 0x1A byte (the end of a
# file read in text mode on Windows), give the table and the printed lines of
# the in-process run, and those are what the plug-in prints.
printf '[Lingering]\r\nLingerTime=1\r\nToggleKey=Q\0W\r\nCam\rKey=what\nEnd=of\032file\nTail=end\r\0x\n' \
    >"$work/bytes.ini"
printf '%s\n' 'Unknown key binding: ToggleKey=Q' $'Unknown key binding: Cam\rKey=WHAT' \
    $'Unknown key binding: End=OF\032FILE' $'Unknown key binding: Tail=END\r' >"$work/bytes.printed"
printf 'Unknown key binding: =\nUnknown key binding: =\n' >"$work/unicode.printed"
rows() { grep -E '^(scenario |knife[ :])' "$1"; }
for name in unicode bytes; do
    ini=$work/$name.ini
    [ $name = unicode ] && ini=$(dirname "$0")/check_files/unicode.ini
    "$sim" run "$scenarios/knife.json" --ini "$ini" --dll "$build/Veltrix.asi" --out "$work/$name-wine" \
        >"$work/$name-wine.txt" 2>&1
    "$sim" run "$scenarios/knife.json" --ini "$ini" --out "$work/$name-native" >"$work/$name-native.txt" 2>&1
    diff <(rows "$work/$name-wine.txt") <(rows "$work/$name-native.txt") ||
        fail "$name: the table under Wine differs from the in-process one"
    cmp "$work/$name-wine/knife/output.txt" "$work/$name-native/knife/output.txt" ||
        fail "$name: the lines printed under Wine differ from the in-process ones"
    cmp "$work/$name-native/knife/output.txt" "$work/$name.printed" || fail "$name: not the lines the plug-in prints"
done

# The checker's sample of mistakes (values that are not finite among them)
# plays through the DLL with the in-process trace, bit for bit; only the
# registration, which only a loaded DLL makes, differs.
mistakes=$(dirname "$0")/check_files/mistakes.ini
"$sim" run "$scenarios/bullet.json" --ini "$mistakes" --dll "$build/Veltrix.asi" --out "$work/mistakes-wine" \
    >"$work/mistakes-wine.txt" 2>&1
"$sim" run "$scenarios/bullet.json" --ini "$mistakes" --out "$work/mistakes-native" >"$work/mistakes-native.txt" 2>&1
traced() { grep -v '"\(un\)\?regist' "$1/bullet/trace.json"; }
grep -q 'cannot run' "$work/mistakes-wine.txt" && fail "the sample of mistakes cannot run under Wine"
diff <(traced "$work/mistakes-wine") <(traced "$work/mistakes-native") >/dev/null ||
    fail "the sample of mistakes: the trace under Wine differs from the in-process one"

# --driver takes the driver program as its usage line says, or its folder.
"$sim" run "$scenarios/knife.json" --dll "$build/Veltrix.asi" --driver "$build/e2e/e2e_driver.exe" \
    --out "$work/driver" >"$work/driver.txt" 2>&1 || fail "--driver e2e_driver.exe: exit $?"
grep -q '^knife .* PASS$' "$work/driver.txt" || { fail "--driver e2e_driver.exe: knife did not pass"; cat "$work/driver.txt"; }

# Something that is not a DLL cannot run.
printf 'not a DLL' >"$work/broken.asi"
"$sim" run "$scenarios/knife.json" --dll "$work/broken.asi" --driver "$build/e2e" --out "$work/broken" >"$work/broken.txt" 2>&1
status=$?
[ $status -eq 2 ] || fail "a broken DLL gave exit $status, expected 2"
grep -q '^knife: cannot run: under Wine: FAIL: LoadLibrary' "$work/broken.txt" || { fail "the load failure is not named"; cat "$work/broken.txt"; }

if [ $failures -eq 0 ]; then
    rm -rf "$work"
    echo "PASS"
    exit 0
fi
exit 1
