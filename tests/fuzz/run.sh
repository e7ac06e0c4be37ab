#!/usr/bin/env bash
# Builds the settings fuzzers with clang (build/fuzz) and runs each for the
# given number of seconds (default 60). Fails on any finding: a crash, a
# sanitizer report, a leak, a timeout or a failed check of a target.
#
#   tests/fuzz/run.sh [SECONDS]
set -euo pipefail

duration=${1:-60}
case $duration in
    '' | *[!0-9]*) echo "usage: $0 [SECONDS]" >&2; exit 2 ;;
esac

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$root/build/fuzz

cmake -S "$here" -B "$build" -DCMAKE_CXX_COMPILER="${CXX_FUZZ:-clang++}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j 2 >/dev/null

status=0
for target in settings_file key_binding settings_model ini_check; do
    # The working corpus grows between runs; the committed seeds (and the
    # shipped settings file) are merged in every time.
    corpus=$build/corpus/$target
    artifacts=$build/artifacts/$target
    rm -rf "$artifacts"
    mkdir -p "$corpus" "$artifacts"
    seeds=("$here/corpus/key_binding")
    if [ "$target" != key_binding ]; then
        # Every settings-file target also starts from the checker's example files.
        seeds=("$here/corpus/settings_file" "$root/tests/tools/check_files")
        if [ -f "$root/dist/Veltrix.ini" ]; then
            mkdir -p "$build/seeds-dist"
            cp "$root/dist/Veltrix.ini" "$build/seeds-dist/Veltrix.ini"
            seeds+=("$build/seeds-dist")
        fi
    fi

    log=$build/$target.log
    echo "fuzzing $target for ${duration}s"
    set +e
    # Settings files are small; the differential targets run more of them.
    max_len=8192
    case $target in settings_model | ini_check) max_len=1024 ;; esac
    "$build/${target}_fuzzer" -max_total_time="$duration" -timeout=10 -rss_limit_mb=2048 -max_len=$max_len \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "${seeds[@]}" >"$log" 2>&1
    rc=$?
    set -e
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    echo "  $target: ${runs:-?} executions, exit $rc"
    if [ $rc -ne 0 ] || compgen -G "$artifacts/*" >/dev/null; then
        echo "  FINDING in $target; log: $log; artifacts in $artifacts" >&2
        tail -40 "$log" >&2
        status=1
    fi
done
exit $status
