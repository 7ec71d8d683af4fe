#!/usr/bin/env bash
# What `dev.sh run` shows, in the throw-away Wine prefix: the package installed without
# windows, then the new printer's printing preferences as an application opens them.
# The package copy is the one scripts/demo_package.sh lays out for Wine.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
b64="${K20_BUILD64:-build/win64}"
demo="build/demo-dist"
scripts/demo_package.sh "$demo" "$b64" || echo "run_demo: the package copy is incomplete" >&2
# Wine has no driver store: placeholders of the Unidrv data files the installer copies from it.
store="${WINEPREFIX:-$HOME/.wine}/drive_c/windows/system32/DriverStore/FileRepository/ntprint.inf_amd64_k20/amd64"
mkdir -p "$store" && touch "$store/TTFSUB.GPD" "$store/STDNAMES.GPD" "$store/UNIRES.DLL"
echo "== silent installation: drvsetup /quiet /model K-20 /port LPT1: /default"
wine "$demo/drvsetup.exe" /quiet /model K-20 /port LPT1: /default /log 'C:\k20setup.log'
echo "== drvsetup exit code $?"
if [ -x "$b64/tools/prnuiprobe/prnuiprobe.exe" ]; then
  echo "== probe"
  wine "$b64/tools/prnuiprobe/prnuiprobe.exe" "$(winepath -w "$demo/W64/prnui.dll")"
fi
if [ -x "$b64/tools/printhost/printhost.exe" ]; then
  # As an application opens them: through the spooler and the new printer's driver.
  echo "== printing preferences of the new printer K-20(P), through the spooler"
  wine "$b64/tools/printhost/printhost.exe" --probe "K-20(P)" || true
  echo "== every tab of both sheets"
  wine "$b64/tools/printhost/printhost.exe" "K-20(P)" || true
fi
# Headless, printhost saved every tab of both sheets in the three languages as bitmaps.
if [ "${K20_HEADLESS:-0}" = 1 ]; then
  for bmp in build/screens/*.bmp; do
    [ -e "$bmp" ] || continue
    png="${bmp%.bmp}.png"
    if convert "$bmp" "$png" 2>/dev/null; then rm -f "$bmp"; echo "$root/$png"; else echo "$root/$bmp"; fi
  done
fi
