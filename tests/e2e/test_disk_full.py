#!/usr/bin/env python3
"""A full disk under Wine, which turns the host's ENOSPC into ERROR_DISK_FULL (112): every write path of
the installer names the disk in the message of its step, never as a wrong size or without a reason.

Data file entries are written over a file that is a link to /dev/full, where every write fails with
ENOSPC (that runs everywhere). The temp copy and the package slots need a small file system that really
fills up: a 256 KB tmpfs, mounted only where this test may mount (as root); elsewhere those scenarios
are skipped.
"""
import contextlib
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(__file__))
from e2e_lib import E2E, Entry, Skip, Slot, data_file, expect, implode, package, win_path  # noqa: E402

e2e = E2E()
NO_SPACE = "Disk full"  # Wine's text for 112 ("Disk full."), trimmed as the installer does
ENTRY_MESSAGE = "Quillon Error: Problem reading Moviva data file. " + NO_SPACE


def wallpaper(title, name=""):
    return "%WINDIR%\\Web\\Wallpaper\\" + title + " dir" + ("\\" + name if name else "")


def disk_full_message(path):
    return "Installation Error: " + NO_SPACE + r"\r\n\r\nProblem with file " + path + ". "


def link_to_dev_full(t, title, name):
    """Makes the content folder exist with `name` in it a link to /dev/full (the installer then asks
    before overwriting, as for any earlier installation)."""
    folder = t.host(wallpaper(title))
    os.makedirs(folder, exist_ok=True)
    link = os.path.join(folder, name)
    if os.path.lexists(link):
        os.unlink(link)
    os.symlink("/dev/full", link)
    return link


@contextlib.contextmanager
def small_disk(t, name):
    """A 256 KB tmpfs at a folder of the work area, unmounted afterwards; Skip where mounting is not
    allowed."""
    mount_point = os.path.join(t.work, name)
    os.makedirs(mount_point, exist_ok=True)
    if os.geteuid() != 0:
        raise Skip("mounting a small tmpfs needs root")
    r = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs", mount_point], capture_output=True)
    if r.returncode != 0:
        raise Skip("cannot mount a small tmpfs here: " + r.stderr.decode(errors="replace").strip())
    try:
        yield mount_point
    finally:
        subprocess.run(["umount", "-l", mount_point], capture_output=True)


def content_folder_on(t, title, mount_point):
    """The content folder as a link to the small disk (it exists, so the installer asks first)."""
    folder = t.host(wallpaper(title))
    if os.path.islink(folder):
        os.unlink(folder)
    os.makedirs(os.path.dirname(folder), exist_ok=True)
    os.symlink(mount_point, folder)
    return folder


def install_until_failure(name, message):
    """A script: Install, OK to the overwrite question, the step's message, the failed status, Cancel."""
    return r"""
start I SETUP
wait-window W "Install Wallpaper: {name}" 60000 I
press W Install
wait-box C Confirm 30000
press C OK
wait-box B Error 120000
expect-text B "{message}"
press B Abort
record W "Install failed. Error: 112" 60000
press W Cancel
wait-exit I 30000
expect-exit I 1
""".format(name=name, message=message)


def big(n):
    return bytes((i * 7) & 0xFF for i in range(n))


@e2e.scenario
def stored_entry_on_full_disk(t):
    title = "Full Entry"
    link = link_to_dev_full(t, title, "big.swf")
    try:
        data = data_file(title, [Entry("big.swf", big(100000))])
        setup = t.write_installer("stored_entry", package(t.stub, title, t.typical_slots(title, data)))
        t.check_drive("stored_entry", setup, install_until_failure(title, ENTRY_MESSAGE))
    finally:
        os.unlink(link)


@e2e.scenario
def imploded_entry_on_full_disk(t):
    if not t.has_codec():
        raise Skip("no impborl.dll built")
    content = b"FWS" + bytes(range(256)) * 400
    stream = implode(content)
    if stream is None:
        raise Skip("node-pkware is not available to write an implode stream")
    title = "Full Implode"
    link = link_to_dev_full(t, title, "big.swf")
    try:
        data = data_file(title, [Entry("big.swf", stream, compressed=True, expanded=len(content))])
        setup = t.write_installer("imploded_entry", package(t.stub, title, t.typical_slots(title, data)))
        # Before, the codec's writes failed unseen: no message, and the status said -13.
        t.check_drive("imploded_entry", setup, install_until_failure(title, ENTRY_MESSAGE))
    finally:
        os.unlink(link)


@e2e.scenario
def stored_slot_on_full_disk(t):
    title = "Full Slot"
    with small_disk(t, "slot_disk") as disk:
        folder = content_folder_on(t, title, disk)
        try:
            data = data_file(title, [Entry("main.swf", big(600000))])
            setup = t.write_installer("stored_slot", package(t.stub, title, t.typical_slots(title, data)))
            t.check_drive("stored_slot", setup, install_until_failure(
                title, disk_full_message(wallpaper(title, title + ".mvd"))))
        finally:
            os.unlink(folder)


@e2e.scenario
def imploded_slot_on_full_disk(t):
    if not t.has_codec():
        raise Skip("no impborl.dll built")
    uninstaller = b"MZ" + bytes(range(256)) * 2400
    stream = implode(uninstaller)
    if stream is None:
        raise Skip("node-pkware is not available to write an implode stream")
    title = "Full Explode"
    with small_disk(t, "explode_disk") as disk:
        folder = content_folder_on(t, title, disk)
        try:
            slots = t.typical_slots(title, data_file(title, [Entry("main.swf", b"FWS small")]))
            slots[9] = Slot("uninstall.exe", 5, stream, compressed=True, expanded=len(uninstaller))
            setup = t.write_installer("imploded_slot", package(t.stub, title, slots))
            t.check_drive("imploded_slot", setup, install_until_failure(
                title, disk_full_message(wallpaper(title, "uninstall.exe"))))
        finally:
            os.unlink(folder)


@e2e.scenario
def temp_folder_on_full_disk(t):
    title = "Full Temp"
    with small_disk(t, "temp_disk") as disk:
        # The installer is larger than the disk, so its copy cannot be made.
        data = data_file(title, [Entry("main.swf", big(400000))])
        setup = t.write_installer("temp_folder", package(t.stub, title, t.typical_slots(title, data)))
        temp = win_path(disk)
        t.check_drive("temp_folder", setup, r"""
setenv TEMP {temp}
start I SETUP
wait-box B Error 60000
expect-text B "{message}"
press B Abort
wait-box S Error 20000
expect-text S "Installer file is corrupted. Quillon Error: 112. "
press S Abort
wait-exit I 30000
expect-exit I 1
""".format(temp=temp, message=disk_full_message(temp + "\\MVVA\\temp.dat")))
        expect(not os.path.exists(os.path.join(disk, "MVVA")), "the working folder is removed at close")


e2e.finish()
