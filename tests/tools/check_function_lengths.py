#!/usr/bin/env python3
"""No function in src/ or tools/ is longer than 120 lines: a longer one is split along what it does.

  check_function_lengths.py ROOT [LIMIT] [--ctags PROGRAM]   checks the tree
  check_function_lengths.py ROOT [LIMIT] --planted            checks that a planted long function is caught

Functions and their extent (first line to closing brace) come from universal-ctags (--fields=+ne).
"""
import os
import subprocess
import sys
import tempfile


def long_functions(root, limit, ctags):
    out = subprocess.run(
        [ctags, "-R", "--languages=C,C++", "--kinds-C=f", "--kinds-C++=f", "--fields=+ne", "-f", "-", "src", "tools"],
        cwd=root, check=True, stdout=subprocess.PIPE, universal_newlines=True).stdout
    found = []
    for row in out.splitlines():
        fields = row.split("\t")
        if len(fields) < 4 or row.startswith("!_"):
            continue
        extra = dict(f.split(":", 1) for f in fields[3:] if ":" in f)
        if "line" not in extra or "end" not in extra:
            continue
        lines = int(extra["end"]) - int(extra["line"]) + 1
        if lines > limit:
            found.append((lines, "%s:%s: %s has %d lines (at most %d)" % (fields[1], extra["line"], fields[0], lines, limit)))
    return [text for _, text in sorted(found, reverse=True)]


def check(root, limit, ctags):
    found = long_functions(root, limit, ctags)
    for text in found:
        print("FAIL: " + text)
    print("%d functions over %d lines" % (len(found), limit))
    return 1 if found else 0


def function(name, lines):
    """A C++ function of exactly `lines` lines, braces included."""
    body = ["  total += %d;" % i for i in range(lines - 3)]
    return ["int %s(int total) {" % name] + body + ["  return total;", "}"]


def planted(limit, ctags):
    with tempfile.TemporaryDirectory() as temp:
        os.makedirs(os.path.join(temp, "src", "support"))
        os.makedirs(os.path.join(temp, "tools"))
        with open(os.path.join(temp, "src", "support", "long.cpp"), "w") as f:
            f.write("\n".join(function("atTheLimit", limit) + [""] + function("overTheLimit", limit + 1)) + "\n")
        with open(os.path.join(temp, "tools", "tool.cpp"), "w") as f:
            f.write("namespace t {\n" + "\n".join(function("longTool", limit + 30)) + "\n}\n")
        found = long_functions(temp, limit, ctags)
        expected = ["tools/tool.cpp:2: longTool has %d lines (at most %d)" % (limit + 30, limit),
                    "src/support/long.cpp:%d: overTheLimit has %d lines (at most %d)" % (limit + 2, limit + 1, limit)]
        if found != expected:
            print("FAIL: reported\n  %s\nexpected\n  %s" % ("\n  ".join(found), "\n  ".join(expected)))
            return 1
        print("the planted functions over %d lines were reported, the one at the limit was not" % limit)
        return 0


if __name__ == "__main__":
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    ctags = "ctags"
    if "--ctags" in sys.argv:
        ctags = sys.argv[sys.argv.index("--ctags") + 1]
        args.remove(ctags)
    if not args:
        sys.exit(__doc__)
    limit = int(args[1]) if len(args) > 1 else 120
    sys.exit(planted(limit, ctags) if "--planted" in sys.argv else check(args[0], limit, ctags))
