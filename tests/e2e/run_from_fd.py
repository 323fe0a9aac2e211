#!/usr/bin/env python3
"""Starts a program from an open descriptor, as the update program starts a
verified installer, so the program's own name is /dev/fd/N or /proc/self/fd/N:

  run_from_fd.py fd FILE [ARG...]     the file's own descriptor (fexecve)
  run_from_fd.py proc FILE [ARG...]   the same, started by its /proc/self/fd name
  run_from_fd.py memfd FILE [ARG...]  a sealed memory copy of the content that
                                      the file's appended signature covers

Standard input and output pass through; the exit code is the program's."""

import fcntl
import os
import struct
import sys

MARKER = b"~Module signature appended~\n"


def signed_content(data):
    if not data.endswith(MARKER):
        sys.exit("run_from_fd: no appended signature")
    (length,) = struct.unpack(">I", data[-len(MARKER) - 4:-len(MARKER)])
    return data[:len(data) - len(MARKER) - 12 - length]


def main():
    mode, path, args = sys.argv[1], sys.argv[2], sys.argv[3:]
    if mode in ("fd", "proc"):
        fd = os.open(path, os.O_RDONLY)
        os.set_inheritable(fd, True)
    else:
        with open(path, "rb") as f:
            content = signed_content(f.read())
        fd = os.memfd_create("installer", os.MFD_ALLOW_SEALING)
        os.write(fd, content)
        fcntl.fcntl(fd, fcntl.F_ADD_SEALS, fcntl.F_SEAL_SHRINK | fcntl.F_SEAL_GROW |
                    fcntl.F_SEAL_WRITE | fcntl.F_SEAL_SEAL)
    program = "/proc/self/fd/%d" % fd if mode == "proc" else fd
    os.execve(program, [os.path.basename(path)] + args, os.environ)


main()
