#!/usr/bin/env bash
# Lays out the package as the throw-away Wine prefix can install it:
#   scripts/demo_package.sh OUT [WIN64_BUILD]
# Wine has no Unidrv and no driver store, so this copy names the stand-in configuration
# module (printhostui.dll) where the shipped configuration names the system's Unidrv
# files; everything else is the shipped package. The prefix also needs the Unidrv data
# files the installer takes from the system's driver store; the tests and run_demo.sh put
# placeholders there, as Wine has none. The 64-bit programs take the place of
# the 32-bit ones because Wine here may lack its 32-bit half.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="${1:?usage: demo_package.sh OUT [WIN64_BUILD]}"
b64="${2:-$root/build/win64}"
rm -rf "$out"
K20_NO_ZIP=1 K20_BUILD32="$b64" K20_BUILD64="$b64" "$root/scripts/assemble_package.sh" "$out" >/dev/null
for arch in W32 W64; do
  cp "$b64/tools/printhost/printhostui.dll" "$out/$arch/"
done
for f in "$out"/DRVCONFIG/setup_receipt*.ini; do
  sed -i -e 's/^\(STD\|GDI\)DriverPath=.*/\1DriverPath=printhostui.dll\r/' \
         -e 's/^\(STD\|GDI\)ConfigFile=.*/\1ConfigFile=printhostui.dll\r/' \
         -e 's/^\(STD\|GDI\)HelpFile=.*/\1HelpFile=0\r/' "$f"
done
touch "$out/.complete"
