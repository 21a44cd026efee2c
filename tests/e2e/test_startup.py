#!/usr/bin/env python3
"""Start-up of real installers under Wine: a short package directory, a good package (temp copy, content
folder, a second instance, the working folder removed at close), a title that is not a folder name."""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
from e2e_lib import E2E, Entry, Skip, Slot, data_file, expect, package  # noqa: E402

e2e = E2E()
TEMP_COPY = "%TEMP%\\MVVA\\temp.dat"


@e2e.scenario
def short_directory(t):
    # The stub and one byte less than the 3,176-byte directory.
    full = package(t.stub, "Short", t.typical_slots("Short", data_file("Short", [])))
    setup = t.write_installer("short_directory", full[:len(t.stub) + 3175])
    t.check_drive("short_directory", setup, r"""
start I SETUP
wait-box B Error 60000
expect-text B "Installation Error: \r\n\r\nProblem with file %TEMP%\MVVA\temp.dat. "
press B Abort
wait-box S Error 20000
expect-text S "Installer file is corrupted. Quillon Error: -31. "
press S Abort
wait-exit I 30000
expect-exit I 1
expect-absent %TEMP%\MVVA
""")


@e2e.scenario
def good_package(t):
    title = "Good Start"
    setup = t.write_installer("good_package", package(t.stub, title, t.typical_slots(
        title, data_file(title, [Entry("main.swf", b"FWS movie")]))))
    content = "%WINDIR%\\Web\\Wallpaper\\" + title + " dir"
    t.check_drive("good_package", setup, r"""
start I SETUP
wait-window W "Install Wallpaper: Good Start" 60000 I
expect-same-file %TEMP%\MVVA\temp.dat SETUP
expect-exists "{content}"
expect-exists "{content}\installer.jpg"
expect-exists %WINDIR%\impborl.dll
expect-exists %WINDIR%\flashax.exe
expect-control W Install visible
expect-control W Install enabled
expect-control W Cancel visible
expect-control W Close hidden
# A second installer started while the first waits works in a folder of its own.
start I2 SETUP
wait-window W2 "Install Wallpaper: Good Start" 60000 I2
expect-same-file %TEMP%\MVVA1\temp.dat SETUP
press W2 Cancel
wait-exit I2 30000
expect-exit I2 2
expect-absent %TEMP%\MVVA1
expect-exists %TEMP%\MVVA\temp.dat
# The close box of a waiting installer ends it and removes its working folder, and the content folder
# that it made and no installation used.
close W
wait-exit I 30000
expect-exit I 2
expect-absent %TEMP%\MVVA
expect-absent "{content}"
""".format(content=content))


@e2e.scenario
def title_with_parent_folder(t):
    title = "..\\..\\evil"
    for leftover in ("%WINDIR%\\impborl.dll", "%WINDIR%\\flashax.exe", "C:\\evil dir", "%WINDIR%\\evil dir"):
        t.remove(leftover)
    setup = t.write_installer("title_with_parent_folder", package(t.stub, title, t.typical_slots(
        title, data_file(title, []))))
    t.check_drive("title_with_parent_folder", setup, r"""
start I SETUP
wait-box B Error 60000
expect-text B "The package's content title is not a valid folder name: ..\..\evil"
press B Abort
wait-box S Error 20000
expect-text S "Installer file is corrupted. Quillon Error: -541. "
press S Abort
wait-exit I 30000
expect-exit I 1
expect-absent %TEMP%\MVVA
expect-absent "C:\evil dir"
expect-absent "%WINDIR%\evil dir"
expect-absent %WINDIR%\impborl.dll
expect-absent %WINDIR%\flashax.exe
""")


@e2e.scenario
def right_click_does_nothing(t):
    title = "Right Click"
    setup = t.write_installer("right_click", package(t.stub, title, t.typical_slots(
        title, data_file(title, [Entry("main.swf", b"FWS movie")]))))
    t.check_drive("right_click", setup, r"""
start I SETUP
wait-window W "Install Wallpaper: Right Click" 60000 I
rclick W
sleep 1000
expect-control W Install enabled
expect-control W Cancel visible
press W Cancel
wait-exit I 30000
expect-exit I 2
""")


e2e.finish()
