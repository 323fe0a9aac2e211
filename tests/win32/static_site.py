#!/usr/bin/env python3
"""A plain HTTP download site on loopback for the update program's GUI test.

Usage: static_site.py COMMAND [ARG...]

Serves a fresh, empty folder with Python's file server and runs COMMAND with
these variables set:

  QO_SITE_PORT  the HTTP port on 127.0.0.1
  QO_SITE_DIR   the served folder; the test writes the site's files into it

Every request's path is appended, one a line, to requests.log in the folder
(the log itself is never served). Exits with the command's exit code; the
server and the folder end with it.
"""

import functools
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading

LOG_NAME = "requests.log"


class Handler(http.server.SimpleHTTPRequestHandler):
    log_lock = threading.Lock()

    def log_message(self, *args):
        pass

    def do_GET(self):
        with self.log_lock:
            with open(os.path.join(self.directory, LOG_NAME), "a", encoding="utf-8") as log:
                log.write(self.path + "\n")
        if self.path.lstrip("/") == LOG_NAME:
            self.send_error(404)
            return
        super().do_GET()


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 64
    folder = tempfile.mkdtemp(prefix="qo-site-")
    try:
        open(os.path.join(folder, LOG_NAME), "w", encoding="utf-8").close()
        handler = functools.partial(Handler, directory=folder)
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        server.daemon_threads = True
        threading.Thread(target=server.serve_forever, daemon=True).start()
        env = dict(os.environ)
        env["QO_SITE_PORT"] = str(server.server_address[1])
        env["QO_SITE_DIR"] = folder
        return subprocess.call(sys.argv[1:], env=env)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
