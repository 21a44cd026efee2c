#!/usr/bin/env python3
"""Installers built by mvpack.exe, run for real under Wine.

- Content whose names hold letters beyond ASCII, packed silent from a folder named in Cyrillic and Greek
  into C:\Загрузки 下载\setup.exe, installs every file with TEMP under a user name of Latin, Greek and
  Cyrillic letters, ends with 0 and leaves no working folder; names that Windows-1252 cannot hold are
  refused with a message that names them.
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
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from e2e_lib import E2E, UNINSTALL_KEY, expect, take_option, win_path  # noqa: E402
from mvpack_wine_lib import REFUSED_AS_DAMAGED, run_mvpack  # noqa: E402

MVPACK = take_option("--mvpack")
UNINSTALLER = take_option("--uninstaller")

e2e = E2E()
SAMPLES = os.path.join(ROOT, "samples")


def run_mvpack_build(t, manifest, out_windows, *extra):
    """Runs mvpack.exe build in the test's prefix; returns (exit code, its output as text)."""
    return run_mvpack(t, MVPACK, "build", win_path(manifest), "-o", out_windows, "--stub", win_path(t.args.stub),
                      "--library", win_path(t.args.library), "--uninstaller", win_path(UNINSTALLER),
                      "--flash-installer", win_path(t.args.flashax), *extra)


def mvpack_build(t, name, manifest, *extra):
    """Runs mvpack.exe build in the test's prefix; returns the installer's host path."""
    out = os.path.join(t.work, name, "setup.exe")
    os.makedirs(os.path.dirname(out), exist_ok=True)
    code, _ = run_mvpack_build(t, manifest, win_path(out), *extra)
    expect(code == 0 and os.path.exists(out), "mvpack.exe build failed (%d)" % code)
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
    t.check_drive("flipped", setup, REFUSED_AS_DAMAGED)


@e2e.scenario
def cut_short_refused(t):
    setup = mvpack_build(t, "cut", small_manifest(t, "Cut Sea"))
    damage(setup, len(t.stub), "cut")
    t.check_drive("cut", setup, REFUSED_AS_DAMAGED)


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


# Names in several scripts: what Windows-1252 holds goes into the package, the rest only into paths.
SOURCE_FOLDER = "Исходники Ωμέγα"
DOWNLOADS = "C:\\Загрузки 下载"
USER_TEMP = "C:\\Temp\\José Ωμέγα Дмитрий"
EXTRA_FILES = {"Noël à la plage.txt": "Noël\r\n", "Sous-dossier é\\Ça coûte 5 €.txt": "€ ‰ Š œ Ÿ\r\n"}


def source_folder(t, name, title, files):
    """A package source in a folder of Cyrillic and Greek letters: the sample content plus files."""
    folder = os.path.join(t.work, name, SOURCE_FOLDER)
    shutil.rmtree(folder, ignore_errors=True)
    shutil.copytree(os.path.join(SAMPLES, "content"), os.path.join(folder, "content"))
    shutil.copy(os.path.join(SAMPLES, "page.html"), folder)
    for relative, text in files.items():
        path = os.path.join(folder, "content", *relative.split("\\"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8", newline="") as f:
            f.write(text)
    manifest = os.path.join(folder, "Пакет.manifest")
    with open(manifest, "w", encoding="utf-8") as f:
        f.write("title = %s\npresentation = silent\nhtml = page.html\ncontent = content\n" % title)
    return folder, manifest


@e2e.scenario
def silent_sample_in_any_script(t):
    title = "Crème Brûlée"
    folder, manifest = source_folder(t, "any_script", title, EXTRA_FILES)
    t.ensure_prefix()
    downloads = t.host(DOWNLOADS)
    os.makedirs(downloads, exist_ok=True)
    code, _ = run_mvpack_build(t, manifest, DOWNLOADS + "\\setup.exe")
    expect(code == 0 and os.path.exists(os.path.join(downloads, "setup.exe")), "mvpack.exe build failed (%d)" % code)
    temp = t.host(USER_TEMP)
    os.makedirs(temp, exist_ok=True)
    content = "%WINDIR%\\Web\\Wallpaper\\" + title + " dir\\"
    t.check_drive("any_script", None, r"""
setenv TEMP "{temp}"
setenv TMP "{temp}"
start I "{downloads}\setup.exe"
wait-exit I 120000
expect-exit I 0
expect-exists "{content}Noël à la plage.txt"
expect-absent "{content}{title}.mvd"
reg-expect HKLM "{key}{title}" DisplayName "{title} Wallpaper"
reg-expect HKLM "{key}{title}" UninstallString "\"C:\windows\WEB\Wallpaper\{title} dir\uninstall.exe\""
""".format(temp=USER_TEMP, downloads=DOWNLOADS, content=content, title=title, key=UNINSTALL_KEY))
    for base, _, files in os.walk(os.path.join(folder, "content")):
        for name in files:
            relative = os.path.relpath(os.path.join(base, name), os.path.join(folder, "content"))
            with open(os.path.join(base, name), "rb") as f:
                expect(t.read(content + relative.replace("/", "\\")) == f.read(), "installed bytes of " + relative)
    with open(os.path.join(SAMPLES, "page.html"), "rb") as f:
        expect(t.read("%WINDIR%\\Web\\Wallpaper\\" + title + ".html") == f.read(), "installed page")
    expect(os.listdir(temp) == [], "working folders left in TEMP: %r" % os.listdir(temp))


@e2e.scenario
def names_windows_1252_cannot_hold_are_refused(t):
    # A content file named in Cyrillic: the package could not store it.
    _, manifest = source_folder(t, "refused_name", "Refused Name", {"Дмитрий.txt": "x"})
    code, text = run_mvpack_build(t, manifest, win_path(os.path.join(t.work, "refused_name", "setup.exe")))
    expect(code == 1, "exit code %d" % code)
    expect('"Дмитрий.txt" has characters that Windows-1252 cannot hold' in text, "message: " + text)
    # A title in Greek.
    _, manifest = source_folder(t, "refused_title", "Ωμέγα", {})
    code, text = run_mvpack_build(t, manifest, win_path(os.path.join(t.work, "refused_title", "setup.exe")))
    expect(code == 1, "exit code %d" % code)
    expect('"Ωμέγα" has characters that Windows-1252 cannot hold' in text, "message: " + text)
    expect(not os.path.exists(os.path.join(t.work, "refused_title", "setup.exe")), "nothing written")


e2e.finish()
