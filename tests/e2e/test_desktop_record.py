#!/usr/bin/env python3
"""The user's own desktop under Wine, whatever the order of installs, uninstalls, reinstalls, cancels and
failures. Wine's Active Desktop answers E_NOTIMPL, so every content here sets its still wallpaper (the first
frame of its movie) and its desktop colour; the user had a tiled picture of their own and a colour.

- A and B installed, then uninstalled A, B: the user's picture, style, tiling and colour are back, and the
  record (HKCU\\Software\\Moviva\\Desktop) is gone; uninstalled B, A: A's picture and colour come back
  while A stays (the uninstaller says so), then the user's;
- A installed over A, then uninstalled: the user's desktop, not A's picture;
- a wallpaper and a colour the user chose after the installation stay;
- a reinstallation of A confirmed and then cancelled, and one that fails on a damaged data file: the
  clean-up removes A's folder with its picture, and the user's desktop is back.
The sample uninstaller runs with /y, or through the driver where its report is read.
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(__file__))
from e2e_lib import (E2E, KIND_JPEG, KIND_SILENT, Entry, Skip, Slot, bmp_24, data_file, expect,  # noqa: E402
                     package, render_movie, wine, wine_environment)

e2e = E2E()
WALLPAPER = "C:\\windows\\Web\\Wallpaper\\"
DESKTOP = "HKEY_CURRENT_USER\\Control Panel\\Desktop"
COLORS = "HKEY_CURRENT_USER\\Control Panel\\Colors"
RECORD = "HKEY_CURRENT_USER\\Software\\Moviva\\Desktop"
PICTURE = "still wallpaper.bmp"
OWN_PICTURE = "C:\\windows\\own.bmp"
OWN = {"Wallpaper": OWN_PICTURE, "WallpaperStyle": "2", "TileWallpaper": "1", "Background": "58 110 165"}
COLOURS = {"A": (10, 20, 30), "B": (40, 50, 60)}


def desktop(t):
    """{key: {value: data}} of the desktop's keys and the record, read in one Wine run."""
    env = dict(os.environ, WINEPREFIX=t.prefix, WINEARCH="win32", WINEDEBUG="-all", **wine_environment())
    command = []
    for key in (DESKTOP, COLORS, RECORD):
        command += (["&"] if command else []) + ["reg", "query", key, "/s"]
    try:
        r = subprocess.run(["wine", "cmd", "/c"] + command, capture_output=True, env=env, timeout=120)
    finally:
        subprocess.run(["wineserver", "-k"], env=env, capture_output=True, timeout=60)
    keys, current = {}, None
    for line in r.stdout.decode("utf-8", "replace").splitlines():
        if line.startswith("HKEY_"):
            current = keys.setdefault(line.strip(), {})
            continue
        parts = line.strip().split(None, 2)
        if current is not None and len(parts) >= 2 and parts[1].startswith("REG_"):
            current[parts[0]] = parts[2] if len(parts) == 3 else ""
    return keys


def shown(t):
    """The wallpaper, its style and tiling, and the colour the desktop has; and whether the record exists."""
    keys = desktop(t)
    values = {name: keys.get(DESKTOP, {}).get(name) for name in ("Wallpaper", "WallpaperStyle", "TileWallpaper")}
    values["Background"] = keys.get(COLORS, {}).get("Background")
    print("desktop: %r; record: %r" % (values, {k: v for k, v in keys.items() if k.startswith(RECORD)}), flush=True)
    return values, RECORD in keys


def own_desktop(t):
    """The user's own desktop before any content: a tiled picture and a colour."""
    with open(t.host("C:\\windows") + "/own.bmp", "wb") as f:
        f.write(bmp_24(8, 8))
    path = os.path.join(t.work, "own.reg")
    with open(path, "w", encoding="utf-16") as f:
        f.write("Windows Registry Editor Version 5.00\r\n\r\n[%s]\r\n" % DESKTOP)
        for name in ("Wallpaper", "WallpaperStyle", "TileWallpaper"):
            f.write('"%s"="%s"\r\n' % (name, OWN[name].replace("\\", "\\\\")))
        f.write('\r\n[%s]\r\n"Background"="%s"\r\n' % (COLORS, OWN["Background"]))
    expect(wine(t, "regedit", "/S", "Z:" + path.replace("/", "\\")) == 0, "the user's desktop is set")
    values, record = shown(t)
    expect(values == OWN and not record, "the user's own desktop to start with: %r" % values)


def expect_own_desktop(t, what):
    values, record = shown(t)
    expect(values == OWN, "%s: the user's own desktop is back: %r" % (what, values))
    expect(not record, "%s: the record is gone" % what)


def content_of(title):
    return WALLPAPER + title + " dir\\"


def picture_of(title):
    return content_of(title) + PICTURE


def colour_of(title):
    return "%d %d %d" % COLOURS[title[-1]]


def installer(t, title, kind=KIND_SILENT, data=None):
    """A content whose page embeds its movie; the real uninstaller in slot 9; the colour of A or B."""
    uninstaller = t._read(t.args.uninstaller)
    if not uninstaller:
        raise Skip("no --uninstaller given")
    reference = title.replace(" ", "%20") + "%20dir/sea.swf"
    page = ('<html><body><object><param name="movie" value="%s"><embed src="%s"></embed></object>'
            '</body></html>\r\n' % (reference, reference))
    if data is None:
        data = data_file(title, [Entry("sea.swf", render_movie())])
    slots = t.typical_slots(title, data)
    slots[6] = Slot(title + ".html", 2, page.encode("cp1252"))
    slots[9] = Slot("uninstall.exe", 5, uninstaller)
    name = title.replace(" ", "_") + ("_silent" if kind == KIND_SILENT else "_windowed")
    return t.write_installer(name, package(t.stub, title, slots, kind=kind, rgb=COLOURS[title[-1]]))


def install(t, title):
    t.check_drive(title.replace(" ", "_"), installer(t, title), "start I SETUP\nwait-exit I 120000\nexpect-exit I 0\n")
    values, _ = shown(t)
    expect(values["Wallpaper"] == picture_of(title) and values["Background"] == colour_of(title),
           "%s's picture and colour show: %r" % (title, values))


def uninstall(t, title):
    expect(wine(t, content_of(title) + "uninstall.exe", "/y") == 0, "the uninstaller of %s ends with 0" % title)
    expect(not t.exists(content_of(title)), "%s's folder is gone" % title)


def uninstall_reporting(t, title):
    """The uninstaller as a user runs it: its question answered, its report returned."""
    caption = "Uninstall %s Wallpaper" % title
    text = t.check_drive("uninstall_" + title.replace(" ", "_"), None, r"""
start U "{exe}"
wait-box Q "{caption}" 60000 U
press Q Yes
wait-box R "{caption}" 60000 U
press R OK
wait-exit U 30000
expect-exit U 0
""".format(exe=content_of(title) + "uninstall.exe", caption=caption))
    expect(not t.exists(content_of(title)), "%s's folder is gone" % title)
    return text.split("Removed:", 1)[-1]


@e2e.scenario
def two_contents_uninstalled_in_the_order_installed(t):
    own_desktop(t)
    install(t, "First A")
    install(t, "Second B")
    uninstall(t, "First A")
    values, _ = shown(t)
    expect(values["Wallpaper"] == picture_of("Second B") and values["Background"] == colour_of("Second B"),
           "the content that stays keeps its picture and colour: %r" % values)
    report = uninstall_reporting(t, "Second B")
    expect_own_desktop(t, "A, B uninstalled")
    expect("the still wallpaper (the earlier wallpaper is back)" in report, "the report says the wallpaper is back")
    expect("the desktop colour (the earlier colour is back)" in report, "the report says the colour is back")


@e2e.scenario
def two_contents_uninstalled_in_reverse_order(t):
    own_desktop(t)
    install(t, "Third A")
    install(t, "Fourth B")
    report = uninstall_reporting(t, "Fourth B")
    values, record = shown(t)
    expect(values["Wallpaper"] == picture_of("Third A") and values["Background"] == colour_of("Third A"),
           "A's picture and colour are back while A stays: %r" % values)
    expect(values["WallpaperStyle"] == "0" and values["TileWallpaper"] == "0", "A's picture centred, not tiled")
    expect(record, "the record stays with A")
    expect("the still wallpaper (the wallpaper of Third A is back)" in report, "the report names A's picture")
    expect("the desktop colour (the colour of Third A is back)" in report, "the report names A's colour")
    expect("the earlier wallpaper is back" not in report, "the report claims the user's wallpaper")
    uninstall(t, "Third A")
    expect_own_desktop(t, "B, A uninstalled")


@e2e.scenario
def reinstalled_over_itself_then_uninstalled(t):
    own_desktop(t)
    install(t, "Again A")
    install(t, "Again A")
    uninstall(t, "Again A")
    expect_own_desktop(t, "A over A uninstalled")


@e2e.scenario
def wallpaper_and_colour_chosen_since_stay(t):
    own_desktop(t)
    install(t, "Chosen A")
    expect(wine(t, "reg", "add", DESKTOP, "/v", "Wallpaper", "/d", "C:\\windows\\chosen.bmp", "/f") == 0 and
           wine(t, "reg", "add", COLORS, "/v", "Background", "/d", "1 2 3", "/f") == 0,
           "the user chooses another wallpaper and colour")
    uninstall(t, "Chosen A")
    values, record = shown(t)
    expect(values["Wallpaper"] == "C:\\windows\\chosen.bmp" and values["Background"] == "1 2 3",
           "the user's choice stays: %r" % values)
    expect(not record, "the record went with the last content")


def windowed_reinstall(t, title, script, data=None):
    own_desktop(t)
    install(t, title)
    setup = installer(t, title, kind=KIND_JPEG, data=data)
    t.check_drive(title.replace(" ", "_") + "_again", setup, r"""
start I SETUP
wait-window W "Install Wallpaper: {title}" 60000 I
press W Install
wait-box C Confirm 30000
press C OK
""".format(title=title) + script)
    expect(not t.exists(content_of(title)), "the clean-up removed the folder and the picture in it")
    expect_own_desktop(t, "after the clean-up")


@e2e.scenario
def confirmed_reinstall_cancelled(t):
    windowed_reinstall(t, "Cancelled A", r"""
record W "Expanding files..." 60000
press W Cancel
record W "Installation Aborted. Cleaning up files..." 30000
wait-exit I 60000
expect-exit I 2
""")


@e2e.scenario
def reinstall_failing_on_a_damaged_data_file(t):
    title = "Damaged A"
    # The second entry's block says it holds more bytes than the file has left.
    data = data_file(title, [Entry("sea.swf", render_movie()), Entry("more.txt", b"x" * 64)])[:-32]
    windowed_reinstall(t, title, r"""
wait-box B Error 120000
press B Abort
sleep 3000
press W Cancel
wait-exit I 30000
expect-exit I 1
""", data=data)


e2e.finish()
