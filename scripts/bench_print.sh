#!/usr/bin/env bash
# Times `k20tool print receipt.png --to FILE` (a 576 x 2400 gray PNG receipt, 30 cm,
# error diffusion) as a whole process against ImageMagick and GraphicsMagick turning the
# same PNG into a 1-bit Floyd-Steinberg image (their nearest job), and the engine alone
# on such a page. Prints the medians and the ratio against the faster converter.
# Usage: scripts/bench_print.sh [BUILD_DIR] [RUNS]
set -u
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build/native}"
runs="${2:-51}"
tool="$build/tools/k20tool/k20tool"
[ -x "$tool" ] || { echo "no k20tool in $build (build it first)" >&2; exit 2; }
command -v hyperfine >/dev/null 2>&1 || { echo "hyperfine is not installed" >&2; exit 2; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A receipt: a shaded logo at the top, lines of text-like marks, a total box, a barcode.
python3 - "$work/receipt.png" <<'PY'
import random, struct, sys, zlib
w, h = 576, 2400
random.seed(11)
rows = []
for y in range(h):
    row = bytearray(b"\xff" * w)
    if 40 <= y < 240:
        for x in range(120, 456):
            row[x] = max(0, min(255, 40 + (x - 120) * 200 // 336 + random.randrange(-20, 20)))
    elif 300 <= y < 1900 and (y - 300) % 48 < 22:
        line = (y - 300) // 48
        for x in range(24, 24 + 120 + (line * 53) % 400):
            if (x // 3 + y // 2 + line) % 5 < 2 or random.random() < 0.2:
                row[x] = 0
    elif 1950 <= y < 2010 and 24 <= 24:
        for x in range(24, 552):
            row[x] = 0 if x < 28 or x > 547 or y < 1954 or y > 2005 else 230
    elif 2100 <= y < 2260:
        for x in range(60, 516):
            row[x] = 0 if (x * 7919 // 13) % 9 < 4 else 255
    rows.append(bytes(row))
raw = b"".join(b"\x00" + r for r in rows)
def chunk(t, d): return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xffffffff)
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 0, 0, 0, 0))
png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
open(sys.argv[1], "wb").write(png)
PY

gm_ok=0; im_cmd=""
command -v gm >/dev/null 2>&1 && gm version >/dev/null 2>&1 && gm_ok=1
if command -v magick >/dev/null 2>&1; then im_cmd="magick"
elif command -v convert >/dev/null 2>&1 && convert -version 2>/dev/null | grep -q "^Version: ImageMagick"; then im_cmd="convert"; fi

in="$work/receipt.png"
cmds=("$tool print $in --to $work/out.prn")
names=(k20tool)
if [ -n "$im_cmd" ]; then
    cmds+=("$im_cmd $in -colorspace Gray -dither FloydSteinberg -monochrome PBM:$work/im.pbm"); names+=(ImageMagick)
fi
if [ "$gm_ok" = 1 ]; then
    cmds+=("gm convert $in -colorspace Gray -dither -monochrome PBM:$work/gm.pbm"); names+=(GraphicsMagick)
fi
hyperfine -N --warmup 3 --runs "$runs" --export-json "$work/h.json" "${cmds[@]}" >/dev/null 2>&1 \
    || { echo "hyperfine failed" >&2; exit 1; }
python3 - "$work/h.json" "${names[@]}" <<'PY'
import json, sys
res = json.load(open(sys.argv[1]))["results"]
names = sys.argv[2:]
med = {n: r["median"] * 1000 for n, r in zip(names, res)}
cpu = {n: (r["user"] + r["system"]) * 1000 for n, r in zip(names, res)}
# The processor time (user + system, mean) does not grow when other work shares the
# machine; the wall time does.
for n in names:
    print(f"{n:15s} median {med[n]:8.2f} ms wall   {cpu[n]:8.2f} ms processor time")
others = [med[n] for n in names if n != "k20tool"]
if others:
    print(f"ratio: k20tool is {min(others) / med['k20tool']:.1f}x faster than the faster converter (wall medians)")
    cpus = [cpu[n] for n in names if n != "k20tool"]
    print(f"       {min(cpus) / cpu['k20tool']:.1f}x less processor time than the more frugal converter")
PY
[ -x "$build/render/bench_engine" ] && "$build/render/bench_engine" 301
exit 0
