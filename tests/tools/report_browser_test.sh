#!/usr/bin/env bash
# Every report renders in headless Chromium: its four charts are in the DOM,
# its script ran to the end, and the console shows no error.
#
# usage: report_browser_test.sh VELTRIX_SIM SCENARIO_DIR WORK_DIR [REPORT_DIR]
# Without REPORT_DIR the bundled scenarios are run into WORK_DIR first; with
# it (a demo output folder, say) the reports already there are checked.
# Exits 77 (skipped) when chromium is not installed.
set -u
sim=$1 scenarios=$2 work=$3 reports=${4:-}
browser=${CHROMIUM:-$(command -v chromium || command -v chromium-browser || true)}
if [ -z "$browser" ]; then
    echo "SKIP: chromium is not installed (scripts/bootstrap.sh)"
    exit 77
fi
# A folder of its own: another test run may share the build tree.
mkdir -p "$work"
work=$(mktemp -d "$work/run.XXXXXX")
if [ -z "$reports" ]; then
    reports=$work/reports
    "$sim" run "$scenarios"/*.json --out "$reports" >"$work/run.txt" || { cat "$work/run.txt"; echo "FAIL: run"; exit 1; }
fi
reports=$(cd "$reports" && pwd)  # file:// wants an absolute path

failures=0 checked=0
while IFS= read -r -d '' page; do
    checked=$((checked + 1))
    profile=$(mktemp -d "$work/profile.XXXXXX")
    timeout 90 "$browser" --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
        --disable-component-update --disable-sync --user-data-dir="$profile" \
        --enable-logging=stderr --v=0 --dump-dom "file://$page" >"$work/dom.html" 2>"$work/log.txt"
    rm -rf "$profile"
    name=${page#"$reports"/}
    svgs=$(grep -o '<svg ' "$work/dom.html" | wc -l)
    if [ "$svgs" -ne 4 ]; then
        echo "FAIL: $name: $svgs charts in the DOM, expected 4"
        failures=$((failures + 1))
    fi
    if ! grep -q 'data-ready="1"' "$work/dom.html"; then
        echo "FAIL: $name: the page script did not finish"
        failures=$((failures + 1))
    fi
    # Console messages and page errors are logged as CONSOLE lines.
    if grep -E 'CONSOLE|Uncaught|SyntaxError|ReferenceError|TypeError' "$work/log.txt" >"$work/errors.txt"; then
        echo "FAIL: $name: script errors:"
        sed 's/^/    /' "$work/errors.txt"
        failures=$((failures + 1))
    fi
done < <(find "$reports" -name report.html -print0 | sort -z)

if [ $checked -eq 0 ]; then
    echo "FAIL: no report.html under $reports"
    exit 1
fi
if [ $failures -eq 0 ]; then
    rm -rf "$work"
    echo "PASS: $checked reports render"
    exit 0
fi
echo "(pages and logs kept in $work)"
exit 1
