#!/usr/bin/env python3
"""Sets the CheckSum field of a PE file's optional header to zero ("none recorded"), in place.

The linker records the checksum of install.exe alone. Joined to a package by copying
(cat install.exe package > setup.exe) the file would no longer match it, and the installer, which checks
a recorded checksum at start-up, would refuse itself. mvpack and code-signing tools write the checksum
of the whole installer.
"""
import struct
import sys


def main(path):
    with open(path, "r+b") as f:
        head = f.read(4096)
        if head[:2] != b"MZ" or len(head) < 0x40:
            sys.exit("clear_pe_checksum: %s: not a PE file" % path)
        pe = struct.unpack_from("<I", head, 0x3C)[0]
        field = pe + 24 + 64
        if head[pe:pe + 4] != b"PE\0\0" or field + 4 > len(head) or struct.unpack_from("<H", head, pe + 20)[0] < 68:
            sys.exit("clear_pe_checksum: %s: no optional header with a checksum" % path)
        f.seek(field)
        f.write(b"\0\0\0\0")


if __name__ == "__main__":
    main(sys.argv[1])
