#!/usr/bin/env bash
# The first thing to run in a fresh checkout: installs what is missing,
# builds the plug-in and the tools, plays every bundled scenario against the
# real Veltrix.asi under Wine, and builds the release package.
#
#   scripts/demo.sh
#
# Leaves out/demo/index.html (a report per scenario: paths, time scale and
# camera lives), out/Veltrix-tuner.html (the settings tuner) and
# out/Veltrix-<version>.zip. Exits nonzero when a scenario
# fails its expectations or cannot run.
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
mkdir -p out/demo
status=0
build/native/veltrix-sim run scenarios/*.json --dll build/windows/Veltrix.asi --out out/demo |
    tee out/demo/summary.txt || status=${PIPESTATUS[0]}

step "Packaging"
zipfile=$(scripts/package.sh build/windows out build/wasm/Veltrix-tuner.html)

step "Summary"
cat out/demo/summary.txt
echo
echo "Tuner:    $root/out/Veltrix-tuner.html (open it in a browser)"
echo "Package:  $zipfile"
exit "$status"
