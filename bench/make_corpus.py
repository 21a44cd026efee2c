#!/usr/bin/env python3
"""Writes a deterministic benchmark corpus of three kinds of data into a folder:

  text4m.txt    4 MiB of English-like prose and man-page markup (words from a fixed list, seeded)
  binary4m.bin  4 MiB shaped like i386 program code and data: opcode-like bytes with recurring
                instruction sequences, little-endian addresses, string tables and zero padding
  mixed2m7.bin  2,700,000 bytes of pieces of both, interleaved with incompressible noise

The same bytes on every machine (Python's own Mersenne Twister with fixed seeds), so figures from
different machines compare. Usage: make_corpus.py FOLDER
"""
import os
import random
import struct
import sys

WORDS = ("the of and to a in is it you that he was for on are with as his they be at one have this from "
         "or had by hot word but what some we can out other were all there when up use your how said an "
         "each she which do their time if will way about many then them write would like so these her long "
         "make thing see him two has look more day could go come did number sound no most people my over "
         "know water than call first who may down side been now find installer wallpaper desktop movie "
         "package library compression dictionary stream window folder registry").split()
MARKUP = (".TH", ".SH NAME", ".SH SYNOPSIS", ".SH DESCRIPTION", ".TP", ".B", ".I", ".PP", ".BR", ".RS", ".RE")


def text(size, seed):
    rng = random.Random(seed)
    out, n = [], 0
    while n < size:
        if rng.random() < 0.08:
            line = rng.choice(MARKUP) + " " + rng.choice(WORDS) + "\n"
        else:
            words = [rng.choice(WORDS) for _ in range(rng.randint(6, 14))]
            words[0] = words[0].capitalize()
            line = " ".join(words) + rng.choice((".", ",", ";", ".", ":")) + "\n"
        out.append(line)
        n += len(line)
    return "".join(out).encode("ascii")[:size]


def binary(size, seed):
    rng = random.Random(seed)
    prologues = [bytes([0x55, 0x89, 0xE5, 0x83, 0xEC, k]) for k in (8, 12, 16, 24, 32)]
    epilogues = [bytes([0xC9, 0xC3]), bytes([0x5D, 0xC3]), bytes([0x89, 0xEC, 0x5D, 0xC2, 0x08, 0x00])]
    opcodes = [0x8B, 0x89, 0x8D, 0xE8, 0xFF, 0x83, 0x85, 0x74, 0x75, 0xEB, 0x50, 0x51, 0x52, 0x53, 0x56, 0x57,
               0x31, 0x33, 0x01, 0x29, 0x39, 0x3B, 0x0F, 0xC7, 0x6A, 0x68]
    base = 0x00401000
    out = bytearray()
    while len(out) < size:
        r = rng.random()
        if r < 0.70:  # a function: prologue, body of short instructions, epilogue
            out += rng.choice(prologues)
            for _ in range(rng.randint(4, 40)):
                op = rng.choice(opcodes)
                out.append(op)
                if op in (0xE8, 0x68):
                    out += struct.pack("<I", base + rng.randrange(0, 0x40000, 4))
                elif op in (0x8B, 0x89, 0x8D, 0x83, 0x85, 0x31, 0x33, 0x01, 0x29, 0x39, 0x3B):
                    out.append(rng.choice((0x45, 0x4D, 0x55, 0x5D, 0x75, 0x7D, 0xC0, 0xC8, 0x04)))
                    out.append(rng.choice((0xF8, 0xFC, 0x08, 0x0C, 0x10, 0x14, 0x18)))
                elif op in (0x74, 0x75, 0xEB, 0x6A):
                    out.append(rng.randrange(256))
            out += rng.choice(epilogues)
            out += b"\xCC" * rng.randint(0, 3)
        elif r < 0.85:  # a table of addresses
            for _ in range(rng.randint(4, 64)):
                out += struct.pack("<I", base + rng.randrange(0, 0x80000, 4))
        elif r < 0.95:  # strings
            for _ in range(rng.randint(1, 8)):
                out += " ".join(rng.choice(WORDS) for _ in range(rng.randint(1, 4))).encode() + b"\0"
        else:  # section padding
            out += b"\0" * rng.randint(16, 512)
    return bytes(out[:size])


def mixed(size, seed):
    rng = random.Random(seed)
    t, b = text(size, seed + 1), binary(size, seed + 2)
    out = bytearray()
    while len(out) < size:
        k = rng.random()
        n = rng.randint(2048, 65536)
        at = rng.randrange(0, size - n)
        if k < 0.35:
            out += t[at:at + n]
        elif k < 0.70:
            out += b[at:at + n]
        else:
            out += rng.getrandbits(8 * n).to_bytes(n, "little")
    return bytes(out[:size])


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name, data in (("text4m.txt", text(4 << 20, 1)), ("binary4m.bin", binary(4 << 20, 2)),
                       ("mixed2m7.bin", mixed(2700000, 3))):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
