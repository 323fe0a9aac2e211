#!/usr/bin/env python3
"""Runs a command on a pseudo-terminal and answers its questions as a user
would: each PROMPT=ANSWER pair waits (at most 60 seconds, or
PTY_ANSWER_SECONDS) for PROMPT in the output and then types ANSWER and a line
end. An ANSWER that starts with "!" is a command for the qemu monitor
listening on the socket PTY_ANSWER_MONITOR instead (for example "!sendkey ret"
presses Enter on the machine's keyboard). Everything the command wrote is
copied to standard output; exits with the command's exit code (124 when a
prompt did not come).

Usage: pty_answer.py [PROMPT=ANSWER ...] -- COMMAND [ARG...]
"""

import os
import pty
import select
import socket
import sys
import time


def monitor(command):
    """Runs a command on the qemu monitor and waits for its next prompt: the
    monitor reads a byte at a time and drops what is unread when the
    connection closes."""
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
        s.connect(os.environ["PTY_ANSWER_MONITOR"])
        s.settimeout(30)
        shown = b""
        for prompts in (1, 2):
            while shown.count(b"(qemu)") < prompts:
                data = s.recv(4096)
                if not data:
                    raise OSError("the qemu monitor closed the connection")
                shown += data
            if prompts == 1:
                s.sendall(command.encode() + b"\n")


def main():
    split = sys.argv.index("--")
    pairs = [arg.split("=", 1) for arg in sys.argv[1:split]]
    command = sys.argv[split + 1:]
    pid, fd = pty.fork()
    if pid == 0:
        os.execvp(command[0], command)
    seen = b""
    done = False

    def read(deadline):
        nonlocal seen, done
        ready, _, _ = select.select([fd], [], [], max(0, deadline - time.monotonic()))
        if not ready:
            return
        try:
            data = os.read(fd, 4096)
        except OSError:
            data = b""
        if not data:
            done = True
            return
        sys.stdout.buffer.write(data)
        sys.stdout.flush()
        seen += data

    for prompt, answer in pairs:
        deadline = time.monotonic() + float(os.environ.get("PTY_ANSWER_SECONDS", "60"))
        while prompt.encode() not in seen and not done and time.monotonic() < deadline:
            read(deadline)
        if prompt.encode() not in seen:
            print("\npty_answer: no prompt %r" % prompt, file=sys.stderr)
            os.kill(pid, 9)
            os.waitpid(pid, 0)
            return 124
        seen = seen[seen.index(prompt.encode()) + len(prompt):]
        if answer.startswith("!"):
            monitor(answer[1:])
        else:
            os.write(fd, answer.encode() + b"\n")
    deadline = time.monotonic() + 120
    while not done and time.monotonic() < deadline:
        read(deadline)
    _, status = os.waitpid(pid, 0)
    return os.waitstatus_to_exitcode(status) & 0xFF


if __name__ == "__main__":
    sys.exit(main())
