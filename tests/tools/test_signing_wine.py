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
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from e2e_lib import (DAMAGED_INSTALLER, E2E, UNINSTALL_KEY, WINE_RUN, Skip, expect, take_option,  # noqa: E402
                     win_path)

MVPACK = take_option("--mvpack")
UNINSTALLER = take_option("--uninstaller")

e2e = E2E()
SAMPLES = os.path.join(ROOT, "samples")


def run(cmd, **kw):
    r = subprocess.run(cmd, capture_output=True, timeout=300, **kw)
    text = (r.stdout + r.stderr).decode("utf-8", "replace")
    return r.returncode, text


def tools_present():
    for tool in ("openssl", "osslsigncode"):
        if not shutil.which(tool):
            raise Skip(tool + " is not installed (scripts/setup.sh installs it)")


def throwaway_certificate(folder):
    """A self-signed code-signing certificate and its key, valid for two days."""
    key, cert = os.path.join(folder, "key.pem"), os.path.join(folder, "cert.pem")
    code, text = run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                      "-days", "2", "-subj", "/CN=Moviva test publisher",
                      "-addext", "extendedKeyUsage=codeSigning"])
    expect(code == 0, "openssl made no certificate: " + text)
    return cert, key


def mvpack(t, *args):
    """mvpack.exe in the test's prefix; (exit code, output)."""
    t.ensure_prefix()
    return run([WINE_RUN, "--keep", t.prefix, MVPACK] + list(args))


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
    code, text = mvpack(t, "build", win_path(manifest), "-o", win_path(unsigned), "--stub", win_path(t.args.stub),
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
    tools_present()
    setup, cert, unsigned = signed_sample(t, "signed", "Signed Sea")
    code, text = osslsigncode_verify(setup, cert)
    print(text, end="")
    expect(code == 0, "osslsigncode verify accepts the signed installer")

    code, text = mvpack(t, "verify", win_path(setup))
    print(text, end="")
    expect(code == 0 and "OK" in text, "mvpack verify finds the signed installer sound")
    expect("signed: certificate table of" in text, "mvpack verify says it is signed")
    code, text = mvpack(t, "list", win_path(setup))
    expect(code == 0 and "signature: signed: certificate table of" in text, "mvpack list says it is signed")
    code, text = mvpack(t, "list", win_path(unsigned))
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
    tools_present()
    setup, cert, unsigned = signed_sample(t, "signed_flipped", "Flipped Signed Sea")
    flip_package_byte(setup, os.path.getsize(unsigned))

    code, text = osslsigncode_verify(setup, cert)
    print(text, end="")
    expect(code != 0, "osslsigncode verify refuses the changed installer")
    code, text = mvpack(t, "verify", win_path(setup))
    print(text, end="")
    expect(code == 3 and "DAMAGED: integrity record" in text, "mvpack verify finds the package damaged")

    t.check_drive("signed_flipped", setup, r"""
start I SETUP
wait-box B Error 60000
expect-text-prefix B "{integrity}"
press B Abort
wait-box S Error 20000
expect-text S "Installer file is corrupted. Quillon Error: -544. "
press S Abort
wait-exit I 30000
expect-exit I 1
""".format(integrity=DAMAGED_INSTALLER))


e2e.finish()
