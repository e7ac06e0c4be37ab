#!/usr/bin/env bash
# Loads the plug-in under Wine against the minimal stand-in host, twice: once
# running ScriptMain for a few passes, once never starting it. Each run must
# end with the driver's PASS line and exit code 0.
#
# usage: wine_smoke.sh STANDIN_DIR WINEPREFIX
#   STANDIN_DIR holds smoke_driver.exe, ScriptHookRDR2.dll and Veltrix.asi;
#   WINEPREFIX is created on first use. wine64 comes from $WINE64, the
#   wineserver from $WINESERVER. Exits 77 (skipped) when either is missing.
set -u

dir=${1:?usage: wine_smoke.sh STANDIN_DIR WINEPREFIX}
prefix=${2:?usage: wine_smoke.sh STANDIN_DIR WINEPREFIX}
wine64=${WINE64:-/usr/lib/wine/wine64}
wineserver=${WINESERVER:-wineserver}
passes=5

for file in smoke_driver.exe ScriptHookRDR2.dll Veltrix.asi; do
    if [ ! -f "$dir/$file" ]; then
        echo "SKIP: $dir/$file is not built (cmake --preset windows && cmake --build --preset windows)"
        exit 77
    fi
done
. "$(dirname "$0")/../support/wine_env.sh"
wine_env "$prefix"
mkdir -p "$WINEPREFIX"
logs=$(dirname "$WINEPREFIX")

# Every Wine process, the server included, gets files rather than our output
# pipe: a long-lived one holding the pipe open would stall whoever reads it.
# The server is started here so that no client spawns one with our pipe.
"$wineserver" -p5 </dev/null >/dev/null 2>&1
trap wine_stop_server EXIT

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "setting up the Wine prefix $WINEPREFIX"
    timeout 300 "$wine64" wineboot -i </dev/null >"$logs/wineboot.log" 2>&1
    echo "wineboot exit $?"
fi

failures=0

# run NAME ARGS...: one driver run, its output shown with line ends as on Linux.
run() {
    local name=$1
    shift
    local log=$logs/wine_smoke_$name.log
    local start=$SECONDS
    (cd "$dir" && timeout 120 "$wine64" smoke_driver.exe "$@" </dev/null >"$log" 2>&1)
    local rc=$?
    tr -d '\r' <"$log" >"$log.txt"
    grep -v '^host: ' "$log.txt"
    echo "($(grep -c '^host: ' "$log.txt") host calls logged in $log.txt)"
    if [ "$rc" -eq 124 ]; then
        echo "FAIL: smoke_driver $* timed out"
        failures=$((failures + 1))
    elif [ "$rc" -ne 0 ] || [ "$(grep -v '^host: ' "$log.txt" | tail -n 1 | cut -c1-5)" != "PASS:" ]; then
        echo "FAIL: smoke_driver $* exited $rc without a PASS line"
        failures=$((failures + 1))
    fi
    echo "smoke_driver $* took $((SECONDS - start)) s"
}

run passes --passes "$passes"
run no_run --no-run

if [ "$failures" -ne 0 ]; then
    echo "FAIL: $failures smoke run(s) failed"
    exit 1
fi
echo "PASS: the plug-in loads, registers, runs and unregisters under Wine"
