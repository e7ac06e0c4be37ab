#!/usr/bin/env bash
# Checks the layout of the built plug-in DLL from its PE headers:
#   - a 64-bit (PE32+, x86-64) DLL;
#   - imports only from the host library, the system DLLs and the C runtime,
#     so it loads when dropped alone into the game folder;
#   - exactly the seven host functions, by their decorated names;
#   - no exports;
#   - ASLR with high entropy and non-executable data.
# Prints one FAIL line per fault and exits 1, or a PASS summary and exits 0.
# Exits 77 (skipped) when the DLL or objdump is not there.
#
# usage: check_binary.sh path/to/Veltrix.asi     (objdump from $OBJDUMP)
set -u

dll=${1:?usage: check_binary.sh DLL}
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}

if [ ! -f "$dll" ]; then
    echo "SKIP: $dll is not built (cmake --preset windows && cmake --build --preset windows)"
    exit 77
fi
if ! command -v "$objdump" >/dev/null 2>&1; then
    echo "SKIP: no objdump for PE files ($objdump)"
    exit 77
fi
if ! dump=$(LC_ALL=C "$objdump" -p "$dll" 2>&1); then
    echo "FAIL: $objdump cannot read $dll: $dump"
    exit 1
fi

host_imports='?nativeCall@@YAPEA_KXZ
?nativeInit@@YAX_K@Z
?nativePush64@@YAX_K@Z
?scriptRegister@@YAXPEAUHINSTANCE__@@P6AXXZ@Z
?scriptUnregister@@YAXPEAUHINSTANCE__@@@Z
?scriptWait@@YAXK@Z
?worldGetAllObjects@@YAHPEAHH@Z'

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# ---- Image kind -------------------------------------------------------------
grep -q 'file format pei-x86-64' <<<"$dump" || fail "not an x86-64 PE image"
grep -Eq '^Magic[[:space:]]+020b[[:space:]]' <<<"$dump" || fail "not PE32+ (optional header magic is not 020b)"

characteristics=$(sed -n 's/^Characteristics 0x\([0-9a-fA-F]*\)$/\1/p' <<<"$dump")
if [ -z "$characteristics" ] || (( (16#$characteristics & 0x2000) == 0 )); then
    fail "not a DLL (IMAGE_FILE_DLL not set)"
fi

# ---- ASLR and DEP -----------------------------------------------------------
dll_characteristics=$(sed -n 's/^DllCharacteristics[[:space:]]*\([0-9a-fA-F]*\)$/\1/p' <<<"$dump")
if [ -z "$dll_characteristics" ]; then
    fail "no DllCharacteristics in the optional header"
    dll_characteristics=0
fi
(( (16#$dll_characteristics & 0x0020) != 0 )) || fail "DllCharacteristics lacks HIGH_ENTROPY_VA"
(( (16#$dll_characteristics & 0x0040) != 0 )) || fail "DllCharacteristics lacks DYNAMIC_BASE"
(( (16#$dll_characteristics & 0x0100) != 0 )) || fail "DllCharacteristics lacks NX_COMPAT"

# ---- Imports ----------------------------------------------------------------
# One "DLL<TAB>name" line per imported library and one
# "IMP<TAB>library<TAB>symbol" line per imported function.
imports=$(awk '
    /^\tDLL Name: / { dll = substr($0, index($0, ": ") + 2); print "DLL\t" dll; next }
    /^\tvma:/ { next }
    /^[[:space:]]*$/ { dll = ""; next }
    dll != "" && /^\t[0-9a-fA-F]+\t/ {
        entry = $0
        sub(/^\t[0-9a-fA-F]+\t *[0-9]+ +/, "", entry)
        print "IMP\t" dll "\t" entry
    }' <<<"$dump")

import_dlls=0
while IFS=$'\t' read -r kind name; do
    [ "$kind" = DLL ] || continue
    import_dlls=$((import_dlls + 1))
    lower=${name,,}
    case "$lower" in
        scripthookrdr2.dll | kernel32.dll | user32.dll | msvcrt.dll | api-ms-win-crt-*.dll) ;;
        *) fail "imports from $name, which is not shipped with the game or Windows" ;;
    esac
done <<<"$imports"

# Only the exact name counts: a mangling slip is a different symbol to the loader.
host_actual=$(awk -F'\t' '$1 == "IMP" && tolower($2) == "scripthookrdr2.dll" { print $3 }' <<<"$imports" | LC_ALL=C sort)
host_expected=$(LC_ALL=C sort <<<"$host_imports")
while IFS= read -r name; do
    [ -n "$name" ] && fail "missing host import $name"
done < <(LC_ALL=C comm -23 <(echo "$host_expected") <(echo "$host_actual"))
while IFS= read -r name; do
    [ -n "$name" ] && fail "unexpected host import $name"
done < <(LC_ALL=C comm -13 <(echo "$host_expected") <(echo "$host_actual"))
host_count=$(grep -c . <<<"$host_actual")

# ---- Exports ----------------------------------------------------------------
# An empty export directory may be present; it must list nothing.
export_entries=$(sed -n 's/^\tExport Address Table[[:space:]]*\([0-9a-fA-F]*\)$/\1/p' <<<"$dump" | head -n 1)
export_names=$(awk '
    /^\[Ordinal\/Name Pointer\] Table/ { inside = 1; next }
    inside && /^[[:space:]]*$/ { inside = 0 }
    inside && /^\t\[/ { n++ }
    END { print n + 0 }' <<<"$dump")
exports=$(( 16#${export_entries:-0} ))
(( export_names > exports )) && exports=$export_names
if (( exports > 0 )); then
    fail "exports $exports symbol(s); the plug-in must export nothing"
fi

if (( failures > 0 )); then
    echo "FAIL: $dll: $failures fault(s)"
    exit 1
fi
echo "PASS: $dll: PE32+ x86-64 DLL, $import_dlls import DLLs, $host_count host imports," \
     "$exports exports, DllCharacteristics 0x$dll_characteristics"
