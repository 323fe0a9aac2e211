#!/usr/bin/env python3
"""A download site for the update tests, on a free loopback port.

  site_server.py FOLDER PORT_FILE [SLOW_NAME]
      Serves FOLDER and logs every request to standard error. PORT_FILE
      receives the port once the server listens (written whole, by renaming).
      A file whose name is SLOW_NAME is sent in small pieces, about 80 KiB a
      second, so that a download of it runs long enough to show its progress
      and be stopped.

  site_server.py --run COMMAND [ARG...]
      Serves a fresh, empty folder and runs COMMAND with QO_SITE_PORT (the
      port) and QO_SITE_DIR (the folder, which the test fills) set. Every
      request's path is appended, one a line, to requests.log in the folder
      (the log itself is never served). Exits with the command's exit code;
      the server and the folder end with it.
"""

import functools
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

PIECE = 8192
PAUSE = 0.1
LOG_NAME = "requests.log"


class Handler(http.server.SimpleHTTPRequestHandler):
    slow_name = None
    path_log = False  # paths to LOG_NAME in the folder instead of standard error
    log_lock = threading.Lock()

    def log_message(self, *args):
        if not self.path_log:
            super().log_message(*args)

    def do_GET(self):
        if self.path_log:
            with self.log_lock:
                with open(os.path.join(self.directory, LOG_NAME), "a", encoding="utf-8") as log:
                    log.write(self.path + "\n")
            if self.path.lstrip("/") == LOG_NAME:
                self.send_error(404)
                return
        super().do_GET()

    def copyfile(self, source, outputfile):
        if self.slow_name is None or os.path.basename(self.path) != self.slow_name:
            return super().copyfile(source, outputfile)
        try:
            while True:
                piece = source.read(PIECE)
                if not piece:
                    return None
                outputfile.write(piece)
                outputfile.flush()
                time.sleep(PAUSE)
        except (BrokenPipeError, ConnectionResetError):
            return None


def listen(folder):
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), functools.partial(Handler, directory=folder))
    server.daemon_threads = True
    return server


def run_command(command):
    folder = tempfile.mkdtemp(prefix="qo-site-")
    try:
        open(os.path.join(folder, LOG_NAME), "w", encoding="utf-8").close()
        Handler.path_log = True
        server = listen(folder)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        env = dict(os.environ)
        env["QO_SITE_PORT"] = str(server.server_address[1])
        env["QO_SITE_DIR"] = folder
        return subprocess.call(command, env=env)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main():
    if len(sys.argv) >= 3 and sys.argv[1] == "--run":
        return run_command(sys.argv[2:])
    if len(sys.argv) not in (3, 4) or sys.argv[1] == "--run":
        print(__doc__, file=sys.stderr)
        return 64
    folder, port_file = sys.argv[1], sys.argv[2]
    Handler.slow_name = sys.argv[3] if len(sys.argv) > 3 else None
    server = listen(folder)
    with open(port_file + ".part", "w") as out:
        out.write(str(server.server_address[1]))
    os.rename(port_file + ".part", port_file)
    server.serve_forever()
    return 0


if __name__ == "__main__":
    sys.exit(main())
