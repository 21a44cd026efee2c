#!/usr/bin/env python3
"""The still wallpaper under Wine, whose Active Desktop answers E_NOTIMPL (so the page never shows and
the first frame of the content's movie becomes the wallpaper), with the prefix set to Windows 10 and to XP:

- a silent installation sets a 24-bit BMP of the screen's size in the content folder as the wallpaper,
  centred, after recording the user's wallpaper in the desktop record; the page's scale mode and the
  package's background colour are drawn; the sample uninstaller brings the earlier wallpaper back and
  leaves no picture, but leaves alone a wallpaper the user has chosen since;
- a windowed installation ends with "Setup Complete" and the same wallpaper;
- a page whose movie lies outside the content folder (and no movie in the content), and a movie the
  renderer refuses: no still wallpaper, a successful installation;
- a content file with the picture's name keeps its bytes: the picture takes another name;
- Wine's desktop (explorer /desktop) started after a silent installation shows the picture;
- the stage keeps the movie's own background colour (white), the package's colour (black) goes around it,
  as `mvpack preview --margin` draws it;
- screens wider than 4096 pixels (5120 x 1440, 7680 x 4320 on a private Xvfb of that size) get a picture of
  their size too, the preview's at that size.
The movies are FreeHEP's of tests/data/render (version 6, stage 350 x 150).
"""
import os
import re
import struct
import subprocess
import sys
import time
import zlib

sys.path.insert(0, os.path.dirname(__file__))
from e2e_lib import (E2E, KIND_JPEG, KIND_SILENT, ROOT, UNINSTALL_KEY, WINE_RUN, Entry, Skip, Slot, bmp_24,  # noqa: E402
                     data_file, expect, package, win_path, wine_environment)
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "ui"))
from xvfb_display import Display  # noqa: E402

e2e = E2E()
WALLPAPER = "C:\\windows\\Web\\Wallpaper\\"
DESKTOP = "HKCU\\Control Panel\\Desktop"
PICTURE = "still wallpaper.bmp"
EARLIER = "C:\\windows\\earlier.bmp"
SCREEN = (1024, 768)  # the Xvfb screen of scripts/wine-run.sh
BACKGROUND = (0x0B, 0x2A, 0x4A)
COMPLETE = "Moviva Installation and Setup Complete."


def movie(name="freehep_vector_v6.swf"):
    with open(os.path.join(ROOT, "tests", "data", "render", name), "rb") as f:
        return f.read()


def wine(t, *args, display=None):
    """Runs a program in the scenario's prefix (on the X display named, else without one)."""
    env = dict(os.environ, **wine_environment())
    if display:
        env["MV_DISPLAY"] = display
    r = subprocess.run([WINE_RUN, "--keep", t.prefix] + list(args), capture_output=True, timeout=900, env=env)
    print("%s: exit %d" % (" ".join(args), r.returncode), flush=True)
    return r.returncode


def windows_version(t, version):
    expect(wine(t, "winecfg", "/v", version) == 0, "winecfg /v " + version)


def earlier_wallpaper(t):
    """A wallpaper of the user's own, tiled, before the installation."""
    with open(t.host("C:\\windows") + "/earlier.bmp", "wb") as f:
        f.write(bmp_24(8, 8))
    for name, data in (("Wallpaper", EARLIER), ("WallpaperStyle", "2"), ("TileWallpaper", "1")):
        expect(wine(t, "reg", "add", DESKTOP, "/v", name, "/d", data, "/f") == 0, "reg add " + name)


def installer(t, name, title, page, entries, kind=KIND_SILENT, rgb=BACKGROUND):
    uninstaller = t._read(t.args.uninstaller)
    if not uninstaller:
        raise Skip("no --uninstaller given")
    slots = t.typical_slots(title, data_file(title, entries))
    slots[6] = Slot(title + ".html", 2, page.encode("cp1252"))
    slots[9] = Slot("uninstall.exe", 5, uninstaller)
    # A windowed installation offers to show the desktop, so that its last status stays until answered.
    return t.write_installer(name.replace(" ", "_"), package(t.stub, title, slots, kind=kind, rgb=rgb,
                                                             show_desktop=int(kind != KIND_SILENT)))


def page_with(reference, scale="showall"):
    return ('<html><body><object classid="clsid:D27CDB6E-AE6D-11cf-96B8-444553540000">'
            '<param name="movie" value="%s"><param name="scale" value="%s">'
            '<embed src="%s"></embed></object></body></html>\r\n' % (reference, scale, reference))


def silent_install(t, name, setup):
    t.check_drive(name.replace(" ", "_"), setup, "start I SETUP\nwait-exit I 120000\nexpect-exit I 0\n")


def read_bmp(t, path):
    """(width, height, bits, rows top to bottom as bytes)."""
    data = t.read(path)
    expect(data[:2] == b"BM", "a BMP")
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    stride = (width * 3 + 3) & ~3
    rows = [data[offset + y * stride: offset + y * stride + width * 3] for y in range(abs(height))]
    return width, height, bits, rows[::-1] if height > 0 else rows


def read_png(path):
    """(width, height, rows top to bottom as RGB bytes) of a non-interlaced 8-bit RGB or RGBA PNG."""
    with open(path, "rb") as f:
        data = f.read()
    expect(data[:8] == b"\x89PNG\r\n\x1a\n", "a PNG")
    at, idat = 8, b""
    while at < len(data):
        length, kind = struct.unpack_from(">I4s", data, at)
        body = data[at + 8: at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            expect(depth == 8 and colour in (2, 6) and interlace == 0, "an 8-bit RGB(A) PNG")
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw, channels = zlib.decompress(idat), 3 if colour == 2 else 4
    stride, rows, previous = width * channels, [], bytearray(width * channels)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1: (y + 1) * (stride + 1)])
        for i in range(stride if kind else 0):
            left = line[i - channels] if i >= channels else 0
            up, corner = previous[i], previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        previous = line
        rows.append(bytes(line) if channels == 3 else bytes(b for k, b in enumerate(line) if k % 4 != 3))
    return width, height, rows


def preview_rows(path, width, height):
    """The PNG's rows as RGB bytes: through ImageMagick's stream where it is (a large picture decodes in
    moments), else read here."""
    raw = path + ".rgb"
    if subprocess.run(["stream", "-map", "rgb", "-storage-type", "char", path, raw],
                      capture_output=True).returncode == 0 and os.path.getsize(raw) == width * height * 3:
        with open(raw, "rb") as f:
            data = f.read()
        return width, height, [data[y * width * 3: (y + 1) * width * 3] for y in range(height)]
    return read_png(path)


def expect_preview_match(t, name, swf, scale, rows, screen=SCREEN, margin=BACKGROUND, row_step=1):
    """The picture matches what `mvpack preview` draws of the movie at the screen's size and scale mode with
    the package's colour around the stage (mean difference per channel at most 2, over every row_step-th
    row): the author sees the wallpaper the users get."""
    mvpack = os.path.join(os.path.dirname(os.path.abspath(t.args.stub)), "mvpack.exe")
    if not os.path.exists(mvpack):
        print("no mvpack.exe beside the stub: the picture is not compared with its preview")
        return
    folder = os.path.join(t.work, name.replace(" ", "_"))
    os.makedirs(folder, exist_ok=True)
    movie_path, png = os.path.join(folder, "movie.swf"), os.path.join(folder, "preview.png")
    with open(movie_path, "wb") as f:
        f.write(swf)
    expect(wine(t, mvpack, "preview", win_path(movie_path), "-o", win_path(png), "--size", "%dx%d" % screen,
                "--scale", scale, "--margin", "#%02x%02x%02x" % margin) == 0, "mvpack preview")
    width, height, preview = preview_rows(png, *screen)
    expect((width, height) == screen, "the preview's size")
    total = 0
    for y in range(0, height, row_step):
        rgb = bytearray(rows[y])  # the BMP's rows are blue, green, red
        rgb[0::3], rgb[2::3] = rows[y][2::3], rows[y][0::3]
        total += sum(abs(a - b) for a, b in zip(preview[y], rgb))
    mean = total / (width * len(range(0, height, row_step)) * 3)
    print("mean difference from the preview: %.3f" % mean)
    expect(mean <= 2, "the picture is the preview: mean difference %.3f" % mean)


def pixel(rows, x, y):
    b, g, r = rows[y][3 * x: 3 * x + 3]
    return r, g, b


def first_drawn_row(rows, colour=BACKGROUND):
    """The first row (from the top) with a pixel that is not the package's colour."""
    background = bytes(colour[::-1])
    for y, row in enumerate(rows):
        if row != background * (len(row) // 3):
            return y
    return len(rows)


def expect_no_still_wallpaper(t, content):
    expect(not t.exists(content + PICTURE), "no picture")
    expect(t.reg_query(DESKTOP, "Wallpaper") == EARLIER, "the user's wallpaper stays")
    expect(t.reg_query(DESKTOP, "TileWallpaper") == "1", "its tiling stays")


def still_wallpaper_and_uninstall(t, version, title):
    windows_version(t, version)
    earlier_wallpaper(t)
    content = WALLPAPER + title + " dir\\"
    setup = installer(t, title, title, page_with(title.replace(" ", "%20") + "%20dir/sea%20one.swf"),
                      [Entry("first.swf", b"FWS\x06 not this one"), Entry("sea one.swf", movie())])
    silent_install(t, title, setup)

    picture = content + PICTURE
    expect(t.reg_query(DESKTOP, "Wallpaper") == picture, "the wallpaper is the picture")
    expect(t.reg_query(DESKTOP, "WallpaperStyle") == "0" and t.reg_query(DESKTOP, "TileWallpaper") == "0",
           "centred, not tiled")
    width, height, bits, rows = read_bmp(t, picture)
    expect((width, height, bits) == SCREEN + (24,), "a 24-bit picture of the screen: %r" % ((width, height, bits),))
    # Show all: the 350 x 150 stage fills the width; above and below it the package's colour.
    expect(pixel(rows, 0, 0) == BACKGROUND and pixel(rows, width - 1, height - 1) == BACKGROUND,
           "the rest in the background colour: %r" % (pixel(rows, 0, 0),))
    expect(first_drawn_row(rows) >= 165, "a band of the package's colour above the stage")
    expect(len(set(rows[height // 2])) > 3, "the movie is drawn across the middle")
    expect_preview_match(t, title + " preview", movie(), "showall", rows)
    entry = "HKLM\\" + UNINSTALL_KEY + title
    expect(t.reg_query(entry, "StillWallpaper") == picture, "the entry names the picture")
    recorded = {name: t.reg_query("HKCU\\Software\\Moviva\\Desktop", name) for name in
                ("Wallpaper", "WallpaperStyle", "TileWallpaper")}
    expect(recorded == {"Wallpaper": EARLIER, "WallpaperStyle": "2", "TileWallpaper": "1"},
           "the user's wallpaper is recorded: %r" % recorded)
    expect(t.reg_query(entry, "DisplayName") == title + " Wallpaper", "the entry's own values stay")

    expect(wine(t, content + "uninstall.exe", "/y") == 0, "the uninstaller ends with 0")
    expect(not t.exists(content), "the content folder and the picture are gone")
    expect(t.reg_query(DESKTOP, "Wallpaper") == EARLIER, "the earlier wallpaper is back")
    expect(t.reg_query(DESKTOP, "WallpaperStyle") == "2" and t.reg_query(DESKTOP, "TileWallpaper") == "1",
           "with its style")


@e2e.scenario
def windows_10_silent_install_then_uninstall(t):
    still_wallpaper_and_uninstall(t, "win10", "Deep Sea")


@e2e.scenario
def windows_xp_silent_install_then_uninstall(t):
    still_wallpaper_and_uninstall(t, "winxp", "Shallow Sea")


@e2e.scenario
def wallpaper_chosen_since_is_left_alone(t):
    windows_version(t, "win10")
    earlier_wallpaper(t)
    title = "Later Sea"
    content = WALLPAPER + title + " dir\\"
    setup = installer(t, title, title, page_with("Later%20Sea%20dir/sea.swf"), [Entry("sea.swf", movie())])
    silent_install(t, title, setup)
    expect(t.reg_query(DESKTOP, "Wallpaper") == content + PICTURE, "the wallpaper is the picture")
    expect(wine(t, "reg", "add", DESKTOP, "/v", "Wallpaper", "/d", "C:\\windows\\chosen.bmp", "/f") == 0,
           "the user chooses another wallpaper")
    expect(wine(t, content + "uninstall.exe", "/y") == 0, "the uninstaller ends with 0")
    expect(not t.exists(content), "the content folder and the picture are gone")
    expect(t.reg_query(DESKTOP, "Wallpaper") == "C:\\windows\\chosen.bmp", "the user's choice stays")


@e2e.scenario
def windowed_install_with_exact_fit(t):
    windows_version(t, "win10")
    earlier_wallpaper(t)
    title = "Window Sea"
    setup = installer(t, title, title, page_with("Window%20Sea%20dir/sea.swf", "exactfit"),
                      [Entry("sea.swf", movie())], kind=KIND_JPEG)
    t.check_drive(title.replace(" ", "_"), setup, r"""
start I SETUP
wait-window W "Install Wallpaper: {title}" 60000 I
press W Install
record W "{complete}" 120000
wait-box Q "Installation Successful." 30000
expect-control W Close visible
press Q No
wait-exit I 30000
expect-exit I 0
""".format(title=title, complete=COMPLETE))
    picture = WALLPAPER + title + " dir\\" + PICTURE
    expect(t.reg_query(DESKTOP, "Wallpaper") == picture, "the wallpaper is the picture")
    width, height, _, rows = read_bmp(t, picture)
    expect((width, height) == SCREEN, "the screen's size")
    # Exact fit stretches the stage over the whole height, where show all leaves 165 rows of the package's
    # colour above it: the drawing starts higher.
    expect(first_drawn_row(rows) < 165, "the stage reaches above show all's band: row %d" % first_drawn_row(rows))
    expect_preview_match(t, title + " preview", movie(), "exactfit", rows)


@e2e.scenario
def page_movie_outside_the_content_folder(t):
    earlier_wallpaper(t)
    title = "Outer Sea"
    content = WALLPAPER + title + " dir\\"
    # The movie exists, but beside the page, not in the content folder; the content has no movie.
    folder = t.host("C:\\windows") + "/Web/Wallpaper"
    os.makedirs(folder, exist_ok=True)
    with open(folder + "/outside.swf", "wb") as f:
        f.write(movie())
    setup = installer(t, title, title, page_with("outside.swf"), [Entry("readme.txt", b"Read me.\r\n")])
    silent_install(t, title, setup)
    expect(t.exists(content + "readme.txt"), "installed")
    expect_no_still_wallpaper(t, content)


@e2e.scenario
def refused_movie_completes_as_before(t):
    earlier_wallpaper(t)
    title = "Broken Sea"
    content = WALLPAPER + title + " dir\\"
    setup = installer(t, title, title, page_with("Broken%20Sea%20dir/sea.swf"),
                      [Entry("sea.swf", b"FWS\x02" + b"\0" * 40)], kind=KIND_JPEG)  # version 2: refused
    t.check_drive(title.replace(" ", "_"), setup, r"""
start I SETUP
wait-window W "Install Wallpaper: {title}" 60000 I
press W Install
record W "{complete}" 120000
wait-box Q "Installation Successful." 30000
expect-no-window Error 2000
press Q No
wait-exit I 30000
expect-exit I 0
reg-expect HKLM "{key}{title}" DisplayName "{title} Wallpaper"
""".format(title=title, complete=COMPLETE, key=UNINSTALL_KEY))
    expect_no_still_wallpaper(t, content)


@e2e.scenario
def content_file_with_the_pictures_name(t):
    title = "Named Sea"
    content = WALLPAPER + title + " dir\\"
    setup = installer(t, title, title, page_with("Named%20Sea%20dir/sea.swf"),
                      [Entry("sea.swf", movie()), Entry(PICTURE, b"the author's own file")])
    silent_install(t, title, setup)
    expect(t.read(content + PICTURE) == b"the author's own file", "the content file keeps its bytes")
    picture = content + "still wallpaper 2.bmp"
    expect(t.reg_query(DESKTOP, "Wallpaper") == picture, "the picture took another name")
    expect(read_bmp(t, picture)[:2] == SCREEN, "the screen's size")


def covering_windows(display):
    """(x, y, width, height) of the windows inside Wine's desktop window (its taskbar, say), which cover
    the wallpaper; Wine's hidden 1 x 1 helper windows cover nothing."""
    r = subprocess.run(["xwininfo", "-display", display.name, "-root", "-tree"], capture_output=True, text=True)
    covered, depth = [], None
    for line in r.stdout.splitlines():
        indent = len(line) - len(line.lstrip())
        if "Wine desktop" in line:
            depth = indent
            continue
        if depth is None or not line.strip().startswith("0x"):
            continue
        if indent <= depth:
            break
        geometry = re.search(r" (\d+)x(\d+)\+(-?\d+)\+(-?\d+) ", line)
        if geometry:
            width, height, x, y = (int(v) for v in geometry.groups())
            if width * height > 1:
                covered.append((x, y, width, height))
    return covered


def desktop_difference(shot, rows, covered):
    """Mean difference per channel between a raw RGB screenshot and the BMP's rows (blue, green, red),
    outside the covering windows; and how many pixels were compared."""
    width, height = SCREEN
    total = compared = 0
    for y in range(height):
        spans, x = [], 0
        for cx, cy, cw, ch in sorted(c for c in covered if c[1] <= y < c[1] + c[3]):
            if cx > x:
                spans.append((x, cx))
            x = max(x, cx + cw)
        spans.append((x, width))
        screen = shot[y * width * 3: (y + 1) * width * 3]
        rgb = bytearray(rows[y])
        rgb[0::3], rgb[2::3] = rows[y][2::3], rows[y][0::3]
        for a, b in spans:
            if b > a:
                total += sum(abs(p - q) for p, q in zip(screen[3 * a: 3 * b], rgb[3 * a: 3 * b]))
                compared += b - a
    return (total / (compared * 3) if compared else 255.0), compared


@e2e.scenario
def wine_desktop_shows_the_picture(t):
    windows_version(t, "win10")
    earlier_wallpaper(t)
    title = "Desk Sea"
    picture = WALLPAPER + title + " dir\\" + PICTURE
    # Exact fit: the movie covers the whole screen, so no other desktop comes near it.
    setup = installer(t, title, title, page_with("Desk%20Sea%20dir/sea.swf", "exactfit"), [Entry("sea.swf", movie())])
    silent_install(t, title, setup)
    expect(t.reg_query(DESKTOP, "Wallpaper") == picture, "the wallpaper is the picture")
    _, _, _, rows = read_bmp(t, picture)

    display = Display("%dx%d" % SCREEN)
    env = dict(os.environ, **wine_environment())
    env.update(WINEPREFIX=t.prefix, WINEARCH="win32", WINEDEBUG="-all", DISPLAY=display.name)
    explorer = subprocess.Popen(["wine", "explorer", "/desktop=shell,%dx%d" % SCREEN], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    shot_path = os.path.join(t.work, "desktop.rgb")
    try:
        # The desktop paints its wallpaper once it is up: look until it matches or a minute has passed.
        mean, compared, deadline = 255.0, 0, time.time() + 90
        while time.time() < deadline:
            time.sleep(3)
            if subprocess.run(["import", "-display", display.name, "-window", "root", "-depth", "8",
                               "rgb:" + shot_path], capture_output=True).returncode != 0:
                continue
            with open(shot_path, "rb") as f:
                shot = f.read()
            if len(shot) != SCREEN[0] * SCREEN[1] * 3:
                continue
            covered = covering_windows(display)
            mean, compared = desktop_difference(shot, rows, covered)
            print("desktop: mean difference %.3f over %d pixels; covered by %r" % (mean, compared, covered))
            if mean <= 12:
                break
    finally:
        subprocess.run(["wineserver", "-k"], env=env, capture_output=True, timeout=60)
        try:
            explorer.wait(timeout=30)
        except subprocess.TimeoutExpired:
            explorer.kill()
            explorer.wait()
        display.close()
    expect(compared >= SCREEN[0] * SCREEN[1] // 2, "most of the desktop is uncovered: %d pixels" % compared)
    expect(mean <= 12, "Wine's desktop shows the picture: mean difference %.3f" % mean)


def white_movie():
    """The FreeHEP movie with its own background colour (SetBackgroundColor) made white."""
    swf = bytearray(movie())
    at = swf.find(b"\x43\x02\xf4\xf1\xe8")  # SetBackgroundColor (tag 9, 3 bytes): f4f1e8
    expect(at > 0, "the movie's background colour tag")
    swf[at + 2: at + 5] = b"\xff\xff\xff"
    return bytes(swf)


BLACK, WHITE = (0, 0, 0), (255, 255, 255)


@e2e.scenario
def stage_in_the_movies_colour_the_packages_around_it(t):
    windows_version(t, "win10")
    title = "White Sea"
    setup = installer(t, title, title, page_with("White%20Sea%20dir/sea.swf"), [Entry("sea.swf", white_movie())],
                      rgb=BLACK)
    silent_install(t, title, setup)
    picture = WALLPAPER + title + " dir\\" + PICTURE
    expect(t.reg_query(DESKTOP, "Wallpaper") == picture, "the wallpaper is the picture")
    width, height, _, rows = read_bmp(t, picture)
    expect((width, height) == SCREEN, "the screen's size")
    # Show all: the 350 x 150 stage across the width, rows 165 to 603; black above and below it.
    expect(first_drawn_row(rows, BLACK) == 165, "black down to the stage: row %d" % first_drawn_row(rows, BLACK))
    expect(first_drawn_row(rows[::-1], BLACK) == 768 - 604, "black below the stage")
    for x, y in ((2, 170), (640, 180), (5, 400), (1021, 600)):
        expect(pixel(rows, x, y) == WHITE, "the stage's own white at %r: %r" % ((x, y), pixel(rows, x, y)))
    expect(pixel(rows, 0, 0) == BLACK and pixel(rows, 1023, 767) == BLACK, "the package's black around it")
    expect_preview_match(t, title + " preview", white_movie(), "showall", rows, margin=BLACK)


def large_screen(t, size, title):
    """A silent installation on a screen of `size` (a private Xvfb of that size): a picture of the screen's
    size, the stage across its middle, the preview's pixels."""
    windows_version(t, "win10")
    width, height = size
    display = Display("%dx%d" % size)
    try:
        setup = installer(t, title, title, page_with(title.replace(" ", "%20") + "%20dir/sea.swf"),
                          [Entry("sea.swf", white_movie())], rgb=BLACK)
        expect(wine(t, setup, display=display.name) == 0, "the silent installation ends with 0")
    finally:
        display.close()  # wine-run.sh has stopped the prefix's wineserver
    picture = WALLPAPER + title + " dir\\" + PICTURE
    expect(t.reg_query(DESKTOP, "Wallpaper") == picture, "the wallpaper is the picture")
    got_width, got_height, bits, rows = read_bmp(t, picture)
    expect((got_width, got_height, bits) == (width, height, 24), "a 24-bit picture of the screen: %r" %
           ((got_width, got_height, bits),))
    # Show all: a stage of 350 x 150 is as high as the screen where the screen is wider than 7 : 3; centred.
    stage_width = min(width, height * 350 // 150)
    left = (width - stage_width) // 2
    expect(pixel(rows, 0, 0) == BLACK and pixel(rows, width - 1, height - 1) == BLACK, "black around the stage")
    expect(pixel(rows, left + 8, height // 2) == WHITE, "the stage's white at its left edge")
    expect(len(set(rows[height // 2])) > 3, "the movie is drawn across the middle")
    expect_preview_match(t, title + " preview", white_movie(), "showall", rows, screen=size, margin=BLACK,
                         row_step=1 if width * height <= 8000000 else 4)


@e2e.scenario
def screen_of_5120_by_1440(t):
    large_screen(t, (5120, 1440), "Wide Sea")


@e2e.scenario
def screen_of_7680_by_4320(t):
    large_screen(t, (7680, 4320), "Huge Sea")


e2e.finish()
