#!/usr/bin/env bash
# Called by `scripts/dev.sh run` inside its Wine prefix and display: puts a printer that
# uses our plug-in into the prefix, reports how the spooler reaches a driver's pages, and
# opens the document and device sheets through the stand-in host (tools/printhost). With
# a real display the sheets wait for the user; headless (K20_HEADLESS=1, under Xvfb) every
# tab is saved in each language as build/screens/<language>_<sheet>_<tab>.png.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${K20_WIN_BUILD:-$root/build/win64}"
bin="$build/tools/printhost"
[ -x "$bin/printhost.exe" ] || { echo "run_demo.sh: $bin/printhost.exe is not built" >&2; exit 1; }
printer="K-20 Receipt"
pkg="$(winepath -w "$bin")"

# Chinese labels need a CJK font behind the dialog font (fonts-wqy-microhei).
for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif"; do
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
    /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
done

wine "$bin/printhost.exe" --install "$pkg" --printer "$printer" --probe 2>&1 | tr -d '\r'

if [ "${K20_HEADLESS:-0}" != 1 ]; then
  wine "$bin/printhost.exe" --printer "$printer" --sheet both
  exit $?
fi

screens="$root/build/screens"
rm -rf "$screens"
mkdir -p "$screens"
shots="$(winepath -w "$screens")"
for lang in ENG_K20.res CHN_K20.res CHF_K20.res; do
  wine "$bin/printhost.exe" --printer "$printer" --language "$lang" --screenshots "$shots" >/dev/null 2>&1
done
n=0
for bmp in "$screens"/*.bmp; do
  [ -e "$bmp" ] || continue
  png="${bmp%.bmp}.png"
  if convert "$bmp" "$png" 2>/dev/null; then rm -f "$bmp"; echo "$png"; else echo "$bmp"; fi
  n=$((n + 1))
done
[ "$n" -gt 0 ] || { echo "run_demo.sh: no screenshots were taken" >&2; exit 1; }
