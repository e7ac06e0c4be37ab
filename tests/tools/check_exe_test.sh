#!/usr/bin/env bash
# veltrix-check.exe under Wine, as a modder runs it: without an argument
# beside the shipped Veltrix.ini (exit 0), on a file full of mistakes in a
# folder whose name has a space and an accented letter (exit 1, every mistake
# on the console), on a missing file (exit 2), and without the tuner page
# beside it or with another page in its place (the check as before, and a
# word that there is no page). Its console output equals the Linux build's
# and ini-check's on the same files; its page is the tuner page with the
# file's bytes in it, as the Linux build writes it (which the browser tests
# open).
#
# usage: check_exe_test.sh CHECK_EXE LINUX_CHECK VELTRIX_SIM SOURCE_DIR WORK_DIR TUNER_PAGE
# Exits 77 (skipped) when the program, the tuner page or Wine is missing.
set -u
exe=$1 linux=$2 sim=$3 src=$4 work=$5 tuner=$6
wine64=${WINE64:-/usr/lib/wine/wine64} wineserver=${WINESERVER:-/usr/lib/wine/wineserver}
source "$src/tests/support/wine_env.sh"
[ -f "$exe" ] || { echo "SKIP: $exe is not built (cmake --build --preset windows)"; exit 77; }
[ -f "$tuner" ] || { echo "SKIP: $tuner is not built (cmake --build --preset wasm)"; exit 77; }
mkdir -p "$work"
work=$(cd "$work" && pwd)
# A prefix and server of its own: no other test's keys or files in the way.
wine_env "$work/prefix"
trap wine_stop_server EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# Runs the checker under Wine from / with its input closed; the console
# output (LF line ends) in $1, the exit status returned.
run_exe() {
    local out=$1
    shift
    (cd / && exec timeout 300 "$wine64" "$@") </dev/null 2>"$work/wine.err" | tr -d '\r' >"$out"
    return "${PIPESTATUS[0]}"
}
# The Windows and Linux outputs name the file each its own way: each path,
# taken literally, becomes FILE.
literal() { sed 's/[][\\.*^$|/]/\\&/g' <<<"$1"; }
named() { sed "s|$(literal "$2")|FILE|g" "$1" | grep -v '^Page: '; }
same_output() {
    diff <(named "$1" "$2") <(named "$3" "$4") >"$work/diff.txt" ||
        { fail "$5: Windows and Linux outputs differ:"; sed 's/^/    /' "$work/diff.txt" | head -20; }
}
# Both pages: the tuner page with the checked file's bytes in its data, the
# same but for how each names the file's path.
same_page() {
    python3 - "$1" "$2" "$3" "$tuner" <<'PY' || fail "$4: the Windows page is not the Linux one"
import json, re, sys
slot = re.compile(rb'(<script id="veltrix-data" type="application/json">)(.*?)(</script>)', re.S)
pages = [open(p, "rb").read() for p in sys.argv[1:3]]
tuner = open(sys.argv[4], "rb").read()
data = [json.loads(slot.search(p).group(2)) for p in pages]
checked = open(sys.argv[3], "rb").read()
ok = all(slot.sub(rb"\1null\3", p, count=1) == tuner for p in pages)
ok &= all(d["veltrix"] == "check" and d["file"].encode("latin1") == checked for d in data)
ok &= data[0]["name"] == data[1]["name"]
sys.exit(0 if ok else 1)
PY
}

game="$work/Mod folder é"
rm -rf "$game" "$work/linux"
mkdir -p "$game" "$work/linux/shipped" "$work/linux/mistakes"
cp "$exe" "$game/veltrix-check.exe"
cp "$tuner" "$game/Veltrix-tuner.html"
cp "$src/dist/Veltrix.ini" "$game/Veltrix.ini"
cp "$src/tests/tools/check_files/mistakes.ini" "$game/my mistakes.ini"
cp "$src/dist/Veltrix.ini" "$work/linux/shipped/Veltrix.ini"
cp "$src/tests/tools/check_files/mistakes.ini" "$work/linux/mistakes/my mistakes.ini"
winpath="Z:$(sed 's|/|\\|g' <<<"$game")"

# 1. A double-click: no argument, the Veltrix.ini beside the program.
run_exe "$work/shipped.txt" "$game/veltrix-check.exe" --no-open
status=$?
[ $status -eq 0 ] || fail "shipped file: exit $status, expected 0"
grep -q '^No warnings\.' "$work/shipped.txt" || fail "shipped file: warnings on the console"
[ -f "$game/Veltrix-check.html" ] || fail "shipped file: no Veltrix-check.html beside it"
"$linux" "$work/linux/shipped/Veltrix.ini" --no-open >"$work/shipped-linux.txt"
same_output "$work/shipped.txt" "$winpath\\Veltrix.ini" "$work/shipped-linux.txt" "$work/linux/shipped/Veltrix.ini" \
    "shipped"
same_page "$game/Veltrix-check.html" "$work/linux/shipped/Veltrix-check.html" "$src/dist/Veltrix.ini" "shipped"
mv "$game/Veltrix-check.html" "$work/shipped.html"

# 2. A file full of mistakes, given as an argument.
run_exe "$work/mistakes.txt" "$game/veltrix-check.exe" "$winpath\\my mistakes.ini" --no-open
status=$?
[ $status -eq 1 ] || fail "mistakes: exit $status, expected 1"
[ -f "$game/Veltrix-check.html" ] || fail "mistakes: no Veltrix-check.html"
"$linux" "$work/linux/mistakes/my mistakes.ini" --no-open >"$work/mistakes-linux.txt"
same_output "$work/mistakes.txt" "$winpath\\my mistakes.ini" "$work/mistakes-linux.txt" \
    "$work/linux/mistakes/my mistakes.ini" "mistakes"
same_page "$game/Veltrix-check.html" "$work/linux/mistakes/Veltrix-check.html" \
    "$src/tests/tools/check_files/mistakes.ini" "mistakes"
# ini-check's report, then a blank line before the page's name.
("$sim" ini-check "$work/linux/mistakes/my mistakes.ini"; echo) >"$work/mistakes-ini-check.txt"
same_output "$work/mistakes.txt" "$winpath\\my mistakes.ini" "$work/mistakes-ini-check.txt" \
    "$work/linux/mistakes/my mistakes.ini" "mistakes, against ini-check"
warnings=$(sed -n 's/^  line \([0-9]*\): .*/\1/p' "$work/mistakes.txt" | sort -un | wc -l)
[ "$warnings" -ge 19 ] || fail "mistakes: warnings on only $warnings lines of the console"
# 3. A missing file.
run_exe "$work/missing.txt" "$game/veltrix-check.exe" "$winpath\\Veltrix-missing.ini" --no-open
status=$?
[ $status -eq 2 ] || fail "missing file: exit $status, expected 2"
grep -q 'cannot be read' "$work/missing.txt" || fail "missing file: not said on the console"

# 4. No tuner page beside it: the same check, and a word about the page.
rm "$game/Veltrix-tuner.html" "$game/Veltrix-check.html"
run_exe "$work/alone.txt" "$game/veltrix-check.exe" --no-open
status=$?
[ $status -eq 0 ] || fail "without the tuner page: exit $status, expected 0"
grep -q '^No page: Veltrix-tuner.html is not beside veltrix-check' "$work/alone.txt" || fail "without the tuner page: not said"
[ ! -f "$game/Veltrix-check.html" ] || fail "without the tuner page: a page was written"
# 5. Some other page by that name: still the check's own exit status.
echo '<html>not the tuner</html>' >"$game/Veltrix-tuner.html"
run_exe "$work/other.txt" "$game/veltrix-check.exe" --no-open
status=$?
[ $status -eq 0 ] || fail "beside another page: exit $status, expected 0"
grep -q '^No page: not a tuner page' "$work/other.txt" || fail "beside another page: not said"

if [ $failures -eq 0 ]; then
    echo "PASS: veltrix-check.exe under Wine: exit 0, 1 and 2 as due, output and page as on Linux"
    exit 0
fi
echo "(files kept in $work)"
exit 1
