#!/usr/bin/env python3
"""Installations of real installers under Wine: the typical installation of the Overview, Cancel before
and during it, the close box refused while it runs, a failure (-13) that leaves the window open, the
overwrite question, the Flash Player restart relay, a silent package."""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
from e2e_lib import (E2E, KIND_SILENT, UNINSTALL_KEY, Entry, Skip, Slot, bmp_24, data_file, expect,  # noqa: E402
                     implode, package)

e2e = E2E()
# The last text shows for a moment only when no question follows: the window closes right after it.
STATUSES = ("Preparing Installation...|Writing Moviva files...|Expanding files..."
            "|Moviva Installation and Setup Complete.")
SHOW_DESKTOP = "The installation of the wallpaper was successful.\\r\\n\\r\\nWould you like to minimize all applications " \
               "and display the desktop?"


def content_of(title):
    return "%WINDIR%\\Web\\Wallpaper\\" + title + " dir\\"


def entries(title):
    return [Entry(title + ".swf", b"FWS\x06" + b"movie " * 300),
            Entry("pictures\\wave.jpg", b"\xff\xd8 jpeg bytes " * 50, kind=11),
            Entry("nothing.txt", b"", expanded=0)]


def typical(t, title, **header):
    slots = t.typical_slots(title, data_file(title, entries(title)))
    header.setdefault("show_desktop", 1)
    header.setdefault("rgb", (255, 128, 0))
    return slots, package(t.stub, title, slots, **header)


@e2e.scenario
def typical_installation(t):
    title = "Ocean"
    slots, data = typical(t, title)
    setup = t.write_installer("typical", data)
    content = content_of(title)
    t.check_drive("typical", setup, r"""
start I SETUP
wait-window W "Install Wallpaper: Ocean" 60000 I
press W Install
record W "Moviva Installation and Setup Complete." 120000
expect-sequence "{statuses}"
expect-progress-max 10
wait-box Q "Installation Successful." 30000
expect-control W Close visible
expect-control W Install hidden
expect-control W Cancel hidden
expect-text Q "{show_desktop}"
reg-expect HKLM "{key}Ocean" DisplayName "Ocean Wallpaper"
reg-expect HKLM "{key}Ocean" NoModify 1
reg-expect HKLM "{key}Ocean" NoRepair 1
reg-expect HKLM "{key}Ocean" DisplayIcon "C:\windows\WEB\Wallpaper\Ocean dir\uninstall.exe"
press Q No
wait-exit I 30000
expect-exit I 0
expect-absent %TEMP%\MVVA
""".format(statuses=STATUSES, show_desktop=SHOW_DESKTOP, key=UNINSTALL_KEY))
    expect(t.read("%WINDIR%\\Web\\Wallpaper\\Ocean.html") == slots[6].payload, "HTML page bytes")
    expect(t.read(content + "uninstall.exe") == slots[9].payload, "uninstaller bytes")
    for e in entries(title):
        path = content + e.name.decode()
        if e.payload:
            expect(t.read(path) == e.payload, "entry bytes of " + path)
        else:
            expect(not t.exists(path), "a zero-size entry writes no file")
    expect(not t.exists(content + "Ocean.mvd"), "the data file is deleted")
    expect(t.exists(content + "installer.jpg"), "the picture stays")
    command = t.reg_query("HKLM\\" + UNINSTALL_KEY + "Ocean", "UninstallString")
    expect(command is not None and "C:\\windows\\WEB\\Wallpaper\\Ocean dir\\uninstall.exe" in command,
           "uninstall command: %r" % command)
    wallpaper = t.reg_query("HKCU\\Software\\Microsoft\\Internet Explorer\\Desktop\\General", "Wallpaper")
    if wallpaper is not None:  # the key exists only where Active Desktop was set up before
        expect(wallpaper == "C:\\windows\\Web\\Wallpaper\\Ocean.html", "wallpaper: %r" % wallpaper)
    # The size the list of installed programs shows: everything left in the content folder (the still
    # picture included) and the page, in kilobytes rounded up.
    installed = sum(os.path.getsize(os.path.join(d, f)) for d, _, files in os.walk(t.host(content)) for f in files)
    installed += len(slots[6].payload)
    location = t.reg_query("HKLM\\" + UNINSTALL_KEY + "Ocean", "InstallLocation")
    expect(location == "C:\\windows\\Web\\Wallpaper\\Ocean dir\\", "InstallLocation %r" % location)
    size = t.reg_query("HKLM\\" + UNINSTALL_KEY + "Ocean", "EstimatedSize")
    expect(size is not None and int(size, 16) == (installed + 1023) // 1024,
           "EstimatedSize %r for %d bytes" % (size, installed))
    colours = t.reg_query("HKCU\\Control Panel\\Colors", "Background")
    print("registry: UninstallString=%r Wallpaper=%r Background=%r" % (command, wallpaper, colours))
    if colours is not None:
        expect(colours == "255 128 0", "background colour: %r" % colours)


@e2e.scenario
def cancel_before_install(t):
    title = "Cancel Early"
    _, data = typical(t, title)
    setup = t.write_installer("cancel_before", data)
    t.check_drive("cancel_before", setup, r"""
start I SETUP
wait-window W "Install Wallpaper: Cancel Early" 60000 I
expect-exists %TEMP%\MVVA\temp.dat
press W Cancel
wait-exit I 30000
expect-exit I 2
expect-absent %TEMP%\MVVA
expect-absent "%WINDIR%\Web\Wallpaper\Cancel Early.html"
""")


@e2e.scenario
def close_box_refused_while_installing(t):
    title = "Closing"
    _, data = typical(t, title, show_desktop=0)
    setup = t.write_installer("close_refused", data)
    t.check_drive("close_refused", setup, r"""
start I SETUP
wait-window W "Install Wallpaper: Closing" 60000 I
press W Install
record W "Writing Moviva files..." 60000
close W
sleep 1500
expect-control W Cancel visible
record W "" 120000
expect-sequence "{statuses}"
wait-exit I 30000
expect-exit I 0
expect-exists "%WINDIR%\Web\Wallpaper\Closing.html"
""".format(statuses=STATUSES.rsplit("|", 1)[0]))  # the window may go before the final text is seen


@e2e.scenario
def cancel_during_slot_extraction(t):
    title = "Cancel Slots"
    _, data = typical(t, title)
    setup = t.write_installer("cancel_slots", data)
    t.check_drive("cancel_slots", setup, r"""
start I SETUP
wait-window W "Install Wallpaper: Cancel Slots" 60000 I
press W Install
record W "Writing Moviva files..." 60000
press W Cancel
record W "Installation Aborted. Cleaning up files..." 30000
wait-exit I 60000
expect-exit I 2
expect-absent "%WINDIR%\Web\Wallpaper\Cancel Slots dir"
expect-absent "%WINDIR%\Web\Wallpaper\Cancel Slots.html"
reg-absent HKLM "{key}Cancel Slots"
expect-absent %TEMP%\MVVA
""".format(key=UNINSTALL_KEY))


@e2e.scenario
def cancel_during_expansion(t):
    title = "Cancel Expanding"
    _, data = typical(t, title)
    setup = t.write_installer("cancel_expansion", data)
    # The click is taken at the first message processing after the entries were written: the
    # expansion ends first, then everything it wrote is removed.
    t.check_drive("cancel_expansion", setup, r"""
start I SETUP
wait-window W "Install Wallpaper: Cancel Expanding" 60000 I
press W Install
record W "Expanding files..." 60000
press W Cancel
record W "Installation Aborted. Cleaning up files..." 30000
wait-exit I 60000
expect-exit I 2
expect-absent "%WINDIR%\Web\Wallpaper\Cancel Expanding dir"
expect-absent "%WINDIR%\Web\Wallpaper\Cancel Expanding.html"
reg-absent HKLM "{key}Cancel Expanding"
""".format(key=UNINSTALL_KEY))


def slots_with_broken_uninstaller(t, title):
    """The typical slots, with an uninstaller whose compressed stream expands to one byte less than its
    declared size: the installation fails at that slot."""
    if not t.has_codec():
        raise Skip("no impborl.dll built")
    uninstaller = b"MZ" + bytes(range(256)) * 20
    stream = implode(uninstaller)
    if stream is None:
        raise Skip("node-pkware is not available to write an implode stream")
    slots = t.typical_slots(title, data_file(title, entries(title)))
    slots[9] = Slot("uninstall.exe", 5, stream, compressed=True, expanded=len(uninstaller) + 1)
    return slots


@e2e.scenario
def failure_leaves_window_open(t):
    title = "Broken"
    slots = slots_with_broken_uninstaller(t, title)
    setup = t.write_installer("failure", package(t.stub, title, slots, show_desktop=1))
    t.check_drive("failure", setup, r"""
start I SETUP
wait-window W "Install Wallpaper: Broken" 60000 I
press W Install
wait-box B Error 120000
expect-text B "Installation Error: \r\n\r\nProblem with file %WINDIR%\Web\Wallpaper\Broken dir\uninstall.exe. "
press B Abort
record W "Install failed. Error: -13" 60000
expect-control W Install disabled
expect-control W Cancel visible
expect-no-window "Installation Successful." 1500
expect-absent "%WINDIR%\Web\Wallpaper\Broken dir"
expect-absent "%WINDIR%\Web\Wallpaper\Broken.html"
reg-absent HKLM "{key}Broken"
press W Cancel
wait-exit I 30000
expect-exit I 1
expect-absent %TEMP%\MVVA
""".format(key=UNINSTALL_KEY))


@e2e.scenario
def overwrite_question(t):
    title = "Twice"
    _, data = typical(t, title, show_desktop=0)
    setup = t.write_installer("overwrite", data)
    # The first run installs; the second finds the folder and asks.
    t.check_drive("overwrite_first", setup, r"""
start I SETUP
wait-window W "Install Wallpaper: Twice" 60000 I
press W Install
wait-exit I 120000
expect-exit I 0
""")
    t.check_drive("overwrite_second", setup, r"""
start I SETUP
wait-window W "Install Wallpaper: Twice" 60000 I
press W Install
wait-box C Confirm 30000
expect-text C "Twice wallpaper already exists.  Overwrite?"
press C Cancel
sleep 1000
expect-control W Install enabled
press W Install
wait-box C2 Confirm 30000
press C2 OK
record W "" 120000
expect-sequence "Preparing Installation...|Writing Moviva files...|Expanding files..."
wait-exit I 30000
expect-exit I 0
""")
    # The page alone (the folder gone) asks as well.
    t.remove(content_of(title))
    t.check_drive("overwrite_page_only", setup, r"""
start I SETUP
wait-window W "Install Wallpaper: Twice" 60000 I
press W Install
wait-box C Confirm 30000
press C Cancel
sleep 500
press W Cancel
wait-exit I 30000
expect-exit I 2
""")


def restart_relay(t, answer, name):
    ocx = t.args.fake_ocx
    if not ocx or not os.path.exists(ocx):
        raise Skip("no control file with a version resource built")
    title = "Restart " + answer
    _, data = typical(t, title)
    setup = t.write_installer(name, data)
    # An installed control of version 6 (another release than 79) that is in use (the driver holds it
    # open): the installer expects the Flash Player installer to ask for a restart.
    flash_dir = t.host("%WINDIR%\\system32")
    os.makedirs(os.path.join(flash_dir, "Macromed", "Flash"), exist_ok=True)
    target = os.path.join(flash_dir, "Macromed", "Flash", "Flash.ocx")
    with open(ocx, "rb") as src, open(target, "wb") as dst:
        dst.write(src.read())
    try:
        tail = (r"""
expect-pressed P 6 10000
expect-no-window "Installation Successful." 2000
""" if answer == "Yes" else r"""
expect-pressed P 7 10000
wait-box Q2 "Installation Successful." 20000
expect-text Q2 "{show_desktop}"
press Q2 No
""".format(show_desktop=SHOW_DESKTOP))
        t.check_drive(name, setup, r"""
hold %WINDIR%\system32\Macromed\Flash\Flash.ocx
prompt P "Macromedia Flash Player 6"
start I SETUP
wait-window W "Install Wallpaper: {title}" 60000 I
press W Install
wait-box Q "Installation Successful." 120000
expect-text Q "The installation was successful.  You must restart your computer before the new settings will take effect.\r\n\r\nDo you want to restart your computer now?"
press Q {answer}
{tail}
wait-exit I 30000
expect-exit I 0
""".format(title=title, answer=answer, tail=tail))
    finally:
        os.remove(target)


@e2e.scenario
def restart_relay_yes(t):
    restart_relay(t, "Yes", "restart_yes")


@e2e.scenario
def restart_relay_no(t):
    restart_relay(t, "No", "restart_no")


@e2e.scenario
def silent_package(t):
    title = "Quiet"
    slots = t.typical_slots(title, data_file(title, entries(title)))
    setup = t.write_installer("silent", package(t.stub, title, slots, kind=KIND_SILENT, show_desktop=0))
    t.check_drive("silent", setup, r"""
start I SETUP
expect-no-window "Install Wallpaper: Quiet" 3000
expect-no-class I TApplication TpreparingInstallWnd TqlnMessageBox TInstallerForm
wait-exit I 120000
expect-exit I 0
expect-exists "%WINDIR%\Web\Wallpaper\Quiet dir\Quiet.swf"
expect-absent "%WINDIR%\Web\Wallpaper\Quiet dir\Quiet.mvd"
reg-expect HKLM "{key}Quiet" DisplayName "Quiet Wallpaper"
expect-absent %TEMP%\MVVA
""".format(key=UNINSTALL_KEY))


@e2e.scenario
def silent_package_failure(t):
    # A windowless package makes no windows of its own; its failures still show their boxes, the
    # clean-up still runs and the exit code says so.
    title = "Quiet Broken"
    slots = slots_with_broken_uninstaller(t, title)
    setup = t.write_installer("silent_failure", package(t.stub, title, slots, kind=KIND_SILENT, show_desktop=1))
    t.check_drive("silent_failure", setup, r"""
start I SETUP
wait-box B Error 120000 I
expect-text B "Installation Error: \r\n\r\nProblem with file %WINDIR%\Web\Wallpaper\Quiet Broken dir\uninstall.exe. "
expect-no-class I TApplication TpreparingInstallWnd TqlnMessageBox TInstallerForm
press B Abort
wait-exit I 60000
expect-exit I 1
expect-absent "%WINDIR%\Web\Wallpaper\Quiet Broken dir"
expect-absent "%WINDIR%\Web\Wallpaper\Quiet Broken.html"
reg-absent HKLM "{key}Quiet Broken"
expect-absent %TEMP%\MVVA
""".format(key=UNINSTALL_KEY))


@e2e.scenario
def silent_package_with_show_desktop(t):
    # Display Properties is started after the installation (Wine has no desk.cpl: nothing appears,
    # and the installer still ends after its bounded look for the window).
    title = "Quiet Desk"
    slots = t.typical_slots(title, data_file(title, entries(title)))
    setup = t.write_installer("silent_desk", package(t.stub, title, slots, kind=KIND_SILENT, show_desktop=1))
    t.check_drive("silent_desk", setup, r"""
start I SETUP
wait-exit I 120000
expect-exit I 0
expect-exists "%WINDIR%\Web\Wallpaper\Quiet Desk dir\Quiet Desk.swf"
""")


@e2e.scenario
def licence_bmp_and_extra_file(t):
    title = "Licensed"
    slots = t.typical_slots(title, data_file(title, entries(title)), picture=bmp_24())
    slots[4] = Slot("licence.txt", 5, b"You accept the terms.\r\nSecond line.\r\n")
    slots[5] = Slot("extra.txt", 5, b"An extra file, opened after the installation.\r\n")
    setup = t.write_installer("licence", package(t.stub, title, slots, kind=1, licence=1, run_extra=1))
    t.check_drive("licence", setup, r"""
start I SETUP
wait-window W "Install Wallpaper: Licensed" 60000 I
expect-control W "Accept and Install" enabled
expect-control W "You accept the terms.\r\nSecond line.\r\n" visible
expect-exists "%WINDIR%\Web\Wallpaper\Licensed dir\installer.BMP"
expect-exists "%WINDIR%\Web\Wallpaper\Licensed dir\extra.txt"
press W "Accept and Install"
record W "" 120000
expect-sequence "Preparing Installation...|Writing Moviva files...|Expanding files..."
wait-exit I 30000
expect-exit I 0
""")


e2e.finish()
