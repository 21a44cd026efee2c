#!/usr/bin/env python3
"""Names and paths beyond the ANSI code page, under Wine.

- On a Russian system (Wine in the ru_RU.UTF-8 locale: ANSI code page 1251) a package titled "Café Crème",
  stored as Windows-1252, shows the caption "Install Wallpaper: Café Crème" and installs the folder
  "Café Crème dir", the page "Café Crème.html" and the uninstall entry "Café Crème" with its DisplayName and
  UninstallString, exactly as on an English system; its uninstaller, started as a user would, removes
  all of it again. (The system's own buttons are Russian there: they are pressed by their ids.)
- Display Properties is started from the System folder: a rundll32.exe planted beside the installer (a
  download folder) is not what runs.
"""
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(__file__))
from e2e_lib import (E2E, KIND_SILENT, UNINSTALL_KEY, Entry, Skip, Slot, data_file, expect, package,  # noqa: E402
                     russian_locale)

e2e = E2E()
WALLPAPER = "%WINDIR%\\Web\\Wallpaper\\"


def entries():
    return [Entry("Crème brûlée.swf", b"FWS\x06" + b"movie " * 200),
            Entry("Noël\\Ça coûte 5 €.txt", b"five euros\r\n")]


@e2e.scenario
def title_on_code_page_1251(t):
    title = "Café Crème"
    slots = t.typical_slots(title, data_file(title, entries()))
    uninstaller = t._read(t.args.uninstaller)
    if uninstaller:
        slots[9] = Slot("uninstall.exe", 5, uninstaller)
    setup = t.write_installer("cp1251", package(t.stub, title, slots, show_desktop=1))
    content = WALLPAPER + title + " dir\\"
    russian = russian_locale()
    t.check_drive("cp1251", setup, r"""
expect-code-page 1251
start I SETUP
wait-window W "Install Wallpaper: {title}" 60000 I
press W Install
wait-box Q "Installation Successful." 120000
press-id Q 7
wait-exit I 30000
expect-exit I 0
expect-exists "{content}Crème brûlée.swf"
expect-file-text "{content}Noël\Ça coûte 5 €.txt" "five euros\r\n"
expect-exists "{page}"
reg-expect HKLM "{key}{title}" DisplayName "{title} Wallpaper"
reg-expect HKLM "{key}{title}" UninstallString "\"C:\windows\WEB\Wallpaper\{title} dir\uninstall.exe\""
reg-absent HKCU "{key}{title}"
expect-absent %TEMP%\MVVA
""".format(title=title, content=content, page=WALLPAPER + title + ".html", key=UNINSTALL_KEY), env=russian)
    expect(t.read(WALLPAPER + title + ".html") == slots[6].payload, "page bytes")
    for e in entries():
        expect(t.read(content + e.name.decode("cp1252")) == e.payload, "bytes of " + e.name.decode("cp1252"))
    # The host sees the same names (Wine keeps them as UTF-8 on the host).
    wallpaper = t.host(WALLPAPER)
    expect(title + " dir" in os.listdir(wallpaper) and title + ".html" in os.listdir(wallpaper),
           "host names: %r" % os.listdir(wallpaper))

    if not uninstaller:
        raise Skip("installed; no --uninstaller given for the removal")
    t.check_drive("cp1251_uninstall", None, r"""
expect-code-page 1251
start U "{content}uninstall.exe"
wait-box C "Uninstall {title} Wallpaper" 60000 U
expect-text-prefix C "Remove {title} Wallpaper from this computer?"
press-id C 6
wait-box R "Uninstall {title} Wallpaper" 60000 U
expect-text-prefix R "Removed:"
press-id R 1
wait-exit U 30000
expect-exit U 0
expect-absent "{page}"
expect-absent "{content}Crème brûlée.swf"
expect-absent "{content}Noël\Ça coûte 5 €.txt"
reg-absent HKLM "{key}{title}"
""".format(title=title, content=content, page=WALLPAPER + title + ".html", key=UNINSTALL_KEY), env=russian)


@e2e.scenario
def planted_rundll32_is_not_run(t):
    if not t.args.logger:
        raise Skip("no --logger program to plant")
    title = "Planted"
    slots = t.typical_slots(title, data_file(title, entries()))
    setup = t.write_installer("planted", package(t.stub, title, slots, kind=KIND_SILENT, show_desktop=1))
    folder = os.path.dirname(setup)
    shutil.copy(t.args.logger, os.path.join(folder, "rundll32.exe"))
    log = os.path.join(folder, "flashax.log")  # what the planted program would write beside itself
    if os.path.exists(log):
        os.remove(log)
    t.check_drive("planted", setup, r"""
start I SETUP
wait-exit I 120000
expect-exit I 0
expect-exists "%WINDIR%\Web\Wallpaper\Planted dir\Crème brûlée.swf"
""")
    expect(not os.path.exists(log), "the rundll32.exe beside the installer ran: " +
           (open(log, encoding="latin-1").read() if os.path.exists(log) else ""))


e2e.finish()
