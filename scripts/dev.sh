#!/usr/bin/env bash
# The project's one entry point on a Debian machine:
#   scripts/dev.sh run    install what is missing, build everything, assemble dist/ and
#                         show the plug-in as the printing host sees it, under Wine
#   scripts/dev.sh test   install what is missing, build, run every test (native, fuzz
#                         corpus replay, and under Wine with windows on Xvfb); the last
#                         line is "N passed, N failed"
#   scripts/dev.sh build  install and build only
# K20_SKIP_WINE=1 leaves out everything that needs Wine, deliberately, and says so.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
cmd="${1:-}"
export CMAKE_BUILD_PARALLEL_LEVEL=2

log() { printf '== %s\n' "$*" >&2; }
die() { printf 'dev.sh: %s\n' "$*" >&2; exit 1; }

PACKAGES=(cmake ninja-build g++ clang clang-format libclang-rt-14-dev googletest libbenchmark-dev python3
          libpappl-dev libcups2-dev cups cups-daemon cups-client cups-ipp-utils cups-filters ghostscript poppler-utils chromium
          g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686)
WINE_PACKAGES=(wine wine64 xvfb xauth x11-apps imagemagick fonts-wqy-microhei locales)

ensure_packages() {
  local want=("${PACKAGES[@]}")
  [ "${K20_SKIP_WINE:-0}" = 1 ] || want+=("${WINE_PACKAGES[@]}")
  local missing=()
  for p in "${want[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" = 0 ] || sudo="sudo"
  $sudo apt-get update -qq >/dev/null || die "apt-get update failed"
  if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/tmp/k20-apt.log 2>&1; then
    tail -5 /tmp/k20-apt.log >&2
    for p in "${missing[@]}"; do
      case " ${WINE_PACKAGES[*]} " in
        *" $p "*) die "Wine could not be installed ($p); Wine is part of the test run. Set K20_SKIP_WINE=1 to leave it out deliberately." ;;
      esac
    done
    die "could not install: ${missing[*]}"
  fi
}

configure_build() {  # preset [extra cmake args]
  local preset=$1; shift
  if [ ! -f "build/$preset/build.ninja" ]; then
    cmake --preset "$preset" -DK20_WERROR="${K20_WERROR:-ON}" "$@" >"build/$preset.configure.log" 2>&1 \
      || { tail -30 "build/$preset.configure.log" >&2; return 1; }
  fi
  cmake --build --preset "$preset" >"build/$preset.build.log" 2>&1 \
    || { grep -E 'error|FAILED' -A3 "build/$preset.build.log" | head -60 >&2; return 1; }
}

build_all() {
  mkdir -p build
  log "native build"
  configure_build native || die "native build failed (build/native.build.log)"
  if [ "${K20_SKIP_WINE:-0}" != 1 ]; then
    log "win64 build"
    configure_build win64 || die "win64 build failed (build/win64.build.log)"
    log "win32 build"
    # Without a 32-bit Wine the win32 tests cannot run: build the deliverables only.
    local tests32=OFF
    have_wine32 && tests32=ON
    configure_build win32 -DK20_TESTS=$tests32 || die "win32 build failed (build/win32.build.log)"
  fi
}

assemble_dist() {
  log "assembling dist/"
  rm -rf dist
  mkdir -p dist/W32 dist/W64
  cp build/win64/prnui/prnui.dll dist/W64/
  cp build/win32/prnui/prnui.dll dist/W32/
  # Other deliverables and package data join dist/ as they exist.
  [ -x scripts/assemble_package.sh ] && scripts/assemble_package.sh dist
  return 0
}

have_wine32() {
  [ -x /usr/lib/wine/wine ] || [ -x /usr/lib/i386-linux-gnu/wine/wine ] || dpkg -s wine32 >/dev/null 2>&1
}

XVFB_PID=""
start_display() {
  export WINEPREFIX="$root/build/wineprefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ -z "${DISPLAY:-}" ] || [ "${K20_FORCE_XVFB:-0}" = 1 ]; then
    local n=97
    while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    export K20_HEADLESS=1
    sleep 1
  fi
}
stop_display() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" >/dev/null 2>&1 || true
}

fresh_prefix() {
  log "fresh Wine prefix in build/wineprefix"
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$root/build/wineprefix"
  mkdir -p "$root/build/wineprefix"
  wineboot -i >/dev/null 2>&1
  wineserver -w
  scripts/wine_cjk_font.sh
}


run_ctest() {  # build dir, label
  local dir=$1 label=$2
  rm -rf "$dir/results"
  mkdir -p "$dir/results"
  log "tests: $label"
  (cd "$dir" && ctest --output-junit "$dir/results/ctest.xml" --timeout 900 >"$dir/results/ctest.log" 2>&1)
  grep -E 'tests passed|Failed|\*\*\*' "$dir/results/ctest.log" | head -20 >&2
  return 0
}

case "$cmd" in
  build)
    ensure_packages
    build_all
    ;;
  run)
    ensure_packages
    build_all
    [ "${K20_SKIP_WINE:-0}" = 1 ] && die "run shows the plug-in under Wine; it cannot run with K20_SKIP_WINE=1"
    assemble_dist
    trap stop_display EXIT
    start_display
    fresh_prefix
    if [ -x scripts/run_demo.sh ]; then
      scripts/run_demo.sh
    else
      wine build/win64/tools/prnuiprobe/prnuiprobe.exe "$(winepath -w dist/W64/prnui.dll)"
    fi
    ;;
  test)
    ensure_packages
    build_all
    run_ctest "$root/build/native" native
    log "fuzz corpus replay"
    if configure_build fuzz; then
      run_ctest "$root/build/fuzz" fuzz
    else
      echo "fuzz build failed (build/fuzz.build.log)" >&2
      mkdir -p build/fuzz/results && echo '<testsuite><testcase name="fuzz-build" classname="fuzz"><failure/></testcase></testsuite>' > build/fuzz/results/ctest.xml
    fi
    dirs=("$root/build/native" "$root/build/fuzz")
    if [ "${K20_SKIP_WINE:-0}" = 1 ]; then
      wine_note="Wine tests SKIPPED on purpose (K20_SKIP_WINE=1): the Windows builds were neither built nor run."
    else
      assemble_dist
      trap stop_display EXIT
      start_display
      fresh_prefix
      run_ctest "$root/build/win64" "win64 under Wine"
      dirs+=("$root/build/win64")
      if have_wine32; then
        run_ctest "$root/build/win32" "win32 under Wine"
        dirs+=("$root/build/win32")
        wine_note=""
      else
        wine_note="win32 tests skipped: this machine has no 32-bit Wine (package wine32); the win32 deliverables were built and checked for their exports."
      fi
    fi
    [ -n "${wine_note:-}" ] && echo "$wine_note"
    python3 scripts/count_results.py "${dirs[@]}"
    ;;
  *)
    sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
