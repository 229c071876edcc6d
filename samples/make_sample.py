#!/usr/bin/env python3
"""Makes T512-sample.rar, the sample upgrade package that ships with Ostrel.

The package is what a maker's package looks like to the program: a RAR 4
archive made on Chinese Windows (stored entries, attribute word 0x20 for files,
0x10 for folders, one name in code page 936 without a Unicode copy), one top
folder holding the device's .EPT images, a sub-folder and a few other files,
scrambled behind a 128-byte lead and a 256-byte key block that hides the
device identity. Everything is drawn from a fixed seed: the output is the same
on every run.

usage: make_sample.py [OUTPUT]   (default: T512-sample.rar beside this script)
"""

import os
import random
import struct
import sys
import zlib

SERIAL = b"T512A0000001"  # 12 characters
SD = b"3F2A19C4"  # 8 hexadecimal digits
VERSION = b"0201"  # 4 characters
DOS_TIME = 0x5A8E6000  # 2025-04-14 12:00

rng = random.Random(512)


def block(body):
    """A RAR 4 block: the low 16 bits of the CRC-32 of the body, then the body."""
    return struct.pack("<H", zlib.crc32(body) & 0xFFFF) + body


def main_header():
    return block(struct.pack("<BHHHI", 0x73, 0, 13, 0, 0))


def end_header():
    return block(struct.pack("<BHH", 0x7B, 0x4000, 7))


def entry(name, data=b"", folder=False):
    flags = 0x8000 | (0x00E0 if folder else 0)
    attr = 0x10 if folder else 0x20
    body = struct.pack("<BHHIIBIIBBHI", 0x74, flags, 32 + len(name), len(data), len(data), 2,
                       zlib.crc32(data), DOS_TIME, 29, 0x30, len(name), attr) + name
    return block(body) + data


def image(size):
    """An .EPT image: a 512-byte header, then a body."""
    header = b"T512 EPT IMAGE\0\0" + bytes(rng.randrange(256) for _ in range(496))
    return header + bytes(rng.randrange(256) for _ in range(size - 512))


def archive():
    entries = [
        entry(b"T512", folder=True),
        entry(b"T512\\BOOT.EPT", image(16384)),
        entry(b"T512\\KERNEL.EPT", image(65536)),
        entry(b"T512\\DICT.EPT", image(24576)),
        entry(b"T512\\VERSION.TXT", b"T512 firmware 2.01\r\n"),
        entry("T512\\说明.TXT".encode("gbk"),
              "请将本U盘插入设备后开机，设备将自动升级。\r\n".encode("gbk")),
        entry(b"T512\\FONT", folder=True),
        entry(b"T512\\FONT\\GB2312.FNT", bytes(rng.randrange(256) for _ in range(8192))),
    ]
    return b"Rar!\x1a\x07\x00" + main_header() + b"".join(entries) + end_header()


def key_block():
    info = bytearray(44)
    info[16:28] = SERIAL
    info[28:36] = SD
    info[36:40] = VERSION
    key = bytearray(rng.randrange(256) for _ in range(256))
    for p, byte in enumerate(info):
        swapped = ((byte << 4) | (byte >> 4)) & 0xFF
        key[5 * p + 2] = ~swapped & 0xFF
    return bytes(key)


def scramble(plain, key):
    out = bytearray()
    full = len(plain) // 256 * 256
    for at in range(0, full, 256):
        p = plain[at:at + 256]
        out += bytes(p[255 - k] ^ key[255 - k] for k in range(256))
    return bytes(out) + plain[full:]


def main():
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "T512-sample.rar")
    lead = bytes(rng.randrange(256) for _ in range(128))
    key = key_block()
    with open(target, "wb") as out:
        out.write(lead + key + scramble(archive(), key))


if __name__ == "__main__":
    main()
