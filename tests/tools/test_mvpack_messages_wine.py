#!/usr/bin/env python3
"""mvpack.exe under Wine, where a folder given for a file fails differently than on Linux: each message
says what the author must change.

- A folder named as the desktop page, the stub, the manifest or the installer to check: "is a folder, not
  a file" (the C runtime alone would say "Permission denied").
- A folder named as the output: "is a folder", with the file to name instead; nothing is written.
- A manifest saved as UTF-16 with its byte order mark (Notepad's "Unicode") is read and builds; a second
  build replaces the installer that the first one wrote (the temporary file renamed over it).
"""
import os
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from e2e_lib import E2E, expect, take_option, win_path  # noqa: E402
from mvpack_wine_lib import run_mvpack  # noqa: E402

MVPACK = take_option("--mvpack")
UNINSTALLER = take_option("--uninstaller")

e2e = E2E()
SAMPLES = os.path.join(ROOT, "samples")
MANIFEST = "title = Folder Sea\npresentation = picture banner.jpg\nhtml = {html}\ncontent = content\n"


def project(t, name, html="page.html"):
    folder = os.path.join(t.work, name)
    shutil.rmtree(folder, ignore_errors=True)
    shutil.copytree(os.path.join(SAMPLES, "content"), os.path.join(folder, "content"))
    for f in ("banner.jpg", "page.html"):
        shutil.copy(os.path.join(SAMPLES, f), folder)
    os.makedirs(os.path.join(folder, "a folder"))
    manifest = os.path.join(folder, "package.manifest")
    with open(manifest, "w", encoding="utf-8") as f:
        f.write(MANIFEST.format(html=html))
    return folder, manifest


def build(t, manifest, out, *extra):
    return run_mvpack(t, MVPACK, "build", win_path(manifest), "-o", out, "--stub", win_path(t.args.stub),
                      "--library", win_path(t.args.library), "--uninstaller", win_path(UNINSTALLER),
                      "--flash-installer", win_path(t.args.flashax), *extra)


@e2e.scenario
def folders_given_for_files(t):
    folder, manifest = project(t, "folders", html="a folder")
    out = os.path.join(folder, "setup.exe")
    code, text = build(t, manifest, win_path(out))
    expect(code == 1, "exit code %d" % code)
    expect("a folder: is a folder, not a file; name the file itself" in text, "html: " + text)
    expect("Permission denied" not in text, "html: " + text)
    expect(not os.path.exists(out), "nothing written")

    folder, manifest = project(t, "stub_folder")
    code, text = build(t, manifest, win_path(os.path.join(folder, "setup.exe")),
                       "--stub", win_path(os.path.join(folder, "a folder")))
    expect(code == 1 and "stub " in text and ": is a folder, not a file" in text, "stub: " + text)

    code, text = run_mvpack(t, MVPACK, "build", win_path(os.path.join(folder, "a folder")))
    expect(code == 1 and ": is a folder, not a file" in text, "manifest: " + text)
    code, text = run_mvpack(t, MVPACK, "verify", win_path(os.path.join(folder, "a folder")))
    expect(code == 1 and ": is a folder, not a file" in text, "verify: " + text)


@e2e.scenario
def folder_given_as_output(t):
    folder, manifest = project(t, "outdir")
    outdir = os.path.join(folder, "outdir")
    os.makedirs(outdir)
    code, text = build(t, manifest, win_path(outdir))
    expect(code == 1, "exit code %d" % code)
    expect("outdir: is a folder; the output is the installer file to write, such as " in text, "output: " + text)
    expect("outdir\\setup.exe" in text, "output: " + text)
    expect("Success" not in text, "output: " + text)
    expect(os.listdir(outdir) == [], "nothing written into the folder: %r" % os.listdir(outdir))


@e2e.scenario
def utf16_manifest_builds(t):
    folder, manifest = project(t, "utf16")
    with open(manifest, "w", encoding="utf-16") as f:  # with its byte order mark, little-endian here
        f.write("# Notepad's \"Unicode\"\r\n" + MANIFEST.format(html="page.html").replace("\n", "\r\n"))
    out = os.path.join(folder, "setup.exe")
    code, text = build(t, manifest, win_path(out))
    expect(code == 0 and os.path.exists(out), "build of a UTF-16 manifest: %d %s" % (code, text))
    code, text = run_mvpack(t, MVPACK, "verify", win_path(out))
    expect(code == 0, "verify: " + text)
    # Built again over the installer of the first build: the new one takes its place, nothing else is left.
    with open(os.path.join(folder, "page.html"), "ab") as f:
        f.write(b"<!-- changed -->\r\n")
    with open(out, "rb") as f:
        first = f.read()
    code, text = build(t, manifest, win_path(out))
    with open(out, "rb") as f:
        expect(code == 0 and f.read() != first, "a second build replaces the installer: %d %s" % (code, text))
    expect(not [n for n in os.listdir(folder) if n.endswith(".partial")], "no temporary file left")


e2e.finish()
