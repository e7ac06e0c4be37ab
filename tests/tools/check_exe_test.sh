#!/usr/bin/env bash
# veltrix-check.exe under Wine, as a modder runs it: without an argument
# beside the shipped Veltrix.ini (exit 0), on a file full of mistakes in a
# folder whose name has a space and an accented letter (exit 1, every mistake
# on the console and on the page), on a missing file (exit 2). Its console
# output and page equal those of the Linux build on the same files, and the
# page renders in headless Chromium with every preview chart. Its console
# shows what ini-check shows, and nothing the previews' runs printed.
#
# usage: check_exe_test.sh CHECK_EXE LINUX_CHECK VELTRIX_SIM SOURCE_DIR WORK_DIR
# Exits 77 (skipped) when the program, Wine or Chromium is missing.
set -u
exe=$1 linux=$2 sim=$3 src=$4 work=$5
wine64=${WINE64:-/usr/lib/wine/wine64} wineserver=${WINESERVER:-/usr/lib/wine/wineserver}
source "$src/tests/support/wine_env.sh"
[ -f "$exe" ] || { echo "SKIP: $exe is not built (cmake --build --preset windows)"; exit 77; }
browser=${CHROMIUM:-$(command -v chromium || true)}
[ -n "$browser" ] || { echo "SKIP: chromium is not installed (scripts/bootstrap.sh)"; exit 77; }
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
same_page() {
    cmp -s <(named "$1" "$2") <(named "$3" "$4") || fail "$5: the Windows page differs from the Linux one"
}

game="$work/Mod folder é"
rm -rf "$game" "$work/linux"
mkdir -p "$game" "$work/linux/shipped" "$work/linux/mistakes"
cp "$exe" "$game/veltrix-check.exe"
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
same_page "$game/Veltrix-check.html" "$winpath\\Veltrix.ini" "$work/linux/shipped/Veltrix-check.html" \
    "$work/linux/shipped/Veltrix.ini" "shipped"
mv "$game/Veltrix-check.html" "$work/shipped.html"

# 2. A file full of mistakes, given as an argument.
run_exe "$work/mistakes.txt" "$game/veltrix-check.exe" "$winpath\\my mistakes.ini" --no-open
status=$?
[ $status -eq 1 ] || fail "mistakes: exit $status, expected 1"
[ -f "$game/Veltrix-check.html" ] || fail "mistakes: no Veltrix-check.html"
"$linux" "$work/linux/mistakes/my mistakes.ini" --no-open >"$work/mistakes-linux.txt"
same_output "$work/mistakes.txt" "$winpath\\my mistakes.ini" "$work/mistakes-linux.txt" \
    "$work/linux/mistakes/my mistakes.ini" "mistakes"
same_page "$game/Veltrix-check.html" "$winpath\\my mistakes.ini" "$work/linux/mistakes/Veltrix-check.html" \
    "$work/linux/mistakes/my mistakes.ini" "mistakes"
# ini-check's report, then a blank line before the page's name.
("$sim" ini-check "$work/linux/mistakes/my mistakes.ini"; echo) >"$work/mistakes-ini-check.txt"
same_output "$work/mistakes.txt" "$winpath\\my mistakes.ini" "$work/mistakes-ini-check.txt" \
    "$work/linux/mistakes/my mistakes.ini" "mistakes, against ini-check"
warnings=$(sed -n 's/^  line \([0-9]*\): .*/\1/p' "$work/mistakes.txt" | sort -un | wc -l)
[ "$warnings" -ge 19 ] || fail "mistakes: warnings on only $warnings lines of the console"
# Every warning is on the page too, at its line.
python3 - "$work/mistakes.txt" "$game/Veltrix-check.html" <<'PY' || fail "mistakes: a warning missing from the page"
import html, re, sys
console, page = open(sys.argv[1]).read(), open(sys.argv[2], encoding="utf-8").read()
missing = [w for n, w in re.findall(r"^  line (\d+): (.*)$", console, re.M)
           if f'<a href="#line-{n}">line {n}</a>: {html.escape(w, quote=False)}' not in page.replace("&#39;", "'")
           .replace("&quot;", '"')]
for w in missing:
    print("    not on the page:", w)
sys.exit(1 if missing else 0)
PY

# 3. A missing file.
run_exe "$work/missing.txt" "$game/veltrix-check.exe" "$winpath\\Veltrix-missing.ini" --no-open
status=$?
[ $status -eq 2 ] || fail "missing file: exit $status, expected 2"
grep -q 'cannot be read' "$work/missing.txt" || fail "missing file: not said on the console"

# 4. The pages in a browser: every preview's four charts, the script run to
#    its end, no console error.
previews=$(ls "$src"/scenarios/*.json | wc -l)
for page in "$work/shipped.html" "$game/Veltrix-check.html"; do
    profile=$(mktemp -d "$work/profile.XXXXXX")
    timeout 90 "$browser" --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
        --disable-component-update --disable-sync --user-data-dir="$profile" --enable-logging=stderr --v=0 \
        --dump-dom "file://$page" >"$work/dom.html" 2>"$work/browser.log"
    rm -rf "$profile"
    charts=$(grep -o '<svg ' "$work/dom.html" | wc -l)
    [ "$charts" -eq $((4 * previews)) ] || fail "$(basename "$page"): $charts charts, expected $((4 * previews))"
    grep -q 'data-ready="1"' "$work/dom.html" || fail "$(basename "$page"): the page script did not finish"
    if grep -E 'CONSOLE|Uncaught|SyntaxError|ReferenceError|TypeError' "$work/browser.log" >"$work/errors.txt"; then
        fail "$(basename "$page"): script errors:"
        sed 's/^/    /' "$work/errors.txt"
    fi
done

if [ $failures -eq 0 ]; then
    echo "PASS: veltrix-check.exe under Wine: exit 0, 1 and 2 as due, output and page as on Linux, $previews previews render"
    exit 0
fi
echo "(files kept in $work)"
exit 1
