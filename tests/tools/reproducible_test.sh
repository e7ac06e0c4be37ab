#!/usr/bin/env bash
# Builds the release twice, from copies of the sources in two folders whose
# paths differ in length, and compares Veltrix.asi, veltrix-check.exe,
# Veltrix-tuner.html and the zip byte for byte; none may hold the path of the
# folder it was built in. The copies hold the tracked files as they are in
# the working tree, edits included, dated by the checkout's commit.
#
# usage: reproducible_test.sh SOURCE_DIR WORK_DIR
# Exits 77 (skipped) when mingw-w64, Emscripten, node or zip is missing.
set -u
src=$(cd "$1" && pwd) work=$2
for tool in x86_64-w64-mingw32-g++-posix emcc node npm zip git tar; do
    command -v $tool >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
git -C "$src" rev-parse --git-dir >/dev/null 2>&1 || { echo "SKIP: $src is not a git checkout"; exit 77; }
# The date goes to the configure steps only, as the commit's would: the
# build must carry it to the linker itself.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$src" log -1 --format=%ct)}
unset SOURCE_DATE_EPOCH
rm -rf "$work"
one=$work/1
two=$work/second-copy-of-the-sources/2

release() {
    mkdir -p "$1"
    # tar keeps the files' dates: node_modules stays as current as in the checkout.
    git -C "$src" ls-files -z | tar -C "$src" --null -T - --ignore-failed-read -cf - | tar -C "$1" -xf - || return 1
    if [ -d "$src/node_modules" ]; then cp -a "$src/node_modules" "$1/" || return 1; fi
    (cd "$1" && SOURCE_DATE_EPOCH=$epoch cmake --preset windows && cmake --build --preset windows --target Veltrix veltrix-check &&
        SOURCE_DATE_EPOCH=$epoch cmake --preset wasm && cmake --build --preset wasm --target tuner-page &&
        scripts/package.sh build/windows out build/wasm/Veltrix-tuner.html) >"$1.log" 2>&1 ||
        { echo "FAIL: the build in $1; see $1.log"; return 1; }
}
start=$SECONDS
release "$one" && release "$two" || exit 1
echo "two builds in $((SECONDS - start)) s, dated $epoch"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
zip=$(cd "$one/out" && ls Veltrix-*.zip)
for file in build/windows/Veltrix.asi build/windows/veltrix-check.exe build/wasm/Veltrix-tuner.html "out/$zip"; do
    if cmp "$one/$file" "$two/$file"; then
        echo "same: $(sha256sum <"$one/$file" | cut -d' ' -f1)  $(wc -c <"$one/$file") bytes  $file"
    else
        fail "$file differs in $(cmp -l "$one/$file" "$two/$file" | wc -l) bytes"
    fi
done
for dir in "$one" "$two"; do
    # The page carries the WebAssembly module in base64, out of grep's sight.
    grep -ao 'base64,AGFzbQ[A-Za-z0-9+/=]*' "$dir/build/wasm/Veltrix-tuner.html" | head -1 | cut -c8- | base64 -d >"$dir/core.wasm"
    [ "$(od -An -tx1 -N4 "$dir/core.wasm")" = " 00 61 73 6d" ] || fail "no WebAssembly module in $dir's page"
    for file in build/windows/Veltrix.asi build/windows/veltrix-check.exe build/wasm/Veltrix-tuner.html core.wasm; do
        ! grep -qaF "$dir" "$dir/$file" || fail "$dir/$file holds its build folder's path"
    done
done
[ $failures -eq 0 ] || exit 1
echo "PASS: the release is the same from both folders"
rm -rf "$work"
