#!/usr/bin/env python3
"""Dependencies point down: no file in src/ or tools/ includes a folder its layer may not use.

  check_layers.py ROOT              checks the tree
  check_layers.py ROOT --planted    checks that violations planted in a temporary copy are all caught

The layers, highest first (docs/ARCHITECTURE.md): installer over desktop, flash and package; flash over
flash/render; those over swf; swf over dcl and platform; everything over support. tools/ may use every
layer below the installer. A quoted include is named by its folder ("platform/files.h"); one that names a
file beside the including file is its own. Angle-bracket includes (the system, third-party libraries)
are not layers. Tests, fuzzers and benchmarks may include anything and are not checked.
"""
import os
import re
import shutil
import sys
import tempfile

BASE = {"support"}
LOW = BASE | {"dcl", "platform"}
MIDDLE = LOW | {"swf", "flash/render", "package", "desktop", "flash"}
ALLOWED = {
    "support": BASE,
    "platform": BASE | {"platform"},
    "dcl": BASE | {"dcl"},
    "runtime": BASE | {"runtime"},
    "swf": LOW | {"swf"},
    "flash/render": LOW | {"swf", "flash/render"},
    "package": LOW | {"swf", "package"},
    "desktop": LOW | {"swf", "desktop"},
    "flash": LOW | {"swf", "flash/render", "flash"},
    "installer": MIDDLE | {"installer", "runtime"},
    "tools": MIDDLE,
}
SOURCE_ENDINGS = (".cpp", ".h", ".c", ".hpp")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def folder_of(include):
    """The layer an include path names: its first folder, flash/render counted apart."""
    parts = include.replace("\\", "/").split("/")
    if len(parts) < 2:
        return None
    if parts[0] == "flash" and parts[1] == "render" and len(parts) > 2:
        return "flash/render"
    return parts[0]


def layer_of(relpath):
    parts = relpath.replace(os.sep, "/").split("/")
    if parts[0] == "tools":
        return "tools"
    if parts[0] == "src" and len(parts) > 2:
        if parts[1] == "flash" and parts[2] == "render" and len(parts) > 3:
            return "flash/render"
        return parts[1]
    return None


def violations(root):
    found = []
    for top in ("src", "tools"):
        for base, _, files in os.walk(os.path.join(root, top)):
            for name in sorted(files):
                if not name.endswith(SOURCE_ENDINGS):
                    continue
                path = os.path.join(base, name)
                rel = os.path.relpath(path, root)
                layer = layer_of(rel)
                if layer is None:
                    continue
                allowed = ALLOWED.get(layer)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        include = m.group(1)
                        if os.path.exists(os.path.join(base, include)) and ".." not in include.split("/"):
                            continue  # a file of its own folder
                        folder = folder_of(include)
                        if allowed is None or folder not in allowed:
                            found.append("%s:%d: %s includes \"%s\" (%s may use %s)" % (
                                rel.replace(os.sep, "/"), number, layer, include, layer,
                                ", ".join(sorted(allowed)) if allowed else "no layer: unknown folder"))
    return found


def check(root):
    found = violations(root)
    for v in found:
        print("FAIL: " + v)
    print("%d includes against the layers" % len(found))
    return 1 if found else 0


# One upward include per kind of rule: support over platform, a middle layer over another, flash/render
# over flash, swf over the renderer, a tool over the installer.
PLANTS = [
    ("src/support/paths.h", "platform/platform.h"),
    ("src/package/format.h", "flash/swf.h"),
    ("src/flash/render/first_frame.h", "flash/swf.h"),
    ("src/swf/tags.h", "flash/render/first_frame.h"),
    ("src/platform/files.h", "dcl/dcl.h"),
    ("tools/mvpack/util.h", "installer/state.h"),
]


def planted(root):
    with tempfile.TemporaryDirectory() as temp:
        for top in ("src", "tools"):
            shutil.copytree(os.path.join(root, top), os.path.join(temp, top))
        if violations(temp):
            print("FAIL: the copy has violations before any is planted")
            return 1
        for rel, include in PLANTS:
            with open(os.path.join(temp, rel), "a", encoding="utf-8") as f:
                f.write('#include "%s"\n' % include)
        found = violations(temp)
        missed = [rel for rel, _ in PLANTS if not any(v.startswith(rel + ":") for v in found)]
        for rel in missed:
            print("FAIL: the include planted in %s was not reported" % rel)
        if len(found) != len(PLANTS):
            print("FAIL: %d reports for %d planted includes:\n  %s" % (len(found), len(PLANTS), "\n  ".join(found)))
            return 1
        print("all %d planted includes reported" % len(PLANTS))
        return 1 if missed else 0


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    sys.exit(planted(sys.argv[1]) if "--planted" in sys.argv[2:] else check(sys.argv[1]))
