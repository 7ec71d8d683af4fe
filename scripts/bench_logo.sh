#!/usr/bin/env bash
# Times `k20tool logo convert` on a 1024 x 768 24-bit logo against GraphicsMagick and
# ImageMagick doing the nearest equivalent (ordered dither, Floyd-Steinberg, grayscale),
# and prints the medians and the ratios. Usage: scripts/bench_logo.sh [BUILD_DIR] [RUNS]
set -u
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build/native}"
runs="${2:-21}"
tool="$build/tools/k20tool/k20tool"
[ -x "$tool" ] || { echo "no k20tool in $build (build it first)" >&2; exit 2; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

python3 - "$work/logo.bmp" <<'PY'
import struct, sys, random
w, h = 1024, 768
stride = (3 * w + 3) // 4 * 4
random.seed(7)
rows = bytearray()
for y in range(h):
    row = bytearray()
    for x in range(w):
        row += bytes(((x // 4 + random.randrange(32)) & 255, (y // 3 + x // 8) & 255, (255 - x // 4) & 255))
    rows += row + bytes(stride - 3 * w)
hdr = b"BM" + struct.pack("<IHHI", 54 + len(rows), 0, 0, 54)
hdr += struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 0, 0, 0, 0)
open(sys.argv[1], "wb").write(hdr + rows)
PY

# Median wall time in milliseconds of a command run $runs times. The clock is bash's own
# (EPOCHREALTIME): starting `date` for each reading would add a process start to every
# sample, as much as a fast command takes.
median_ms() {
    local t=()
    for _ in $(seq "$runs"); do
        local s e
        s=${EPOCHREALTIME/[.,]/}
        "$@" >/dev/null 2>&1 || { echo "NA"; return; }
        e=${EPOCHREALTIME/[.,]/}
        t+=($((e - s)))
    done
    printf '%s\n' "${t[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.2f", a[int((NR+1)/2)]/1000}'
}

gm_cmd=""; im_cmd=""
command -v gm >/dev/null 2>&1 && gm version >/dev/null 2>&1 && gm_cmd="gm convert"
if command -v magick >/dev/null 2>&1; then im_cmd="magick"
elif command -v convert >/dev/null 2>&1 && convert -version 2>/dev/null | grep -q "^Version: ImageMagick"; then im_cmd="convert"; fi

in="$work/logo.bmp"
printf '%-10s %10s %10s %10s %12s\n' method k20tool_ms gm_ms im_ms ratio
for m in none m3 m4 diffuse gray; do
    # The two tools spell dithering differently: GraphicsMagick's -ordered-dither takes a
    # channel type and a size (dispersed dots up to 4x4), and its -dither is a switch for
    # Floyd-Steinberg that -monochrome then applies.
    case $m in
        gray) ours=(logo convert "$in" --gray -o "$work/o.bmp")
              gm_args=(-colorspace Gray -type Grayscale); im_args=("${gm_args[@]}") ;;
        diffuse) ours=(logo convert "$in" --mono --method diffuse -o "$work/o.bmp")
                 gm_args=(-colorspace Gray -dither -monochrome)
                 im_args=(-colorspace Gray -dither FloydSteinberg -monochrome) ;;
        none) ours=(logo convert "$in" --mono --method none -o "$work/o.bmp")
              gm_args=(-colorspace Gray -threshold 50%); im_args=("${gm_args[@]}") ;;
        *) ours=(logo convert "$in" --mono --method "$m" -o "$work/o.bmp")
           gm_args=(-colorspace Gray -ordered-dither Intensity 4x4)
           im_args=(-colorspace Gray -ordered-dither o8x8) ;;
    esac
    k=$(median_ms "$tool" "${ours[@]}")
    g=NA; i=NA
    [ -n "$gm_cmd" ] && g=$(median_ms $gm_cmd "$in" "${gm_args[@]}" "BMP3:$work/g.bmp")
    [ -n "$im_cmd" ] && i=$(median_ms $im_cmd "$in" "${im_args[@]}" "BMP3:$work/i.bmp")
    best=$(printf '%s\n%s\n' "$g" "$i" | grep -v NA | sort -n | head -1)
    ratio=NA
    [ -n "$best" ] && [ "$k" != NA ] && ratio=$(awk -v a="$best" -v b="$k" 'BEGIN { printf "%.1fx", a / b }')
    printf '%-10s %10s %10s %10s %12s\n' "$m" "$k" "$g" "$i" "$ratio"
done
[ -z "$gm_cmd$im_cmd" ] && echo "(GraphicsMagick and ImageMagick are not installed: no ratios)"
exit 0
