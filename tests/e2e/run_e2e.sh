#!/usr/bin/env bash
# Runs end-to-end scenarios against the real plug-in under Wine.
#
# usage: run_e2e.sh start BIN_DIR WINEPREFIX
#        run_e2e.sh run   BIN_DIR WINEPREFIX SCENARIO.json OUTPUT_DIR
#        run_e2e.sh stop  BIN_DIR WINEPREFIX
#
# BIN_DIR holds e2e_driver.exe, the stand-in ScriptHookRDR2.dll and
# Veltrix.asi (the e2e folder of the windows build). "start" makes the Wine
# prefix if needed and starts its server; "run" plays one scenario in its own
# driver process with a time limit (and starts the server itself if it is not
# running); "stop" ends the server. wine64 comes from $WINE64, the wineserver
# from $WINESERVER. Exits 77 (skipped) when any of them is missing.
set -u

mode=${1:?usage: run_e2e.sh start|run|stop BIN_DIR WINEPREFIX [SCENARIO OUTPUT_DIR]}
bin=${2:?BIN_DIR missing}
prefix=${3:?WINEPREFIX missing}
wine64=${WINE64:-/usr/lib/wine/wine64}
wineserver=${WINESERVER:-/usr/lib/wine/wineserver}
# Seconds one scenario may take, Wine's start included.
limit=${E2E_TIME_LIMIT:-60}

. "$(dirname "$0")/../support/wine_env.sh"
wine_env "$prefix"

if [ "$mode" = stop ]; then
    wine_stop_server
    exit 0
fi

for file in e2e_driver.exe ScriptHookRDR2.dll Veltrix.asi; do
    if [ ! -f "$bin/$file" ]; then
        echo "SKIP: $bin/$file is not built (cmake --preset windows && cmake --build --preset windows)"
        exit 77
    fi
done

# The server gets no pipe of ours: a long-lived process holding the test's
# output pipe open would stall whoever reads it. It stays up a minute after
# its last client, so scenario runs share it; "stop" ends it sooner.
# Starting it when one is already running is a no-op. Neither it nor Wine's
# own long-lived processes may inherit the lock below, or they would hold it.
start_server() {
    "$wineserver" -p60 </dev/null >/dev/null 2>&1 9>&-
}

# Scenario runs may start side by side: one of them makes the prefix.
mkdir -p "$prefix"
(
    flock 9
    start_server
    if [ ! -f "$prefix/system.reg" ]; then
        echo "setting up the Wine prefix $prefix"
        timeout 300 "$wine64" wineboot -i </dev/null >"$prefix.wineboot.log" 2>&1 9>&-
        echo "wineboot exit $?"
    fi
) 9>"$prefix.lock"

[ "$mode" = start ] && exit 0
if [ "$mode" != run ]; then
    echo "unknown mode $mode"
    exit 2
fi

scenario=${4:?SCENARIO missing}
out=${5:?OUTPUT_DIR missing}
rm -rf "$out"
mkdir -p "$out"
scenario=$(cd "$(dirname "$scenario")" && pwd)/$(basename "$scenario")
out=$(cd "$out" && pwd)
log=$out/driver.log

start=$SECONDS
# Wine maps drive Z: to the root of the file system.
(cd "$bin" && timeout "$limit" "$wine64" e2e_driver.exe "Z:$scenario" "Z:$out" </dev/null >"$log" 2>&1)
rc=$?
tr -d '\r' <"$log"
echo "(trace, host calls and the plug-in's output in $out; $((SECONDS - start)) s)"

case $rc in
0)
    if ! grep -q '^PASS: ' "$log"; then
        echo "FAIL: the driver exited 0 without a PASS line"
        exit 1
    fi
    exit 0
    ;;
124)
    echo "FAIL: hang: the run was killed after $limit s"
    ;;
1) ;;
*)
    if ! grep -q '^FAIL: ' "$log"; then
        echo "FAIL: the driver died with exit code $rc and said nothing: a crash Wine did not report"
    fi
    ;;
esac
exit 1
