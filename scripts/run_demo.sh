#!/usr/bin/env bash
# What `dev.sh run` shows, in the throw-away Wine prefix: the package installed without
# windows, then the plug-in as the printing host sees it.
# Wine has no Unidrv and no driver store, so the demo copy of the package names the
# stand-in configuration module (printhostui.dll) instead of the system's Unidrv files;
# everything else goes through drvsetup's own unattended installation. The 64-bit build of
# drvsetup is used because Wine here may lack its 32-bit half.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
b64="${K20_BUILD64:-build/win64}"
demo="build/demo-dist"
rm -rf "$demo"
cp -r dist "$demo"
cp "$b64/drvsetup/drvsetup.exe" "$demo/drvsetup.exe" 2>/dev/null || echo "run_demo: $b64/drvsetup/drvsetup.exe missing" >&2
for arch in W32 W64; do
  cp "$b64/tools/printhost/printhostui.dll" "$demo/$arch/" 2>/dev/null || true
done
for f in "$demo"/DRVCONFIG/setup_receipt*.ini; do
  sed -i -e 's/^\(STD\|GDI\)DriverPath=.*/\1DriverPath=printhostui.dll\r/' \
         -e 's/^\(STD\|GDI\)ConfigFile=.*/\1ConfigFile=printhostui.dll\r/' \
         -e 's/^\(STD\|GDI\)HelpFile=.*/\1HelpFile=0\r/' \
         -e 's/^\(STD\|GDI\)2KDDKDEV=.*/\12KDDKDEV=0\r/' "$f"
done
echo "== silent installation: drvsetup /quiet /model K-20 /port LPT1: /default"
wine "$demo/drvsetup.exe" /quiet /model K-20 /port LPT1: /default /log 'C:\k20setup.log'
echo "== drvsetup exit code $?"
if [ -x "$b64/tools/prnuiprobe/prnuiprobe.exe" ]; then
  echo "== probe"
  wine "$b64/tools/prnuiprobe/prnuiprobe.exe" "$(winepath -w "$demo/W64/prnui.dll")"
fi
if [ -x "$b64/tools/printhost/printhost.exe" ]; then
  echo "== printing preferences of K-20(P)"
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
