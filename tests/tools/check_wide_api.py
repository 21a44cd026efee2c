#!/usr/bin/env python3
"""The Windows boundary speaks UTF-16: checks the built programs and our own object files.

  check_wide_api.py --nm NM --objdump OBJDUMP --objects DIR... --programs EXE...

- Every program starts at wmain / wWinMain: it imports __wgetmainargs, never __getmainargs (whose
  command line and environment come in the ANSI code page).
- No object file compiled from src/ or tools/ calls an ANSI ("...A") entry point of the Windows API, an
  ANSI-only one (WinExec, OpenFile, _lopen, _lcreat), or a C runtime call that takes a narrow path or
  narrow environment text. The C and C++ runtimes' own internals (which import a few ANSI calls that pass
  no text of ours) are not our object files and are not looked at.

Exits with 1 and names every offender.
"""
import argparse
import os
import re
import subprocess
import sys

# ANSI entry points that carry no text: the version query keeps the 148-byte structure it is defined with.
ALLOWED_ANSI = {"GetVersionExA"}
ANSI_ONLY = {"WinExec", "OpenFile", "_lopen", "_lcreat"}
# C runtime calls with narrow path or environment text (i686 symbols carry a leading underscore).
NARROW_CRT = {"fopen", "freopen", "_open", "open", "_stat", "_stat32", "_stat64", "_stati64", "stat", "remove",
              "rename", "_mkdir", "mkdir", "_rmdir", "rmdir", "_chdir", "chdir", "getenv", "_putenv", "_access",
              "access", "system", "_popen", "_findfirst", "_findfirst64", "_unlink", "unlink", "_chmod",
              "_fullpath", "_getcwd", "_execv", "_spawnv", "__getmainargs"}

IMPORT = re.compile(r"^__imp__(\w+?)(@\d+)?$")


def undefined_symbols(nm, path):
    out = subprocess.run([nm, "-u", path], capture_output=True, text=True, check=True).stdout
    return [line.split()[-1] for line in out.splitlines() if line.strip()]


def offences(symbols):
    found = []
    for sym in symbols:
        m = IMPORT.match(sym)
        name = m.group(1) if m else sym.split("@")[0]
        if m and name.endswith("A") and name[-2:-1].islower() and name not in ALLOWED_ANSI:
            found.append(name)
        elif name in ANSI_ONLY:
            found.append(name)
        elif name.startswith("_") and name[1:] in NARROW_CRT and not m:
            found.append(name[1:])
        elif m and name in NARROW_CRT:
            found.append(name)
    return found


def imports(objdump, exe):
    out = subprocess.run([objdump, "-p", exe], capture_output=True, text=True, check=True).stdout
    names = set()
    for line in out.splitlines():
        parts = line.split()
        if len(parts) == 3 and re.fullmatch(r"[0-9a-f]+", parts[0]) and parts[1].isdigit():
            names.add(parts[2])
    return names


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--nm", required=True)
    ap.add_argument("--objdump", required=True)
    ap.add_argument("--objects", nargs="+", required=True)
    ap.add_argument("--programs", nargs="+", required=True)
    args = ap.parse_args()

    problems = []
    for exe in args.programs:
        names = imports(args.objdump, exe)
        if "__getmainargs" in names or "__wgetmainargs" not in names:
            problems.append("%s: does not start at wmain/wWinMain (imports %s)" %
                            (exe, "__getmainargs" if "__getmainargs" in names else "neither getmainargs"))
    checked = 0
    for folder in args.objects:
        for base, _, files in os.walk(folder):
            for f in sorted(files):
                if not f.endswith(".obj"):
                    continue
                path = os.path.join(base, f)
                checked += 1
                for name in offences(undefined_symbols(args.nm, path)):
                    problems.append("%s: calls %s" % (os.path.relpath(path, folder), name))
    if checked == 0:
        problems.append("no object files found under " + ", ".join(args.objects))
    for p in problems:
        print("FAIL: " + p)
    print("%d programs and %d object files checked, %d problems" % (len(args.programs), checked, len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
