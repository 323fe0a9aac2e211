#!/usr/bin/env python3
"""A download site for the update tests: serves a folder over HTTP on a free
loopback port and logs every request to standard error.

  site_server.py FOLDER PORT_FILE [SLOW_NAME]

PORT_FILE receives the port once the server listens (written whole, by
renaming). A file whose name is SLOW_NAME is sent in small pieces, about
80 KiB a second, so that a download of it runs long enough to show its
progress and be stopped.
"""

import functools
import http.server
import os
import sys
import time

PIECE = 8192
PAUSE = 0.1


class Handler(http.server.SimpleHTTPRequestHandler):
    slow_name = None

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


def main():
    folder, port_file = sys.argv[1], sys.argv[2]
    Handler.slow_name = sys.argv[3] if len(sys.argv) > 3 else None
    handler = functools.partial(Handler, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    with open(port_file + ".part", "w") as out:
        out.write(str(server.server_address[1]))
    os.rename(port_file + ".part", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
