"""A cupsd of the test's own: its own configuration, folders and loopback port, so the
machine's CUPS is never touched."""
import os
import subprocess
import time

import k20pa


class Cupsd:
    def __init__(self, root):
        self.root = root
        self.port = k20pa.free_port()
        for d in ("conf", "cache", "spool", "log", "run", "tmp"):
            os.makedirs(os.path.join(root, d), exist_ok=True)
        # Filters run as the unprivileged user lp: every folder on the way must be open.
        p = root
        while p not in ("/", "/tmp"):
            os.chmod(p, 0o755)
            p = os.path.dirname(p)
        os.chmod(os.path.join(root, "tmp"), 0o1777)
        os.chmod(os.path.join(root, "spool"), 0o1777)
        conf = os.path.join(root, "conf")
        with open(os.path.join(conf, "cupsd.conf"), "w") as f:
            f.write(f"""LogLevel debug
Listen 127.0.0.1:{self.port}
Browsing No
WebInterface No
DefaultAuthType None
DefaultEncryption Never
<Location />
  Order allow,deny
  Allow from 127.0.0.1
</Location>
<Location /admin>
  Order allow,deny
  Allow from 127.0.0.1
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
""")
        with open(os.path.join(conf, "cups-files.conf"), "w") as f:
            f.write(f"""ServerRoot {conf}
CacheDir {root}/cache
DataDir /usr/share/cups
DocumentRoot /usr/share/cups/doc-root
RequestRoot {root}/spool
ServerBin /usr/lib/cups
StateDir {root}/run
TempDir {root}/tmp
AccessLog {root}/log/access_log
ErrorLog {root}/log/error_log
PageLog {root}/log/page_log
Printcap {root}/run/printcap
FileDevice No
""")
        self.env = dict(os.environ, CUPS_SERVER=f"127.0.0.1:{self.port}", CUPS_SERVERROOT=conf,
                        CUPS_STATEDIR=os.path.join(root, "run"))
        self.proc = None

    def start(self):
        conf = os.path.join(self.root, "conf")
        self.proc = subprocess.Popen(["/usr/sbin/cupsd", "-f", "-c", os.path.join(conf, "cupsd.conf"),
                                      "-s", os.path.join(conf, "cups-files.conf")],
                                     env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return k20pa.wait_port(self.port, 20)

    def run(self, *args, timeout=60):
        return subprocess.run(list(args), env=self.env, capture_output=True, text=True, timeout=timeout)

    def error_log(self):
        try:
            with open(os.path.join(self.root, "log", "error_log"), errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=15)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc = None


def read_pgm(path):
    """Returns (width, height, rows of gray bytes) of a binary PGM."""
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    i = 0
    while len(fields) < 4:
        while data[i:i + 1].isspace():
            i += 1
        if data[i:i + 1] == b"#":
            while data[i:i + 1] != b"\n":
                i += 1
            continue
        j = i
        while not data[j:j + 1].isspace():
            j += 1
        fields.append(data[i:j])
        i = j
    i += 1
    w, h = int(fields[1]), int(fields[2])
    return w, h, [data[i + y * w:i + (y + 1) * w] for y in range(h)]
