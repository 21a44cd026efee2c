#!/usr/bin/env python3
"""The Flash Player decision of real installers under Wine: a player newer than the bundled version 6
(control files with version resources 32.0.0.465 and 7.0.19.0 in system32\\Macromed\\Flash) stays byte
for byte, and the bundled installer is not started: slot 2 carries the stand-in that logs its command
line beside itself (%WINDIR%\\flashax.log), so a run would leave that file.

- 32.0.0.465 with the installer's window: nothing happens at start-up, before the user clicks anything,
  and nothing after Cancel either.
- 7.0.19.0 with a windowless package: the installation itself leaves the control alone.
"""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from e2e_lib import E2E, KIND_JPEG, KIND_SILENT, Entry, Skip, Slot, data_file, expect, package  # noqa: E402

e2e = E2E()
CONTROL = "%WINDIR%\\system32\\Macromed\\Flash\\Flash.ocx"
INSTALLER_LOG = "%WINDIR%\\flashax.log"


def newer_control(t, version):
    """The bytes of the control file built with this version ("32_0_0_465")."""
    for path in t.args.newer_ocx:
        if os.path.basename(path) == "ocx_%s.dll" % version and os.path.exists(path):
            with open(path, "rb") as f:
                return f.read()
    raise Skip("no control file of version %s built" % version.replace("_", "."))


def installer_with_logging_flashax(t, name, title, kind):
    if not t.args.logger or not os.path.exists(t.args.logger):
        raise Skip("no --logger program for slot 2")
    entries = [Entry(title + ".swf", b"FWS\x06" + b"movie " * 300)]
    slots = t.typical_slots(title, data_file(title, entries))
    slots[2] = Slot("flashax.exe", 3, t._read(t.args.logger))
    return t.write_installer(name, package(t.stub, title, slots, kind=kind, show_desktop=0))


def run_with_control(t, version, name, title, kind, script):
    """Plants the control file of this version ("32_0_0_465"), runs the installer with the script, and
    checks that the control stayed and the bundled installer did not run."""
    control = newer_control(t, version)
    setup = installer_with_logging_flashax(t, name, title, kind)
    t.remove(INSTALLER_LOG)
    path = t.host(CONTROL)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(control)
    try:
        t.check_drive(name, setup, script)
        # A started installer logs within moments; give one the time it would take.
        deadline = time.time() + 5
        while time.time() < deadline and not t.exists(INSTALLER_LOG):
            time.sleep(0.2)
        started = t.read(INSTALLER_LOG) if t.exists(INSTALLER_LOG) else b""
        expect(not started, "the bundled Flash Player installer was started: %r" % started)
        expect(t.exists(CONTROL), "the installed Flash Player is still there")
        expect(t.read(CONTROL) == control, "the installed Flash Player is unchanged, byte for byte")
    finally:
        t.remove(CONTROL)


@e2e.scenario
def newest_player_is_left_alone_at_start_up_and_after_cancel(t):
    run_with_control(t, "32_0_0_465", "player32", "Newest Player", KIND_JPEG, r"""
start I SETUP
wait-window W "Install Wallpaper: Newest Player" 60000 I
sleep 3000
expect-exists "%WINDIR%\system32\Macromed\Flash\Flash.ocx"
expect-absent "%WINDIR%\flashax.log"
press W Cancel
wait-exit I 30000
expect-exit I 2
""")


@e2e.scenario
def player_7_is_left_alone_by_a_silent_installation(t):
    run_with_control(t, "7_0_19_0", "player7", "Player Seven", KIND_SILENT, r"""
start I SETUP
wait-exit I 120000
expect-exit I 0
expect-exists "%WINDIR%\Web\Wallpaper\Player Seven dir\Player Seven.swf"
""")


e2e.finish()
