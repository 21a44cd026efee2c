#!/usr/bin/env python3
"""Text fields in the movie panel of the real installer window without a Flash Player, under Wine on an
Xvfb of its own: the panel draws a text field in a device font ("_sans") with the system's fonts (GDI
outlines). The movie is written here byte by byte: a 550 x 400 stage of grey, one bordered text field.

  - inside the field: its white background, and dark text in its upper part (where its one line is);
  - outside it (away from its border line): the stage's grey, every pixel.

  tests/ui/movie_panel_text_test.py --build BUILD_WIN32 [--out artifacts/screenshots]

Needs what tests/ui/movie_panel_test.py needs. Prints PASS/FAIL; exits 1 when the check failed.
"""
import argparse
import os
import shutil
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from movie_panel_test import Runner  # noqa: E402

GREY = (0xDD, 0xDD, 0xDD)
FIELD = (40, 40, 510, 160)  # pixels of the stage: left, top, right, bottom


def tag(code, body):
    if len(body) < 0x3F:
        return struct.pack("<H", code << 6 | len(body)) + body
    return struct.pack("<HI", code << 6 | 0x3F, len(body)) + body


def rect(x0, x1, y0, y1):
    bits = max(v.bit_length() + 1 for v in (x0, x1, y0, y1))
    value = bits
    for v in (x0, x1, y0, y1):
        value = value << bits | (v & ((1 << bits) - 1))
    total = 5 + 4 * bits
    pad = (8 - total % 8) % 8
    return (value << pad).to_bytes((total + pad) // 8, "big")


def text_field_movie():
    font = tag(48, struct.pack("<H", 1) + bytes([0, 1, 5]) + b"_sans" + struct.pack("<H", 0))
    x0, y0, x1, y1 = (v * 20 for v in FIELD)
    field = struct.pack("<H", 2) + rect(x0, x1, y0, y1)
    field += bytes([0x80 | 0x40 | 0x20 | 0x04 | 0x01, 0x08])  # text, wrap, multiline, colour, font; border
    field += struct.pack("<HH", 1, 36 * 20) + bytes([0x10, 0x10, 0x40, 0xFF])
    field += b"v\0" + b"Moviva HHHH mmmm\0"
    tags = tag(9, bytes(GREY)) + font + tag(37, field) + tag(26, bytes([0x02]) + struct.pack("<HH", 1, 2))
    tags += tag(1, b"") + tag(0, b"")
    body = rect(0, 11000, 0, 8000) + struct.pack("<HH", 12 << 8, 1) + tags
    return b"FWS" + bytes([6]) + struct.pack("<I", 8 + len(body)) + body


def check(pixels, w, h):
    """Problems found in the panel's pixels (empty: none)."""
    scale = min(w / 550, h / 400)
    left, top = int((w - 550 * scale) / 2 + 0.5), int((h - 400 * scale) / 2 + 0.5)
    fx0, fy0, fx1, fy1 = (int(left + FIELD[0] * scale), int(top + FIELD[1] * scale),
                          int(left + FIELD[2] * scale), int(top + FIELD[3] * scale))

    def at(x, y):
        i = (y * w + x) * 3
        return tuple(pixels[i:i + 3])
    problems = []
    wrong_outside = sum(1 for y in range(h) for x in range(w)
                        if not (fx0 - 2 <= x <= fx1 + 2 and fy0 - 2 <= y <= fy1 + 2)
                        and (left <= x < w - left and top <= y < h - top) and at(x, y) != GREY)
    if wrong_outside:
        problems.append("%d pixels outside the field are not the stage's grey" % wrong_outside)
    inside = [at(x, y) for y in range(fy0 + 3, fy1 - 2) for x in range(fx0 + 3, fx1 - 2)]
    white = sum(1 for p in inside if p == (255, 255, 255))
    dark = sum(1 for p in inside if max(p) < 128)
    if white < len(inside) * 0.6:
        problems.append("only %d of %d pixels inside the field are white" % (white, len(inside)))
    if dark < len(inside) * 0.03:
        problems.append("only %d of %d pixels inside the field are dark: no text" % (dark, len(inside)))
    line_bottom = fy0 + int((2 + 36 * 1.3) * scale)
    dark_below = sum(1 for y in range(line_bottom, fy1 - 2) for x in range(fx0 + 3, fx1 - 2) if max(at(x, y)) < 128)
    if dark_below:
        problems.append("%d dark pixels below the text's one line" % dark_below)
    return problems


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", required=True)
    ap.add_argument("--out", default=os.path.join(HERE, "..", "..", "artifacts", "screenshots"))
    args = ap.parse_args()
    args.data = None
    r = Runner(args)
    got, log = r.show("text_field", "Movie text field", text_field_movie())
    shutil.rmtree(r.work, ignore_errors=True)
    if not got:
        print("FAIL text_field: no panel to compare")
        print(log)
        sys.exit(1)
    pixels, w, h, shot = got
    problems = check(pixels, w, h)
    if problems:
        print("FAIL text_field (%s): %s" % (os.path.basename(shot), "; ".join(problems)))
        sys.exit(1)
    print("PASS text_field panel %dx%d (%s)" % (w, h, os.path.basename(shot)))


if __name__ == "__main__":
    main()
