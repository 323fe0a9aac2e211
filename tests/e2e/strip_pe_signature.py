#!/usr/bin/env python3
"""Writes a copy of a PE image without its Authenticode signature: the
certificate table's directory entry is cleared and the table cut off, which
leaves the image as an unsigned build of the same program."""
import struct
import sys


def strip(data: bytearray) -> bytearray:
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise SystemExit("not a PE image")
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    security = directories + 4 * 8
    offset, size = struct.unpack_from("<II", data, security)
    if offset == 0 or size == 0:
        raise SystemExit("the image carries no signature")
    struct.pack_into("<II", data, security, 0, 0)
    return data[:offset]


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit("usage: strip_pe_signature.py SIGNED UNSIGNED")
    with open(sys.argv[1], "rb") as f:
        image = bytearray(f.read())
    with open(sys.argv[2], "wb") as f:
        f.write(strip(image))
