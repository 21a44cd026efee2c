#!/usr/bin/env python3
"""The PE checksum of installers built by mvpack.exe, which covers the program part too, under Wine.

- install.exe as built records no checksum (0), so that a package joined to it by copying
  (cat install.exe package > setup.exe) starts and installs as before;
- mvpack.exe writes the checksum of the whole installer (checked here against an independent
  computation); with one byte of the program part changed, mvpack verify names the PE checksum (the
  package's own record still matches) and the installer refuses itself at start-up with the damaged-
  installer message, before it writes anything;
- a signed installer carries the checksum that osslsigncode computed over the signed file, certificate
  table included: it is the one this test computes, mvpack verify accepts it, and it installs; a changed
  program byte after signing is refused like the unsigned one.
"""
import os
import shutil
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from e2e_lib import E2E, UNINSTALL_KEY, expect, take_option, win_path  # noqa: E402
from mvpack_wine_lib import (REFUSED_AS_DAMAGED, require_signing_tools, run, run_mvpack,  # noqa: E402
                             throwaway_certificate)

MVPACK = take_option("--mvpack")
UNINSTALLER = take_option("--uninstaller")

e2e = E2E()
SAMPLES = os.path.join(ROOT, "samples")
# A text of install.exe's program part that is read only when an installation ends: a byte changed there
# must be found by the start-up check alone, wherever the linker has put it.
PROGRAM_TEXT = b"Installation and Setup Complete."


def checksum_field(data):
    """The file offset of the optional header's CheckSum field."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    expect(data[pe:pe + 4] == b"PE\0\0", "a PE file")
    return pe + 24 + 64


def recorded_checksum(data):
    return struct.unpack_from("<I", data, checksum_field(data))[0]


def pe_checksum(data):
    """The checksum as 32-bit words with the carries folded back, the field zeroed, the file padded to 4
    bytes, plus the file's length (an independent way to the value CheckSumMappedFile gives)."""
    field = checksum_field(data)
    padded = bytearray(data) + b"\0" * (-len(data) % 4)
    padded[field:field + 4] = b"\0\0\0\0"
    total = 0
    for (word,) in struct.iter_unpack("<I", bytes(padded)):
        total += word
        total = (total & 0xFFFFFFFF) + (total >> 32)
    total = (total & 0xFFFF) + (total >> 16)
    total = (total + (total >> 16)) & 0xFFFF
    return total + len(data)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def changed_program_byte(data):
    at = e2e.stub.find(PROGRAM_TEXT)
    expect(at > 0, "install.exe holds its closing text")
    damaged = bytearray(data)
    damaged[at] ^= 0x20
    return bytes(damaged)


def silent_installer(t, name, title):
    """The sample content under its own title, silent, built by mvpack.exe: its host path."""
    folder = os.path.join(t.work, name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    shutil.copytree(os.path.join(SAMPLES, "content"), os.path.join(folder, "content"))
    shutil.copy(os.path.join(SAMPLES, "page.html"), folder)
    manifest = os.path.join(folder, "package.manifest")
    with open(manifest, "w") as f:
        f.write("title = %s\npresentation = silent\nhtml = page.html\ncontent = content\nmain = ocean.swf\n" % title)
    setup = os.path.join(folder, "setup.exe")
    code, _ = run_mvpack(t, MVPACK, "build", win_path(manifest), "-o", win_path(setup), "--stub", win_path(t.args.stub),
                     "--library", win_path(t.args.library), "--uninstaller", win_path(UNINSTALLER),
                     "--flash-installer", win_path(t.args.flashax))
    expect(code == 0 and os.path.exists(setup), "mvpack.exe build failed (%d)" % code)
    return setup


def installs(t, name, setup, title):
    t.check_drive(name, setup, r"""
start I SETUP
wait-exit I 120000
expect-exit I 0
expect-absent "%WINDIR%\Web\Wallpaper\{title} dir\{title}.mvd"
expect-absent %TEMP%\MVVA
reg-expect HKLM "{key}{title}" DisplayName "{title} Wallpaper"
""".format(title=title, key=UNINSTALL_KEY))
    with open(os.path.join(SAMPLES, "content", "ocean.swf"), "rb") as f:
        expect(t.read("%WINDIR%\\Web\\Wallpaper\\" + title + " dir\\ocean.swf") == f.read(), "installed ocean.swf")


def refused_before_writing(t, name, setup, title, installed_before=False):
    """Refused at start-up; nothing of the title is written (unless an earlier run installed it)."""
    nothing_written = "" if installed_before else r"""
expect-absent "%WINDIR%\Web\Wallpaper\{title} dir"
expect-absent "%WINDIR%\Web\Wallpaper\{title}.html"
reg-absent HKLM "{key}{title}"
""".format(title=title, key=UNINSTALL_KEY)
    t.check_drive(name, setup, REFUSED_AS_DAMAGED + nothing_written)


def verify_names_only_the_checksum(t, setup):
    code, text = run_mvpack(t, MVPACK, "verify", win_path(setup))
    expect(code == 3, "mvpack verify finds the installer damaged (%d)" % code)
    expect("DAMAGED: PE checksum" in text, "mvpack verify names the PE checksum")
    expect("DAMAGED: integrity record" not in text, "the package's own record still matches")


@e2e.scenario
def changed_program_byte_is_refused_at_start_up(t):
    stub = e2e.stub
    expect(recorded_checksum(stub) == 0, "install.exe as built records no PE checksum")
    setup = silent_installer(t, "program_byte", "Program Sea")
    data = read(setup)
    expect(recorded_checksum(data) != 0, "mvpack recorded a PE checksum")
    expect(recorded_checksum(data) == pe_checksum(data), "mvpack's checksum is the whole file's")
    code, text = run_mvpack(t, MVPACK, "verify", win_path(setup))
    expect(code == 0 and "PE checksum: 0x%08X matches" % pe_checksum(data) in text, "mvpack verify accepts it")

    write(setup, changed_program_byte(data))
    verify_names_only_the_checksum(t, setup)
    refused_before_writing(t, "program_byte", setup, "Program Sea")


@e2e.scenario
def package_joined_by_copying_installs(t):
    # cat install.exe package > setup.exe, with the package of an installer mvpack built.
    built = read(silent_installer(t, "joined_source", "Joined Sea"))
    joined = t.write_installer("joined", e2e.stub + built[len(e2e.stub):])
    expect(recorded_checksum(read(joined)) == 0, "the joined installer records no PE checksum")
    code, text = run_mvpack(t, MVPACK, "verify", win_path(joined))
    expect(code == 0 and "no PE checksum recorded" in text, "mvpack verify accepts it and says so")
    installs(t, "joined", joined, "Joined Sea")


@e2e.scenario
def signed_installer_keeps_a_valid_checksum(t):
    require_signing_tools()
    setup = silent_installer(t, "signed", "Signed Checksum Sea")
    cert, key = throwaway_certificate(os.path.dirname(setup))
    signed = os.path.join(os.path.dirname(setup), "signed.exe")
    code, _ = run(["osslsigncode", "sign", "-certs", cert, "-key", key, "-n", "Signed Checksum Sea", "-in", setup,
                   "-out", signed])
    expect(code == 0, "osslsigncode sign failed")
    data = read(signed)
    expect(len(data) > os.path.getsize(setup), "signing appended its certificate table")
    expect(recorded_checksum(data) != recorded_checksum(read(setup)), "signing wrote a checksum of its own")
    expect(recorded_checksum(data) == pe_checksum(data), "osslsigncode's checksum is the one computed here")
    code, text = run_mvpack(t, MVPACK, "verify", win_path(signed))
    expect(code == 0 and "matches (the whole file)" in text, "mvpack verify accepts the signed installer")
    installs(t, "signed", signed, "Signed Checksum Sea")

    write(signed, changed_program_byte(data))
    verify_names_only_the_checksum(t, signed)
    refused_before_writing(t, "signed_program_byte", signed, "Signed Checksum Sea", installed_before=True)


e2e.finish()
