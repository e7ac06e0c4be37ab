#!/usr/bin/env bash
# The plug-in's number conversion, as the native build, the Windows build
# (under Wine) and the WebAssembly build (under node) have it, over the edge
# texts and 100 000 generated ones: the three answers must be the same bytes,
# and the Windows build must read every text as the C runtime's std::stof does.
#
# usage: compare_builds.sh WORKDIR NATIVE_CHECK WINDOWS_CHECK_EXE WASM_CHECK_JS
# Exits 77 (skipped) when a build or a tool is missing.
set -u
work=${1:?usage: compare_builds.sh WORKDIR NATIVE WINDOWS WASM}
native=$2 windows=$3 wasm=$4
here=$(cd "$(dirname "$0")" && pwd)
wine64=${WINE64:-/usr/lib/wine/wine64}
wineserver=${WINESERVER:-/usr/lib/wine/wineserver}
count=${FLOAT_TEXTS:-100000}

for file in "$native" "$windows" "$wasm"; do
    if [ ! -f "$file" ]; then
        echo "SKIP: $file is not built (the windows and wasm presets build the other two)"
        exit 77
    fi
done
. "$here/../support/wine_env.sh"
wine_env "$work/wineprefix"
mkdir -p "$WINEPREFIX"
"$wineserver" -p5 </dev/null >/dev/null 2>&1
trap wine_stop_server EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 300 "$wine64" wineboot -i </dev/null >"$work/wineboot.log" 2>&1
fi

"${PYTHON:-python3}" "$here/corpus.py" "$here/edge_texts.txt" "$count" 25 "$work/texts" || exit 1
"$native" "$work/texts" "$work/native.txt" || exit 1
echo "native:  $(wc -l <"$work/native.txt") answers"
# Windows sees the files through drive Z:, the root of the file system.
if ! "$wine64" "$windows" "Z:$work/texts" "Z:$work/windows.txt" </dev/null 2>&1 | tr -d '\r'; then
    echo "FAIL: the Windows build reads texts otherwise than the C runtime's std::stof"
    exit 1
fi
"${NODE:-node}" "$wasm" "$work/texts" "$work/wasm.txt" >/dev/null || exit 1
status=0
for build in windows wasm; do
    if ! cmp -s "$work/native.txt" "$work/$build.txt"; then
        line=$(cmp "$work/native.txt" "$work/$build.txt" | awk '{print $NF}')
        echo "FAIL: the $build build answers otherwise than the native one on" \
            "$(diff "$work/native.txt" "$work/$build.txt" | grep -c '^<') texts; the first, line $line:"
        echo "  text:    $(sed -n "${line}p" "$work/texts" | cat -v)"
        echo "  native:  $(sed -n "${line}p" "$work/native.txt")"
        echo "  $build: $(sed -n "${line}p" "$work/$build.txt")"
        status=1
    fi
done
[ $status = 0 ] && echo "the native, Windows and WebAssembly builds give the same answers"
exit $status
