#!/usr/bin/env bash
# veltrix-check.exe is one file a modder drops into the game folder: a 64-bit
# console program that needs nothing but Windows' own libraries (the C++
# runtime linked in), and never the script-hook host.
#
# usage: check_checker_binary.sh VELTRIX_CHECK_EXE
# Exits 77 (skipped) when the program or objdump is missing.
set -u
exe=$1
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
[ -f "$exe" ] || { echo "SKIP: $exe is not built (cmake --build --preset windows)"; exit 77; }
command -v "$objdump" >/dev/null || { echo "SKIP: $objdump not found"; exit 77; }

headers=$("$objdump" -p "$exe") || { echo "FAIL: objdump cannot read $exe"; exit 1; }
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

grep -q 'file format pei-x86-64' <<<"$headers" || fail "not a 64-bit PE image"
grep -Eq '^Subsystem[[:space:]]+0*3[[:space:]]' <<<"$headers" || fail "not a console program"
# Windows' own libraries only; names compared without case, as the loader does.
system_dlls=" kernel32.dll msvcrt.dll shell32.dll user32.dll advapi32.dll "
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z')
[ -n "$dlls" ] || fail "no import table"
for dll in $dlls; do
    case $system_dlls in *" $dll "*) ;; *) fail "imports $dll" ;; esac
done

if [ $failures -eq 0 ]; then
    echo "PASS: $(basename "$exe") imports only $(echo $dlls)"
    exit 0
fi
exit 1
