#!/usr/bin/env python3
"""The real installer (install.exe with packages written byte by byte) under Wine on an Xvfb of its own,
driven by e2e_driver, with screenshots taken from the X server while its window waits:

  - presentation kind 8 with slot 3 named "installer.swf": "installer.jpg" is written and shown,
    without and with licence;
  - kind 1 with a BMP picture, without and with licence;
  - kind 5: the window shows neither picture nor movie;
  - the licence flag with an empty slot 4: only the start-up message for -531;
  - kind 4: no window at all.

  tests/ui/installer_screenshots.py --build BUILD_WIN32 [--out artifacts/screenshots]

Needs install.exe, impborl.dll and tests/e2e/e2e_driver.exe in BUILD_WIN32, and ImageMagick.
Prints PASS/FAIL per scenario; exits 1 when one failed.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from e2e_lib import Entry, Slot, data_file, package, win_path  # noqa: E402
from xvfb_display import Display, unmanaged_windows  # noqa: E402

WINE_RUN = os.path.join(ROOT, "scripts", "wine-run.sh")


def pictures(work):
    """A 350 x 150 JPEG and BMP made with ImageMagick, with their kind written on them."""
    font = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
    made = {}
    for kind, colours, fmt in (("JPEG", "#1e3c72-#f0a030", "jpg"), ("BMP", "#0a6030-#a0e0ff", "bmp")):
        path = os.path.join(work, "picture." + fmt)
        cmd = ["convert", "-size", "350x150", "gradient:" + colours]
        if os.path.exists(font):
            cmd += ["-font", font, "-gravity", "center", "-pointsize", "22", "-fill", "white",
                    "-annotate", "0", "Real installer (%s)" % kind]
        cmd.append(("BMP3:" if fmt == "bmp" else "") + path)
        subprocess.run(cmd, check=True)
        with open(path, "rb") as f:
            made[kind] = f.read()
    return made


class Runner:
    def __init__(self, args):
        self.args = args
        self.work = tempfile.mkdtemp(prefix="mvinstshots.")
        self.prefix = os.path.join(self.work, "prefix")
        self.out = os.path.abspath(args.out)
        os.makedirs(self.out, exist_ok=True)
        with open(os.path.join(args.build, "install.exe"), "rb") as f:
            self.stub = f.read()
        with open(os.path.join(args.build, "impborl.dll"), "rb") as f:
            self.library = f.read()
        self.driver = os.path.join(args.build, "tests", "e2e", "e2e_driver.exe")
        self.pictures = pictures(self.work)
        self.failures = []
        unmanaged_windows(WINE_RUN, self.prefix)

    def slots(self, title, picture, slot3="installer.swf"):
        data = data_file(title, [Entry("main.swf", b"FWS movie")])
        return {
            1: Slot("impborl.dat", 3, self.library),
            2: Slot("flashax.exe", 3, b"MZ not a program"),
            3: Slot(slot3, 5, picture),
            6: Slot(title + ".html", 2, ("<html><body>%s</body></html>\r\n" % title).encode()),
            8: Slot(title + ".mvd", 4, data),
            9: Slot("uninstall.exe", 5, b"MZ uninstaller of " + title.encode()),
            10: Slot("", 10),
        }

    def host(self, windows_path):
        p = windows_path.replace("%WINDIR%", "C:\\windows")
        current = os.path.join(self.prefix, "drive_c")
        for part in [x for x in p[3:].split("\\") if x]:
            candidate = os.path.join(current, part)
            if not os.path.exists(candidate) and os.path.isdir(current):
                for name in os.listdir(current):
                    if name.lower() == part.lower():
                        candidate = os.path.join(current, name)
            current = candidate
        return current

    def run(self, name, data, script, shots=(), on_ready=None):
        """Writes the installer, runs the driver's script on a fresh display; takes a screenshot each
        time the driver prints a line starting with one of shots' keys."""
        folder = os.path.join(self.work, name)
        os.makedirs(folder, exist_ok=True)
        setup = os.path.join(folder, "setup.exe")
        with open(setup, "wb") as f:
            f.write(data)
        with open(os.path.join(folder, "script.txt"), "w") as f:
            f.write(script.replace("SETUP", win_path(setup)))
        temp = self.host("C:\\users\\root\\Temp")
        if os.path.isdir(temp):
            for entry in os.listdir(temp):
                if entry.upper().startswith("MVVA"):
                    shutil.rmtree(os.path.join(temp, entry), ignore_errors=True)
        display = Display()
        env = dict(os.environ, MV_DISPLAY=display.name)
        proc = subprocess.Popen([WINE_RUN, "--keep", self.prefix, self.driver,
                                 win_path(os.path.join(folder, "script.txt"))],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env, text=True)
        log, notes = [], []
        timer = threading.Timer(300, proc.kill)
        timer.start()
        try:
            for line in proc.stdout:
                log.append(line)
                for key, shot in shots:
                    if line.startswith(key):
                        time.sleep(1.0)
                        display.shoot(os.path.join(self.out, shot))
                        notes.append(shot)
                        if on_ready:
                            notes.extend(on_ready(display) or [])
            proc.wait()
        finally:
            timer.cancel()
            display.close()
        text = "".join(log)
        with open(os.path.join(folder, "output.txt"), "w") as f:
            f.write(text)
        passed = proc.returncode == 0 and "\nPASS" in "\n" + text
        return passed, text, notes

    def scenario(self, name, data, script, shots=(), check=None, on_ready=None):
        passed, text, notes = self.run(name, data, script, shots, on_ready)
        problems = []
        if not passed:
            problems.append("driver: " + (text.strip().splitlines() or ["no output"])[-1])
        if check:
            problems += check(notes)
        if problems:
            self.failures.append(name)
            print("FAIL %s: %s" % (name, "; ".join(problems)))
            print(text)
        else:
            print("PASS %s %s" % (name, " ".join(n for n in notes if n.endswith(".png"))))


WAIT_AND_CANCEL = r"""
start I SETUP
wait-window W "Install Wallpaper: {title}" 60000 I
print READY
sleep 2500
press W Cancel
wait-exit I 30000
expect-exit I 2
"""


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", required=True)
    ap.add_argument("--out", default=os.path.join(ROOT, "artifacts", "screenshots"))
    args = ap.parse_args()
    r = Runner(args)
    jpeg, bmp = r.pictures["JPEG"], r.pictures["BMP"]
    licence = (b"SOFTWARE LICENCE AGREEMENT\r\n\r\nBy clicking \"Accept and Install\" you agree to these terms."
               b"\r\n\r\n1. You may use this wallpaper on one computer.\r\n2. Caf\xe9 \x93quotes\x94 \x80 5.\r\n")

    def content(title, name):  # looked at while the window waits: Cancel removes what start-up wrote
        return lambda: [] if os.path.exists(r.host("%WINDIR%\\Web\\Wallpaper\\" + title + " dir\\" + name)) \
            else [name + " not written"]

    # The window is on the X display (and the watcher of the silent case sees windows); what start-up
    # wrote is there.
    def on_screen(title, written=None):
        return lambda display: ([] if "Install Wallpaper: " + title in display.mapped_windows()
                                else ["window not on the screen"]) + (written() if written else [])

    def shown():
        return lambda notes: [n for n in notes if not n.endswith(".png")]

    for lic in (0, 1):
        suffix = "-licence" if lic else ""
        title = "Kind Eight" + (" Licence" if lic else "")
        slots = r.slots(title, jpeg)
        if lic:
            slots[4] = Slot("licence.txt", 5, licence)
        r.scenario("installer-jpeg" + suffix, package(r.stub, title, slots, kind=8, licence=lic),
                   WAIT_AND_CANCEL.format(title=title), [("READY", "installer-jpeg%s.png" % suffix)],
                   shown(), on_screen(title, content(title, "installer.jpg")))
        title = "Kind One" + (" Licence" if lic else "")
        slots = r.slots(title, bmp)
        if lic:
            slots[4] = Slot("licence.txt", 5, licence)
        r.scenario("installer-bmp" + suffix, package(r.stub, title, slots, kind=1, licence=lic),
                   WAIT_AND_CANCEL.format(title=title), [("READY", "installer-bmp%s.png" % suffix)],
                   shown(), on_screen(title, content(title, "installer.BMP")))

    title = "Kind Five"
    r.scenario("installer-kind5", package(r.stub, title, r.slots(title, jpeg), kind=5),
               WAIT_AND_CANCEL.format(title=title), [("READY", "installer-kind5.png")], shown(), on_screen(title))

    title = "No Licence Text"
    slots = r.slots(title, jpeg)
    r.scenario("installer-empty-licence-slot", package(r.stub, title, slots, kind=8, licence=1), r"""
start I SETUP
wait-box S Error 60000 I
print BOX
sleep 1500
expect-text S "Installer file is corrupted. Quillon Error: -531. "
press S Abort
wait-exit I 30000
expect-exit I 1
expect-no-window Error 1500
""", [("BOX", "installer-empty-licence-slot.png")])

    title = "Silent Kind"
    seen = []

    def watch(display):  # looks at the screen for a few seconds while the silent installation runs
        for _ in range(15):
            seen.extend(t for t in display.mapped_windows() if t not in ("", "Default IME") and t not in seen)
            time.sleep(0.2)
    r.scenario("installer-kind4", package(r.stub, title, r.slots(title, jpeg), kind=4), r"""
start I SETUP
print STARTED
wait-exit I 60000
expect-exit I 0
expect-exists "%WINDIR%\Web\Wallpaper\Silent Kind.html"
""", [("STARTED", "installer-kind4.png")],
               check=lambda notes: ["windows shown: " + ", ".join(seen)] if seen else [],
               on_ready=watch)

    shutil.rmtree(r.work, ignore_errors=True)
    if r.failures:
        print("FAILED: " + ", ".join(r.failures))
        sys.exit(1)
    print("all scenarios passed")


if __name__ == "__main__":
    main()
