#!/usr/bin/env bash
# Builds the release zip from the windows build and checks it as a player
# gets it: the six files and nothing else, the sums, the shipped settings
# file, the checker beside the DLL (which no loader of plug-ins would pick up),
# and the project version in the DLL's version resource; and that it is
# reproducible: one date (the build's SOURCE_DATE_EPOCH, the commit's) in the
# zip's entries and the PE headers, fixed modes, the same bytes under any umask.
#
# usage: package_test.sh SOURCE_DIR WINDOWS_BUILD_DIR VERSION WORK_DIR TUNER_PAGE
# Exits 77 (skipped) when the windows build, the page or a tool is missing.
set -u
src=$1 build=$2 version=$3 work=$4 tuner=$5
if [ ! -f "$build/Veltrix.asi" ]; then
    echo "SKIP: $build/Veltrix.asi is not built (cmake --preset windows && cmake --build --preset windows)"
    exit 77
fi
if [ ! -f "$tuner" ]; then
    echo "SKIP: $tuner is not built (cmake --preset wasm && cmake --build --preset wasm)"
    exit 77
fi
for tool in zip unzip sha256sum python3; do
    command -v $tool >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
# A folder of its own: another test run may share the build tree.
mkdir -p "$work"
work=$(mktemp -d "$work/run.XXXXXX")
mkdir -p "$work/unpacked"
zipfile=$(umask 077 && bash "$src/scripts/package.sh" "$build" "$work" "$tuner") || { echo "FAIL: package.sh"; exit 1; }
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
again=$(umask 022 && bash "$src/scripts/package.sh" "$build" "$work/again" "$tuner") || { echo "FAIL: package.sh"; exit 1; }
cmp -s "$zipfile" "$again" || fail "the umask changes the archive"

stamp=$(sed -n 's/^VELTRIX_SOURCE_DATE_EPOCH:INTERNAL=//p' "$build/CMakeCache.txt")
if [ "$(git -C "$src" rev-parse --show-toplevel 2>/dev/null)" = "$(cd "$src" && pwd -P)" ]; then
    commit=${SOURCE_DATE_EPOCH:-$(git -C "$src" log -1 --format=%ct)}
    [ "$stamp" = "$commit" ] || fail "the build is dated $stamp, the commit $commit (rebuild the windows preset)"
fi
# Every entry in order, dated $stamp (zip's two-second steps), rw-r--r--,
# no extra fields; the DLL's and the checker's PE headers dated $stamp.
python3 - "$zipfile" "$stamp" "$build" <<'PY' || fail "dates, modes or order"
import calendar, struct, sys, zipfile
path, stamp, build = sys.argv[1], int(sys.argv[2]), sys.argv[3]
names = ["Veltrix.asi", "Veltrix.ini", "veltrix-check.exe", "Veltrix-tuner.html", "INSTALL.txt", "SHA256SUMS"]
entries = zipfile.ZipFile(path).infolist()
if [e.filename for e in entries] != names:
    sys.exit("order: %s" % [e.filename for e in entries])
for e in entries:
    when = calendar.timegm(e.date_time + (0, 0, 0))
    if not 0 <= when - stamp <= 1 or e.external_attr >> 16 != 0o100644 or e.extra:
        sys.exit("%s: dated %d (expected %d), mode %o, %d bytes of extra fields"
                 % (e.filename, when, stamp, e.external_attr >> 16, len(e.extra)))
for name in ("Veltrix.asi", "veltrix-check.exe"):
    data = open("%s/%s" % (build, name), "rb").read()
    header = struct.unpack_from("<I", data, 0x3C)[0]
    dated = struct.unpack_from("<I", data, header + 8)[0]
    if dated != stamp:
        sys.exit("%s: PE header dated %d, expected %d" % (name, dated, stamp))
PY

[ "$zipfile" = "$work/Veltrix-$version.zip" ] || fail "archive is $zipfile, expected $work/Veltrix-$version.zip"
unzip -q "$zipfile" -d "$work/unpacked" || { echo "FAIL: cannot unpack $zipfile"; exit 1; }
cd "$work/unpacked"
listing=$(find . -mindepth 1 | LC_ALL=C sort | tr '\n' ' ')
[ "$listing" = "./INSTALL.txt ./SHA256SUMS ./Veltrix-tuner.html ./Veltrix.asi ./Veltrix.ini ./veltrix-check.exe " ] ||
    fail "archive holds: $listing"
# Copied into the game folder, the one plug-in file is still the only one the
# host's loader takes up (it loads .asi files, and .dll files it is given).
[ "$(find . -name '*.asi' -o -name '*.dll' | tr '\n' ' ')" = "./Veltrix.asi " ] || fail "more than one loadable file"

sha256sum --quiet -c SHA256SUMS || fail "a sum in SHA256SUMS does not match"
[ "$(cut -d' ' -f3 SHA256SUMS | LC_ALL=C sort | tr '\n' ' ')" = "INSTALL.txt Veltrix-tuner.html Veltrix.asi Veltrix.ini veltrix-check.exe " ] ||
    fail "SHA256SUMS does not list exactly the other five files"
cmp -s Veltrix.ini "$src/dist/Veltrix.ini" || fail "Veltrix.ini is not the shipped dist/Veltrix.ini"
cmp -s Veltrix.asi "$build/Veltrix.asi" || fail "Veltrix.asi is not the built DLL"
cmp -s veltrix-check.exe "$build/veltrix-check.exe" || fail "veltrix-check.exe is not the built checker"
cmp -s Veltrix-tuner.html "$tuner" || fail "Veltrix-tuner.html is not the built tuner page"
tr -d '\r' <INSTALL.txt >install.lf
grep -q "Veltrix $version" install.lf || fail "INSTALL.txt does not name version $version"
grep -q 'beside the' install.lf && grep -q 'ScriptHookRDR2.dll' install.lf || fail "INSTALL.txt: where to copy"
grep -q 'Press N' install.lf || fail "INSTALL.txt: toggle key"
grep -q 'Varmint and Elephant rifles' install.lf && grep -q 'the improved bow' install.lf && ! grep -qi 'table gun' install.lf ||
    fail "INSTALL.txt: the weapons by the names players know"
grep -q 'Delete Veltrix.asi, Veltrix.ini, veltrix-check.exe and Veltrix-tuner.html' install.lf || fail "INSTALL.txt: uninstall"
grep -q 'Veltrix-tuner.html tries settings' install.lf && grep -q 'Save Veltrix.ini' install.lf ||
    fail "INSTALL.txt: how to use the tuner"
grep -q 'Double-click it in the game folder' install.lf && grep -q 'Veltrix-check.html' install.lf ||
    fail "INSTALL.txt: how to use veltrix-check.exe"
grep -q 'the tuner page (below) with the checked' install.lf && grep -q 'Veltrix-tuner.html must be beside veltrix-check.exe' install.lf ||
    fail "INSTALL.txt: the check's page is the tuner"
grep -q '^Update$' install.lf && grep -q 'Keep your Veltrix.ini' install.lf && grep -q 'differ from' install.lf ||
    fail "INSTALL.txt: how to update"
grep -q 'Get-FileHash Veltrix.asi -Algorithm SHA256' install.lf && grep -q 'certutil -hashfile Veltrix.asi SHA256' install.lf &&
    grep -q "SHA-256 sum of Veltrix-$version.zip is published" install.lf || fail "INSTALL.txt: how to check the sums"
[ "$(grep -c $'\r$' INSTALL.txt)" = "$(wc -l <INSTALL.txt)" ] || fail "INSTALL.txt: a line without CR LF"

# The version resource: the fixed file info (binary) and the version strings.
python3 - "$version" Veltrix.asi <<'PY' || fail "version resource"
import struct, sys
want, path = sys.argv[1], sys.argv[2]
data = open(path, "rb").read()
major, minor, patch = (int(x) for x in want.split("."))
at = data.find(struct.pack("<I", 0xFEEF04BD))
if at < 0:
    sys.exit("no VS_FIXEDFILEINFO in " + path)
sig, struc, file_ms, file_ls, prod_ms, prod_ls = struct.unpack_from("<6I", data, at)
got = (file_ms >> 16, file_ms & 0xFFFF, file_ls >> 16, file_ls & 0xFFFF)
if got != (major, minor, patch, 0) or (prod_ms, prod_ls) != (file_ms, file_ls):
    sys.exit("file version %s, product version %08x%08x; expected %s" % (got, prod_ms, prod_ls, want))
for key in ("FileVersion", "ProductVersion"):
    entry = (key + "\0").encode("utf-16-le")
    k = data.find(entry)
    if k < 0:
        sys.exit("no %s string" % key)
    k += len(entry)
    k += (-k) % 4  # the value starts on a 32-bit boundary
    end = data.find(b"\0\0", k)
    end += (end - k) % 2
    value = data[k:end].decode("utf-16-le")
    if value != want:
        sys.exit("%s is %r, expected %r" % (key, value, want))
PY

if [ $failures -eq 0 ]; then
    echo "PASS: Veltrix-$version.zip"
    rm -rf "$work"
    exit 0
fi
exit 1
