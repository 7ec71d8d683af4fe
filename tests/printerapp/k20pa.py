"""Shared parts of the printer application's system tests: a small IPP client, PWG
raster and PDF writers, a socket listener standing in for a network K-20, the
application server with its own state folder and port, and the driver-log decoder.
Everything listens on 127.0.0.1 only and is stopped by the test that started it."""
import os
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

BUILD = os.environ.get("K20_BUILD_DIR", "")
APP = os.path.join(BUILD, "printerapp", "k20-printer-app")
K20TOOL = os.path.join(BUILD, "tools", "k20tool", "k20tool")

failures = []
cases = []


def check(cond, what):
    print(("ok   " if cond else "FAIL ") + what, flush=True)
    cases.append((what, bool(cond)))
    if not cond:
        failures.append(what)
    return cond


def finish(suite):
    """Writes the checks as test cases where ctest's result counter reads them."""
    from xml.sax.saxutils import quoteattr
    results = os.path.join(BUILD, "results")
    os.makedirs(results, exist_ok=True)
    with open(os.path.join(results, f"test_printerapp_{suite}.xml"), "w") as f:
        f.write(f'<testsuites><testsuite name="test_printerapp_{suite}" tests="{len(cases)}">\n')
        for what, ok in cases:
            f.write(f'<testcase classname="test_printerapp_{suite}" name={quoteattr(what[:200])}>')
            f.write("" if ok else "<failure/>")
            f.write("</testcase>\n")
        f.write("</testsuite></testsuites>\n")
    if failures:
        print(f"{len(failures)} check(s) failed:")
        for f in failures:
            print("  " + f)
        sys.exit(1)
    print("all checks passed")


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def wait_port(port, timeout=15.0):
    end = time.time() + timeout
    while time.time() < end:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=0.5):
                return True
        except OSError:
            time.sleep(0.05)
    return False


# --- IPP ------------------------------------------------------------------------------
TAGS = {"integer": 0x21, "boolean": 0x22, "enum": 0x23, "range": 0x33, "text": 0x41, "name": 0x42,
        "keyword": 0x44, "uri": 0x45, "charset": 0x47, "language": 0x48, "mime": 0x49}
GROUPS = {"operation": 0x01, "job": 0x02, "printer": 0x04}
OPS = {"Print-Job": 0x0002, "Validate-Job": 0x0004, "Cancel-Job": 0x0008, "Get-Job-Attributes": 0x0009,
       "Get-Jobs": 0x000A, "Get-Printer-Attributes": 0x000B, "Set-Printer-Attributes": 0x0013,
       "Identify-Printer": 0x003C}
JOB_STATES = {3: "pending", 4: "pending-held", 5: "processing", 6: "processing-stopped", 7: "canceled",
              8: "aborted", 9: "completed"}


def _value(tag, v):
    if tag in (0x21, 0x23):
        return struct.pack(">i", v)
    if tag == 0x22:
        return bytes([1 if v else 0])
    if tag == 0x33:
        return struct.pack(">ii", v[0], v[1])
    return v.encode()


def encode(op, attrs, request_id=1):
    """attrs: list of (group, tag, name, value-or-list)."""
    out = struct.pack(">BBHI", 2, 0, OPS[op], request_id)
    group = None
    for g, tag, name, value in attrs:
        if g != group:
            out += bytes([GROUPS[g]])
            group = g
        values = value if isinstance(value, list) else [value]
        t = TAGS[tag]
        for i, v in enumerate(values):
            n = name.encode() if i == 0 else b""
            data = _value(t, v)
            out += struct.pack(">BH", t, len(n)) + n + struct.pack(">H", len(data)) + data
    return out + b"\x03"


def decode(data):
    status = struct.unpack(">H", data[2:4])[0]
    i = 8
    groups = []
    cur = None
    last = None
    while i < len(data):
        tag = data[i]
        i += 1
        if tag == 0x03:
            break
        if tag < 0x10:
            cur = {}
            groups.append((tag, cur))
            continue
        nlen = struct.unpack(">H", data[i:i + 2])[0]
        name = data[i + 2:i + 2 + nlen].decode()
        i += 2 + nlen
        vlen = struct.unpack(">H", data[i:i + 2])[0]
        raw = data[i + 2:i + 2 + vlen]
        i += 2 + vlen
        if tag in (0x21, 0x23) and vlen == 4:
            v = struct.unpack(">i", raw)[0]
        elif tag == 0x22:
            v = raw == b"\x01"
        elif tag == 0x33:
            v = struct.unpack(">ii", raw)
        elif tag in (0x41, 0x42, 0x44, 0x45, 0x47, 0x48, 0x49):
            v = raw.decode(errors="replace")
        else:
            v = raw
        if nlen:
            last = name
            cur.setdefault(name, []).append(v)
        elif last is not None and cur is not None:
            cur[last].append(v)
    merged = {}
    for _, g in groups:
        for k, v in g.items():
            merged.setdefault(k, v)
    return status, merged


def ipp(url, op, attrs=None, document=b"", timeout=60):
    base = [("operation", "charset", "attributes-charset", "utf-8"),
            ("operation", "language", "attributes-natural-language", "en"),
            ("operation", "uri", "printer-uri", url.replace("http://", "ipp://")),
            ("operation", "name", "requesting-user-name", "tester")]
    body = encode(op, base + (attrs or [])) + document
    req = urllib.request.Request(url, data=body, headers={"Content-Type": "application/ipp"})
    with urllib.request.urlopen(req, timeout=timeout) as r:
        return decode(r.read())


# --- documents --------------------------------------------------------------------------
def _packbits_line(line):
    out = bytearray()
    i = 0
    n = len(line)
    while i < n:
        j = i + 1
        while j < n and j - i < 128 and line[j] == line[i]:
            j += 1
        out += bytes([j - i - 1, line[i]])
        i = j
    return bytes(out)


def pwg_raster(pages, width, bits=8, dpi=203, gray=False):
    """pages: lists of 1-bit rows (1 = black), or of 8-bit gray rows when gray is set.
    Written as sgray_8 (bits 8, what the application takes) or black_1 (bits 1)."""
    if bits == 8 and not gray:
        pages = gray_pages(pages)
    out = bytearray(b"RaS2")
    for rows in pages:
        height = len(rows)
        bpl = (width * bits + 7) // 8
        h = bytearray(1796)
        h[0:9] = b"PwgRaster"  # MediaClass: how a PWG raster file is recognised
        struct.pack_into(">II", h, 276, dpi, dpi)
        pw = int(round(width * 72 / dpi))
        ph = int(round(height * 72 / dpi))
        struct.pack_into(">II", h, 352, pw, ph)
        struct.pack_into(">I", h, 340, 1)  # NumCopies
        struct.pack_into(">IIIIII", h, 372, width, height, 0, bits, bits, bpl)
        struct.pack_into(">II", h, 396, 0, 3 if bits == 1 else 18)  # chunky, K or sGray
        struct.pack_into(">I", h, 420, 1)  # cupsNumColors
        struct.pack_into(">I", h, 452, len(pages))  # TotalPageCount
        struct.pack_into(">I", h, 460, 0xFFFFFF if bits == 1 else 0)  # AlternatePrimary
        h[1732:1732 + 6] = b"custom"
        out += h
        i = 0
        while i < height:
            j = i + 1
            while j < height and j - i < 256 and rows[j] == rows[i]:
                j += 1
            out += bytes([j - i - 1]) + _packbits_line(rows[i])
            i = j
    return bytes(out)


def gray_pages(pages):
    """1-bit rows (1 = black) as 8-bit sgray rows (0 black, 255 white)."""
    table = [bytes(0 if (b >> (7 - i)) & 1 else 255 for i in range(8)) for b in range(256)]
    return [[b"".join(table[b] for b in row) for row in rows] for rows in pages]


def apple_raster(gray_rows, width, dpi=203):
    """One page of 8-bit gray rows (0 black) as Apple raster (URF), sGray."""
    out = bytearray(b"UNIRAST\0") + struct.pack(">I", 1)
    h = bytearray(32)
    h[0], h[1], h[2], h[3] = 8, 0, 1, 4  # 8 bits, sGray, one-sided, normal quality
    struct.pack_into(">III", h, 12, width, len(gray_rows), dpi)
    out += h
    i = 0
    while i < len(gray_rows):
        j = i + 1
        while j < len(gray_rows) and j - i < 256 and gray_rows[j] == gray_rows[i]:
            j += 1
        out += bytes([j - i - 1]) + _packbits_line(gray_rows[i])
        i = j
    return bytes(out)


def receipt_rows(width=576, height=2400, seed=0):
    """A receipt-like 1-bit page: text-like blocks on most lines, a blank tail."""
    bpl = width // 8
    rows = []
    for y in range(height):
        if y >= height - 200 or (y // 24) % 3 == 2:
            rows.append(bytes(bpl))
            continue
        r = bytearray(bpl)
        for x in range(bpl):
            if ((x * 7 + y // 3 + seed) % 11) < 5 and x < bpl - 4:
                r[x] = 0x5A ^ ((y + x) & 0xFF) & 0xF0
        rows.append(bytes(r))
    return rows


def pdf_receipt(path, width_mm=80, height_mm=120):
    """A one-page PDF receipt: solid bars and lines of text in a base-14 font."""
    w = width_mm * 72 / 25.4
    h = height_mm * 72 / 25.4
    ops = ["0 g"]
    y = h - 30
    for i, text in enumerate(["K-20 TEST RECEIPT", "Coffee        2.50", "Bread         1.20",
                              "TOTAL         3.70"]):
        ops.append(f"BT /F1 {14 if i == 0 else 11} Tf 20 {y:.2f} Td ({text}) Tj ET")
        y -= 22
    ops.append(f"20 {y - 10:.2f} {w - 40:.2f} 6 re f")
    for k in range(8):
        ops.append(f"{20 + k * 18:.2f} {y - 70:.2f} {4 + k:.2f} 40 re f")
    content = "\n".join(ops).encode()
    objs = [b"<< /Type /Catalog /Pages 2 0 R >>",
            b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            f"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 {w:.2f} {h:.2f}] /Resources << /Font << /F1 5 0 R >> >> /Contents 4 0 R >>".encode(),
            b"<< /Length " + str(len(content)).encode() + b" >>\nstream\n" + content + b"\nendstream",
            b"<< /Type /Font /Subtype /Type1 /BaseFont /Courier-Bold >>"]
    out = bytearray(b"%PDF-1.4\n")
    offsets = []
    for n, o in enumerate(objs, 1):
        offsets.append(len(out))
        out += f"{n} 0 obj\n".encode() + o + b"\nendobj\n"
    xref = len(out)
    out += f"xref\n0 {len(objs) + 1}\n0000000000 65535 f \n".encode()
    for off in offsets:
        out += f"{off:010d} 00000 n \n".encode()
    out += f"trailer\n<< /Size {len(objs) + 1} /Root 1 0 R >>\nstartxref\n{xref}\n%%EOF\n".encode()
    with open(path, "wb") as f:
        f.write(out)


# --- the stand-in printer --------------------------------------------------------------
class Listener:
    """A network K-20 on 127.0.0.1: keeps each connection's bytes. mode: 'normal',
    'slow' (reads a little at a time), 'reset' (drops the connection after reset_after
    bytes)."""

    def __init__(self, port=None, mode="normal", reset_after=4096):
        self.port = port or free_port()
        self.mode = mode
        self.reset_after = reset_after
        self.connections = []
        self.closed = 0
        self.lock = threading.Lock()
        self.done = threading.Condition(self.lock)
        self.sock = socket.socket()
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        if mode == "reset":
            # A small window keeps most of the job on the application's side, so the
            # reset reaches it while it still writes (loopback buffers would otherwise
            # take a whole receipt at once).
            self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        self.sock.bind(("127.0.0.1", self.port))
        self.sock.listen(8)
        self.running = True
        self.last_byte_time = None
        # The paper sensor answer to DLE EOT 4 (None: the query goes unanswered).
        self.status_reply = None
        self.queries = 0
        self.thread = threading.Thread(target=self._run, daemon=True)
        self.thread.start()

    def _run(self):
        while self.running:
            try:
                c, _ = self.sock.accept()
            except OSError:
                return
            threading.Thread(target=self._serve, args=(c,), daemon=True).start()

    def _serve(self, c):
        data = bytearray()
        with self.lock:
            self.connections.append(data)
        try:
            while True:
                if self.mode == "slow":
                    chunk = c.recv(512)
                    time.sleep(0.002)
                else:
                    chunk = c.recv(1 << 20)
                if not chunk:
                    break
                with self.lock:
                    data += chunk
                    self.last_byte_time = time.perf_counter()
                    reply = self.status_reply
                if bytes(data) == b"\x10\x04\x04":
                    with self.lock:
                        self.queries += 1
                    if reply is not None:
                        try:
                            c.sendall(bytes([reply]))
                        except OSError:
                            pass  # the application gave up waiting and closed
                if self.mode == "reset" and len(data) >= self.reset_after:
                    c.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                    break
        except OSError:
            pass  # the application dropped the connection: what came is kept
        finally:
            c.close()
            with self.lock:
                self.closed += 1
                self.done.notify_all()

    def wait_connections(self, n, timeout=30):
        """Waits until n connections have ended (the application closes the device
        when its job is done)."""
        end = time.time() + timeout
        with self.lock:
            while self.closed < n and time.time() < end:
                self.done.wait(0.1)
            return self.closed >= n

    def close(self):
        self.running = False
        try:
            self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        try:
            self.sock.close()
        except OSError:
            pass
        self.thread.join(5)


# --- the application -------------------------------------------------------------------
class App:
    """One printer application server with its own state folder, port and name (its
    name makes its local socket, so several never meet)."""

    def __init__(self, root, tag):
        self.root = os.path.join(root, tag)
        os.makedirs(self.root, exist_ok=True)
        self.state = os.path.join(self.root, "state")
        self.name = f"k20pa-{tag}-{os.getpid()}"
        self.exe = os.path.join(self.root, self.name)
        if not os.path.exists(self.exe):
            os.symlink(os.path.abspath(APP), self.exe)
        self.port = free_port()
        self.env = dict(os.environ, HOME=self.root, TMPDIR=self.root)
        self.proc = None

    def cmd(self, *args, check_rc=True, input_bytes=None, timeout=60):
        r = subprocess.run([self.exe, *args], env=self.env, capture_output=True, timeout=timeout,
                           input=input_bytes)
        if check_rc and r.returncode != 0:
            print(f"{self.name} {' '.join(args)} -> {r.returncode}\n{r.stdout.decode()}\n{r.stderr.decode()}")
        return r

    def start(self, *extra):
        self.proc = subprocess.Popen(
            [self.exe, "server", "-o", f"state-directory={self.state}", "-o", f"server-port={self.port}",
             "-o", "listen-hostname=127.0.0.1", "-o", "server-options=no-tls", "-o", "log-level=debug", *extra],
            env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        ok = wait_port(self.port)
        # The local socket comes up with the TCP listener; give the loop a moment to run.
        time.sleep(0.2)
        return ok

    def url(self, printer="k20"):
        return f"http://127.0.0.1:{self.port}/ipp/print/{printer}"

    def add(self, printer, device_uri, driver="k20"):
        r = self.cmd("add", "-d", printer, "-m", driver, "-v", device_uri)
        return r.returncode == 0

    def stop(self):
        if not self.proc:
            return
        if self.proc.poll() is None:
            self.cmd("shutdown", check_rc=False, timeout=20)
            try:
                self.proc.wait(timeout=15)
            except subprocess.TimeoutExpired:
                self.proc.send_signal(signal.SIGTERM)
                try:
                    self.proc.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    self.proc.kill()
                    self.proc.wait()
        self.proc = None
        # A server that was killed leaves its local socket behind.
        for path in (f"/run/{self.name}.sock", os.path.join(self.root, f"{self.name}{os.getuid()}.sock")):
            if os.path.exists(path):
                os.unlink(path)

    def log(self):
        try:
            with open(os.path.join(self.state, "server.log"), errors="replace") as f:
                return f.read()
        except OSError:
            return ""


def print_job(url, document, fmt="image/pwg-raster", job_attrs=(), timeout=60):
    attrs = [("operation", "mime", "document-format", fmt), ("operation", "name", "job-name", "test")]
    attrs += [("job", t, n, v) for t, n, v in job_attrs]
    status, a = ipp(url, "Print-Job", attrs, document, timeout=timeout)
    return status, (a.get("job-id") or [0])[0]


def job_state(url, job_id):
    status, a = ipp(url, "Get-Job-Attributes", [("operation", "integer", "job-id", job_id)])
    st = (a.get("job-state") or [0])[0]
    return JOB_STATES.get(st, str(st)), a


def wait_job(url, job_id, timeout=60):
    end = time.time() + timeout
    state, a = job_state(url, job_id)
    while state in ("pending", "processing", "pending-held", "processing-stopped") and time.time() < end:
        time.sleep(0.05)
        state, a = job_state(url, job_id)
    return state, a


def printer_attrs(url, names=None):
    attrs = [("operation", "keyword", "requested-attributes", names)] if names else []
    return ipp(url, "Get-Printer-Attributes", attrs)[1]


def set_defaults(url, values):
    attrs = [("printer", t, n, v) for t, n, v in values]
    return ipp(url, "Set-Printer-Attributes", attrs)[0]


# --- decoding what the printer received -------------------------------------------------
def decode_job(data, workdir, name="job", dots=576):
    """Decodes job bytes with k20tool's driver-log decoder. Returns (rows, boundaries),
    rows being lists of bytes (1 = black), top row first, or (None, message)."""
    prn = os.path.join(workdir, name + ".prn")
    bmp = os.path.join(workdir, name + ".bmp")
    with open(prn, "wb") as f:
        f.write(data)
    width_bytes = (dots + 7) // 8
    r = subprocess.run([K20TOOL, "log", "decode", prn, "-o", bmp, "--width-bytes", str(width_bytes),
                        "--dots", str(dots)], capture_output=True, text=True)
    if r.returncode != 0:
        return None, r.stderr.strip() + r.stdout.strip()
    boundaries = []
    for line in r.stdout.splitlines():
        if line.startswith("page boundaries"):
            boundaries = [int(x) for x in line.split()[2:]]
    with open(bmp, "rb") as f:
        b = f.read()
    height = struct.unpack("<i", b[22:26])[0]
    rows = []
    for i in range(height):
        off = 62 + i * width_bytes
        rows.append(bytes(x ^ 0xFF for x in b[off:off + width_bytes]))
    rows.reverse()  # file rows are c .. 1, bottom-up: raster row 1 first after reversing
    return rows, boundaries


def black_count(rows):
    return sum(bin(x).count("1") for r in rows for x in r)
