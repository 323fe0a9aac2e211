#!/usr/bin/env python3
"""The update program's registry records in a Linux store file, for the tests
and the demo.

  renovo_store.py STORE write [--period N] [--last-check T] [--confirm 0|1]
                  [--auto-off 0|1] [--site N] [--show-all-files 0|1] [--folder DIR]
                  [--switch byte|dword] [--product NAME]
      writes a fresh store: the main window's record of the product (default
      "Quelix Omnisweep")
      (settings block and download folder) and, with --switch, the product's
      "EnableAutoUpdate" set to 0 as one byte (REG_BINARY) or as four
      (REG_DWORD)
  renovo_store.py STORE read
      prints the stored settings as "name=value" lines and the folder

Record layout: column count (0), view bits, rectangle (16 bytes), the 28-byte
settings block, then the download folder in UTF-16LE without terminator.
"""

import argparse
import re
import struct
import sys

PRODUCT = "Quelix Omnisweep"
RECORD_KEY = r"HKEY_CURRENT_USER\Software\Korvane\Renovo"
SWITCH_KEY = "HKEY_CURRENT_USER\\Software\\Korvane\\%s"
SETTINGS = struct.Struct("<iBBBBB3xqB7x")
FIELDS = ("site", "auto_off", "confirm", "confirm_restart", "show_all_files", "period",
          "last_check", "show_all_os")


def hex_bytes(data):
    return ",".join("%02x" % b for b in data)


def write(args):
    block = SETTINGS.pack(args.site, args.auto_off, args.confirm, 1, args.show_all_files, args.period,
                          args.last_check, 0)
    record = struct.pack("<II4i", 0, 0, 0, 0, 0, 0) + block + args.folder.encode("utf-16-le")
    lines = ["Windows Registry Editor Version 5.00", "",
             "[%s]" % RECORD_KEY, '"%s"=hex:%s' % (args.product, hex_bytes(record)), ""]
    if args.switch:
        value = "hex:00" if args.switch == "byte" else "dword:00000000"
        lines += ["[%s]" % (SWITCH_KEY % args.product), '"EnableAutoUpdate"=%s' % value, ""]
    with open(args.store, "w", encoding="utf-8") as out:
        out.write("\n".join(lines))


def read(args):
    text = open(args.store, encoding="utf-8-sig").read().replace("\\\n", "")
    section = None
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("["):
            section = line[1:-1]
        elif section and section.lower() == RECORD_KEY.lower() and \
                line.startswith('"%s"=hex:' % PRODUCT):
            data = bytes(int(b, 16) for b in re.split(r"[,\s]+", line.split(":", 1)[1]) if b)
            count = struct.unpack_from("<I", data)[0]
            offset = 4 + 4 * count + 4 + 16
            values = SETTINGS.unpack_from(data, offset)
            for name, value in zip(FIELDS, values):
                print("%s=%d" % (name, value))
            print("folder=%s" % data[offset + SETTINGS.size:].decode("utf-16-le"))
            return 0
    print("no record", file=sys.stderr)
    return 1


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("store")
    sub = parser.add_subparsers(dest="command", required=True)
    w = sub.add_parser("write")
    w.add_argument("--period", type=int, default=1)
    w.add_argument("--last-check", type=int, default=0)
    w.add_argument("--confirm", type=int, default=0)
    w.add_argument("--auto-off", type=int, default=0)
    w.add_argument("--site", type=int, default=0)
    w.add_argument("--show-all-files", type=int, default=1)
    w.add_argument("--folder", default="")
    w.add_argument("--switch", choices=("byte", "dword"))
    w.add_argument("--product", default=PRODUCT)
    sub.add_parser("read")
    args = parser.parse_args()
    if args.command == "write":
        write(args)
        return 0
    return read(args)


if __name__ == "__main__":
    sys.exit(main())
