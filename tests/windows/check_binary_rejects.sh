#!/usr/bin/env bash
# Runs the binary check on copies of the plug-in that the Windows build made
# with one rule broken each, and requires it to reject every copy with
# exactly the faults that copy has: a fault it misses would pass a broken
# plug-in, a fault it invents would fail a good one.
#
# usage: check_binary_rejects.sh path/to/check_binary.sh path/to/faults-dir
set -u

check=${1:?usage: check_binary_rejects.sh CHECK_SCRIPT FAULTS_DIR}
faults=${2:?usage: check_binary_rejects.sh CHECK_SCRIPT FAULTS_DIR}

if [ ! -d "$faults" ]; then
    echo "SKIP: $faults is not built (cmake --preset windows && cmake --build --preset windows)"
    exit 77
fi

failures=0

# expect FILE LINE-PATTERN REQUIRED...
#   Every fault line must match LINE-PATTERN, and each REQUIRED pattern must
#   match some fault line (extended regular expressions).
expect() {
    local name=$1 pattern=$2
    shift 2
    local out rc
    out=$(bash "$check" "$faults/$name")
    rc=$?
    if [ "$rc" -eq 77 ]; then
        echo "$out"
        exit 77
    fi
    # The per-fault lines, without the closing count line.
    local lines
    lines=$(grep '^FAIL: ' <<<"$out" | grep -v ' fault(s)$')
    local ok=1
    if [ "$rc" -ne 1 ]; then
        echo "MISSED: $name passed the check (exit $rc)"
        ok=0
    fi
    local stray
    stray=$(grep -Ev -- "$pattern" <<<"$lines" | grep .)
    if [ -n "$stray" ]; then
        echo "STRAY: $name blamed for a fault it does not have:"
        echo "$stray"
        ok=0
    fi
    local required
    for required in "$@"; do
        if ! grep -Eq -- "$required" <<<"$lines"; then
            echo "MISSED: $name not reported: /$required/"
            ok=0
        fi
    done
    if [ "$ok" -eq 1 ]; then
        echo "ok: $name rejected"
    else
        echo "$out" | sed 's/^/    /'
        failures=$((failures + 1))
    fi
}

# Linked without --exclude-all-symbols: every global symbol is exported.
expect Veltrix_exports.asi '^FAIL: exports [0-9]+ symbol' \
    '^FAIL: exports [0-9]+ symbol'

# Linked without -static: needs the compiler's runtime DLLs beside it.
expect Veltrix_runtime.asi '^FAIL: imports from lib(stdc\+\+-6|gcc_s_seh-1|winpthread-1)\.dll,' \
    '^FAIL: imports from libstdc\+\+-6\.dll,'

# Linked with ASLR and DEP switched off.
expect Veltrix_aslr.asi '^FAIL: DllCharacteristics lacks ' \
    'lacks HIGH_ENTROPY_VA$' 'lacks DYNAMIC_BASE$' 'lacks NX_COMPAT$'

# Import library with one decoration wrong (scriptWait taking unsigned int).
expect Veltrix_host_names.asi '^FAIL: (missing|unexpected) host import \?scriptWait@@YAX[IK]@Z$' \
    '^FAIL: missing host import \?scriptWait@@YAXK@Z$' \
    '^FAIL: unexpected host import \?scriptWait@@YAXI@Z$'

if [ "$failures" -ne 0 ]; then
    echo "FAIL: the binary check let $failures faulty build(s) through or misreported them"
    exit 1
fi
echo "PASS: the binary check rejects every faulty build with exactly its faults"
