#!/usr/bin/env python3
"""The installer window at the display resolutions people run (100, 125, 150 and 200 %) under Wine: each
resolution gets a fresh prefix whose LogPixels (the desktop's and the fonts') is set before the installer
starts, and a private Xvfb large enough for the window at 200 %. Measured in the real windows and in
screenshots of them:
  - the client area, every control's rectangle and the movie panel measure DPI/96 times their sizes at
    96 dots per inch, within a pixel, with and without the licence;
  - the status text's glyphs are as much taller;
  - at 192 the movie panel shows the renderer's own frame at the panel's size, as sharp as it: not the
    96-dpi frame stretched to twice its size;
  - the "&Abort" box's icon and button measure DPI/96 times their sizes, the box around its text nearly so.
"""
import os
import re
import shutil
import subprocess
import sys
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "ui"))
from e2e_lib import (KIND_MOVIE, WINE_RUN, E2E, Entry, Slot, data_file, expect, package, tiny_jpeg,  # noqa: E402
                     win_path, wine_environment)
from movie_panel_test import raw_rgb  # noqa: E402  (pixels of a picture, cropped and resized)
from xvfb_display import Display  # noqa: E402

e2e = E2E()
MOVIE = os.path.join(HERE, "..", "data", "render", "freehep_vector_v6.swf")
RENDER_FRAME = os.path.join(os.path.dirname(os.path.abspath(e2e.args.driver)), "e2e_render_frame.exe")
INK = 110  # a channel below this in the status line is the text's ink (the face is light grey)

WINDOW_SCRIPT = r"""
start I SETUP
wait-window W "{caption}" 60000 I
sleep 1500
dump W
print READY
sleep 2500
press W "{install}"
record W "Preparing Installation..." 60000
# The text is set before the window system has put it on the screen; the status stays for a second.
sleep 400
print STATUS
sleep 2500
press W Cancel
record W "" 60000
wait-exit I 60000
"""

# The "&Abort" box of a picture that cannot be shown, at start-up.
BOX_SCRIPT = r"""
start I SETUP
wait-box B Error 60000 I
sleep 1000
dump B
print READY
sleep 2000
press B Abort
wait-window W "{caption}" 60000 I
press W Cancel
wait-exit I 30000
"""


def registry_for(dpi):
    """The resolution the prefix's programs see, and windows drawn by Wine itself (no window manager)."""
    return ("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n\"LogPixels\"=dword:%08x\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts]\r\n"
            "\"LogPixels\"=dword:%08x\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n\"Managed\"=\"N\"\r\n"
            % (dpi, dpi))


def sharpness(pixels, width):
    """Mean squared difference between horizontal and vertical neighbours (red channel): an edge spread
    over twice the pixels, as in a frame stretched to twice its size, has half of it."""
    total, count, stride = 0, 0, width * 3
    for i in range(0, len(pixels) - stride - 3, 3):
        if (i // 3) % width == width - 1:
            continue
        total += (pixels[i] - pixels[i + 3]) ** 2 + (pixels[i] - pixels[i + stride]) ** 2
        count += 2
    return total / max(count, 1)


def mean_error(a, b):
    return sum(abs(x - y) for x, y in zip(a, b)) / max(len(a), 1) if len(a) == len(b) else 255.0


class Run:
    """One installer shown at one resolution: its window's client area and children (relative to the
    client area's origin), and the screenshots of the window before and after the status line shows."""

    def __init__(self, client, children, shots):
        self.client, self.children, self.shots = client, children, shots

    def child(self, cls):
        return next(r for (_, c), r in self.children.items() if c == cls)


def show(t, name, dpi, setup, script, screen="1600x1200"):
    prefix = os.path.join(t.work, "prefix-%d" % dpi)
    if not os.path.exists(os.path.join(prefix, "system.reg")):
        reg = os.path.join(t.work, "dpi-%d.reg" % dpi)
        with open(reg, "w", encoding="ascii") as f:
            f.write(registry_for(dpi))
        subprocess.run([WINE_RUN, "--keep", prefix, "regedit", "/S", win_path(reg)], capture_output=True, timeout=600)
    t.prefix = prefix
    folder = os.path.join(t.work, name)
    os.makedirs(folder, exist_ok=True)
    script_path = os.path.join(folder, "script.txt")
    with open(script_path, "w", encoding="utf-8") as f:
        f.write(script.replace("SETUP", win_path(setup)))
    t.clean_temp()
    display = Display(screen)
    shots, log = [], []
    proc = subprocess.Popen([WINE_RUN, "--keep", prefix, t.args.driver, win_path(script_path)], stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True,
                            env=dict(os.environ, MV_DISPLAY=display.name, **wine_environment()))
    timer = threading.Timer(400, proc.kill)
    timer.start()
    try:
        for line in proc.stdout:
            log.append(line)
            if line.startswith("READY") or line.startswith("STATUS"):
                shots.append(os.path.join(folder, "%s-%d.png" % (line.strip().lower(), len(shots))))
                display.shoot(shots[-1])
        proc.wait()
    finally:
        timer.cancel()
        display.close()
    text = "".join(log)
    with open(os.path.join(folder, "output.txt"), "w", encoding="utf-8") as f:
        f.write(text)
    client = re.search(r"^  client rect (-?\d+),(-?\d+)-(-?\d+),(-?\d+)", text, re.M)
    if proc.returncode != 0 or len(shots) != script.count("\nprint ") or not client:
        print(text)
        raise AssertionError("%s at %d dpi: the window was not shown and measured" % (name, dpi))
    cx, cy, cr, cb = (int(v) for v in client.groups())
    children = {}
    for m in re.finditer(r"^  child id (-?\d+) class (\S+) \S+.* rect (-?\d+),(-?\d+)-(-?\d+),(-?\d+)", text, re.M):
        l, tp, r, b = (int(v) for v in m.groups()[2:])
        children[(int(m.group(1)), m.group(2))] = (l - cx, tp - cy, r - cx, b - cy)
    print("%s at %d dpi: client %dx%d, %d controls" % (name, dpi, cr - cx, cb - cy, len(children)), flush=True)
    return Run((cr - cx, cb - cy), children, [(s, cx, cy) for s in shots])


def expect_scaled(base, run, dpi, what):
    """Every rectangle of run is base's times dpi/96, within a pixel at each edge."""
    k = dpi / 96.0
    for i in range(2):
        expect(abs(run.client[i] - base.client[i] * k) <= 1,
               "%s: client %s at %d dpi, %s at 96" % (what, run.client, dpi, base.client))
    expect(set(run.children) == set(base.children), "%s: other controls at %d dpi" % (what, dpi))
    for key, rect in base.children.items():
        got = run.children[key]
        expect(all(abs(g - v * k) <= 1 for g, v in zip(got, rect)),
               "%s: control %s at %s (%d dpi), %s at 96" % (what, key, got, dpi, rect))


def status_glyph_height(run):
    """Rows from the status line's highest to its lowest ink pixel, in the screenshot with the status."""
    shot, cx, cy = run.shots[1]
    l, tp, r, b = run.child("Static")  # the status line is the first static of the button band
    width = min(r, run.client[0]) - l  # the line is longer than the window is wide
    pixels = raw_rgb(shot, crop=(cx + l, cy + tp, width, b - tp))
    rows = [y for y in range(b - tp) if any(min(pixels[3 * (y * width + x):3 * (y * width + x) + 3]) < INK
                                            for x in range(width))]
    expect(rows, "no text in the status line")
    return rows[-1] - rows[0] + 1


def movie_package(t, title):
    with open(MOVIE, "rb") as f:
        movie = f.read()
    slots = t.typical_slots(title, data_file(title, [Entry("main.swf", b"FWS movie")]))
    slots[3] = Slot("installer.swf", 5, movie)
    return package(t.stub, title, slots, kind=KIND_MOVIE)


@e2e.scenario
def movie_window_scales_with_the_resolution(t):
    title = "Dpi Movie"
    setup = t.write_installer("dpi_movie", movie_package(t, title))
    caption = "Install Wallpaper: " + title
    script = WINDOW_SCRIPT.format(caption=caption, install="Install")
    runs = {dpi: show(t, "movie-%d" % dpi, dpi, setup, script) for dpi in (96, 120, 144, 192)}
    heights = {dpi: status_glyph_height(run) for dpi, run in runs.items()}
    print("status glyph heights: %s" % heights)
    for dpi in (120, 144, 192):
        expect_scaled(runs[96], runs[dpi], dpi, "movie window")
        expect(abs(heights[dpi] - heights[96] * dpi / 96.0) <= 1.5,
               "status glyphs %d high at %d dpi, %d at 96" % (heights[dpi], dpi, heights[96]))

    # At 192 the panel holds the renderer's frame at its own size, as sharp as that frame.
    run, small = runs[192], runs[96]
    l, tp, r, b = run.child("TFlashPanel")
    shot, cx, cy = run.shots[0]
    panel = raw_rgb(shot, crop=(cx + l, cy + tp, r - l, b - tp))
    reference_path = os.path.join(t.work, "reference-192.ppm")
    made = subprocess.run([WINE_RUN, RENDER_FRAME, win_path(MOVIE), str(r - l), str(b - tp), win_path(reference_path)],
                          capture_output=True, timeout=600)
    expect(made.returncode == 0, "the renderer drew no frame: %r" % made.stdout[-500:])
    reference = raw_rgb(reference_path)
    sl, st, sr, sb = small.child("TFlashPanel")
    sshot, scx, scy = small.shots[0]
    stretched = raw_rgb(sshot, crop=(scx + sl, scy + st, sr - sl, sb - st), resize=(r - l, b - tp))
    sharp = {name: sharpness(p, r - l) for name, p in (("panel", panel), ("reference", reference),
                                                       ("stretched", stretched))}
    errors = {"panel": mean_error(panel, reference), "stretched": mean_error(stretched, reference)}
    print("panel %dx%d at 192 dpi: sharpness %s, mean error to the renderer's frame %s" % (r - l, b - tp, sharp, errors))
    expect(errors["panel"] <= 2.0, "the panel is not the renderer's frame at its size")
    expect(sharp["panel"] >= 0.9 * sharp["reference"], "the panel is blurred")
    expect(sharp["stretched"] < 0.8 * sharp["reference"] and errors["stretched"] > errors["panel"],
           "a stretched 96-dpi frame cannot be told from the renderer's own")


@e2e.scenario
def licence_window_scales_with_the_resolution(t):
    title = "Dpi Licence"
    slots = t.typical_slots(title, data_file(title, [Entry("main.swf", b"FWS movie")]), picture=tiny_jpeg())
    slots[4] = Slot("licence.txt", 5, b"Terms of use.\r\n" * 20)
    setup = t.write_installer("dpi_licence", package(t.stub, title, slots, licence=1))
    caption = "Install Wallpaper: " + title
    script = WINDOW_SCRIPT.format(caption=caption, install="Accept and Install")
    runs = {dpi: show(t, "licence-%d" % dpi, dpi, setup, script) for dpi in (96, 144, 192)}
    for dpi in (144, 192):
        expect_scaled(runs[96], runs[dpi], dpi, "licence window")


@e2e.scenario
def abort_box_scales_with_the_resolution(t):
    title = "Dpi Box"
    slots = t.typical_slots(title, data_file(title, [Entry("main.swf", b"FWS movie")]), picture=b"\xff\xd8 no JPEG")
    setup = t.write_installer("dpi_box", package(t.stub, title, slots))
    script = BOX_SCRIPT.format(caption="Install Wallpaper: " + title)
    # A screen wide enough that the text, wrapped at 5/8 of it, takes one line at 192 as at 96.
    runs = {dpi: show(t, "box-%d" % dpi, dpi, setup, script, screen="2400x1400") for dpi in (96, 144, 192)}
    for dpi in (144, 192):
        k = dpi / 96.0
        # Margins, icon and button are the designed ones scaled; the text is as wide as the scaled font
        # draws it, so the box around it (and the button centred in it) is within a few pixels of the
        # scaled box.
        (bl, bt, br, bb), (gl, gt, gr, gb) = runs[96].child("Button"), runs[dpi].child("Button")
        expect(abs((gr - gl) - (br - bl) * k) <= 1 and abs((gb - gt) - (bb - bt) * k) <= 1,
               "the box's button %dx%d at %d dpi, %dx%d at 96" % (gr - gl, gb - gt, dpi, br - bl, bb - bt))
        icon96, icon = runs[96].children[(20, "Static")], runs[dpi].children[(20, "Static")]
        expect(all(abs(g - v * k) <= 1 for g, v in zip(icon, icon96)),
               "the box's icon at %s (%d dpi), %s at 96" % (icon, dpi, icon96))
        for i in range(2):
            expect(abs(runs[dpi].client[i] - runs[96].client[i] * k) <= 0.03 * runs[96].client[i] * k + 2,
                   "the box's client area %s at %d dpi, %s at 96" % (runs[dpi].client, dpi, runs[96].client))


try:
    e2e.finish()
finally:
    for name in os.listdir(e2e.work):
        if name.startswith("prefix-"):
            shutil.rmtree(os.path.join(e2e.work, name), ignore_errors=True)
