"""What the Wine tests of mvpack-built installers share: commands run with their output kept, mvpack.exe in
a test's prefix, a throwaway code-signing certificate, and the start-up refusal of a damaged installer."""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

from e2e_lib import DAMAGED_INSTALLER, WINE_RUN, Skip, expect, wine_environment  # noqa: E402

# The driver script of an installer refused at start-up for damage: the integrity message, then the
# start-up message, exit code 1, no working folder left.
REFUSED_AS_DAMAGED = r"""
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
""".format(integrity=DAMAGED_INSTALLER)


def run(cmd, **kw):
    """(exit code, stdout and stderr as text); the text is also printed for the log."""
    r = subprocess.run(cmd, capture_output=True, timeout=300, **kw)
    text = (r.stdout + r.stderr).decode("utf-8", "replace")
    print(text, end="")
    return r.returncode, text


def run_mvpack(t, mvpack_exe, *args):
    """mvpack.exe in the test's prefix; (exit code, output)."""
    t.ensure_prefix()
    return run([WINE_RUN, "--keep", t.prefix, mvpack_exe] + list(args), env=dict(os.environ, **wine_environment()))


def require_signing_tools():
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
