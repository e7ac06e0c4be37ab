#!/usr/bin/env bash
# Makes the release package out/Veltrix-<version>.zip from the windows build:
# Veltrix.asi, the shipped Veltrix.ini, the settings check veltrix-check.exe,
# the settings tuner Veltrix-tuner.html, INSTALL.txt and SHA256SUMS, all at
# the top of the archive so players can unpack it straight into the game
# folder. (The game loads only the .asi; the checker is a program of its own
# and the tuner a page, which nothing loads.)
#
# usage: scripts/package.sh [BUILD_DIR [OUT_DIR [TUNER_PAGE]]]
#        (defaults build/windows, out, build/wasm/Veltrix-tuner.html)
#
# The version is the one the DLL was built with (the build's CMake project
# version), so the archive name always matches the DLL's version resource.
# The archive is reproducible: its entries are dated with the build's
# SOURCE_DATE_EPOCH (the commit's time, the date the DLL's header carries),
# in a fixed order, with fixed modes and no extra attributes.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/windows}
out=${2:-$root/out}
tuner=${3:-$root/build/wasm/Veltrix-tuner.html}

dll=$build/Veltrix.asi
checker=$build/veltrix-check.exe
for file in "$dll" "$checker"; do
    if [ ! -f "$file" ]; then
        echo "package: $file is not built (cmake --preset windows && cmake --build --preset windows)" >&2
        exit 1
    fi
done
if [ ! -f "$tuner" ]; then
    echo "package: $tuner is not built (cmake --preset wasm && cmake --build --preset wasm)" >&2
    exit 1
fi
cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt" 2>/dev/null || true; }
version=$(cached CMAKE_PROJECT_VERSION)
stamp=$(cached VELTRIX_SOURCE_DATE_EPOCH)
if [ -z "$version" ] || [ -z "$stamp" ]; then
    echo "package: no project version or date in $build/CMakeCache.txt (cmake --preset windows)" >&2
    exit 1
fi
for tool in zip sha256sum; do
    command -v "$tool" >/dev/null || { echo "package: $tool is missing (scripts/bootstrap.sh)" >&2; exit 1; }
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$dll" "$stage/Veltrix.asi"
cp "$root/dist/Veltrix.ini" "$stage/Veltrix.ini"
cp "$checker" "$stage/veltrix-check.exe"
cp "$tuner" "$stage/Veltrix-tuner.html"
# CR LF: players open this in Notepad.
sed 's/$/\r/' >"$stage/INSTALL.txt" <<TEXT
Veltrix $version - projectile cameras

Install
  Copy Veltrix.asi and Veltrix.ini into the game folder, beside the
  script-hook library (ScriptHookRDR2.dll). Start the game.

Update
  Copy the new Veltrix.asi, veltrix-check.exe and Veltrix-tuner.html over
  the old ones. Keep your Veltrix.ini: do not copy the new one over it.
  To compare it first, open Veltrix-tuner.html, choose Open... and pick
  your Veltrix.ini: the tuner lists which of your settings differ from
  the shipped defaults. A setting that a newer release adds keeps its
  default until you add it to your file.

Use
  Throw a knife, tomahawk, dynamite or fire bottle, or shoot a rifle or
  bow at a target: a camera follows the projectile. The bullet camera
  follows the Rolling Block, rare Rolling Block, Carcano, Springfield,
  Bolt-action, Varmint and Elephant rifles; the arrow camera the bow and
  the improved bow.
  Press N to switch the cameras off and on (they start switched on).
  The key and every other setting are in Veltrix.ini, read once when
  the game starts; its comments explain each setting.

Check your settings
  veltrix-check.exe reads Veltrix.ini exactly as the plug-in does, without
  starting the game. Double-click it in the game folder to check the
  Veltrix.ini beside it, or drop another settings file on it (or run
  "veltrix-check.exe FILE" in a console; --no-open keeps the browser shut).
  It lists what the plug-in makes of every line and warns about typos and
  values that make a camera misbehave. Then it writes Veltrix-check.html
  beside the file and opens it: the tuner page (below) with the checked
  file already loaded, so you can try a fix at once and save it. For the
  page, Veltrix-tuner.html must be beside veltrix-check.exe.
  Exit status: 0 no warnings, 1 warnings, 2 the file cannot be read.
  The game never loads veltrix-check.exe; it can stay in the folder.

Tune your settings
  Veltrix-tuner.html tries settings without starting the game. Open it in
  Chrome, Edge or Firefox (double-click it; it needs no internet). It starts
  with the shipped settings; Open... (or drop your Veltrix.ini on the page)
  loads yours, read exactly as the plug-in reads it. Change a setting with
  its control, or edit a line of the file: every change is played at once
  through the plug-in's own code, in scenes of knives, dynamite, bullets
  and arrows and in a shot of your own (any weapon, target distance, height
  and speed), shown as the camera shows it in the game, pass by pass, with
  the game's time scale, and drawn faintly against the file as you loaded
  it. Save Veltrix.ini downloads the file as shown, with your comments and
  line ends kept; put it in the game folder. The plug-in reads it when the
  game next starts.

Uninstall
  Delete Veltrix.asi, Veltrix.ini, veltrix-check.exe and Veltrix-tuner.html
  from the game folder (and Veltrix-check.html, if you made one).

Check the download
  The SHA-256 sum of Veltrix-$version.zip is published with the release:
  check the zip before you unpack it. SHA256SUMS, in the zip, lists the
  SHA-256 sum of each file in it. On Windows, get a file's sum in
  PowerShell with
    Get-FileHash Veltrix.asi -Algorithm SHA256
  or in a command prompt with
    certutil -hashfile Veltrix.asi SHA256
  and compare it with the file's line in SHA256SUMS (capital or small
  letters make no difference). On Linux: sha256sum -c SHA256SUMS.
TEXT
files=(Veltrix.asi Veltrix.ini veltrix-check.exe Veltrix-tuner.html INSTALL.txt)
(cd "$stage" && sha256sum "${files[@]}" >SHA256SUMS)
files+=(SHA256SUMS)

# Same inputs, same archive, whatever the umask and the clock: the modes and
# dates are set, the names go in a fixed order, and -X leaves out the extra
# fields (Unix times, owners). TZ: zip writes local time.
mkdir -p "$out"
zipfile=$(cd "$out" && pwd)/Veltrix-$version.zip
rm -f "$zipfile"
(cd "$stage" && chmod 0644 "${files[@]}" && touch -d "@$stamp" "${files[@]}" &&
    TZ=UTC zip -q -X -D "$zipfile" "${files[@]}")
echo "$zipfile"
