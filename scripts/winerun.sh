#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's throw-away prefix. CMake uses it as
# the cross-compiling emulator, so `ctest` in a win64 build runs the tests through it.
set -u
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
  "$here/scripts/wine_cjk_font.sh"
fi
exec wine "$@"
