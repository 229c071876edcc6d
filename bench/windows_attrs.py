#!/usr/bin/env python3
"""Rewrites a RAR 5 archive made on Linux so that its entries look made on
Windows: host system Windows, attribute word 0x20 for files and 0x10 for
folders, header checksums made anew. Sizes do not change (the attribute
number keeps its byte count). The upgrade job counts only such entries.

usage: windows_attrs.py ARCHIVE   (rewritten in place)
"""

import struct
import sys
import zlib

SIGNATURE = b"Rar!\x1a\x07\x01\x00"


def vint(buf, at):
    value, shift, start = 0, 0, at
    while True:
        byte = buf[at]
        at += 1
        value |= (byte & 0x7F) << shift
        shift += 7
        if not byte & 0x80:
            return value, at - start


def put_vint(buf, at, value, length):
    for i in range(length):
        byte = value & 0x7F
        value >>= 7
        buf[at + i] = byte | (0x80 if i + 1 < length else 0)


def rewrite_file_fields(buf, at):
    flags, n = vint(buf, at)
    at += n
    at += vint(buf, at)[1]  # unpacked size
    _, n = vint(buf, at)
    put_vint(buf, at, 0x10 if flags & 1 else 0x20, n)
    at += n
    at += 4 if flags & 2 else 0  # time
    at += 4 if flags & 4 else 0  # data CRC
    at += vint(buf, at)[1]  # compression information
    _, n = vint(buf, at)
    put_vint(buf, at, 0, n)  # host: Windows


def service_name(buf, at):
    flags, n = vint(buf, at)
    at += n
    for _ in range(2):  # unpacked size, attributes
        at += vint(buf, at)[1]
    at += 4 if flags & 2 else 0
    at += 4 if flags & 4 else 0
    for _ in range(2):  # compression information, host
        at += vint(buf, at)[1]
    length, n = vint(buf, at)
    return bytes(buf[at + n:at + n + length])


def main():
    path = sys.argv[1]
    with open(path, "rb") as f:
        buf = bytearray(f.read())
    if not buf.startswith(SIGNATURE):
        sys.exit("windows_attrs.py: not a RAR 5 archive")
    at = len(SIGNATURE)
    while at + 5 < len(buf):
        size, n = vint(buf, at + 4)
        head = at + 4 + n
        p = head
        kind, k = vint(buf, p)
        p += k
        flags, k = vint(buf, p)
        p += k
        if flags & 1:
            p += vint(buf, p)[1]
        data = 0
        if flags & 2:
            data, k = vint(buf, p)
            p += k
        if kind in (2, 3):  # file and service headers share the layout
            if kind == 2:
                rewrite_file_fields(buf, p)
            elif service_name(buf, p) == b"QO":
                # The quick-open record keeps copies of the file headers,
                # which the library reads instead: make the archive with -qo-.
                sys.exit("windows_attrs.py: the archive has quick-open information (rar a -qo-)")
            buf[at:at + 4] = struct.pack("<I", zlib.crc32(buf[at + 4:head + size]))
        if kind == 5:
            break
        at = head + size + data
    with open(path, "r+b") as f:
        f.seek(0)
        f.write(buf)


if __name__ == "__main__":
    main()
