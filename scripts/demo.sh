#!/usr/bin/env bash
# The first thing to run in a fresh checkout: installs what is missing,
# builds the plug-in and the tools, plays every bundled scenario against the
# real Veltrix.asi under Wine, and builds the release package.
#
#   scripts/demo.sh
#
# Leaves out/demo/index.html (the tuner page showing the recorded run: each
# scenario's paths, time scale, camera lives and camera's-eye view),
# out/Veltrix-tuner.html (the settings tuner) and out/Veltrix-<version>.zip.
# Exits nonzero when a scenario fails its expectations or cannot run.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

step() { printf '\n==> %s\n' "$*"; }

step "Checking the build packages"
scripts/bootstrap.sh

step "Building the plug-in (windows preset)"
cmake --preset windows >/dev/null
cmake --build --preset windows

step "Building the tools (native preset)"
cmake --preset native >/dev/null
cmake --build --preset native --target veltrix-sim veltrix-check

step "Building the tuner page (wasm preset: the core in WebAssembly, then the page)"
cmake --preset wasm >/dev/null
cmake --build --preset wasm
mkdir -p out
cp build/wasm/Veltrix-tuner.html out/Veltrix-tuner.html

step "Playing the bundled scenarios against build/windows/Veltrix.asi under Wine"
rm -rf out/demo && mkdir -p out/demo  # no page or trace of an earlier run left over
status=0
# The table goes to the summary below, printed once; progress shows here.
build/native/veltrix-sim run scenarios/*.json --dll build/windows/Veltrix.asi --out out/demo \
    --page build/wasm/Veltrix-tuner.html >out/demo/summary.txt || status=$?

step "Packaging"
zipfile=$(scripts/package.sh build/windows out build/wasm/Veltrix-tuner.html)

step "Summary"
cat out/demo/summary.txt
echo
echo "Tuner:    $root/out/Veltrix-tuner.html (open it in a browser)"
echo "Package:  $zipfile"
echo "SHA-256:  $(cd "$(dirname "$zipfile")" && sha256sum "$(basename "$zipfile")")"
exit "$status"
