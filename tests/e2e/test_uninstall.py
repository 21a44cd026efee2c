#!/usr/bin/env python3
"""The sample uninstaller against restarts, under Wine: packages written byte by byte carry the real
uninstall.exe in slot 9 and install silently; the restart is `wineboot -r` in the test's prefix, which
carries out the prefix's PendingFileRenameOperations as Windows does at boot.

- Uninstall, install again, restart: the uninstaller has removed the content folder (itself included) at
  once and left to the restart only its own running file, moved out to TEMP; so the second installation
  survives the restart, and its entry starts its uninstaller (with /y: exit 0, everything gone).
- Files held open during the uninstall: they, the subfolder and the content folder are scheduled for the
  restart in that order, the report says so, the exit code is 0 and the entry goes (nothing is left
  unscheduled); the restart removes them all.
- Files held open during the uninstall (the page among them), released, and the same content installed
  again before the restart: the installation takes back the deletions left on its folder and page, and
  only the uninstaller's temp copy stays pending, so after the restart the new installation has every
  file and its uninstaller works.
- Something that can be neither removed nor scheduled: exit 3, and uninstall.exe and the entry stay, with
  nothing pending on the folder; once it is gone, the entry's uninstaller finishes the work.
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(__file__))
from e2e_lib import (E2E, KIND_SILENT, UNINSTALL_KEY, WINE_RUN, Entry, Skip, Slot, data_file, expect,  # noqa: E402
                     package, wine_environment)

e2e = E2E()
WALLPAPER = "C:\\windows\\Web\\Wallpaper\\"
SESSION_MANAGER = "HKLM\\System\\CurrentControlSet\\Control\\Session Manager"


def entries(title):
    return [Entry(title + ".swf", b"FWS\x06" + b"movie " * 300),
            Entry("pictures\\wave.jpg", b"\xff\xd8 jpeg bytes " * 50, kind=11),
            Entry("readme.txt", b"Read me.\r\n")]


def silent_installer(t, name, title):
    uninstaller = t._read(t.args.uninstaller)
    if not uninstaller:
        raise Skip("no --uninstaller given")
    slots = t.typical_slots(title, data_file(title, entries(title)))
    slots[9] = Slot("uninstall.exe", 5, uninstaller)
    return t.write_installer(name, package(t.stub, title, slots, kind=KIND_SILENT))


def install(t, name, setup, title):
    t.check_drive(name, setup, r"""
start I SETUP
wait-exit I 120000
expect-exit I 0
expect-exists "{content}uninstall.exe"
reg-expect HKLM "{key}{title}" DisplayName "{title} Wallpaper"
""".format(content=WALLPAPER + title + " dir\\", key=UNINSTALL_KEY, title=title))


def wine(t, *args):
    """Runs a Windows program (a path in the prefix, or a Wine program) in the test's prefix: exit code."""
    r = subprocess.run([WINE_RUN, "--keep", t.prefix] + list(args), capture_output=True, timeout=600,
                       env=dict(os.environ, **wine_environment()))
    print("%s: exit %d" % (" ".join(args), r.returncode), flush=True)
    return r.returncode


def registry_text(value):
    """The text of a REG_MULTI_SZ value as Wine saves it (str(7):"..." with escapes, or hex(7):...)."""
    if value.startswith("hex(7):"):
        data = bytes(int(x, 16) for x in value[7:].split(",") if x.strip())
        return data.decode("utf-16-le")
    expect(value.startswith('str(7):"') and value.endswith('"'), "a REG_MULTI_SZ value: %r" % value[:40])
    text, i, body = [], 0, value[8:-1]
    escapes = {"0": "\0", "n": "\n", "r": "\r", "t": "\t", "a": "\a", "b": "\b", "e": "\x1b", "f": "\f",
               "v": "\v"}
    while i < len(body):
        c = body[i]
        i += 1
        if c != "\\":
            text.append(c)
            continue
        c = body[i]
        i += 1
        if c == "x":
            digits = ""
            while i < len(body) and len(digits) < 4 and body[i] in "0123456789abcdefABCDEF":
                digits += body[i]
                i += 1
            text.append(chr(int(digits, 16)))
        else:
            text.append(escapes.get(c, c))
    return "".join(text)


def pending_deletes(t):
    """The paths that the next start of Windows deletes, in the order of PendingFileRenameOperations (pairs
    of source and target, an empty target meaning delete), without the "\\??\\" prefix. Read from the
    prefix's saved registry: under Wine every new session starts with the boot work, which would carry
    the operations out before a `reg query` could see them."""
    with open(os.path.join(t.prefix, "system.reg"), encoding="utf-8", errors="replace") as f:
        lines = f.read().split("\n")
    section, value = False, None
    for k, line in enumerate(lines):
        if line.startswith("["):
            section = line.startswith("[System\\\\CurrentControlSet\\\\Control\\\\Session Manager]")
        elif section and line.startswith('"PendingFileRenameOperations"='):
            value = line.split("=", 1)[1]
            while value.endswith("\\") and value.startswith("hex"):  # continued on the next line
                k += 1
                value = value[:-1] + lines[k].strip()
            break
    if value is None:
        return []
    names = registry_text(value).split("\0")
    while names and names[-1] == "":
        names.pop()
    names += [""] * (len(names) % 2)
    pairs = list(zip(names[0::2], names[1::2]))
    expect(all(target == "" for _, target in pairs), "only deletions are pending: %r" % pairs)
    return [source[4:] if source.startswith("\\??\\") else source for source, _ in pairs]


def restart(t):
    expect(wine(t, "wineboot", "-r") == 0, "wineboot -r")


def inside(path, folder):
    return path.lower().startswith(folder.lower())


def is_temp_copy(path):
    return inside(path, "C:\\users\\") and "\\temp\\" in path.lower() and path.lower().endswith(".tmp")


@e2e.scenario
def reinstall_after_uninstall_survives_restart(t):
    title = "Second Sea"
    content = WALLPAPER + title + " dir\\"
    setup = silent_installer(t, "reinstall", title)
    install(t, "reinstall_first", setup, title)
    # Uninstalled and installed again in one session (under Wine a new session starts with the boot work).
    # No touches nothing (exit 1); Yes removes the folder before the uninstaller ends.
    t.check_drive("reinstall_uninstall", setup, r"""
start N "{content}uninstall.exe"
wait-box C "Uninstall {title} Wallpaper" 60000 N
press C No
wait-exit N 30000
expect-exit N 1
expect-exists "{content}uninstall.exe"
expect-exists "{page}"
start U "{content}uninstall.exe"
wait-box C "Uninstall {title} Wallpaper" 60000 U
press C Yes
wait-box R "Uninstall {title} Wallpaper" 60000 U
expect-text-prefix R "Removed:\r\n  the desktop colour (the earlier colour is back)\r\n  {page}\r\n  {content} and its 4 files\r\n  HKEY_LOCAL_MACHINE\{key}{title}\r\n\r\nRemoved when Windows restarts:\r\n  C:\users"
press R OK
wait-exit U 30000
expect-exit U 0
expect-absent "{content}"
expect-absent "{page}"
reg-absent HKLM "{key}{title}"
start I SETUP
wait-exit I 120000
expect-exit I 0
expect-exists "{content}uninstall.exe"
""".format(content=content, page=WALLPAPER + title + ".html", key=UNINSTALL_KEY, title=title))
    pending = pending_deletes(t)
    print("pending at restart: %r" % pending)
    expect(len(pending) == 1 and is_temp_copy(pending[0]), "only the uninstaller's temp copy is pending")
    temp_copy = t.host(pending[0])
    expect(os.path.isfile(temp_copy), "the temp copy is there until the restart")

    restart(t)
    expect(not os.path.exists(temp_copy), "the restart removed the temp copy")
    expect(pending_deletes(t) == [], "nothing pending after the restart")
    for name in ("uninstall.exe", title + ".swf", "pictures\\wave.jpg", "readme.txt"):
        expect(t.exists(content + name), "the second installation keeps " + name)

    # The entry starts the uninstaller, and it works: with /y no question and no report, exit 0.
    command = t.reg_query("HKLM\\" + UNINSTALL_KEY + title, "UninstallString")
    expect(command is not None and command.strip('"').lower() == (content + "uninstall.exe").lower(),
           "uninstall command: %r" % command)
    expect(wine(t, command.strip('"'), "/y") == 0, "the entry's uninstaller ends with 0")
    expect(not t.exists(content), "the content folder is gone")
    expect(t.reg_query("HKLM\\" + UNINSTALL_KEY + title, "DisplayName") is None, "the entry is gone")


@e2e.scenario
def busy_files_removed_at_restart(t):
    title = "Busy Sea"
    content = WALLPAPER + title + " dir\\"
    setup = silent_installer(t, "busy", title)
    install(t, "busy_install", setup, title)
    swf, wave = content + title + ".swf", content + "pictures\\wave.jpg"
    # The driver holds both files open (no delete sharing) until it ends.
    log = t.check_drive("busy_uninstall", None, r"""
hold "{swf}"
hold "{wave}"
start U "{content}uninstall.exe"
wait-box C "Uninstall {title} Wallpaper" 60000 U
press C Yes
wait-box R "Uninstall {title} Wallpaper" 60000 U
expect-text-prefix R "Removed:\r\n  the desktop colour (the earlier colour is back)\r\n  {page}\r\n  {content}: 2 files\r\n  HKEY_LOCAL_MACHINE\{key}{title}\r\n\r\nRemoved when Windows restarts:\r\n"
press R OK
wait-exit U 30000
expect-exit U 0
expect-exists "{swf}"
expect-exists "{wave}"
expect-absent "{content}uninstall.exe"
expect-absent "{content}readme.txt"
reg-absent HKLM "{key}{title}"
""".format(content=content, page=WALLPAPER + title + ".html", key=UNINSTALL_KEY, title=title, swf=swf, wave=wave))
    # The report names what waits for the restart (the files in the order the folder lists them).
    report = [line for line in log.splitlines() if line.startswith("box Uninstall %s Wallpaper: Removed:" % title)]
    expect(len(report) == 1, "one report")
    at_restart = report[0].split("Removed when Windows restarts:\\r\\n")[1].split("\\r\\n")
    expect(sorted(at_restart[:3]) == sorted(["  " + swf, "  " + wave, "  " + content + "pictures\\"]) and
           at_restart[3] == "  " + content + " (after the files in it)" and
           at_restart[4].startswith("  C:\\users\\") and
           at_restart[4].endswith(".tmp (uninstall.exe, still running)") and
           at_restart[5:] == [""], "lines of the report: %r" % at_restart)
    pending = pending_deletes(t)
    print("pending at restart: %r" % pending)
    # Files before their folders; nothing else of the folder (the uninstaller went at once).
    ours = [p.lower() for p in pending if inside(p, content.rstrip("\\"))]
    order = [p.lower() for p in (swf, wave, content + "pictures", content.rstrip("\\"))]
    expect(sorted(ours) == sorted(order) and ours.index(order[1]) < ours.index(order[2]) and ours[-1] == order[3],
           "files, then their folders, are pending")
    temp_copies = [p for p in pending if is_temp_copy(p)]
    expect(len(pending) == 5 and len(temp_copies) == 1, "and the uninstaller's temp copy")
    restart(t)
    expect(not t.exists(content), "the restart removed the content folder")
    expect(not t.exists(temp_copies[0]), "the restart removed the temp copy")
    expect(pending_deletes(t) == [], "nothing pending after the restart")


@e2e.scenario
def reinstall_after_busy_uninstall_survives_restart(t):
    title = "Held Sea"
    content = WALLPAPER + title + " dir\\"
    page = WALLPAPER + title + ".html"
    setup = silent_installer(t, "held", title)
    install(t, "held_install", setup, title)
    swf, wave = content + title + ".swf", content + "pictures\\wave.jpg"
    # Uninstalled while three files are open, those programs closed, installed again: one session, since
    # under Wine a new session starts with the boot work.
    t.check_drive("held_reinstall", setup, r"""
hold "{swf}"
hold "{wave}"
hold "{page}"
start U "{content}uninstall.exe"
wait-box C "Uninstall {title} Wallpaper" 60000 U
press C Yes
wait-box R "Uninstall {title} Wallpaper" 60000 U
press R OK
wait-exit U 30000
expect-exit U 0
reg-absent HKLM "{key}{title}"
release "{swf}"
release "{wave}"
release "{page}"
start I SETUP
wait-exit I 120000
expect-exit I 0
expect-exists "{content}uninstall.exe"
reg-expect HKLM "{key}{title}" DisplayName "{title} Wallpaper"
""".format(content=content, page=page, key=UNINSTALL_KEY, title=title, swf=swf, wave=wave))
    pending = pending_deletes(t)
    print("pending at restart: %r" % pending)

    restart(t)
    for path in (page, content + "uninstall.exe", swf, wave, content + "readme.txt"):
        expect(t.exists(path), "the new installation keeps " + path)
    expect(t.read(swf) == entries(title)[0].payload, "the movie is the new installation's")
    expect(len(pending) == 1 and is_temp_copy(pending[0]), "only the uninstaller's temp copy was pending")
    expect(not t.exists(pending[0]), "the restart removed the temp copy")
    expect(pending_deletes(t) == [], "nothing pending after the restart")

    command = t.reg_query("HKLM\\" + UNINSTALL_KEY + title, "UninstallString")
    expect(command is not None, "the entry is there")
    expect(wine(t, command.strip('"'), "/y") == 0, "the entry's uninstaller ends with 0")
    expect(not t.exists(content) and not t.exists(page), "the content folder and the page are gone")
    expect(t.reg_query("HKLM\\" + UNINSTALL_KEY + title, "DisplayName") is None, "the entry is gone")


@e2e.scenario
def unremovable_entry_keeps_uninstaller(t):
    title = "Stuck Sea"
    content = WALLPAPER + title + " dir\\"
    setup = silent_installer(t, "stuck", title)
    install(t, "stuck_install", setup, title)
    # A host symbolic link in the content folder: Wine shows it as a link that can be neither removed nor
    # scheduled (and that the uninstaller must not follow).
    outside = os.path.join(t.work, "stuck-outside")
    os.makedirs(outside, exist_ok=True)
    with open(os.path.join(outside, "keep.txt"), "w") as f:
        f.write("not ours\n")
    os.symlink(outside, t.host(content + "link"))
    t.check_drive("stuck_uninstall", None, r"""
start U "{content}uninstall.exe"
wait-box C "Uninstall {title} Wallpaper" 60000 U
press C Yes
wait-box R "Uninstall {title} Wallpaper" 60000 U
expect-text-prefix R "Removed:\r\n  the desktop colour (the earlier colour is back)\r\n  {page}\r\n  {content}: 3 files\r\n\r\nCould not be removed:\r\n  {content}link ("
press R OK
wait-exit U 30000
expect-exit U 3
expect-exists "{content}uninstall.exe"
reg-expect HKLM "{key}{title}" DisplayName "{title} Wallpaper"
""".format(content=content, page=WALLPAPER + title + ".html", key=UNINSTALL_KEY, title=title))
    expect(os.path.exists(os.path.join(outside, "keep.txt")), "the link was not followed")
    expect(pending_deletes(t) == [], "nothing pending: uninstall.exe stays for another try")
    # Once the link is gone, the entry's uninstaller finishes the work.
    os.remove(t.host(content + "link"))
    expect(wine(t, content + "uninstall.exe", "/y") == 0, "the second run ends with 0")
    expect(not t.exists(content), "the content folder is gone")
    expect(t.reg_query("HKLM\\" + UNINSTALL_KEY + title, "DisplayName") is None, "the entry is gone")


e2e.finish()
