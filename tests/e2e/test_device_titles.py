#!/usr/bin/env python3
"""A content title that Windows takes for a device (AUX, CON, NUL, COM1-9, LPT1-9, with any extension or
blanks before it): its page "<title>.html" and data file would open the device, so start-up refuses the
title with the unsafe-title message before anything is written."""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
from e2e_lib import E2E, Entry, data_file, expect, package  # noqa: E402

e2e = E2E()

REFUSED = r"""
start I SETUP
wait-box B Error 60000
expect-text B "The package's content title is not a valid folder name: {title}"
press B Abort
wait-box S Error 20000
expect-text S "Installer file is corrupted. Quillon Error: -541. "
press S Abort
wait-exit I 30000
expect-exit I 1
expect-absent %TEMP%\MVVA
expect-absent %WINDIR%\impborl.dll
expect-absent %WINDIR%\flashax.exe
"""


def refused(t, name, title):
    for leftover in ("%WINDIR%\\impborl.dll", "%WINDIR%\\flashax.exe"):
        t.remove(leftover)
    wallpaper = t.host("%WINDIR%\\Web\\Wallpaper")
    before = sorted(os.listdir(wallpaper)) if os.path.isdir(wallpaper) else []
    setup = t.write_installer(name, package(t.stub, title, t.typical_slots(
        title, data_file(title, [Entry("main.swf", b"FWS movie")]))))
    t.check_drive(name, setup, REFUSED.format(title=title))
    after = sorted(os.listdir(wallpaper)) if os.path.isdir(wallpaper) else []
    expect(after == before, "nothing written into Web\\Wallpaper (before %r, after %r)" % (before, after))


@e2e.scenario
def aux_title_refused(t):
    refused(t, "aux", "Aux")


@e2e.scenario
def device_title_with_extension_refused(t):
    refused(t, "com1", "com1.Sea ")


e2e.finish()
