#!/usr/bin/env bash
# Lays out the folder a user runs the installer from, and a zip of it:
#   scripts/assemble_package.sh DIST     (build products from build/win32 and build/win64,
#                                         or from K20_BUILD32 / K20_BUILD64)
# Missing build products are reported and left out; the data always goes in.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dist="${1:?usage: assemble_package.sh DIST}"
b32="${K20_BUILD32:-$root/build/win32}"
b64="${K20_BUILD64:-$root/build/win64}"
pkg="$root/package"
mkdir -p "$dist"
dist="$(cd "$dist" && pwd)"

put() {  # source destination-folder [name]
  if [ -f "$1" ]; then
    mkdir -p "$2"
    cp "$1" "$2/${3:-$(basename "$1")}"
  else
    echo "assemble_package: $1 is missing, left out" >&2
  fi
}

# Programs: the installer and uninstaller are 32-bit programs that also run on 64-bit Windows.
put "$b32/drvsetup/drvsetup.exe" "$dist"
put "$b32/drvremove/drvremove.exe" "$dist"

# Installer configuration and texts.
mkdir -p "$dist/DRVCONFIG" "$dist/language"
cp "$pkg"/DRVCONFIG/*.ini "$pkg/DRVCONFIG/Left.bmp" "$dist/DRVCONFIG/"
[ -f "$pkg/Uninstall.ini" ] && cp "$pkg/Uninstall.ini" "$dist/DRVCONFIG/" && cp "$pkg/Uninstall.ini" "$dist/"
cp "$pkg"/language/*.ini "$dist/language/"
cp "$pkg/License_EN.txt" "$pkg/License_CN.txt" "$dist/"

# Driver files per architecture.
for arch in W32 W64; do
  build="$b32"; [ "$arch" = W64 ] && build="$b64"
  mkdir -p "$dist/$arch"
  cp "$pkg/$arch"/* "$dist/$arch/"
  cp "$pkg"/ENG_K20.res "$pkg"/CHN_K20.res "$pkg"/CHF_K20.res "$pkg"/LANGUAGE_K20.dat "$dist/$arch/"
  put "$build/prnui/prnui.dll" "$dist/$arch"
  put "$build/prnrender/prnrender.dll" "$dist/$arch"
  put "$build/prnrender/K20RES.DLL" "$dist/$arch"
  put "$build/logviewer/logviewer.exe" "$dist/$arch"
done

# Places of the maker's outside components, each with its note.
for d in USBDrv Devtune Guide; do
  cp -r "$pkg/$d" "$dist/"
done

# The zip beside the folder (not for the test copies).
[ "${K20_NO_ZIP:-0}" = 1 ] && exit 0
python3 - "$dist" <<'PY'
import os, sys, zipfile
dist = sys.argv[1]
with zipfile.ZipFile(dist.rstrip('/') + '.zip', 'w', zipfile.ZIP_DEFLATED) as z:
    for base, _, files in os.walk(dist):
        for f in sorted(files):
            full = os.path.join(base, f)
            z.write(full, os.path.relpath(full, os.path.dirname(dist.rstrip('/'))))
PY
echo "assemble_package: $dist and $dist.zip"
