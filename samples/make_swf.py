#!/usr/bin/env python3
"""Writes the sample movies, uncompressed SWF ("FWS") of version 6, byte by byte.

    python3 samples/make_swf.py [FOLDER]      (default: samples)

FOLDER/content/ocean.swf, the desktop movie (640 x 480), and FOLDER/intro.swf, the installer's movie
(350 x 150, the size of the installer window's movie panel). Each: a sky in a linear gradient (a
DefineShape2 whose gradient matrix turns the gradient upright), a sun with a glow (a radial gradient
fading to transparent, DefineShape3), two rolling waves, three bubbles that rise over 48 frames at 12
frames per second and loop, and the title "Ocean Breeze" as static text (DefineFont2 glyphs read from
the DejaVu Sans Bold TrueType font, DefineText), placed twice: once tinted dark by a colour transform
as its shadow. Shapes are placed with PlaceObject2 and moved frame by frame with its Move flag.

Format notes (SWF file format reference, version 6 and later):
  header      "FWS", version byte, file length (u32 LE), frame RECT, frame rate (8.8 fixed), frame count
  tag header  u16 = code << 6 | length (length < 63), else code << 6 | 0x3F then u32 length
  RECT        5-bit field size n, then xmin, xmax, ymin, ymax as n-bit signed values (twips), byte aligned
  shapes      fill/line style arrays, then bit-packed shape records ending in six zero bits
  MATRIX      scale (16.16), rotate/skew (16.16), translate (twips), each with its own bit count
  fonts       glyph shapes in an EM square of 1024 (y down), one fill style on one side of the edges
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


def wave(top, amplitude, crests, colour_bottom, w=WIDTH * TWIPS):
    """A band from `top` down to the bottom of the frame whose upper edge rolls in curves."""
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


def matrix(tx, ty, a=1.0, b=0.0, c=0.0, d=1.0):
    """x' = a x + c y + tx, y' = b x + d y + ty."""
    w = Bits()
    fixed = [round(v * 65536) for v in (a, d, b, c)]
    if (a, d) != (1.0, 1.0):
        n = signed_bits(fixed[0], fixed[1])
        w.ub(1, 1)
        w.ub(n, 5)
        w.sb(fixed[0], n)
        w.sb(fixed[1], n)
    else:
        w.ub(0, 1)
    if (b, c) != (0.0, 0.0):
        n = signed_bits(fixed[2], fixed[3])
        w.ub(1, 1)
        w.ub(n, 5)
        w.sb(fixed[2], n)
        w.sb(fixed[3], n)
    else:
        w.ub(0, 1)
    n = signed_bits(tx, ty)
    w.ub(n, 5)
    w.sb(tx, n)
    w.sb(ty, n)
    return w.bytes()


def cxform_with_alpha(mul, add):
    """CXFORMWITHALPHA: multipliers (256 = 1) and additions for red, green, blue, alpha."""
    w = Bits()
    n = signed_bits(*mul, *add)
    w.ub(1, 1)  # HasAddTerms
    w.ub(1, 1)  # HasMultTerms
    w.ub(n, 4)
    for v in list(mul) + list(add):
        w.sb(v, n)
    return w.bytes()


def place(depth, char_id=None, tx=0, ty=0, move=False, cxform=None):
    flags = 0x04  # HasMatrix
    if char_id is not None:
        flags |= 0x02  # HasCharacter
    if move:
        flags |= 0x01  # Move
    if cxform:
        flags |= 0x08  # HasColorTransform
    body = bytes((flags,)) + struct.pack("<H", depth)
    if char_id is not None:
        body += struct.pack("<H", char_id)
    body += matrix(tx, ty)
    if cxform:
        body += cxform_with_alpha(*cxform)
    return tag(26, body)


def rectangle_edges(w, h):
    return (0, 0), [("line", w, 0), ("line", 0, h), ("line", -w, 0), ("line", 0, -h)]


def gradient_shape_tag(shape_id, code, fill_style, path, with_alpha):
    """A DefineShape2 (code 22) or DefineShape3 (32) whose one fill is the given FILLSTYLE bytes."""
    start, edges = path
    body = struct.pack("<H", shape_id) + rect(-1, 1, -1, 1) + bytes((1,)) + fill_style + bytes((0,))
    return tag(code, body + records(start, edges))


def records(start, edges):
    """Shape records: move to start with fill style 1 on the right, the edges, the end record."""
    w = Bits()
    w.ub(1, 4)  # NumFillBits
    w.ub(0, 4)  # NumLineBits
    w.ub(0, 1)
    w.ub(0b00101, 5)  # FillStyle1, MoveTo
    n = signed_bits(*start)
    w.ub(n, 5)
    w.sb(start[0], n)
    w.sb(start[1], n)
    w.ub(1, 1)
    for e in edges:
        if e[0] == "line":
            dx, dy = e[1], e[2]
            n = max(signed_bits(dx, dy), 2)
            w.ub(1, 1); w.ub(1, 1)
            w.ub(n - 2, 4)
            w.ub(1, 1)
            w.sb(dx, n); w.sb(dy, n)
        else:
            n = max(signed_bits(*e[1:]), 2)
            w.ub(1, 1); w.ub(0, 1)
            w.ub(n - 2, 4)
            for v in e[1:]:
                w.sb(v, n)
    w.ub(0, 6)
    return w.bytes()


def gradient_style(kind, m, stops, with_alpha):
    """FILLSTYLE of a linear (0x10) or radial (0x12) gradient: matrix, count, (ratio, colour) each."""
    out = bytes((kind,)) + matrix(*m) + bytes((len(stops),))
    for ratio, colour in stops:
        out += bytes((ratio,)) + bytes(colour if with_alpha else colour[:3])
    return out


# ------------------------------------------------------------------------------------------ text

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"


class TrueType:
    """The outlines and advances of a TrueType font's simple glyphs (tables head, maxp, cmap format 4,
    hhea, hmtx, loca, glyf), scaled to SWF's EM square of 1024 with y pointing down."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        d = self.data
        self.tables = {}
        for i in range(struct.unpack_from(">H", d, 4)[0]):
            tag_, _, offset, length = struct.unpack_from(">4sIII", d, 12 + 16 * i)
            self.tables[tag_.decode("latin-1")] = offset
        self.units = struct.unpack_from(">H", d, self.tables["head"] + 18)[0]
        self.long_loca = struct.unpack_from(">h", d, self.tables["head"] + 50)[0] == 1
        self.metrics = struct.unpack_from(">H", d, self.tables["hhea"] + 34)[0]

    def glyph_index(self, char):
        d, cmap = self.data, self.tables["cmap"]
        for i in range(struct.unpack_from(">H", d, cmap + 2)[0]):
            platform, encoding, offset = struct.unpack_from(">HHI", d, cmap + 4 + 8 * i)
            sub = cmap + offset
            if platform == 3 and encoding == 1 and struct.unpack_from(">H", d, sub)[0] == 4:
                segs = struct.unpack_from(">H", d, sub + 6)[0] // 2
                ends = struct.unpack_from(">%dH" % segs, d, sub + 14)
                starts = struct.unpack_from(">%dH" % segs, d, sub + 16 + 2 * segs)
                deltas = struct.unpack_from(">%dh" % segs, d, sub + 16 + 4 * segs)
                range_at = sub + 16 + 6 * segs
                code = ord(char)
                for k in range(segs):
                    if starts[k] <= code <= ends[k]:
                        ro = struct.unpack_from(">H", d, range_at + 2 * k)[0]
                        if ro == 0:
                            return (code + deltas[k]) & 0xFFFF
                        g = struct.unpack_from(">H", d, range_at + 2 * k + ro + 2 * (code - starts[k]))[0]
                        return (g + deltas[k]) & 0xFFFF if g else 0
        return 0

    def advance(self, index):
        hmtx = self.tables["hmtx"]
        return struct.unpack_from(">H", self.data, hmtx + 4 * min(index, self.metrics - 1))[0] * 1024 / self.units

    def contours(self, index):
        """Lists of (x, y, on_curve) in EM-1024 units, y down."""
        d, loca = self.data, self.tables["loca"]
        if self.long_loca:
            start, end = struct.unpack_from(">II", d, loca + 4 * index)
        else:
            start, end = (2 * v for v in struct.unpack_from(">HH", d, loca + 2 * index))
        if start == end:
            return []
        g = self.tables["glyf"] + start
        count = struct.unpack_from(">h", d, g)[0]
        assert count >= 0, "composite glyphs are not read here"
        ends = struct.unpack_from(">%dH" % count, d, g + 10)
        points = ends[-1] + 1
        p = g + 10 + 2 * count
        p += 2 + struct.unpack_from(">H", d, p)[0]  # instructions
        flags = []
        while len(flags) < points:
            f = d[p]
            p += 1
            flags.append(f)
            if f & 8:
                flags.extend([f] * d[p])
                p += 1
        coords = []
        for short_bit, same_bit in ((2, 16), (4, 32)):
            value, values = 0, []
            for f in flags:
                if f & short_bit:
                    delta = d[p]
                    p += 1
                    value += delta if f & same_bit else -delta
                elif not f & same_bit:
                    value += struct.unpack_from(">h", d, p)[0]
                    p += 2
                values.append(value)
            coords.append(values)
        scale = 1024 / self.units
        out, first = [], 0
        for last in ends:
            out.append([(round(coords[0][i] * scale), round(-coords[1][i] * scale), bool(flags[i] & 1))
                        for i in range(first, last + 1)])
            first = last + 1
        return out


def glyph_shape(contours):
    """A font SHAPE: fill style 1 on one side of every contour (the renderer fills them even-odd)."""
    w = Bits()
    w.ub(1, 4)
    w.ub(0, 4)
    x = y = 0
    first = True
    for contour in contours:
        # Start at an on-curve point (or between two off-curve ones); off-curve pairs imply one between.
        pts = contour
        k = next((i for i, q in enumerate(pts) if q[2]), None)
        if k is None:
            mid = ((pts[0][0] + pts[1][0]) // 2, (pts[0][1] + pts[1][1]) // 2, True)
            pts = [mid] + pts[1:] + pts[:1]
        else:
            pts = pts[k:] + pts[:k]
        sx, sy = pts[0][0], pts[0][1]
        w.ub(0, 1)
        w.ub(0b00101 if first else 0b00001, 5)
        n = signed_bits(sx, sy)
        w.ub(n, 5)
        w.sb(sx, n)
        w.sb(sy, n)
        if first:
            w.ub(1, 1)
            first = False
        x, y = sx, sy
        ring = pts[1:] + [pts[0]]
        i, control = 0, None
        while i < len(ring):
            px, py, on = ring[i]
            if on:
                if control is None:
                    dx, dy = px - x, py - y
                    if dx or dy:
                        n = max(signed_bits(dx, dy), 2)
                        w.ub(1, 1); w.ub(1, 1); w.ub(n - 2, 4); w.ub(1, 1); w.sb(dx, n); w.sb(dy, n)
                else:
                    x, y = curve(w, x, y, control, (px, py))
                    control = None
                x, y = (px, py) if control is None else (x, y)
            else:
                if control is not None:
                    mid = ((control[0] + px) // 2, (control[1] + py) // 2)
                    x, y = curve(w, x, y, control, mid)
                control = (px, py)
            i += 1
        if control is not None:
            x, y = curve(w, x, y, control, (sx, sy))
    w.ub(0, 6)
    return w.bytes()


def curve(w, x, y, control, anchor):
    values = (control[0] - x, control[1] - y, anchor[0] - control[0], anchor[1] - control[1])
    n = max(signed_bits(*values), 2)
    w.ub(1, 1); w.ub(0, 1); w.ub(n - 2, 4)
    for v in values:
        w.sb(v, n)
    return anchor


def font_and_text(font_id, text_id, text, height, colour, font=FONT):
    """DefineFont2 with the glyphs of text, and a DefineText of it with its baseline starting at 0, 0;
    returns the two tags and the text's width in twips."""
    tt = TrueType(font)
    chars = sorted(set(text))
    shapes = [glyph_shape(tt.contours(tt.glyph_index(c))) for c in chars]
    table = 4 * (len(shapes) + 1)  # wide offsets: one per glyph and the code table's
    offsets, position = [], table
    for s_ in shapes:
        offsets.append(position)
        position += len(s_)
    body = struct.pack("<HBBB", font_id, 0x08, 1, 4) + b"Sans" + struct.pack("<H", len(shapes))
    body += b"".join(struct.pack("<I", o) for o in offsets + [position]) + b"".join(shapes)
    body += bytes(ord(c) for c in chars)
    font_tag = tag(48, body)

    advances = [round(tt.advance(tt.glyph_index(c)) * height / 1024) for c in text]
    glyph_bits = signed_bits(len(chars)) - 1 or 1
    advance_bits = signed_bits(*advances)
    head = struct.pack("<H", text_id) + rect(0, sum(advances), -height, height // 4) + matrix(0, 0)
    head += bytes((glyph_bits, advance_bits))
    style = bytes((0x80 | 0x08 | 0x04,)) + struct.pack("<H", font_id) + bytes(colour) + struct.pack("<H", height)
    style += bytes((len(text),))
    g = Bits()
    for c, a in zip(text, advances):
        g.ub(chars.index(c), glyph_bits)
        g.sb(a, advance_bits)
    return font_tag + tag(11, head + style + g.bytes() + b"\0"), sum(advances)


# ----------------------------------------------------------------------------------------- movies

def movie(width, height, title_px):
    W, H = width * TWIPS, height * TWIPS
    k = height / 480  # the desktop movie's measures, scaled
    tags = bytearray()
    tags += tag(9, rgb(0x0B, 0x2A, 0x4A))  # SetBackgroundColor: deep sea blue
    # The sky: a linear gradient turned upright (the gradient's x axis along the stage's y axis).
    sky = gradient_style(0x10, (W // 2, H // 2, 0.0, H / 32768, -W / 32768, 0.0),
                         [(0, (0x0B, 0x2A, 0x4A)), (150, (0x1D, 0x6F, 0xA5)), (255, (0x7F, 0xC4, 0xE8))], False)
    tags += gradient_shape_tag(5, 22, sky, rectangle_edges(W, H), False)
    # The sun's glow: a radial gradient from warm light to transparent.
    r = round(110 * k * TWIPS)
    glow = gradient_style(0x12, (0, 0, r / 16384, 0.0, 0.0, r / 16384),
                          [(0, (255, 240, 180, 200)), (120, (255, 210, 74, 90)), (255, (255, 210, 74, 0))], True)
    tags += gradient_shape_tag(6, 32, glow, circle(0, 0, r), True)
    tags += shape_tag(1, (0xFF, 0xD2, 0x4A), circle(0, 0, round(46 * k * TWIPS)))                 # sun
    tags += shape_tag(2, (0x1B, 0x5E, 0x8C), wave_scaled(W, H, 300 / 480, 30 * k, 4))           # far wave
    tags += shape_tag(3, (0x2C, 0x86, 0xB5), wave_scaled(W, H, 360 / 480, 36 * k, 3))           # near wave
    tags += shape_tag(4, (0xD8, 0xF1, 0xFF), circle(0, 0, round(max(3, 9 * k) * TWIPS)))          # bubble
    text_tags, text_width = font_and_text(7, 8, "Ocean Breeze", round(title_px * TWIPS), (0xFF, 0xFF, 0xFF))
    tags += text_tags
    sun_x, sun_y = round(width * 500 / 640) * TWIPS, round(110 * k) * TWIPS
    tags += place(1, 5)
    tags += place(2, 6, sun_x, sun_y)
    tags += place(3, 1, sun_x, sun_y)
    tags += place(4, 2, 0, 0)
    tags += place(5, 3, 0, 0)
    title_x, title_y = round(24 * TWIPS * width / 350 if width < 400 else 40 * TWIPS), round(title_px * 1.5 * TWIPS)
    shadow = ((0, 0, 0, 160), (0x05, 0x18, 0x30, 0))
    tags += place(6, 8, title_x + 2 * TWIPS, title_y + 2 * TWIPS, cxform=shadow)
    tags += place(7, 8, title_x, title_y)
    bubbles = [(round(width * x / 640), rise * k) for x, rise in ((120, 4), (330, 6), (470, 5))]
    for i, (bx, _) in enumerate(bubbles):
        tags += place(10 + i, 4, bx * TWIPS, round(height - 20 * k) * TWIPS)
    tags += tag(1, b"")  # ShowFrame
    for f in range(1, FRAMES):
        for i, (bx, rise) in enumerate(bubbles):
            y = round((height - 20 * k - (rise * f) % (200 * k)) * TWIPS)
            x = bx * TWIPS + round(12 * k * TWIPS * math.sin(f / 4 + i))
            tags += place(10 + i, None, x, y, move=True)
        drift = round(20 * k * TWIPS * math.sin(2 * math.pi * f / FRAMES))
        tags += place(5, None, drift, 0, move=True)
        tags += tag(1, b"")
    tags += tag(0, b"")  # End

    header_rest = rect(0, W, 0, H) + struct.pack("<HH", 12 << 8, FRAMES)
    length = 8 + len(header_rest) + len(tags)
    return b"FWS" + bytes((6,)) + struct.pack("<I", length) + header_rest + bytes(tags)


def wave_scaled(W, H, top_share, amplitude_px, crests):
    return wave(round(H * top_share), round(amplitude_px * TWIPS), crests, H, W)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for path, (w, h, title) in ((os.path.join(folder, "content", "ocean.swf"), (WIDTH, HEIGHT, 44)),
                                (os.path.join(folder, "intro.swf"), (350, 150, 26))):
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        data = movie(w, h, title)
        with open(path, "wb") as f:
            f.write(data)
        print(f"{path}: {len(data)} bytes, FWS v6, {w}x{h}, {FRAMES} frames")


if __name__ == "__main__":
    main()
