#!/usr/bin/env python3
"""mvpack.exe preview under Wine: the Windows build with its own libjpeg and libpng draws what the native
one draws.

- A version 6 movie with JPEG, lossless and text bitmaps matches its Java2D reference as closely as the
  native renderer's test asks, and a version 8 movie of FreeHEP's Graphics2D exporter matches its own.
- Text fields in a movie's own font match their reference; device-font text is drawn with the system's
  fonts through GDI.
- A damaged movie is refused with 3 and a wrong option is a usage error (2); neither writes a picture.
"""
import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from e2e_lib import E2E, WINE_RUN, expect, take_option, win_path, wine_environment  # noqa: E402

MVPACK = take_option("--mvpack")
DATA = os.path.join(ROOT, "tests", "data", "render")

e2e = E2E()


def run_mvpack(t, *args):
    """mvpack.exe in the test's prefix; (exit code, stdout and stderr as text)."""
    t.ensure_prefix()
    r = subprocess.run([WINE_RUN, "--keep", t.prefix, MVPACK] + list(args), capture_output=True, timeout=300,
                       env=dict(os.environ, **wine_environment()))
    text = (r.stdout + r.stderr).decode("utf-8", "replace")
    print(text, end="")
    return r.returncode, text


def read_png(path):
    """(width, height, rows of (r, g, b)) of a PNG, decoded by ImageMagick."""
    with open(path, "rb") as f:
        w, h = struct.unpack(">II", f.read(24)[16:24])
    raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
    return w, h, [[tuple(raw[(y * w + x) * 3:(y * w + x) * 3 + 3]) for x in range(w)] for y in range(h)]


def difference(a, b):
    """(mean error per channel, share of pixels within 24) of two pictures of one size."""
    (w, h, ra), (_, _, rb) = a, b
    total = close = 0
    for y in range(h):
        for x in range(w):
            e = [abs(ra[y][x][k] - rb[y][x][k]) for k in range(3)]
            total += sum(e)
            close += max(e) <= 24
    return total / (3.0 * w * h), close / float(w * h)


def preview_matches(t, movie, reference, mean, share):
    out = os.path.join(t.work, os.path.basename(movie) + ".png")
    code, text = run_mvpack(t, "preview", win_path(movie), "-o", win_path(out))
    expect(code == 0, "%s: exit %d %s" % (movie, code, text))
    drawn, wanted = read_png(out), read_png(reference)
    expect(drawn[:2] == wanted[:2], "%s: size %r, not %r" % (movie, drawn[:2], wanted[:2]))
    m, s = difference(drawn, wanted)
    print("%s: mean error %.2f, %.1f %% within 24" % (os.path.basename(movie), m, 100 * s))
    expect(m <= mean and s >= share, "%s: mean error %.2f, %.3f within 24" % (movie, m, s))


@e2e.scenario
def pictures_match_their_references(t):
    preview_matches(t, os.path.join(DATA, "freehep_bitmaps_text_v6c.swf"),
                    os.path.join(DATA, "freehep_bitmaps_text_v6c.png"), 2.0, 0.99)
    preview_matches(t, os.path.join(DATA, "preview", "freehep_graphics2d_v8.swf"),
                    os.path.join(DATA, "preview", "freehep_graphics2d_v8.png"), 12.0, 0.90)


@e2e.scenario
def text_in_movie_and_system_fonts(t):
    preview_matches(t, os.path.join(DATA, "preview", "freehep_text_fields_v8.swf"),
                    os.path.join(DATA, "preview", "freehep_text_fields_v8.png"), 12.0, 0.90)
    # "A device font, right aligned" in _sans: GDI's outlines of the system's font, in green near the right.
    out = os.path.join(t.work, "device.png")
    code, text = run_mvpack(t, "preview", win_path(os.path.join(DATA, "preview", "freehep_text_buttons_v7.swf")),
                            "-o", win_path(out))
    expect(code == 0, "device fonts: %d %s" % (code, text))
    w, h, rows = read_png(out)
    inked = sum(1 for y in range(320, 345) for x in range(300, 545) if rows[y][x][1] < 200)
    expect(inked > 200, "the device-font line has %d inked pixels" % inked)


@e2e.scenario
def refusals_write_nothing(t):
    damaged = os.path.join(t.work, "damaged.swf")
    with open(damaged, "wb") as f:
        f.write(b"CWS\x06" + struct.pack("<I", 0x80000000) + b"\x78\x01\x00\x05\x00\x00\x00\x00\x00\x00\x00")
    out = os.path.join(t.work, "refused.png")
    code, text = run_mvpack(t, "preview", win_path(damaged), "-o", win_path(out))
    expect(code == 3 and "refused" in text, "damaged movie: %d %s" % (code, text))
    code, text = run_mvpack(t, "preview", win_path(damaged), "-o", win_path(out), "--scale", "stretch")
    expect(code == 2 and "--scale" in text, "wrong scale mode: %d %s" % (code, text))
    expect(not os.path.exists(out), "no picture written")


e2e.finish()
