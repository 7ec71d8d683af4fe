#!/usr/bin/env python3
"""System tests of k20-printer-app with real parts: the application's own server, a
socket listener as the network K-20, CUPS's ipptool, a cupsd of the test's own and
headless Chromium. Usage: printerapp_test.py BUILD_DIR SUITE (subcommands, options,
ipptool, cups, web, faults)."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
os.environ.setdefault("K20_BUILD_DIR", sys.argv[1] if len(sys.argv) > 1 else "")
import k20pa  # noqa: E402
from k20pa import App, Listener, check  # noqa: E402

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def one_page(height=400, seed=0):
    return k20pa.pwg_raster([k20pa.receipt_rows(576, height, seed)], 576)


def started(app, listener, printer="k20", driver="k20"):
    ok = check(app.start(), f"server {app.name} listens on 127.0.0.1:{app.port}")
    ok = ok and check(app.add(printer, f"socket://127.0.0.1:{listener.port}", driver),
                      f"add -d {printer} -m {driver} -v socket://127.0.0.1:{listener.port}")
    return ok


# --- sub-commands, file device, state folder ----------------------------------------------
def suite_subcommands(tmp):
    app = App(tmp, "sub")
    listener = Listener()
    try:
        if not started(app, listener):
            return
        out = tmp + "/file-device"
        os.makedirs(out)
        check(app.add("k20file", f"file://{out}"), "add a printer on a file device (a folder)")
        r = app.cmd("printers")
        names = r.stdout.decode().split()
        check("k20" in names and "k20file" in names, f"printers lists both: {names}")
        r = app.cmd("drivers", check_rc=False)
        check(b"k20-diffusion" in r.stdout and b"k20 " in r.stdout, "drivers lists k20 and k20-diffusion")

        pwg = os.path.join(tmp, "page.pwg")
        with open(pwg, "wb") as f:
            f.write(one_page())
        r = app.cmd("submit", "-d", "k20", "-o", "cut-job=full", pwg)
        check(r.returncode == 0 and re.match(rb"k20-\d+", r.stdout.strip()) is not None,
              f"submit prints PRINTER-JOBID: {r.stdout.strip()!r}")
        check(listener.wait_connections(1), "the socket device received the submitted job")
        time.sleep(0.3)
        rows, bounds = k20pa.decode_job(bytes(listener.connections[0]), tmp, "submitted")
        check(rows is not None and len(bounds) == 1, f"the submitted job decodes to one page: {bounds}")

        # The render sub-command makes the same bytes without a server.
        r = app.cmd("render", "-o", "cut-job=full", pwg)
        check(r.returncode == 0 and r.stdout == bytes(listener.connections[0]),
              "render gives the bytes the socket device received")
        r = app.cmd("render", "/dev/null", check_rc=False)
        check(r.returncode != 0 and b"not a readable raster file" in r.stderr, f"render refuses a device: {r.stderr!r}")
        with open(os.path.join(tmp, "cut.pwg"), "wb") as f:
            f.write(one_page()[:-100])
        r = app.cmd("render", os.path.join(tmp, "cut.pwg"), check_rc=False)
        check(r.returncode != 0 and b"cut short" in r.stderr, f"render reports a damaged file: {r.stderr!r}")

        r = app.cmd("submit", "-d", "k20file", pwg)
        end = time.time() + 20
        files = []
        while time.time() < end:
            files = [f for f in os.listdir(out)]
            if files and all(os.path.getsize(os.path.join(out, f)) > 0 for f in files):
                break
            time.sleep(0.1)
        time.sleep(0.5)
        check(len(files) == 1, f"the file device wrote one file: {files}")
        if files:
            with open(os.path.join(out, files[0]), "rb") as f:
                data = f.read()
            rows2, bounds2 = k20pa.decode_job(data, tmp, "filedevice")
            check(rows2 is not None and rows2 == rows, "the file device holds the same page as the socket device")

        r = app.cmd("status")
        check(r.returncode == 0 and b"Running" in r.stdout, f"status: {r.stdout.strip()!r}")
        r = app.cmd("delete", "-d", "k20file")
        check(r.returncode == 0, "delete -d k20file")
        r = app.cmd("printers")
        check(r.stdout.decode().split() == ["k20"], f"after delete only k20 remains: {r.stdout.decode().split()}")

        # The printers and their defaults live in the state folder and come back.
        check(k20pa.set_defaults(app.url(), [("keyword", "cut-job-default", "full")]) == 0,
              "Set-Printer-Attributes cut-job-default=full")
        app.stop()
        check(os.path.exists(os.path.join(app.state, app.name + ".state")), "the state file is in the state folder")
        check(app.start(), "server restarts on the same state folder")
        r = app.cmd("printers")
        check(r.stdout.decode().split() == ["k20"], "the printer came back from the state folder")
        a = k20pa.printer_attrs(app.url(), ["cut-job-default"])
        check(a.get("cut-job-default") == ["full"], f"its vendor default came back: {a.get('cut-job-default')}")
        r = app.cmd("shutdown")
        check(r.returncode == 0, "shutdown")
        app.proc.wait(timeout=15)
        check(app.proc.returncode is not None, "the server ended after shutdown")
        app.proc = None
        r = app.cmd("status", check_rc=False)
        check(b"not running" in r.stdout + r.stderr, f"status after shutdown: {r.stdout.strip()!r}")
    finally:
        app.stop()
        listener.close()


# --- faults -----------------------------------------------------------------------------
def suite_faults(tmp):
    app = App(tmp, "faults")
    port = k20pa.free_port()
    try:
        if not check(app.start(), "server starts"):
            return
        check(app.add("k20", f"socket://127.0.0.1:{port}"), "add a printer whose device is not there yet")
        url = app.url()

        # Refused: PAPPL keeps the job and retries; the printer says why it is stuck. A
        # raster job streams, so its Print-Job answers once the job has run.
        import threading
        result = {}
        sender = threading.Thread(target=lambda: result.update(
            zip(("status", "job"), k20pa.print_job(url, one_page(200, 1), timeout=120))), daemon=True)
        sender.start()
        end = time.time() + 10
        job = 0
        while time.time() < end and not job:
            _, jobs = k20pa.ipp(url, "Get-Jobs", [("operation", "keyword", "which-jobs", "not-completed")])
            job = (jobs.get("job-id") or [0])[0]
            time.sleep(0.1)
        check(job > 0, "a job is taken while the device refuses connections")
        end = time.time() + 8
        a = {}
        while time.time() < end:
            a = k20pa.printer_attrs(url, ["printer-state", "printer-state-reasons"])
            if "offline-report" in a.get("printer-state-reasons", []) or "offline" in str(a.get("printer-state-reasons")):
                break
            time.sleep(0.2)
        check(a.get("printer-state") == [5], f"printer-state is stopped while refused: {a.get('printer-state')}")
        check(any(r.startswith("offline") for r in a.get("printer-state-reasons", [])),
              f"printer-state-reasons says offline: {a.get('printer-state-reasons')}")
        state, _ = k20pa.job_state(url, job)
        check(state == "processing", f"the job waits for the device: {state}")
        listener = Listener(port)
        state, ja = k20pa.wait_job(url, job, 30)
        check(state == "completed", f"once the device listens the job completes: {state}")
        sender.join(30)
        check(result.get("status") == 0 and result.get("job") == job, f"its Print-Job succeeded: {result}")
        listener.wait_connections(1)
        time.sleep(0.2)
        rows, bounds = k20pa.decode_job(bytes(listener.connections[0]), tmp, "after-refusal")
        check(rows is not None and len(bounds) == 1, "nothing was lost from the waiting job")
        a = k20pa.printer_attrs(url, ["printer-state", "printer-state-reasons"])
        check(a.get("printer-state") == [3] and a.get("printer-state-reasons") == ["none"],
              f"the printer is idle with no reason again: {a.get('printer-state')} {a.get('printer-state-reasons')}")
        listener.close()

        # Reset mid-job: the job aborts with a message; the next one is whole.
        listener = Listener(port, mode="reset", reset_after=3000)
        pages = [k20pa.receipt_rows(576, 2400, 2 + i) for i in range(8)]
        status, job = k20pa.print_job(url, k20pa.pwg_raster(pages, 576))
        state, ja = k20pa.wait_job(url, job, 30)
        check(state == "aborted", f"a job whose connection is reset ends aborted: {state}")
        msg = (ja.get("job-state-message") or [""])[0]
        check("connection" in msg.lower(), f"job-state-message says why: {msg!r}")
        reasons = ja.get("job-state-reasons", [])
        check("aborted-by-system" in reasons, f"job-state-reasons: {reasons}")
        a = k20pa.printer_attrs(url, ["printer-state-reasons"])
        check(any(r.startswith("offline") for r in a.get("printer-state-reasons", [])),
              f"the printer reports offline after the reset: {a.get('printer-state-reasons')}")
        listener.close()
        listener = Listener(port)
        doc = one_page(600, 3)
        status, job = k20pa.print_job(url, doc)
        state, _ = k20pa.wait_job(url, job, 30)
        check(state == "completed", f"the application keeps serving: the next job completes ({state})")
        listener.wait_connections(1)
        time.sleep(0.2)
        rows, bounds = k20pa.decode_job(bytes(listener.connections[-1]), tmp, "after-reset")
        want = [r for r in k20pa.receipt_rows(576, 600, 3)]
        check(rows is not None and black_rows_match(rows, want), "the next job's page is complete")
        a = k20pa.printer_attrs(url, ["printer-state-reasons"])
        check(a.get("printer-state-reasons") == ["none"], f"offline cleared by a good job: {a.get('printer-state-reasons')}")
        listener.close()

        # A slow device: the job takes longer and arrives whole.
        listener = Listener(port, mode="slow")
        status, job = k20pa.print_job(url, one_page(2400, 4))
        state, _ = k20pa.wait_job(url, job, 60)
        check(state == "completed", f"a job to a slow device completes: {state}")
        listener.wait_connections(1)
        time.sleep(0.3)
        rows, bounds = k20pa.decode_job(bytes(listener.connections[-1]), tmp, "slow")
        check(rows is not None and black_rows_match(rows, k20pa.receipt_rows(576, 2400, 4)),
              "the slow device received the whole page")
        listener.close()
    finally:
        app.stop()
    paper_status(tmp)


def paper_status(tmp):
    """With paper status queries on, an idle network printer reports its paper sensor."""
    app = App(tmp, "paper")
    listener = Listener()
    try:
        if not check(app.start("-o", "paper-status=on"), "server with paper status queries starts"):
            return
        check(app.add("k20", f"socket://127.0.0.1:{listener.port}"), "add a network printer")
        url = app.url()

        def wait_reasons(want, timeout=30):
            end = time.time() + timeout
            reasons = []
            while time.time() < end:
                reasons = k20pa.printer_attrs(url, ["printer-state-reasons"]).get("printer-state-reasons", [])
                if want(reasons):
                    break
                time.sleep(0.3)
            return reasons

        for byte, reason in ((0x72, "media-empty"), (0x1E, "media-low")):
            listener.status_reply = byte
            reasons = wait_reasons(lambda r: any(x.startswith(reason) for x in r))
            check(any(x.startswith(reason) for x in reasons), f"answer {byte:02X} gives {reason}: {reasons}")
        listener.status_reply = 0x12
        reasons = wait_reasons(lambda r: r == ["none"])
        check(reasons == ["none"], f"a roll with paper clears them: {reasons}")
        check(listener.queries >= 3, f"the printer was asked with DLE EOT 4 ({listener.queries} times)")
        status, job = k20pa.print_job(url, one_page(300, 8))
        state, _ = k20pa.wait_job(url, job)
        check(state == "completed", "jobs print between the queries")
        time.sleep(0.3)
        with listener.lock:
            jobs = [bytes(c) for c in listener.connections if len(c) > 3]
        check(len(jobs) == 1 and jobs[0].startswith(prologue()), "the job's bytes came on a connection of their own")
    finally:
        app.stop()
        listener.close()


def black_rows_match(decoded, sent):
    """The decoded page equals the sent page without its blank tail."""
    last = max((i for i, r in enumerate(sent) if any(r)), default=-1)
    want = sent[:last + 1]
    got = [r for r in decoded]
    while got and not any(got[-1]):
        got.pop()
    # The decoder's first image row is raster row 1; leading blank rows carry no ink.
    while got and not any(got[0]) and len(got) > len(want):
        got.pop(0)
    if len(got) != len(want):
        print(f"   rows: decoded {len(got)} vs sent {len(want)}")
        return False
    diff = sum(1 for a, b in zip(got, want) if a != b)
    if diff:
        print(f"   {diff} rows differ")
    return diff == 0


# --- ipptool's own conformance files --------------------------------------------------------
IPPTOOL_FILES = ["ipp-1.1.test", "ipp-2.0.test", "ipp-everywhere.test"]
# Failures left on purpose: by test name, the expectations that fail and why. A failing
# test passes this suite only when every expectation it missed is listed here.
IPPTOOL_EXPLAINED = {
    "PWG 5100.14 section 5.1/5.2 - Required Operations and Attributes": {
        "overrides-supported": "PAPPL 1.3 does not implement page overrides, so the printer does not claim them",
        "printer-supply": "a direct thermal printer has no marking supply, and PAPPL has no paper-roll supply type",
        "printer-supply-description": "as printer-supply",
    },
}


def failed_expectations(log, test):
    """The attribute names of the EXPECTED lines under one failed test in ipptool's log."""
    lines = log.splitlines()
    names = set()
    for i, line in enumerate(lines):
        if test in line and "[FAIL]" in line:
            for follow in lines[i + 1:]:
                if re.search(r"\[(PASS|FAIL|SKIP)\]", follow):
                    break
                m = re.match(r"\s+EXPECTED: (\S+)", follow)
                if m:
                    names.add(m.group(1))
                elif re.match(r"\s+(GOT|Duplicate|Bad|Missing)", follow):
                    names.add("?" + follow.strip())
    return names


def suite_ipptool(tmp):
    app = App(tmp, "ipptool")
    listener = Listener()
    report = []
    try:
        if not started(app, listener):
            return
        doc = os.path.join(tmp, "receipt.pwg")
        with open(doc, "wb") as f:
            f.write(one_page(300))
        uri = f"ipp://127.0.0.1:{app.port}/ipp/print/k20"
        # printer-up-time counts whole seconds since the start and must be above 0.
        time.sleep(1.2)
        for name in IPPTOOL_FILES:
            path = os.path.join("/usr/share/cups/ipptool", name)
            r = subprocess.run(["ipptool", "-V", "2.0", "-t", "-I", "-T", "30", "-f", doc, uri, path],
                               capture_output=True, text=True, timeout=180, cwd=tmp)
            passed = failed = skipped = 0
            for line in r.stdout.splitlines():
                m = re.match(r"\s+(.*?)\s+\[(PASS|FAIL|SKIP)\]", line)
                if not m:
                    continue
                test, verdict = m.group(1).strip(), m.group(2)
                if verdict == "PASS":
                    passed += 1
                elif verdict == "SKIP":
                    skipped += 1
                else:
                    failed += 1
                    missed = failed_expectations(r.stdout, test)
                    why = IPPTOOL_EXPLAINED.get(test, {})
                    unexplained = sorted(m for m in missed if m not in why)
                    check(bool(missed) and not unexplained,
                          f"{name}: {test}: every failed expectation is explained"
                          + (f" (unexplained: {unexplained})" if unexplained else
                             "".join(f"; {k}: {why[k]}" for k in sorted(missed))))
            report.append(f"{name}: {passed} passed, {failed} failed, {skipped} skipped")
            check(passed > 0, f"{name} ran: {passed} passed, {failed} failed, {skipped} skipped")
            with open(os.path.join(tmp, name + ".log"), "w") as f:
                f.write(r.stdout + r.stderr)
        out = os.path.join(k20pa.BUILD, "printerapp-ipptool.txt")
        with open(out, "w") as f:
            f.write("\n".join(report) + "\n")
        print("\n".join(report))
    finally:
        app.stop()
        listener.close()


# --- the documented printer bytes (render/README.md's table) ------------------------------------
PAGE_END = bytes.fromhex("1B33000A 1B4A18 1B331E")
DENSITY = {"light": 0xFD, "normal": 0x00, "dark": 0x03}
PULSE = {"10ms": 0x05, "20ms": 0x0A, "40ms": 0x14, "60ms": 0x1E}
BUZZER = {"0": "", "1": "1B420102", "3": "1B420302", "5": "1B420502", "10": "1B420902 1B420102",
          "20": "1B420902 1B420902 1B420202"}
CUT = {"none": "", "partial": "1D5601", "full": "1D5600", "partial-feed": "1D564200", "full-feed": "1D564100"}
FEED = {"0": "", "1": "1B4A08", "3": "1B4A18", "30": "1B4AF0", "31": "1B4AF0 1B4A08",
        "100": "1B4AF0 1B4AF0 1B4AF0 1B4A50"}
ALIGN = {"left": 0, "center": 1, "right": 2}
NEUTRAL = {"cut-page": "none", "cut-job": "none", "drawer": "none", "buzzer": "0", "logo": "0", "feed": "0"}


def prologue(density="normal"):
    return bytes.fromhex("1B40 1D284B020031") + bytes([DENSITY[density]]) + bytes.fromhex("1B33010A")


def drawer_bytes(value):
    if value == "none":
        return b""
    group, ms = value.split("-")
    one = bytes([0x1B, 0x70, 0x00, PULSE[ms], 0x32])
    two = bytes([0x1B, 0x70, 0x01, PULSE[ms], 0x32])
    return {"drawer1": one, "drawer2": two, "both": one + two}[group]


def logo_bytes(n, align):
    n = int(n)
    return b"" if n == 0 else bytes([0x1B, 0x61, ALIGN[align], 0x1C, 0x70, n, 0x00, 0x1B, 0x61, 0x00])


def point_bytes(values):
    """The bytes at the start of the job, after each page and at the end of the job for
    the given option values (absent ones at the application's defaults), in the
    engine's order: drawer, buzzer, feed, logo before the cut, cut."""
    v = {"cut-page": "none", "cut-job": "partial-feed", "drawer": "none", "buzzer": "0", "logo": "0",
         "logo-align": "center", "logo-position": "top", "feed": "0"}
    v.update(values)
    logo = logo_bytes(v["logo"], v["logo-align"])
    start = drawer_bytes(v["drawer"]) + (logo if v["logo-position"] == "top" else b"")
    end_page = bytes.fromhex(CUT[v["cut-page"]])
    # A page cut ends the receipt: the job's own cut is then left out.
    job_cut = v["cut-job"] if v["cut-page"] == "none" else "none"
    end = (bytes.fromhex(BUZZER[v["buzzer"]]) + bytes.fromhex(FEED[v["feed"]]) +
           (logo if v["logo-position"] == "bottom" else b"") + bytes.fromhex(CUT[job_cut]))
    return start, end_page, end


def check_operations(data, values, what, density="normal"):
    """The job starts with the prologue and the start operations, and ends with the page
    end, the page's operations and the job's: exactly these bytes at these points."""
    start, end_page, end = point_bytes(values)
    head = prologue(density) + start
    tail = PAGE_END + end_page + end
    check(data.startswith(head), f"{what}: the job starts with {head.hex(' ')}")
    check(data.endswith(tail), f"{what}: the job ends with {tail.hex(' ')} (got {data[-len(tail) - 4:].hex(' ')})")


# --- one job per vendor option value ---------------------------------------------------------
def option_cases():
    cases = [("cut-page", v) for v in CUT] + [("cut-job", v) for v in CUT]
    cases += [("cut-page+cut-job", "partial+full-feed")]
    cases += [("drawer", "none")] + [("drawer", f"{g}-{ms}") for g in ("drawer1", "drawer2", "both") for ms in PULSE]
    cases += [("buzzer", v) for v in BUZZER] + [("feed", v) for v in FEED]
    cases += [("logo", str(n)) for n in range(10)]
    cases += [("logo-align", a) for a in ALIGN] + [("logo-position", p) for p in ("top", "bottom")]
    return cases


def run_doc(url, listener, document, fmt, attrs=()):
    """Prints one document and returns the bytes the device received and the job state."""
    n = listener.closed
    status, job = k20pa.print_job(url, document, fmt, job_attrs=attrs)
    if status != 0:
        return None, f"status 0x{status:04x}"
    state, _ = k20pa.wait_job(url, job)
    listener.wait_connections(n + 1)
    time.sleep(0.05)
    with listener.lock:
        return bytes(listener.connections[-1]), state


def suite_options(tmp):
    app = App(tmp, "options")
    listener = Listener()
    try:
        if not started(app, listener):
            return
        url = app.url()
        pages = [k20pa.receipt_rows(576, 120, 5), k20pa.receipt_rows(576, 96, 6)]
        doc = k20pa.pwg_raster(pages, 576)

        def run(values, darkness=None):
            attrs = []
            for name, value in values.items():
                tag = "integer" if value.isdigit() else "keyword"
                attrs.append((tag, name, int(value) if tag == "integer" else value))
            if darkness is not None:
                attrs.append(("integer", "print-darkness", darkness))
            n = len(listener.connections)
            status, job = k20pa.print_job(url, doc, job_attrs=attrs)
            if status != 0:
                return None, f"status 0x{status:04x}"
            state, _ = k20pa.wait_job(url, job)
            listener.wait_connections(n + 1)
            time.sleep(0.05)
            with listener.lock:
                return bytes(listener.connections[-1]), state

        base, state = run(NEUTRAL)
        if not check(base is not None and state == "completed", f"the neutral job completes ({state})"):
            return
        # The neutral job is prologue, two page bodies each closed by the page end.
        rest = base[len(prologue()):]
        check(base.startswith(prologue()) and rest.count(PAGE_END) == 2 and rest.endswith(PAGE_END),
              "the neutral job is the prologue and two pages closed by the page end")
        first = rest.index(PAGE_END)
        body1, body2 = rest[:first], rest[first + len(PAGE_END):-len(PAGE_END)]
        rows, bounds = k20pa.decode_job(base, tmp, "neutral")
        check(rows is not None and len(bounds) == 2, f"the neutral job decodes to two pages: {bounds}")

        for name, value in option_cases():
            values = dict(NEUTRAL)
            values.update(zip(name.split("+"), value.split("+")))
            if name in ("logo-align", "logo-position"):
                values["logo"] = "4"
            data, state = run(values)
            start, end_page, end = point_bytes(values)
            want = prologue() + start + body1 + PAGE_END + end_page + body2 + PAGE_END + end_page + end
            check(data == want, f"{name}={value}: exactly the documented bytes at their points"
                  + ("" if data == want else f" (got {len(data or b'')} bytes, want {len(want)}; state {state})"))
        for darkness, density in ((-100, "light"), (0, "normal"), (100, "dark")):
            data, state = run(NEUTRAL, darkness)
            want = prologue(density) + body1 + PAGE_END + body2 + PAGE_END
            check(data == want, f"print-darkness={darkness}: density {density} in the prologue")

        # A printer default applies to jobs that do not say otherwise; a job's own value wins.
        check(set_vendor_defaults(url, {"buzzer": "5", "cut-job": "full"}) == 0, "defaults buzzer=5, cut-job=full")
        data, state = run({})
        check_operations(data, {"buzzer": "5", "cut-job": "full"}, "a job without options takes the defaults")
        data, state = run({"cut-job": "none"})
        check_operations(data, {"buzzer": "5", "cut-job": "none"}, "a job's own cut-job overrides the default")

        # Values outside an option's list are refused or ignored, never printed.
        n = len(listener.connections)
        status, job = k20pa.print_job(url, doc, job_attrs=[("integer", "feed", 101)])
        if status == 0:
            state, _ = k20pa.wait_job(url, job)
            listener.wait_connections(n + 1)
            time.sleep(0.05)
            data = bytes(listener.connections[-1])
            check_operations(data, {"buzzer": "5", "cut-job": "full"}, "feed=101 prints as the default (no feed)")
        else:
            check(status >= 0x0400, f"feed=101 is refused (status 0x{status:04x})")

        # Identify-Printer sounds the buzzer once.
        n = listener.closed
        status, _ = k20pa.ipp(url, "Identify-Printer", [("operation", "keyword", "identify-actions", "sound")])
        listener.wait_connections(n + 1, 10)
        with listener.lock:
            got = bytes(listener.connections[-1]) if listener.closed > n else b""
        check(status == 0 and got == prologue() + bytes.fromhex(BUZZER["1"]),
              f"Identify-Printer sends one beep: {got.hex(' ')}")

        # What the application prints: PAPPL's own formats, never PDF.
        a = k20pa.printer_attrs(url, ["document-format-supported", "pwg-raster-document-type-supported"])
        formats = a.get("document-format-supported", [])
        check(all(f in formats for f in ("image/pwg-raster", "image/urf", "image/png", "image/jpeg"))
              and "application/pdf" not in formats, f"document-format-supported: {formats}")
        check(a.get("pwg-raster-document-type-supported") == ["sgray_8"],
              f"pwg-raster-document-type-supported: {a.get('pwg-raster-document-type-supported')}")
        check(set_vendor_defaults(url, {"buzzer": "0", "cut-job": "none"}) == 0, "defaults back to neutral")
        gray = k20pa.gray_pages([k20pa.receipt_rows(576, 300, 7)])[0]
        urf = k20pa.apple_raster(gray, 576)
        data, state = run_doc(url, listener, urf, "image/urf")
        rows, bounds = k20pa.decode_job(data, tmp, "urf") if data else (None, [])
        check(state == "completed" and rows is not None and black_rows_match(rows, k20pa.receipt_rows(576, 300, 7)),
              f"an Apple raster page prints dot for dot ({state})")
        pdf = os.path.join(tmp, "receipt.pdf")
        k20pa.pdf_receipt(pdf, 80, 120)
        for fmt, flag in (("image/png", "-png"), ("image/jpeg", "-jpeg")):
            base_name = os.path.join(tmp, "image")
            subprocess.run(["pdftoppm", flag, "-gray", "-r", "203", "-singlefile", pdf, base_name], check=True)
            with open(base_name + (".png" if fmt == "image/png" else ".jpg"), "rb") as f:
                image = f.read()
            data, state = run_doc(url, listener, image, fmt)
            rows, bounds = k20pa.decode_job(data, tmp, fmt.split("/")[1]) if data else (None, [])
            ink = k20pa.black_count(rows) if rows else 0
            check(state == "completed" and len(bounds) == 1 and ink > 1000,
                  f"a {fmt} job prints one page with ink ({state}, {ink} dots)")

        # Halftoning per printer: the ordered matrix repeats every 16 rows and dots,
        # error diffusion does not; both print a mid gray at about half its dots.
        listener2 = Listener()
        try:
            check(app.add("k20ed", f"socket://127.0.0.1:{listener2.port}", "k20-diffusion"),
                  "add a printer with the k20-diffusion driver")
            raster = k20pa.pwg_raster([[bytes([0x80] * 576)] * 256], 576, gray=True)
            for printer, lst, periodic in (("k20", listener, True), ("k20ed", listener2, False)):
                data, state = run_doc(app.url(printer), lst, raster, "image/pwg-raster")
                rows, _ = k20pa.decode_job(data, tmp, printer + "-mid") if data else (None, [])
                body = rows[:256] if rows else []
                dots = k20pa.black_count(body)
                repeats = len(body) == 256 and all(body[y] == body[y + 16] for y in range(240))
                check(state == "completed" and abs(dots - 256 * 576 // 2) < 256 * 576 // 20,
                      f"{printer}: mid gray prints about half its dots ({dots} of {256 * 576})")
                check(repeats == periodic, f"{printer}: the pattern {'repeats' if periodic else 'does not repeat'} "
                      "every 16 rows")
        finally:
            listener2.close()

        # The driver log: the job's bytes kept in a day folder, where k20tool finds them.
        check(set_vendor_defaults(url, {"driver-log": "prn"}) == 0, "driver-log-default=prn")
        data, state = run(NEUTRAL)
        logroot = os.path.join(app.state, "driver-log", "k20")
        r = subprocess.run([k20pa.K20TOOL, "log", "list", logroot], capture_output=True, text=True)
        check(r.returncode == 0 and ".prn" in r.stdout, f"k20tool log list finds the job: {r.stdout.strip()[:200]}")
        prns = [os.path.join(d, f) for d, _, fs in os.walk(logroot) for f in fs if f.endswith(".prn")]
        if check(len(prns) == 1, f"one job in the driver log: {prns}"):
            with open(prns[0], "rb") as f:
                check(f.read() == data, "the driver log holds exactly the bytes the printer received")
    finally:
        app.stop()
        listener.close()


# --- end to end through a real CUPS ------------------------------------------------------------
def suite_cups(tmp):
    import cups_support
    app = App(tmp, "cups")
    listener = Listener()
    cupsd = cups_support.Cupsd(os.path.join(tmp, "cups"))
    try:
        if not started(app, listener):
            return
        url = app.url()
        # The operations asked of this printer: its defaults, which CUPS's driverless
        # queue leaves alone and the application applies to the job.
        defaults = {"drawer": "drawer2-20ms", "buzzer": "3", "logo": "2", "logo-position": "top",
                    "cut-job": "full-feed"}
        check(set_vendor_defaults(url, defaults) == 0, f"printer defaults set: {defaults}")
        if not check(cupsd.start(), f"cupsd of the test listens on 127.0.0.1:{cupsd.port}"):
            return
        r = cupsd.run("lpadmin", "-p", "k20", "-E", "-v", f"ipp://127.0.0.1:{app.port}/ipp/print/k20", "-m",
                      "everywhere")
        if not check(r.returncode == 0, f"lpadmin -m everywhere: {r.stderr.strip()}"):
            return
        # cupsd makes the driverless queue's PPD after lpadmin returns, and until it has
        # loaded it the queue is raw: a job sent then would go out unconverted.
        end = time.time() + 60
        options = ""
        while time.time() < end and "PageSize" not in options:
            options = cupsd.run("lpoptions", "-p", "k20", "-l").stdout
            if "PageSize" not in options:
                time.sleep(0.3)
        time.sleep(0.5)
        check("PageSize" in options, "CUPS made the queue's PPD from the application's attributes")
        pdf = os.path.join(tmp, "receipt.pdf")
        k20pa.pdf_receipt(pdf, 80, 200)
        os.chmod(pdf, 0o644)
        r = cupsd.run("lp", "-d", "k20", "-t", "receipt", pdf)
        check(r.returncode == 0, f"lp: {r.stdout.strip()} {r.stderr.strip()}")
        got = listener.wait_connections(1, 90)
        if not check(got, "the job reached the socket device through CUPS and the application"):
            print(cupsd.error_log()[-4000:])
            return
        # The device connection closes when the application's job ends.
        end = time.time() + 60
        while time.time() < end:
            _, jobs = k20pa.ipp(url, "Get-Jobs", [("operation", "keyword", "which-jobs", "completed")])
            if jobs.get("job-id"):
                break
            time.sleep(0.2)
        time.sleep(0.3)
        with listener.lock:
            sizes = [len(c) for c in listener.connections]
            data = bytes(max(listener.connections, key=len))
        print(f"   device connections: {sizes} bytes")
        check(sum(1 for n in sizes if n) == 1, f"one job reached the device: {sizes}")
        rows, bounds = k20pa.decode_job(data, tmp, "cups")
        if not check(rows is not None, f"the bytes decode: {bounds if rows is None else len(rows)}"):
            return
        check(len(bounds) == 1, f"one page boundary: {bounds}")
        filters = re.findall(r"Started filter /usr/lib/cups/filter/(\w+)", cupsd.error_log())
        print(f"   CUPS filters: {filters}")
        renderer = "gs" if "gstoraster" in filters else "pdftoppm"
        ref = reference_raster(pdf, tmp, renderer)
        compare_pages(rows, ref, f"the page CUPS rendered ({renderer}) arrives as printed dots")
        check_operations(data, defaults, "through CUPS")
    finally:
        cupsd.stop()
        app.stop()
        listener.close()


def set_vendor_defaults(url, values):
    attrs = []
    for name, value in values.items():
        tag = "integer" if value.lstrip("-").isdigit() else "keyword"
        attrs.append((tag, name + "-default", int(value) if tag == "integer" else value))
    return k20pa.set_defaults(url, attrs)


def reference_raster(pdf, tmp, renderer):
    """The PDF rasterised directly at 203 dpi by the renderer CUPS used, cut to the
    head's 576 dots the way the driver centres them, as 1-bit rows (1 = black)."""
    import cups_support
    pgm = os.path.join(tmp, "reference.pgm")
    if renderer == "gs":
        subprocess.run(["gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=pgmraw", "-r203",
                        f"-sOutputFile={pgm}", pdf], check=True)
    else:
        subprocess.run(["pdftoppm", "-r", "203", "-gray", "-singlefile", pdf, pgm[:-4]], check=True)
    w, h, gray = cups_support.read_pgm(pgm)
    left = (w - 576) // 2 if w > 576 else 0
    rows = []
    for g in gray:
        r = bytearray(72)
        for x in range(min(576, w)):
            if g[left + x] < 128:
                r[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(r))
    return rows


def ink_box(rows):
    ys = [y for y, r in enumerate(rows) if any(r)]
    if not ys:
        return None
    xs = [x for r in rows for x in range(576) if r[x // 8] & (0x80 >> (x % 8))]
    return ys[0], ys[-1], min(xs), max(xs)


def shifted(rows, dx, dy):
    """rows moved right by dx dots and down by dy rows (as integers per row)."""
    ints = [int.from_bytes(r, "big") for r in rows]
    mask = (1 << 576) - 1
    out = []
    for y in range(len(rows)):
        sy = y - dy
        v = ints[sy] if 0 <= sy < len(ints) else 0
        out.append((v >> dx if dx >= 0 else v << -dx) & mask)
    return out


def compare_pages(got, ref, what):
    """The two rasterisations may size the 80 mm page a dot apart (639 or 640 dots), so
    the centred head window may sit a dot or row apart: the best alignment within two
    dots is taken. Glyph edges are halftoned from gray in one and thresholded in the
    other: almost every dot must agree."""
    gb, rb = ink_box(got), ink_box(ref)
    print(f"   ink box decoded {gb}, reference {rb}")
    n = max(len(got), len(ref))
    g = [int.from_bytes(r, "big") for r in got] + [0] * (n - len(got))
    ref = ref + [bytes(72)] * (n - len(ref))
    best = None
    for dx in range(-2, 3):
        for dy in range(-2, 3):
            r = shifted(ref, dx, dy)
            diff = sum(bin(a ^ b).count("1") for a, b in zip(g, r))
            if best is None or diff < best[0]:
                best = (diff, dx, dy)
    ink = max(1, k20pa.black_count(ref))
    diff, dx, dy = best
    print(f"   best alignment dx={dx} dy={dy}: {diff} dots differ of {ink} inked ({100.0 * diff / ink:.2f}%)")
    check(gb is not None and diff <= ink * 0.03, what + f" ({100.0 * diff / ink:.2f}% of inked dots differ)")


# --- the web interface in a real browser ---------------------------------------------------------
def suite_web(tmp):
    import cdp
    app = App(tmp, "web")
    listener = Listener()
    browser = None
    try:
        if not started(app, listener):
            return
        browser = cdp.Browser(tmp)
        base = f"http://127.0.0.1:{app.port}"
        check(browser.navigate(base + "/k20/"), "the printer's status page loads")
        links = browser.evaluate("Array.from(document.querySelectorAll('a')).map(a => [a.textContent.trim(), a.href])")
        settings = [h for t, h in links or [] if h.endswith("/k20/printing")]
        if not check(bool(settings), f"the status page links to the printing defaults: {links}"):
            return
        check(browser.navigate(settings[0]), f"the settings page loads: {settings[0]}")
        names = browser.evaluate("Array.from(document.querySelectorAll('select,input')).map(e => e.name)") or []
        for option in ("cut-page", "cut-job", "drawer", "buzzer", "logo", "logo-align", "logo-position", "feed",
                       "driver-log"):
            check(option in names, f"the settings page offers {option}")
        check(browser.evaluate("document.querySelector('[name=\"cut-job\"]').value") == "partial-feed",
              "cut-job shows the printer default partial-feed")
        browser.evaluate("document.querySelector('[name=\"cut-job\"]').value = 'full'")
        browser.evaluate("document.querySelector('[name=\"drawer\"]').value = 'both-40ms'")
        before = browser.evaluate("location.href")
        browser.evaluate("(() => { const f = document.querySelector('[name=\"cut-job\"]').form;"
                         " const b = f.querySelector('input[type=submit],button[type=submit],button');"
                         " if (b) b.click(); else f.submit(); })()")
        end = time.time() + 15
        text = ""
        while time.time() < end and "saved" not in text.lower():
            time.sleep(0.3)
            browser.wait_loaded()
            try:
                text = browser.evaluate("document.body.innerText") or ""
            except OSError:
                text = ""  # the page was being replaced
        check("Changes saved" in text or "saved" in text.lower(), f"the page confirms the change ({before})")
        screens = os.path.join(os.path.dirname(os.path.abspath(k20pa.BUILD)), "screens")
        os.makedirs(screens, exist_ok=True)
        shot = os.path.join(screens, "printerapp-settings.png")
        browser.screenshot(shot)
        check(os.path.getsize(shot) > 1000, f"screenshot saved: {shot}")
        a = k20pa.printer_attrs(app.url(), ["cut-job-default", "drawer-default"])
        check(a.get("cut-job-default") == ["full"] and a.get("drawer-default") == ["both-40ms"],
              f"the printer took the new defaults: {a.get('cut-job-default')} {a.get('drawer-default')}")
        status, job = k20pa.print_job(app.url(), one_page(300))
        state, _ = k20pa.wait_job(app.url(), job)
        check(state == "completed", "the next job completes")
        listener.wait_connections(1)
        time.sleep(0.2)
        check_operations(bytes(listener.connections[-1]), {"cut-job": "full", "drawer": "both-40ms"},
                         "the next job carries the defaults set in the browser")
    finally:
        if browser:
            browser.close()
        app.stop()
        listener.close()


SUITES = {"subcommands": suite_subcommands, "faults": suite_faults, "ipptool": suite_ipptool,
          "cups": suite_cups, "web": suite_web, "options": suite_options}


def main():
    if len(sys.argv) < 3 or sys.argv[2] not in SUITES:
        print(__doc__)
        return 2
    if not os.path.exists(k20pa.APP):
        print(f"{k20pa.APP} was not built")
        return 1
    tmp = tempfile.mkdtemp(prefix=f"k20pa-{sys.argv[2]}-")
    try:
        SUITES[sys.argv[2]](tmp)
    finally:
        if not k20pa.failures and not os.environ.get("K20_KEEP_TMP"):
            shutil.rmtree(tmp, ignore_errors=True)
        else:
            print(f"kept {tmp}")
    k20pa.finish(sys.argv[2])


if __name__ == "__main__":
    sys.exit(main())
