#!/usr/bin/env bash
# Builds the benchmarks in Release, runs them, and prints one line per state
# and snapshot size, then the settings load times and the size of the DLL;
# then, under callgrind, the instructions per pass of the pass and of its
# floor in every state at 1024 objects, and their ratio: counts, unlike
# times, come out the same on a busy machine.
#
#   bench/run.sh                 5 repetitions of at least 0.3 s each
#   REPETITIONS=9 MIN_TIME=1 bench/run.sh
#
# Times are medians of the repetitions, in CPU time of the process (less
# disturbed than wall time when something else runs on the machine).
# Diagnostics (build, spread of the repetitions, cost per object) go to stderr.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BENCH_BUILD_DIR:-$root/build/bench}
repetitions=${REPETITIONS:-5}
min_time=${MIN_TIME:-0.3}

log=$(mktemp -d)
trap 'rm -rf "$log"' EXIT

echo "building in $build (Release)" >&2
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >"$log/configure.txt" 2>&1 ||
    { cat "$log/configure.txt" >&2; exit 1; }
cmake --build "$build" --target veltrix_bench veltrix_pass_count -j2 >"$log/build.txt" 2>&1 ||
    { cat "$log/build.txt" >&2; exit 1; }

dll=$root/build/windows/Veltrix.asi
if [ ! -f "$dll" ]; then
    echo "building $dll (windows preset)" >&2
    (cd "$root" && cmake --preset windows && cmake --build --preset windows --target Veltrix) \
        >"$log/windows.txt" 2>&1 || { cat "$log/windows.txt" >&2; exit 1; }
fi

echo "running: $repetitions repetitions, min time $min_time s; load average $(cut -d' ' -f1-3 /proc/loadavg)" >&2
"$build/bench/veltrix_bench" \
    --benchmark_repetitions="$repetitions" \
    --benchmark_min_time="$min_time" \
    --benchmark_report_aggregates_only=true \
    --benchmark_out="$log/bench.json" --benchmark_out_format=json \
    >"$log/console.txt" 2>&1 || { cat "$log/console.txt" >&2; exit 1; }

echo "counting instructions under callgrind" >&2
mkdir -p "$log/callgrind"
(cd "$log/callgrind" && valgrind --tool=callgrind --collect-atstart=no "$build/bench/veltrix_pass_count" \
    >stdout.txt 2>valgrind.txt) || { cat "$log/callgrind/valgrind.txt" >&2; exit 1; }

python3 "$root/bench/report.py" "$log/bench.json" "$dll" "$log/callgrind"
