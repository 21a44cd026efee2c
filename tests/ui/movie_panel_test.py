#!/usr/bin/env python3
"""The movie panel of the real installer window without a Flash Player, under Wine on an Xvfb of its own:
install.exe with packages written byte by byte that present a movie (kind 2), driven by e2e_driver.
There is no Flash Player control in the Wine prefix, so the panel draws the movie's first frame itself.

  - the independent movies of tests/data/render (FreeHEP's SWF writer, versions 5 and 6, plain and
    compressed): a screenshot of the panel is compared with the movie's reference picture (Java2D),
    placed as the control places a movie (the whole stage, aspect ratio kept, centred, the background
    colour around it); it passes within a mean error of 12 per channel with at least 90 % of the pixels
    within 24 of the reference;
  - movies of a background colour only (version 5 plain, version 6 compressed): every pixel of the panel
    has exactly that colour.

  tests/ui/movie_panel_test.py --build BUILD_WIN32 [--data tests/data/render] [--out artifacts/screenshots]

Needs install.exe, impborl.dll and tests/e2e/e2e_driver.exe in BUILD_WIN32, Xvfb, and ImageMagick.
Prints PASS/FAIL per movie with the measured errors; exits 1 when one failed.
"""
import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from e2e_lib import Entry, Slot, data_file, package, win_path  # noqa: E402
from xvfb_display import Display, unmanaged_windows  # noqa: E402

WINE_RUN = os.path.join(ROOT, "scripts", "wine-run.sh")
KIND_MOVIE = 2
MAX_MEAN_ERROR = 12.0
MIN_CLOSE_SHARE = 0.90
CLOSE = 24

MOVIES = ["freehep_vector_v5", "freehep_vector_v6", "freehep_paint_v6c", "freehep_bitmaps_text_v5",
          "freehep_bitmaps_text_v6c"]


# ------------------------------------------------------------------------------------------ movies

def swf_stage_and_background(data):
    """(width, height) of the stage in twips and the first background colour (white without one)."""
    if data[:3] == b"CWS":
        data = data[:8] + zlib.decompress(data[8:])
    bits = data[8] >> 3
    total = 5 + 4 * bits
    value = int.from_bytes(data[8:8 + (total + 7) // 8], "big") >> ((8 - total % 8) % 8)
    fields = []
    for i in range(4):
        v = (value >> (bits * (3 - i))) & ((1 << bits) - 1)
        fields.append(v - (1 << bits) if v >> (bits - 1) else v)
    pos = 8 + (total + 7) // 8 + 4
    background = (255, 255, 255)
    while pos + 2 <= len(data):
        header = struct.unpack_from("<H", data, pos)[0]
        pos += 2
        code, length = header >> 6, header & 0x3F
        if length == 0x3F:
            length = struct.unpack_from("<I", data, pos)[0]
            pos += 4
        if code == 9:
            background = tuple(data[pos:pos + 3])
            break
        pos += length
    return (fields[1] - fields[0], fields[3] - fields[2]), background


def background_movie(version, rgb, compressed):
    """A 550 x 400 movie of one background colour, one frame."""
    rect = bytes([0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F, 0xA0, 0x00])  # 15-bit fields: 0..11000, 0..8000
    tags = struct.pack("<H", 9 << 6 | 3) + bytes(rgb) + struct.pack("<H", 1 << 6) + struct.pack("<H", 0)
    body = rect + struct.pack("<HH", 12 << 8, 1) + tags
    length = struct.pack("<I", 8 + len(body))
    if compressed:
        return b"CWS" + bytes([version]) + length + zlib.compress(body)
    return b"FWS" + bytes([version]) + length + body


# ---------------------------------------------------------------------------------------- pictures

def raw_rgb(path, crop=None, resize=None):
    """The pixels of a picture as bytes (r, g, b per pixel), cropped to (x, y, w, h) or resized to (w, h)."""
    cmd = ["convert", path]
    if crop:
        cmd += ["-crop", "%dx%d+%d+%d" % (crop[2], crop[3], crop[0], crop[1]), "+repage"]
    if resize:
        cmd += ["-filter", "Triangle", "-resize", "%dx%d!" % resize]
    cmd += ["-depth", "8", "rgb:-"]
    return subprocess.run(cmd, check=True, capture_output=True).stdout


def expected_panel(reference, stage, background, width, height):
    """The reference placed in a width x height panel as the stage is shown: scaled to fit, centred."""
    scale = min(width / stage[0], height / stage[1])
    shown_w, shown_h = stage[0] * scale, stage[1] * scale
    left, top = int((width - shown_w) / 2 + 0.5), int((height - shown_h) / 2 + 0.5)
    right, bottom = min(width, int(left + shown_w + 0.5)), min(height, int(top + shown_h + 0.5))
    inner = raw_rgb(reference, resize=(right - left, bottom - top))
    out = bytearray(bytes(background) * (width * height))
    row = (right - left) * 3
    for y in range(bottom - top):
        start = ((top + y) * width + left) * 3
        out[start:start + row] = inner[y * row:(y + 1) * row]
    return bytes(out)


def difference(a, b):
    """Mean absolute error per channel and the share of pixels whose channels are all within CLOSE."""
    if len(a) != len(b) or not a:
        return 255.0, 0.0
    total, close = 0, 0
    for i in range(0, len(a), 3):
        d0, d1, d2 = abs(a[i] - b[i]), abs(a[i + 1] - b[i + 1]), abs(a[i + 2] - b[i + 2])
        total += d0 + d1 + d2
        if d0 <= CLOSE and d1 <= CLOSE and d2 <= CLOSE:
            close += 1
    return total / len(a), close / (len(a) // 3)


# -------------------------------------------------------------------------------------- the runner

SCRIPT = r"""
start I SETUP
wait-window W "Install Wallpaper: {title}" 60000 I
sleep 1500
dump W
print READY
sleep 3000
press W Cancel
wait-exit I 30000
expect-exit I 2
"""


class Runner:
    def __init__(self, args):
        self.args = args
        self.work = tempfile.mkdtemp(prefix="mvmoviepanel.")
        self.prefix = os.path.join(self.work, "prefix")
        self.out = os.path.abspath(args.out)
        os.makedirs(self.out, exist_ok=True)
        with open(os.path.join(args.build, "install.exe"), "rb") as f:
            self.stub = f.read()
        with open(os.path.join(args.build, "impborl.dll"), "rb") as f:
            self.library = f.read()
        self.driver = os.path.join(args.build, "tests", "e2e", "e2e_driver.exe")
        self.failures = []
        unmanaged_windows(WINE_RUN, self.prefix)

    def installer(self, title, movie):
        slots = {
            1: Slot("impborl.dat", 3, self.library),
            2: Slot("flashax.exe", 3, b"MZ not a program"),
            3: Slot("installer.swf", 5, movie),
            6: Slot(title + ".html", 2, ("<html><body>%s</body></html>\r\n" % title).encode()),
            8: Slot(title + ".mvd", 4, data_file(title, [Entry("main.swf", b"FWS movie")])),
            9: Slot("uninstall.exe", 5, b"MZ uninstaller of " + title.encode()),
            10: Slot("", 10),
        }
        return package(self.stub, title, slots, kind=KIND_MOVIE)

    def show(self, name, title, movie):
        """Runs the installer with the movie; returns (the panel's pixels as RGB bytes, width, height),
        or None with the driver's log when the window or the panel was not found."""
        folder = os.path.join(self.work, name)
        os.makedirs(folder, exist_ok=True)
        setup = os.path.join(folder, "setup.exe")
        with open(setup, "wb") as f:
            f.write(self.installer(title, movie))
        with open(os.path.join(folder, "script.txt"), "w") as f:
            f.write(SCRIPT.format(title=title).replace("SETUP", win_path(setup)))
        display = Display()
        shot = os.path.join(self.out, "movie-panel-%s.png" % name)
        proc = subprocess.Popen([WINE_RUN, "--keep", self.prefix, self.driver,
                                 win_path(os.path.join(folder, "script.txt"))],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                env=dict(os.environ, MV_DISPLAY=display.name))
        log, shot_taken = [], False
        timer = threading.Timer(300, proc.kill)
        timer.start()
        try:
            for line in proc.stdout:
                log.append(line)
                if line.startswith("READY"):
                    display.shoot(shot)
                    shot_taken = True
            proc.wait()
        finally:
            timer.cancel()
            display.close()
        text = "".join(log)
        panel = None
        for line in log:
            m = re.search(r"class TFlashPanel visible rect (-?\d+),(-?\d+)-(-?\d+),(-?\d+)", line)
            if m:
                panel = tuple(int(v) for v in m.groups())
        if proc.returncode != 0 or not shot_taken or not panel:
            return None, text
        x, y, w, h = panel[0], panel[1], panel[2] - panel[0], panel[3] - panel[1]
        return (raw_rgb(shot, crop=(x, y, w, h)), w, h, shot), text

    def check_reference(self, name):
        with open(os.path.join(self.args.data, name + ".swf"), "rb") as f:
            movie = f.read()
        stage, background = swf_stage_and_background(movie)
        title = "Movie " + name.replace("_", " ")
        got, log = self.show(name, title, movie)
        if not got:
            self.fail(name, "no panel to compare", log)
            return
        pixels, w, h, shot = got
        expected = expected_panel(os.path.join(self.args.data, name + ".png"), stage, background, w, h)
        mean, share = difference(pixels, expected)
        ok = mean <= MAX_MEAN_ERROR and share >= MIN_CLOSE_SHARE
        summary = "panel %dx%d: mean error %.2f, %.1f %% of pixels within %d (%s)" % (
            w, h, mean, 100 * share, CLOSE, os.path.basename(shot))
        if ok:
            print("PASS %s %s" % (name, summary))
        else:
            self.fail(name, summary, log)

    def check_background(self, name, movie, rgb):
        got, log = self.show(name, "Colour " + name.replace("_", " "), movie)
        if not got:
            self.fail(name, "no panel to compare", log)
            return
        pixels, w, h, shot = got
        wrong = sum(1 for i in range(0, len(pixels), 3) if tuple(pixels[i:i + 3]) != rgb)
        if wrong == 0 and w > 0 and h > 0:
            print("PASS %s panel %dx%d: every pixel #%02X%02X%02X (%s)" % (name, w, h, *rgb, os.path.basename(shot)))
        else:
            self.fail(name, "%d of %d pixels are not #%02X%02X%02X" % (wrong, w * h, *rgb), log)

    def fail(self, name, why, log):
        self.failures.append(name)
        print("FAIL %s: %s" % (name, why))
        print(log)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", required=True)
    ap.add_argument("--data", default=os.path.join(ROOT, "tests", "data", "render"))
    ap.add_argument("--out", default=os.path.join(ROOT, "artifacts", "screenshots"))
    ap.add_argument("only", nargs="*", help="movies to show (default: all)")
    args = ap.parse_args()
    r = Runner(args)
    for name in MOVIES:
        if not args.only or name in args.only:
            r.check_reference(name)
    for name, version, compressed in (("background_v5", 5, False), ("background_v6c", 6, True)):
        if not args.only or name in args.only:
            r.check_background(name, background_movie(version, (0x33, 0x66, 0x99), compressed), (0x33, 0x66, 0x99))
    shutil.rmtree(r.work, ignore_errors=True)
    if r.failures:
        print("FAILED: " + ", ".join(r.failures))
        sys.exit(1)
    print("all movies passed")


if __name__ == "__main__":
    main()
