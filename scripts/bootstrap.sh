#!/usr/bin/env bash
# Makes sure the Debian packages the build and the tests need are installed.
# As root it installs what is missing; as another user it prints the exact
# apt-get line to run and stops.
set -euo pipefail

packages=(
  cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64
  clang libclang-rt-14-dev chromium zip unzip python3 valgrind emscripten
  # The tuner page's tests in Firefox: a virtual display (and its xauth) for
  # WebGL, which headless Firefox lacks here, drawn by Mesa in software.
  firefox-esr xvfb xauth libgl1-mesa-dri
)
# The tuner page's bundler and browser tests run on Node.js; a machine that
# has its own (newer) Node.js keeps it.
command -v node >/dev/null || packages+=(nodejs)
command -v npm >/dev/null || packages+=(npm)
if [ "${VELTRIX_BOOTSTRAP_MINIMAL:-0}" = 1 ]; then
  packages=(cmake g++ make libgtest-dev libgmock-dev nlohmann-json3-dev g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages. Run as root:" >&2
  echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
