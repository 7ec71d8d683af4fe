#!/usr/bin/env python3
"""Benchmark of the printer application (not a test; figures from one run):
  1. IPP Print-Job of a one-page 576 x 2400 PWG raster receipt to the last byte at a
     socket device on loopback, median of 50 jobs;
  2. the same raster through CUPS's rastertoepson filter against the driver alone
     (k20-raster-render, the render sub-command without PAPPL): CPU time per page,
     from a many-page job against a one-page job, each file to /dev/null.
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


def per_page(cmd_for, one, many, pages, env=None, runs=7):
    """CPU time per page: a job of many pages against one of a single page, so that
    starting the process and reading its setup do not count. Medians of runs."""
    import resource

    def run(path):
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        with open(os.devnull, "wb") as null:
            r = subprocess.run(cmd_for(path), stdout=null, stderr=subprocess.PIPE, env=env)
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        if r.returncode != 0:
            raise SystemExit(f"{cmd_for(path)[0]} failed: {r.stderr.decode(errors='replace')[-500:]}")
        return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)

    t1 = statistics.median(run(one) for _ in range(runs))
    tn = statistics.median(run(many) for _ in range(runs))
    return (tn - t1) / (pages - 1)


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

    # The filter comparison uses the 1-bit form of the receipt, which rastertoepson takes;
    # its 24-pin mode knows 180 dpi but not 203, so its copy says 180 dpi (same dots).
    pages = 21

    def write(name, n, **kw):
        path = os.path.join(tmp, name)
        with open(path, "wb") as f:
            f.write(k20pa.pwg_raster([rows] * n, 576, **kw))
        return path

    ours1, oursn = write("r1.pwg", 1, bits=1), write("rn.pwg", pages, bits=1)
    gray1, grayn = write("g1.pwg", 1), write("gn.pwg", pages)
    ep1, epn = write("e1.pwg", 1, bits=1, dpi=180), write("en.pwg", pages, bits=1, dpi=180)
    ppd = os.path.join(tmp, "bench.ppd")
    with open(ppd, "w") as f:
        f.write(PPD)
    env = dict(os.environ, PPD=ppd)
    render = os.path.join(build, "printerapp", "k20-raster-render")
    epson = per_page(lambda p: ["/usr/lib/cups/filter/rastertoepson", "1", "bench", "receipt", "1", "", p],
                     ep1, epn, pages, env)
    ours = per_page(lambda p: [render, p], ours1, oursn, pages)
    gray = per_page(lambda p: [render, p], gray1, grayn, pages)
    print(f"CPU time per 576x2400 page (1-bit raster, {pages}-page job against a 1-page job, medians): "
          f"rastertoepson {epson * 1000:.2f} ms, k20-raster-render {ours * 1000:.2f} ms, "
          f"ratio {epson / ours:.1f}x; k20-raster-render on 8-bit gray with halftoning {gray * 1000:.2f} ms")


if __name__ == "__main__":
    main()
