#!/usr/bin/env python3
"""No source file of the programs grows past 700 lines: src/ and tools/ are split by topic before that.

  check_file_sizes.py ROOT [LIMIT]
"""
import os
import sys

root = sys.argv[1]
limit = int(sys.argv[2]) if len(sys.argv) > 2 else 700
too_long = []
for top in ("src", "tools"):
    for base, _, files in os.walk(os.path.join(root, top)):
        for name in files:
            if name.endswith((".cpp", ".h", ".c", ".hpp")):
                path = os.path.join(base, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    n = sum(1 for _ in f)
                if n > limit:
                    too_long.append((n, os.path.relpath(path, root)))
for n, path in sorted(too_long, reverse=True):
    print("FAIL: %s has %d lines (at most %d)" % (path, n, limit))
print("%d files over %d lines" % (len(too_long), limit))
sys.exit(1 if too_long else 0)
