#!/usr/bin/env python3
"""Writes the sample desktop movie, an uncompressed SWF ("FWS") of version 6, byte by byte.

    python3 samples/make_swf.py [OUTPUT]      (default: samples/content/ocean.swf)

The movie: a deep blue background (SetBackgroundColor), a sun, two rolling waves and three bubbles
that rise over 48 frames at 12 frames per second, then loop. Shapes are DefineShape tags (solid fills,
straight and curved edges), placed with PlaceObject2 and moved frame by frame with its Move flag.

Format notes (SWF file format reference, version 6 and later):
  header      "FWS", version byte, file length (u32 LE), frame RECT, frame rate (8.8 fixed), frame count
  tag header  u16 = code << 6 | length (length < 63), else code << 6 | 0x3F then u32 length
  RECT        5-bit field size n, then xmin, xmax, ymin, ymax as n-bit signed values (twips), byte aligned
  shapes      fill/line style arrays, then bit-packed shape records ending in six zero bits
"""
import math
import os
import struct
import sys

TWIPS = 20
WIDTH, HEIGHT = 640, 480
FRAMES = 48


class Bits:
    """Big-endian bit writer, as SWF packs its bit fields."""

    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def ub(self, value, bits):
        assert 0 <= value < (1 << bits) or bits == 0, (value, bits)
        for i in range(bits - 1, -1, -1):
            self.acc = (self.acc << 1) | ((value >> i) & 1)
            self.n += 1
            if self.n == 8:
                self.out.append(self.acc)
                self.acc = self.n = 0

    def sb(self, value, bits):
        assert -(1 << (bits - 1)) <= value < (1 << (bits - 1)), (value, bits)
        self.ub(value & ((1 << bits) - 1), bits)

    def align(self):
        if self.n:
            self.ub(0, 8 - self.n)
        return self

    def bytes(self):
        self.align()
        return bytes(self.out)


def signed_bits(*values):
    """Bits needed to hold every value as a signed field."""
    need = 1
    for v in values:
        b = 1
        while not (-(1 << (b - 1)) <= v < (1 << (b - 1))):
            b += 1
        need = max(need, b)
    return need


def rect(xmin, xmax, ymin, ymax):
    n = signed_bits(xmin, xmax, ymin, ymax)
    w = Bits()
    w.ub(n, 5)
    for v in (xmin, xmax, ymin, ymax):
        w.sb(v, n)
    return w.bytes()


def tag(code, body):
    if len(body) < 0x3F:
        return struct.pack("<H", code << 6 | len(body)) + body
    return struct.pack("<HI", code << 6 | 0x3F, len(body)) + body


def rgb(r, g, b):
    return bytes((r, g, b))


def shape_tag(shape_id, colour, path):
    """DefineShape (code 2) with one solid fill and no line: `path` is a start point and a list of
    ("line", dx, dy) or ("curve", cdx, cdy, adx, ady) edges in twips, closing on the start point."""
    start, edges = path
    # bounds from the walked points (control points included: a safe box)
    x, y = start
    xs, ys = [x], [y]
    for e in edges:
        if e[0] == "line":
            x += e[1]; y += e[2]
            xs.append(x); ys.append(y)
        else:
            xs.append(x + e[1]); ys.append(y + e[2])
            x += e[1] + e[3]; y += e[2] + e[4]
            xs.append(x); ys.append(y)
    assert (x, y) == start, "shape does not close"
    body = struct.pack("<H", shape_id) + rect(min(xs), max(xs), min(ys), max(ys))
    body += bytes((1, 0x00)) + rgb(*colour)  # one solid fill
    body += bytes((0,))                      # no line styles
    w = Bits()
    w.ub(1, 4)  # NumFillBits
    w.ub(0, 4)  # NumLineBits
    # StyleChangeRecord: not an edge; flags NewStyles 0, LineStyle 0, FillStyle1 1, FillStyle0 0, MoveTo 1
    w.ub(0, 1)
    w.ub(0b00101, 5)
    n = signed_bits(*start)
    w.ub(n, 5)
    w.sb(start[0], n)
    w.sb(start[1], n)
    w.ub(1, 1)  # FillStyle1 = 1
    for e in edges:
        if e[0] == "line":
            dx, dy = e[1], e[2]
            n = max(signed_bits(dx, dy), 2)
            w.ub(1, 1); w.ub(1, 1)  # edge, straight
            w.ub(n - 2, 4)
            w.ub(1, 1)              # general line: both deltas
            w.sb(dx, n); w.sb(dy, n)
        else:
            values = e[1:]
            n = max(signed_bits(*values), 2)
            w.ub(1, 1); w.ub(0, 1)  # edge, curved
            w.ub(n - 2, 4)
            for v in values:
                w.sb(v, n)
    w.ub(0, 6)  # EndShapeRecord
    return tag(2, body + w.bytes())


def circle(cx, cy, r):
    """Eight quadratic curves around (cx, cy), as integer deltas that close exactly."""
    pts = []
    for i in range(9):
        a = i * math.pi / 4
        pts.append((round(cx + r * math.cos(a)), round(cy + r * math.sin(a))))
    pts[8] = pts[0]
    k = r / math.cos(math.pi / 8)
    edges = []
    for i in range(8):
        a = (i + 0.5) * math.pi / 4
        c = (round(cx + k * math.cos(a)), round(cy + k * math.sin(a)))
        p0, p1 = pts[i], pts[i + 1]
        edges.append(("curve", c[0] - p0[0], c[1] - p0[1], p1[0] - c[0], p1[1] - c[1]))
    return pts[0], edges


def wave(top, amplitude, crests, colour_bottom):
    """A band from `top` down to the bottom of the frame whose upper edge rolls in curves."""
    w, h = WIDTH * TWIPS, HEIGHT * TWIPS
    step = w // (crests * 2)
    start = (0, top)
    edges = []
    x = 0
    for i in range(crests * 2):
        nx = w if i == crests * 2 - 1 else x + step
        ctrl = -amplitude if i % 2 == 0 else amplitude
        edges.append(("curve", (nx - x) // 2, ctrl, (nx - x) - (nx - x) // 2, -ctrl))
        x = nx
    edges.append(("line", 0, colour_bottom - top))
    edges.append(("line", -w, 0))
    edges.append(("line", 0, top - colour_bottom))
    return start, edges


def matrix(tx, ty):
    w = Bits()
    w.ub(0, 1)  # no scale
    w.ub(0, 1)  # no rotate
    n = signed_bits(tx, ty)
    w.ub(n, 5)
    w.sb(tx, n)
    w.sb(ty, n)
    return w.bytes()


def place(depth, char_id=None, tx=0, ty=0, move=False):
    flags = 0x04  # HasMatrix
    if char_id is not None:
        flags |= 0x02  # HasCharacter
    if move:
        flags |= 0x01  # Move
    body = bytes((flags,)) + struct.pack("<H", depth)
    if char_id is not None:
        body += struct.pack("<H", char_id)
    return tag(26, body + matrix(tx, ty))


def movie():
    W, H = WIDTH * TWIPS, HEIGHT * TWIPS
    tags = bytearray()
    tags += tag(9, rgb(0x0B, 0x2A, 0x4A))  # SetBackgroundColor: deep sea blue
    tags += shape_tag(1, (0xFF, 0xD2, 0x4A), circle(0, 0, 46 * TWIPS))                 # sun
    tags += shape_tag(2, (0x1B, 0x5E, 0x8C), wave(300 * TWIPS, 30 * TWIPS, 4, H))    # far wave
    tags += shape_tag(3, (0x2C, 0x86, 0xB5), wave(360 * TWIPS, 36 * TWIPS, 3, H))    # near wave
    tags += shape_tag(4, (0xD8, 0xF1, 0xFF), circle(0, 0, 9 * TWIPS))                 # bubble
    tags += place(1, 1, 500 * TWIPS, 110 * TWIPS)
    tags += place(2, 2, 0, 0)
    tags += place(3, 3, 0, 0)
    bubbles = [(120, 4), (330, 6), (470, 5)]  # x in pixels, rise per frame in pixels
    for i, (bx, _) in enumerate(bubbles):
        tags += place(10 + i, 4, bx * TWIPS, (HEIGHT - 20) * TWIPS)
    tags += tag(1, b"")  # ShowFrame
    for f in range(1, FRAMES):
        for i, (bx, rise) in enumerate(bubbles):
            y = (HEIGHT - 20 - (rise * f) % 200) * TWIPS
            x = bx * TWIPS + round(12 * TWIPS * math.sin(f / 4 + i))
            tags += place(10 + i, None, x, y, move=True)
        drift = round(20 * TWIPS * math.sin(2 * math.pi * f / FRAMES))
        tags += place(3, None, drift, 0, move=True)
        tags += tag(1, b"")
    tags += tag(0, b"")  # End

    header_rest = rect(0, W, 0, H) + struct.pack("<HH", 12 << 8, FRAMES)
    length = 8 + len(header_rest) + len(tags)
    return b"FWS" + bytes((6,)) + struct.pack("<I", length) + header_rest + bytes(tags)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "content", "ocean.swf")
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    data = movie()
    with open(out, "wb") as f:
        f.write(data)
    print(f"{out}: {len(data)} bytes, FWS v6, {WIDTH}x{HEIGHT}, {FRAMES} frames")


if __name__ == "__main__":
    main()
