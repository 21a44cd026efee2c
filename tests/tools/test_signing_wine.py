#!/usr/bin/env python3
"""Code-signed installers, as a publisher ships them.

A throwaway certificate (openssl) signs an mvpack-built installer of the sample content with
osslsigncode, which appends a certificate table after the package and changes the PE checksum and the
security directory. Then:
- osslsigncode verify accepts it, mvpack verify finds the package sound and says it is signed, and the
  installer runs under Wine and installs silently with exit code 0;
- with one package byte flipped after signing, osslsigncode verify and mvpack verify refuse it, and so
  does the installer at start-up.
"""
import os
import shutil
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


def signed_sample(t, name, title):
    """The silent sample under its own title, built by mvpack.exe and signed: (setup, cert, folder)."""
    folder = os.path.join(t.work, name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    shutil.copytree(os.path.join(SAMPLES, "content"), os.path.join(folder, "content"))
    shutil.copy(os.path.join(SAMPLES, "page.html"), folder)
    manifest = os.path.join(folder, "package.manifest")
    with open(os.path.join(SAMPLES, "ocean-silent.manifest")) as f:
        lines = [l for l in f if l.split("=")[0].strip() in ("background", "presentation", "html", "content", "main")]
    with open(manifest, "w") as f:
        f.write("title = %s\n" % title + "".join(lines))
    unsigned = os.path.join(folder, "setup.exe")
    code, text = run_mvpack(t, MVPACK, "build", win_path(manifest), "-o", win_path(unsigned), "--stub", win_path(t.args.stub),
                        "--library", win_path(t.args.library), "--uninstaller", win_path(UNINSTALLER),
                        "--flash-installer", win_path(t.args.flashax))
    print(text, end="")
    expect(code == 0, "mvpack.exe build failed")

    cert, key = throwaway_certificate(folder)
    signed = os.path.join(folder, "signed.exe")
    code, text = run(["osslsigncode", "sign", "-certs", cert, "-key", key, "-n", title, "-in", unsigned,
                      "-out", signed])
    print(text, end="")
    expect(code == 0, "osslsigncode sign failed")
    expect(os.path.getsize(signed) > os.path.getsize(unsigned), "signing appended its certificate table")
    return signed, cert, unsigned


def osslsigncode_verify(setup, cert):
    return run(["osslsigncode", "verify", "-CAfile", cert, "-in", setup])


def flip_package_byte(path, unsigned_size):
    """Flips a byte in the middle of the package's last payload (the signature stays as it was)."""
    with open(path, "rb") as f:
        data = bytearray(f.read())
    data[unsigned_size - 100] ^= 0x01
    with open(path, "wb") as f:
        f.write(data)


@e2e.scenario
def signed_installer_verifies_and_installs(t):
    require_signing_tools()
    setup, cert, unsigned = signed_sample(t, "signed", "Signed Sea")
    code, text = osslsigncode_verify(setup, cert)
    print(text, end="")
    expect(code == 0, "osslsigncode verify accepts the signed installer")

    code, text = run_mvpack(t, MVPACK, "verify", win_path(setup))
    print(text, end="")
    expect(code == 0 and "OK" in text, "mvpack verify finds the signed installer sound")
    expect("signed: certificate table of" in text, "mvpack verify says it is signed")
    code, text = run_mvpack(t, MVPACK, "list", win_path(setup))
    expect(code == 0 and "signature: signed: certificate table of" in text, "mvpack list says it is signed")
    code, text = run_mvpack(t, MVPACK, "list", win_path(unsigned))
    expect("signature: none (not signed)" in text, "mvpack list: the unsigned one is not signed")

    content = "%WINDIR%\\Web\\Wallpaper\\Signed Sea dir"
    t.check_drive("signed", setup, r"""
start I SETUP
wait-exit I 120000
expect-exit I 0
expect-absent "{content}\Signed Sea.mvd"
reg-expect HKLM "{key}Signed Sea" DisplayName "Signed Sea Wallpaper"
""".format(content=content, key=UNINSTALL_KEY))
    with open(os.path.join(SAMPLES, "content", "ocean.swf"), "rb") as f:
        expect(t.read(content + "\\ocean.swf") == f.read(), "installed bytes of ocean.swf")


@e2e.scenario
def signed_installer_with_a_changed_byte_is_refused(t):
    require_signing_tools()
    setup, cert, unsigned = signed_sample(t, "signed_flipped", "Flipped Signed Sea")
    flip_package_byte(setup, os.path.getsize(unsigned))

    code, text = osslsigncode_verify(setup, cert)
    print(text, end="")
    expect(code != 0, "osslsigncode verify refuses the changed installer")
    code, text = run_mvpack(t, MVPACK, "verify", win_path(setup))
    print(text, end="")
    expect(code == 3 and "DAMAGED: integrity record" in text, "mvpack verify finds the package damaged")

    t.check_drive("signed_flipped", setup, REFUSED_AS_DAMAGED)


e2e.finish()
