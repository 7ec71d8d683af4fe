#!/usr/bin/env python3
"""Benchmark of the printer application (not a test; figures from one run):
  1. IPP Print-Job of a one-page 576 x 2400 PWG raster receipt to the last byte at a
     socket device on loopback, median of 50 jobs;
  2. the same raster through CUPS's rastertoepson filter against the driver alone
     (k20-raster-render, the render sub-command without PAPPL), each as a process from file to /dev/null, medians.
Usage: scripts/bench_printerapp.py [BUILD_DIR] [JOBS]"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
build = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else os.path.join(root, "build", "native")
jobs = int(sys.argv[2]) if len(sys.argv) > 2 else 50
os.environ["K20_BUILD_DIR"] = build
sys.path.insert(0, os.path.join(root, "tests", "printerapp"))
import k20pa  # noqa: E402

# rastertoepson knows 9- and 24-pin printers only; model 1 (24-pin) at 180 dpi takes the
# same 576 x 2400 dots.
PPD = """*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "BENCH.PPD"
*Manufacturer: "Bench"
*Product: "(Bench)"
*ModelName: "Bench 24-pin"
*ShortNickName: "Bench 24-pin"
*NickName: "Bench 24-pin"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: False
*DefaultColorSpace: Gray
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsVersion: 2.4
*cupsModelNumber: 1
*cupsFilter: "application/vnd.cups-raster 0 rastertoepson"
*OpenUI *PageSize: PickOne
*DefaultPageSize: Receipt
*PageSize Receipt: "<</PageSize[230 960]>>setpagedevice"
*CloseUI: *PageSize
*DefaultImageableArea: Receipt
*ImageableArea Receipt: "0 0 230 960"
*DefaultPaperDimension: Receipt
*PaperDimension Receipt: "230 960"
"""


def run_timed(cmd, env=None, runs=15):
    times = []
    for _ in range(runs):
        t0 = time.perf_counter()
        with open(os.devnull, "wb") as null:
            r = subprocess.run(cmd, stdout=null, stderr=subprocess.PIPE, env=env)
        times.append(time.perf_counter() - t0)
        if r.returncode != 0:
            raise SystemExit(f"{cmd[0]} failed: {r.stderr.decode(errors='replace')[-500:]}")
    return statistics.median(times)


def main():
    tmp = tempfile.mkdtemp(prefix="k20pa-bench-")
    rows = k20pa.receipt_rows(576, 2400)
    doc = k20pa.pwg_raster([rows], 576)
    app = k20pa.App(tmp, "bench")
    listener = k20pa.Listener()
    try:
        app.start()
        app.add("k20", f"socket://127.0.0.1:{listener.port}")
        app_url = app.url()
        k20pa.print_job(app_url, doc)  # first job warms the device path
        listener.wait_connections(1)
        times = []
        for i in range(jobs):
            n = len(listener.connections)
            t0 = time.perf_counter()
            status, job = k20pa.print_job(app_url, doc)
            state, _ = k20pa.wait_job(app_url, job)
            listener.wait_connections(n + 1)
            with listener.lock:
                while listener.last_byte_time is None or listener.last_byte_time < t0:
                    listener.done.wait(0.01)
            time.sleep(0.02)
            with listener.lock:
                last = listener.last_byte_time
            if state != "completed":
                raise SystemExit(f"job {job} ended {state}")
            times.append(last - t0)
        med = statistics.median(times) * 1000
        print(f"Print-Job to last byte at the socket device, 576x2400 PWG raster: median {med:.1f} ms "
              f"of {jobs} (min {min(times) * 1000:.1f}, max {max(times) * 1000:.1f})")
    finally:
        app.stop()
        listener.close()

    # The filter comparison uses the 1-bit form of the receipt, which rastertoepson takes.
    pwg = os.path.join(tmp, "receipt.pwg")
    with open(pwg, "wb") as f:
        f.write(k20pa.pwg_raster([rows], 576, bits=1))
    pwg180 = os.path.join(tmp, "receipt-180.pwg")
    with open(pwg180, "wb") as f:
        f.write(k20pa.pwg_raster([rows], 576, bits=1, dpi=180))
    pwg8 = os.path.join(tmp, "receipt-gray.pwg")
    with open(pwg8, "wb") as f:
        f.write(doc)
    ppd = os.path.join(tmp, "bench.ppd")
    with open(ppd, "w") as f:
        f.write(PPD)
    env = dict(os.environ, PPD=ppd)
    epson = run_timed(["/usr/lib/cups/filter/rastertoepson", "1", "bench", "receipt", "1", "", pwg180], env)
    ours = run_timed([os.path.join(build, "printerapp", "k20-raster-render"), pwg])
    gray = run_timed([os.path.join(build, "printerapp", "k20-raster-render"), pwg8])
    print(f"one 576x2400 1-bit page, file to /dev/null, median of 15 runs: rastertoepson {epson * 1000:.1f} ms, "
          f"k20-raster-render {ours * 1000:.1f} ms, ratio {epson / ours:.1f}x "
          f"(k20-raster-render on the same page as 8-bit gray, halftoned: {gray * 1000:.1f} ms)")


if __name__ == "__main__":
    main()
