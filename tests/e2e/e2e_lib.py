"""End-to-end test kit: writes installers byte by byte, runs them under Wine with e2e_driver, checks.

A test file makes one E2E object (one Wine prefix for the file, so that each scenario costs one Wine
start, not one prefix copy) and runs scenarios with it. Each scenario:
  - writes its installer: the stub (install.exe) followed by a package written here from the format
    (96-byte header, eleven 280-byte entries, payloads) - deliberately not with our packaging tool;
  - runs e2e_driver.exe with a script (see driver.cpp) in that prefix on a private Xvfb;
  - checks files in the prefix and, where it wants, the registry with `wine reg query`.
Scenarios use titles of their own, so that what one leaves behind cannot satisfy another.
"""
import argparse
import os
import shutil
import signal
import struct
import subprocess
import sys
import time
import traceback

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
# The driver's output is UTF-8; a log that cannot show a character gets its escape, never an exception.
sys.stdout.reconfigure(encoding="utf-8", errors="backslashreplace")
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run.sh")
# The installer's uninstall entries live below this key (HKLM), one subkey per title.
UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
# What an installer whose integrity record does not match says at start-up.
DAMAGED_INSTALLER = "The installer is damaged, download it again."

KIND_BMP, KIND_MOVIE, KIND_SILENT, KIND_JPEG = 1, 2, 4, 8


def wine_environment(extra=None):
    """Wine maps host file names through the locale's character set: a UTF-8 locale, so that names in any
    script reach the programs (unless extra names another)."""
    env = {"LC_ALL": "C.UTF-8"}
    env.update(extra or {})
    return env


def russian_locale():
    """Environment that runs Wine with ANSI code page 1251: the ru_RU.UTF-8 locale that scripts/setup.sh
    compiles into .cache/locale."""
    cache = os.environ.get("MV_CACHE", os.path.join(ROOT, ".cache"))
    locales = os.path.join(cache, "locale")
    if not os.path.exists(os.path.join(locales, "ru_RU.UTF-8", "LC_CTYPE")):
        raise AssertionError("no ru_RU.UTF-8 locale in %s: run scripts/setup.sh" % locales)
    return {"LOCPATH": locales, "LC_ALL": "ru_RU.UTF-8"}


def take_option(name):
    """Removes "--name VALUE" from the command line and returns VALUE ("" without it): for scripts with
    options of their own besides E2E's, taken before E2E() parses the rest."""
    if name in sys.argv:
        i = sys.argv.index(name)
        value = sys.argv[i + 1]
        del sys.argv[i:i + 2]
        return value
    return ""


def win_path(host_path):
    """The Windows path (drive Z: is the host's root under Wine) of a host path."""
    return "Z:" + os.path.abspath(host_path).replace("/", "\\")


def wine(t, *args):
    """Runs a Windows program (a path in the prefix, or a Wine program) in the test's prefix: exit code."""
    r = subprocess.run([WINE_RUN, "--keep", t.prefix] + list(args), capture_output=True, timeout=600,
                       env=dict(os.environ, **wine_environment()))
    print("%s: exit %d" % (" ".join(args), r.returncode), flush=True)
    return r.returncode


def render_movie(name="freehep_vector_v6.swf"):
    """A movie of tests/data/render (FreeHEP's, version 6, stage 350 x 150)."""
    with open(os.path.join(ROOT, "tests", "data", "render", name), "rb") as f:
        return f.read()


# ------------------------------------------------------------------------------------------ formats

def tiny_jpeg():
    """An 8x8 mid-grey baseline JPEG: one block, DC difference 0, end of block at once."""
    soi = b"\xff\xd8"
    dqt = b"\xff\xdb" + struct.pack(">H", 67) + b"\x00" + bytes([1] * 64)
    sof = b"\xff\xc0" + struct.pack(">HBHHB", 11, 8, 8, 8, 1) + b"\x01\x11\x00"
    # One code each (length 1): DC category 0, AC end of block.
    dht_dc = b"\xff\xc4" + struct.pack(">H", 20) + b"\x00" + bytes([1] + [0] * 15) + b"\x00"
    dht_ac = b"\xff\xc4" + struct.pack(">H", 20) + b"\x10" + bytes([1] + [0] * 15) + b"\x00"
    sos = b"\xff\xda" + struct.pack(">H", 8) + b"\x01\x01\x00\x00\x3f\x00"
    scan = b"\x3f"  # bits 0 (DC), 0 (EOB), then padding ones
    return soi + dqt + sof + dht_dc + dht_ac + sos + scan + b"\xff\xd9"


def bmp_24(width=4, height=2, bgr=(0x40, 0x80, 0xC0)):
    row = bytes(bgr) * width
    row += b"\x00" * ((4 - len(row) % 4) % 4)
    pixels = row * height
    header = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


class Slot:
    def __init__(self, name="", kind=5, payload=b"", compressed=False, expanded=None):
        self.name, self.kind, self.payload = name.encode("cp1252") if isinstance(name, str) else name, kind, payload
        self.compressed, self.expanded = compressed, expanded


def package(stub, title, slots, kind=KIND_JPEG, licence=0, run_extra=0, rgb=(0, 0, 0), show_desktop=0):
    """stub + package. slots: dict index -> Slot. Payloads follow the directory in slot order; slot 0
    spans the stub; empty slots have start = end = 0."""
    title_bytes = title.encode("cp1252") if isinstance(title, str) else title
    header = bytearray(96)
    header[0], header[1], header[2] = kind, licence, run_extra
    struct.pack_into("<iii", header, 16, *rgb)
    header[29] = show_desktop
    header[30:30 + min(64, len(title_bytes))] = title_bytes[:64]
    base = len(stub)
    position = base + 96 + 11 * 280
    entries, payloads = bytearray(), bytearray()
    for k in range(11):
        s = slots.get(k, Slot())
        if k == 0:
            s = Slot("install.exe", 6)
            start, end, expanded = 0, base - 1, base
        elif s.name:
            start, end = position, position + len(s.payload) - 1
            position += len(s.payload)
            payloads += s.payload
            expanded = s.expanded if s.expanded is not None else len(s.payload)
        else:
            start = end = 0
            expanded = 0
        entry = bytearray(280)
        entry[0] = len(s.name)
        entry[1:1 + len(s.name)] = s.name
        struct.pack_into("<iiiB3xii", entry, 256, start, end, s.kind, 1 if s.compressed else 0,
                         len(s.payload) if s.compressed else 0, expanded)
        entries += entry
    return bytes(stub) + bytes(header) + bytes(entries) + bytes(payloads)


class Entry:
    def __init__(self, name, payload=b"", kind=0, compressed=False, expanded=None):
        self.name = name.encode("cp1252") if isinstance(name, str) else name
        self.payload, self.kind, self.compressed, self.expanded = payload, kind, compressed, expanded


def data_file(title, entries, movie_source=0):
    """A Moviva data file: 1,240-byte header, 264-byte records, then 44-byte "CHUN" blocks + payloads."""
    header = bytearray(1240)
    struct.pack_into("<i", header, 212, len(entries))
    t = title.encode("cp1252")[:64]
    header[248:248 + len(t)] = t
    struct.pack_into("<i", header, 1204, movie_source)
    records, blocks = bytearray(), bytearray()
    offset = 1240 + 264 * len(entries)
    for e in entries:
        record = bytearray(264)
        record[0] = e.kind
        record[2:2 + len(e.name)] = e.name
        struct.pack_into("<i", record, 260, offset + len(blocks))
        records += record
        expanded = e.expanded if e.expanded is not None else len(e.payload)
        block = bytearray(44)
        block[0:4] = b"CHUN"
        struct.pack_into("<iiii", block, 4, e.kind, expanded, len(e.payload), 1 if e.compressed else 0)
        blocks += block + e.payload
    return bytes(header) + bytes(records) + bytes(blocks)


def implode(data):
    """A PKWARE DCL implode stream (binary literals, 2 KB dictionary) made by node-pkware, an
    implementation independent of ours. None when node or node-pkware is missing."""
    tool = os.path.join(ROOT, ".cache", "npm", "node_modules", "node-pkware", "dist", "bin", "implode.js")
    if not shutil.which("node") or not os.path.exists(tool):
        return None
    # The command-line tool may end with a non-zero code after writing its output (an unsettled promise
    # at exit); the stream counts when node-pkware's own explode gives the data back.
    r = subprocess.run(["node", tool, "--binary", "--medium"], input=data, capture_output=True, timeout=60)
    back = subprocess.run(["node", tool.replace("implode.js", "explode.js")], input=r.stdout, capture_output=True,
                          timeout=60)
    return r.stdout if r.stdout and back.stdout == data else None


# ------------------------------------------------------------------------------------------- runner

class Skip(Exception):
    pass


class E2E:
    def __init__(self):
        ap = argparse.ArgumentParser()
        ap.add_argument("--stub", required=True)
        ap.add_argument("--driver", required=True)
        ap.add_argument("--work", required=True)
        ap.add_argument("--library", default="")   # impborl.dll for slot 1 (compressed slots need it)
        ap.add_argument("--flashax", default="")   # a Flash Player installer stand-in for slot 2
        ap.add_argument("--fake-ocx", default="")  # a file with version resource 6.0.47.0
        # Files with version resources newer than the bundled Flash Player (7.0.19.0, 32.0.0.465)
        ap.add_argument("--newer-ocx", action="append", default=[])
        ap.add_argument("--uninstaller", default="")  # the sample uninstall.exe for slot 9
        ap.add_argument("--logger", default="")  # a program that logs its command line to a file beside itself
        ap.add_argument("--keep", action="store_true", help="keep the prefix and the work folder")
        ap.add_argument("only", nargs="*", help="scenarios to run (default: all)")
        self.args = ap.parse_args()
        self.work = os.path.abspath(self.args.work)
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        self.prefix = os.path.join(self.work, "prefix")
        with open(self.args.stub, "rb") as f:
            self.stub = f.read()
        self.library = self._read(self.args.library) or b"MZ placeholder: no codec in this package"
        self.flashax = self._read(self.args.flashax)
        self.failures = []
        self.ran = 0

    @staticmethod
    def _read(path):
        if path and os.path.exists(path):
            with open(path, "rb") as f:
                return f.read()
        return None

    def has_codec(self):
        return bool(self.args.library and os.path.exists(self.args.library))

    # Paths in the prefix -------------------------------------------------------------------
    def ensure_prefix(self):
        """The prefix, made by the runner from its template on a first run that sets it up: windows
        unmanaged, because without a window manager on Xvfb Wine otherwise waits up to 2 s for each
        hidden or destroyed window."""
        if os.path.exists(os.path.join(self.prefix, "system.reg")):
            return
        subprocess.run([WINE_RUN, "--keep", self.prefix, "reg", "add", "HKCU\\Software\\Wine\\X11 Driver",
                        "/v", "Managed", "/d", "N", "/f"], capture_output=True, timeout=600)

    def host(self, windows_path):
        """The host path of a path in the prefix ("%TEMP%", "%WINDIR%" understood); case-insensitive."""
        self.ensure_prefix()
        p = windows_path.replace("%TEMP%", "C:\\users\\root\\Temp").replace("%WINDIR%", "C:\\windows")
        assert p[1] == ":", p
        current = os.path.join(self.prefix, "drive_" + p[0].lower())
        for part in [x for x in p[3:].split("\\") if x]:
            candidate = os.path.join(current, part)
            if not os.path.exists(candidate) and os.path.isdir(current):
                for name in os.listdir(current):
                    if name.lower() == part.lower():
                        candidate = os.path.join(current, name)
                        break
            current = candidate
        return current

    def exists(self, windows_path):
        return os.path.exists(self.host(windows_path))

    def read(self, windows_path):
        with open(self.host(windows_path), "rb") as f:
            return f.read()

    def remove(self, windows_path):
        p = self.host(windows_path)
        if os.path.isdir(p):
            shutil.rmtree(p, ignore_errors=True)
        elif os.path.exists(p):
            os.remove(p)

    def clean_temp(self):
        """Leftover working folders of earlier scenarios would change the folder a run gets."""
        temp = self.host("%TEMP%")
        if os.path.isdir(temp):
            for name in os.listdir(temp):
                if name.upper().startswith("MVVA") or name.startswith("FlashPanel"):
                    shutil.rmtree(os.path.join(temp, name), ignore_errors=True)

    # Packages -------------------------------------------------------------------------------
    def typical_slots(self, title, data, picture=None):
        """The Overview's package: JPEG picture, no licence, no extra file; slots 1, 2, 3, 6, 8, 9."""
        return {
            1: Slot("impborl.dat", 3, self.library),
            2: Slot("flashax.exe", 3, self.flashax or b"MZ not a program"),
            3: Slot("installer.swf", 5, picture if picture is not None else tiny_jpeg()),
            6: Slot(title + ".html", 2, ("<html><body>%s</body></html>\r\n" % title).encode()),
            8: Slot(title + ".mvd", 4, data),
            9: Slot("uninstall.exe", 5, b"MZ uninstaller of " + title.encode()),
            10: Slot("", 10),
        }

    def write_installer(self, name, data):
        folder = os.path.join(self.work, name)
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, "setup.exe")
        with open(path, "wb") as f:
            f.write(data)
        return path

    # Running --------------------------------------------------------------------------------
    def drive(self, name, setup_path, script, timeout=400, env=None):
        """Runs the driver with script (SETUP in it stands for the installer's Windows path; the script is
        UTF-8). env: more environment variables for Wine (a locale, say). Returns (passed, output)."""
        folder = os.path.join(self.work, name)
        os.makedirs(folder, exist_ok=True)
        script = script.replace("SETUP", win_path(setup_path) if setup_path else "")
        script_path = os.path.join(folder, "script.txt")
        with open(script_path, "w", encoding="utf-8") as f:
            f.write(script)
        self.clean_temp()
        cmd = [WINE_RUN, "--gui", "--keep", self.prefix, self.args.driver, win_path(script_path)]
        env = dict(os.environ, **wine_environment(env))
        env.pop("MV_DISPLAY", None)
        proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env,
                                start_new_session=True)
        try:
            out, _ = proc.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGTERM)  # the runner's own clean-up stops its wineserver
            try:
                out, _ = proc.communicate(timeout=30)
            except subprocess.TimeoutExpired:
                os.killpg(proc.pid, signal.SIGKILL)
                out, _ = proc.communicate()
            out = (out or b"") + b"\nTIMEOUT\n"
        text = out.decode("utf-8", "replace")
        with open(os.path.join(folder, "output.txt"), "w", encoding="utf-8") as f:
            f.write(text)
        passed = proc.returncode == 0 and "\nPASS" in "\n" + text
        return passed, text

    def reg_query(self, key, value):
        """The data of a REG_SZ value via `wine reg query` (None when missing)."""
        env = dict(os.environ, WINEPREFIX=self.prefix, WINEARCH="win32", WINEDEBUG="-all", **wine_environment())
        try:
            r = subprocess.run(["wine", "reg", "query", key, "/v", value], capture_output=True, env=env,
                               timeout=120)
        finally:
            subprocess.run(["wineserver", "-k"], env=env, capture_output=True, timeout=60)
        for line in r.stdout.decode("utf-8", "replace").splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[0].lower() == value.lower() and parts[1].startswith("REG_"):
                return parts[2] if len(parts) == 3 else ""
        return None

    def scenario(self, fn):
        name = fn.__name__
        if self.args.only and name not in self.args.only:
            return
        print("=== " + name, flush=True)
        started = time.time()
        try:
            fn(self)
            print("--- %s passed (%.0f s)" % (name, time.time() - started), flush=True)
            self.ran += 1
        except Skip as s:
            print("--- %s skipped: %s" % (name, s), flush=True)
        except Exception:  # an assertion or an error in the test itself
            traceback.print_exc()
            print("--- %s FAILED" % name, flush=True)
            self.failures.append(name)

    def check_drive(self, name, setup_path, script, timeout=400, env=None):
        passed, text = self.drive(name, setup_path, script, timeout, env)
        print(text, end="", flush=True)
        if not passed:
            raise AssertionError("the driver's script failed")
        return text

    def finish(self):
        if not self.args.keep:
            shutil.rmtree(self.prefix, ignore_errors=True)
        if self.failures:
            print("FAILED: " + ", ".join(self.failures))
            sys.exit(1)
        print("all %d scenarios passed" % self.ran)
        sys.exit(0)


def expect(condition, what):
    if not condition:
        raise AssertionError(what)
