#!/usr/bin/env python3
"""Installers built by mvpack.exe, run for real under Wine.

- The sample package (samples/ocean.manifest) installs: licence, "Accept and Install", the files, the
  uninstall entry; then its uninstall.exe, started as a user would, asks, removes the content, the page
  and the entry, and reports it.
- One byte flipped in a payload, or the file cut short, is refused at start-up with the integrity
  message when the package has its integrity record; the same damage in a package built without it
  behaves as it always did (the window opens; the slot bounds check names the truncation).
"""
import os
import shutil
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))


def take_option(name):
    """Removes "--name VALUE" from the command line (the e2e kit's parser knows only its own options)."""
    if name in sys.argv:
        i = sys.argv.index(name)
        value = sys.argv[i + 1]
        del sys.argv[i:i + 2]
        return value
    return ""


MVPACK = take_option("--mvpack")
UNINSTALLER = take_option("--uninstaller")

from e2e_lib import E2E, WINE_RUN, expect, win_path  # noqa: E402

e2e = E2E()
UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
INTEGRITY = "The installer is damaged, download it again."
SAMPLES = os.path.join(ROOT, "samples")


def mvpack_build(t, name, manifest, *extra):
    """Runs mvpack.exe build in the test's prefix; returns the installer's host path."""
    t.ensure_prefix()
    out = os.path.join(t.work, name, "setup.exe")
    os.makedirs(os.path.dirname(out), exist_ok=True)
    cmd = [WINE_RUN, "--keep", t.prefix, MVPACK, "build", win_path(manifest), "-o", win_path(out),
           "--stub", win_path(t.args.stub), "--library", win_path(t.args.library),
           "--uninstaller", win_path(UNINSTALLER), "--flash-installer", win_path(t.args.flashax)] + list(extra)
    r = subprocess.run(cmd, capture_output=True, timeout=300)
    text = (r.stdout + r.stderr).decode("utf-8", "replace")
    print(text, end="")
    expect(r.returncode == 0 and os.path.exists(out), "mvpack.exe build failed (%d)" % r.returncode)
    return out


def small_manifest(t, title):
    """A package of its own title, made of the sample's files."""
    folder = os.path.join(t.work, "src-" + title.replace(" ", "_"))
    shutil.rmtree(folder, ignore_errors=True)
    shutil.copytree(os.path.join(SAMPLES, "content"), os.path.join(folder, "content"))
    for f in ("banner.jpg", "page.html"):
        shutil.copy(os.path.join(SAMPLES, f), folder)
    path = os.path.join(folder, "package.manifest")
    with open(path, "w") as f:
        f.write("title = %s\npresentation = picture banner.jpg\nhtml = page.html\ncontent = content\n" % title)
    return path


def slot(data, offset, k):
    e = offset + 96 + 280 * k
    name = data[e + 1:e + 1 + data[e]].decode("cp1252")
    start, end, kind, compressed = struct.unpack_from("<iiiB", data, e + 256)
    return name, start, end, compressed


def damage(path, stub_size, how):
    with open(path, "rb") as f:
        data = bytearray(f.read())
    if how == "flip":
        name, start, end, compressed = slot(data, stub_size, 9)
        expect(name == "uninstall.exe" and compressed, "slot 9 is the imploded uninstaller")
        data[(start + end) // 2] ^= 0x01
    else:
        del data[-1000:]
    with open(path, "wb") as f:
        f.write(data)


REFUSED = r"""
start I SETUP
wait-box B Error 60000
expect-text-prefix B "{integrity}"
press B Abort
wait-box S Error 20000
expect-text S "Installer file is corrupted. Quillon Error: -544. "
press S Abort
wait-exit I 30000
expect-exit I 1
expect-absent %TEMP%\MVVA
""".format(integrity=INTEGRITY)


@e2e.scenario
def sample_installs_and_uninstalls(t):
    setup = mvpack_build(t, "sample", os.path.join(SAMPLES, "ocean.manifest"))
    content = "%WINDIR%\\Web\\Wallpaper\\Ocean Breeze dir"
    page = "%WINDIR%\\Web\\Wallpaper\\Ocean Breeze.html"
    t.check_drive("sample", setup, r"""
start I SETUP
wait-window W "Install Wallpaper: Ocean Breeze" 60000 I
expect-control W "Accept and Install" enabled
press W "Accept and Install"
wait-box Q "Installation Successful." 120000
press Q No
wait-exit I 30000
expect-exit I 0
expect-absent "{content}\Ocean Breeze.mvd"
reg-expect HKLM "{key}Ocean Breeze" DisplayName "Ocean Breeze Wallpaper"
""".format(content=content, key=UNINSTALL_KEY))
    for name in ("ocean.swf", "readme.txt"):
        with open(os.path.join(SAMPLES, "content", name), "rb") as f:
            expect(t.read(content + "\\" + name) == f.read(), "installed bytes of " + name)
    with open(os.path.join(SAMPLES, "page.html"), "rb") as f:
        expect(t.read(page) == f.read(), "installed page")
    with open(UNINSTALLER, "rb") as f:
        expect(t.read(content + "\\uninstall.exe") == f.read(), "installed uninstaller")

    # The uninstaller, started as the list of installed programs starts it.
    t.check_drive("sample_uninstall", None, r"""
start U "{content}\uninstall.exe"
wait-box C "Uninstall Ocean Breeze Wallpaper" 60000 U
expect-text-prefix C "Remove Ocean Breeze Wallpaper from this computer?"
press C Yes
wait-box R "Uninstall Ocean Breeze Wallpaper" 60000 U
expect-text-prefix R "Removed:"
press R OK
wait-exit U 30000
expect-exit U 0
expect-absent "{page}"
expect-absent "{content}\ocean.swf"
expect-absent "{content}\readme.txt"
expect-absent "{content}\installer.jpg"
reg-absent HKLM "{key}Ocean Breeze"
""".format(content=content, page=page, key=UNINSTALL_KEY))


@e2e.scenario
def flipped_byte_refused(t):
    setup = mvpack_build(t, "flipped", small_manifest(t, "Flipped Sea"))
    damage(setup, len(t.stub), "flip")
    t.check_drive("flipped", setup, REFUSED)


@e2e.scenario
def cut_short_refused(t):
    setup = mvpack_build(t, "cut", small_manifest(t, "Cut Sea"))
    damage(setup, len(t.stub), "cut")
    t.check_drive("cut", setup, REFUSED)


@e2e.scenario
def flipped_byte_without_record_starts_as_before(t):
    # Nothing at start-up reads the uninstaller: the window opens as it always did.
    setup = mvpack_build(t, "flipped_plain", small_manifest(t, "Plain Flip"), "--no-integrity")
    damage(setup, len(t.stub), "flip")
    t.check_drive("flipped_plain", setup, r"""
start I SETUP
wait-window W "Install Wallpaper: Plain Flip" 60000 I
expect-control W Install enabled
press W Cancel
wait-exit I 30000
expect-exit I 2
""")


@e2e.scenario
def cut_short_without_record_as_before(t):
    # The directory's own bounds check names the slot that runs past the end.
    setup = mvpack_build(t, "cut_plain", small_manifest(t, "Plain Cut"), "--no-integrity")
    damage(setup, len(t.stub), "cut")
    t.check_drive("cut_plain", setup, r"""
start I SETUP
wait-box B Error 60000
expect-text-prefix B "The installer's package is damaged: "
press B Abort
wait-box S Error 20000
expect-text S "Installer file is corrupted. Quillon Error: -542. "
press S Abort
wait-exit I 30000
expect-exit I 1
""")


e2e.finish()
