#!/usr/bin/env python3
"""Local HTTP and HTTPS servers for the download tests, on loopback.

Usage: http_test_server.py COMMAND [ARG...]

Makes a test certificate authority and a second, untrusted one with openssl in
a fresh folder, starts the servers and runs COMMAND with these variables set:

  QO_HTTP_PORT            plain HTTP on 127.0.0.1
  QO_HTTPS_PORT           HTTPS for "localhost", certificate from the test CA
  QO_HTTPS_UNTRUSTED_PORT HTTPS for "localhost", certificate from the other CA
  QO_HTTPS_443_HOST       a loopback address serving HTTPS on port 443 (test
                          CA, certificate for that address); unset when port
                          443 cannot be bound
  QO_TEST_CA_FILE         the test CA certificate (PEM)

Exits with the command's exit code; the servers end with it.

Objects (the last part of the request path decides):
  size-N        N bytes of a fixed pattern, with a content length
  nolength      a body without a content length, ended by closing
  errpage-full  a document type declaration and html/head/title (status 200)
  errpage-bare  a document type declaration without a title
  doctype-lower a declaration written in lower case
  html-direct   a page starting with its html element
  status-N      status N with a plain body
  empty         an empty body with content length 0
  drop          a content length of 200000, closed after 100000 bytes
  slow          a content length of 100 MB, sent in small pieces slowly
  echo          the request path itself as the body
  redirect-N    a redirection (302) to size-N on the same server
  to-http-N     a redirection (302) to size-N on the plain HTTP server
  to-ftp        a redirection (302) to an ftp:// address
"""

import http.server
import ipaddress
import os
import random
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time

PATTERN = bytes(i % 251 for i in range(1 << 20))
HTTP_PORT = 0  # the plain HTTP server's, once it runs


def pattern_bytes(count):
    """Yields count bytes of the pattern in pieces of at most 1 MiB."""
    offset = 0
    while count > 0:
        piece = min(count, len(PATTERN))
        yield PATTERN[:piece]
        count -= piece
        offset += piece


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def send_body(self, status, body, content_type="application/octet-stream"):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def redirect(self, location):
        self.send_response(302)
        self.send_header("Location", location)
        self.send_header("Content-Length", "6")
        self.end_headers()
        self.wfile.write(b"moved\n")

    def do_GET(self):
        name = self.path.rsplit("/", 1)[-1]
        try:
            self.serve(name)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError, OSError):
            self.close_connection = True

    def serve(self, name):
        html = "text/html"
        if name.startswith("size-"):
            count = int(name[5:])
            self.send_response(200)
            self.send_header("Content-Length", str(count))
            self.end_headers()
            for piece in pattern_bytes(count):
                self.wfile.write(piece)
        elif name == "nolength":
            self.send_response(200)
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(b"a body without a length\n" * 100)
            self.close_connection = True
        elif name == "errpage-full":
            self.send_body(200, b"\r\n \t<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n"
                           b"<html><head><title>Access denied by the proxy</title></head>"
                           b"<body><p>The site is blocked.</p></body></html>\n", html)
        elif name == "errpage-bare":
            self.send_body(200, b"<!DOCTYPE html>\n<p>Service unavailable</p>\n", html)
        elif name == "doctype-lower":
            self.send_body(200, b"<!doctype html>\n<html><head><title>kept</title></head>"
                           b"</html>\n", html)
        elif name == "html-direct":
            self.send_body(200, b"<html><head><title>kept</title></head></html>\n", html)
        elif name.startswith("status-"):
            self.send_body(int(name[7:]), b"plain failure text\n", "text/plain")
        elif name == "empty":
            self.send_body(200, b"")
        elif name == "drop":
            self.send_response(200)
            self.send_header("Content-Length", "200000")
            self.end_headers()
            self.wfile.write(PATTERN[:100000])
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_RDWR)
            self.close_connection = True
        elif name == "slow":
            self.send_response(200)
            self.send_header("Content-Length", str(100 << 20))
            self.end_headers()
            # Ends when the client goes away (or after about five minutes).
            for _ in range(15000):
                self.wfile.write(PATTERN[:1024])
                self.wfile.flush()
                time.sleep(0.02)
            self.close_connection = True
        elif name.startswith("redirect-"):
            self.redirect("/size-" + name[9:])
        elif name.startswith("to-http-"):
            self.redirect(f"http://127.0.0.1:{HTTP_PORT}/size-" + name[8:])
        elif name == "to-ftp":
            self.redirect("ftp://127.0.0.1/size-10")
        elif name == "echo":
            self.send_body(200, self.path.encode("latin-1"), "text/plain")
        else:
            self.send_body(404, b"no such object\n", "text/plain")


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    tls = None

    def finish_request(self, request, client_address):
        if self.tls is not None:
            try:
                request = self.tls.wrap_socket(request, server_side=True)
            except (ssl.SSLError, OSError):
                return  # a client that refuses the certificate
        super().finish_request(request, client_address)


def run(*command, cwd):
    subprocess.run(command, cwd=cwd, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def make_authority(folder, name):
    key, cert = f"{name}.key", f"{name}.pem"
    run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
        "-out", cert, "-days", "2", "-subj", f"/O=Quelix Test/CN={name}",
        "-addext", "basicConstraints=critical,CA:TRUE",
        "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=folder)
    return key, cert


def make_server_cert(folder, authority, name, host):
    key, cert, csr, ext = (f"{name}.key", f"{name}.pem", f"{name}.csr", f"{name}.ext")
    try:
        ipaddress.ip_address(host)
        # WinINet under Wine matches no IP names: the address as a DNS name too.
        alt = f"IP:{host},DNS:{host}"
    except ValueError:
        alt = f"DNS:{host},IP:127.0.0.1"
    with open(os.path.join(folder, ext), "w") as out:
        out.write(f"basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n"
                  f"subjectAltName={alt}\n")
    run("openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", csr,
        "-subj", f"/CN={host}", cwd=folder)
    run("openssl", "x509", "-req", "-in", csr, "-CA", authority[1], "-CAkey", authority[0],
        "-CAcreateserial", "-out", cert, "-days", "2", "-sha256", "-extfile", ext, cwd=folder)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(folder, cert), os.path.join(folder, key))
    return context


def start(address, port, tls=None):
    server = Server((address, port), Handler)
    server.tls = tls
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 64
    folder = tempfile.mkdtemp(prefix="qo-http-")
    try:
        trusted = make_authority(folder, "test-ca")
        untrusted = make_authority(folder, "other-ca")
        env = dict(os.environ)
        env["QO_TEST_CA_FILE"] = os.path.join(folder, trusted[1])
        global HTTP_PORT
        HTTP_PORT = start("127.0.0.1", 0).server_address[1]
        env["QO_HTTP_PORT"] = str(HTTP_PORT)
        local = make_server_cert(folder, trusted, "localhost", "localhost")
        env["QO_HTTPS_PORT"] = str(start("127.0.0.1", 0, local).server_address[1])
        other = make_server_cert(folder, untrusted, "other", "localhost")
        env["QO_HTTPS_UNTRUSTED_PORT"] = str(start("127.0.0.1", 0, other).server_address[1])
        # Port 443 on a loopback address of its own, so parallel runs do not meet.
        address = "127.%d.%d.%d" % (random.randint(1, 254), random.randint(0, 254),
                                    random.randint(1, 254))
        try:
            probe = socket.socket()
            probe.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            probe.bind((address, 443))
            probe.close()
            start(address, 443, make_server_cert(folder, trusted, "port443", address))
            env["QO_HTTPS_443_HOST"] = address
        except OSError:
            env.pop("QO_HTTPS_443_HOST", None)
        return subprocess.call(sys.argv[1:], env=env)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
