#!/usr/bin/env bash
# Runs every test: the Windows plug-in's binary and Wine tests, the native
# suite (with the tuner page's module in node and the page in a browser), a handful of mutants that the unit tests must kill, the same suite
# under AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzzers for a
# short while. (The whole mutation run: tests/mutation/mutate.py.)
#
#   scripts/test.sh               everything
#   FUZZ_SECONDS=300 scripts/test.sh   longer fuzzing
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/bootstrap.sh

log=$(mktemp)
trap 'rm -f "$log"' EXIT

# ctest reports a test that exits 77 as skipped; here nothing may be skipped,
# since this script has just installed and built everything the tests need.
run_ctest() {
  ctest "$@" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  if grep -q "did not run" "$log"; then
    echo "test.sh: some tests were skipped" >&2
    return 1
  fi
  return "$rc"
}

echo "== Windows plug-in (mingw-w64)"
cmake --preset windows >/dev/null
cmake --build --preset windows

echo "== Tuner page (the core in WebAssembly, then the page)"
cmake --preset wasm >/dev/null
cmake --build --preset wasm

echo "== Native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native
run_ctest --preset native

echo "== Mutants of the hottest rules, which the unit tests must kill"
tests/mutation/mutate.py --check
tests/mutation/mutate.py --ci

if grep -q '"native-asan"' CMakePresets.json; then
  echo "== Native tests under AddressSanitizer and UndefinedBehaviorSanitizer"
  cmake --preset native-asan >/dev/null
  cmake --build --preset native-asan
  # The Windows binary, Wine and browser checks do not change with the
  # sanitizers; the native code is what they watch. Without Wine's shared key
  # state in the run, the tests can use both cores.
  run_ctest --preset native-asan -LE "windows|wine|browser|package" -j2
fi

if [ -x tests/fuzz/run.sh ]; then
  echo "== Fuzzing, ${FUZZ_SECONDS:-40} s per target"
  tests/fuzz/run.sh "${FUZZ_SECONDS:-40}"
fi
echo "== All tests passed"
