#!/usr/bin/env python3
"""The tests' web servers on loopback: the HTTP client's answers and, for the
embedded browser's tests, one folder of pages on several ports (several
origins), every request and report told on standard output, so a test waits
for what a page did instead of sleeping.

Usage: page_server.py FOLDER COUNT [--tls]. Prints "PORTS <p1> ... <pCOUNT>"
when ready (with --tls then an HTTPS port, its certificate self-signed for
"localhost", and a port nobody listens on), then serves until its standard
input closes. With a FOLDER other than "-", one line per event:
  HIT <port> <method> <path>      every request
  REPORT <port> <line>            each line of a POST to /report
Paths besides the folder's files:
  /text /gzip /deflate /unknown-coding /empty /big /small   bodies as named
  /404 /500 /hang /folded (X-Multi sent three times)          statuses, no answer
  /redirect?to=ADDRESS  a 302 to the address (/text without one); /redirect307
  /echo...     what arrived, one "key value" line each
  /attachment  an HTML page sent as an attachment (a download)
  /octet       bytes of a type no page shows (a download too)
  /secret      a text nobody but the allowed pages may read
  /ports       the ports as a JSON list, so pages know the other origins
Asked as a proxy, it answers "proxied <address>".
"""
import gzip
import hashlib
import json
import mimetypes
import os
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import zlib

from http_serving import ReplyingHandler, Server, serve_until_stdin_closes

LOCK = threading.Lock()
FOLDER = None
PORTS = []
TEXT = b"The quick brown fox jumps over the lazy dog.\n" * 20
BODIES = {
    "/text": (200, TEXT, [("Content-Type", "text/plain")]),
    "/gzip": (200, gzip.compress(TEXT), [("Content-Encoding", "gzip")]),
    "/deflate": (200, zlib.compress(TEXT), [("Content-Encoding", "deflate")]),
    "/unknown-coding": (200, b"\x00\x01 not decoded", [("Content-Encoding", "x-unknown")]),
    "/empty": (200, b"", []),
    "/redirect307": (307, b"", [("Location", "/echo")]),
    "/404": (404, b"no such page", []),
    "/500": (500, b"server broke", []),
    "/big": (200, b"x" * (1 << 20), []),
    "/small": (200, b"ok", []),
    "/octet": (200, b"\x00\x01binary", [("Content-Type", "application/octet-stream")]),
    "/attachment": (200, b"<script>fetch('/report',{method:'POST',body:'attachment page ran'})</script>",
                    [("Content-Type", "text/html"), ("Content-Disposition", 'attachment; filename="saved.html"')]),
}


def tell(line):
    if FOLDER is None:
        return
    with LOCK:
        sys.stdout.write(line.replace("\r", " ") + "\n")
        sys.stdout.flush()


class Handler(ReplyingHandler):
    extra_headers = (("Cache-Control", "no-store"),)

    def read_body(self):
        """The request body and the chunk-size lines exactly as they came."""
        if self.headers.get("Transfer-Encoding", "").lower() == "chunked":
            body, sizes = b"", []
            while True:
                line = self.rfile.readline()
                sizes.append(line.decode("latin-1").rstrip("\r\n"))
                size = int(line.split(b";")[0], 16)
                if size == 0:
                    self.rfile.readline()  # the empty line after the last chunk
                    return body, sizes
                body += self.rfile.read(size)
                self.rfile.readline()
        return self.rfile.read(int(self.headers.get("Content-Length", "0") or 0)), None

    def echo(self, body, sizes):
        lines = [f"method {self.command}", f"path {self.path}"]
        lines += [f"header {name}: {value}" for name, value in self.headers.items()]
        lines += [f"body-length {len(body)}", f"body-md5 {hashlib.md5(body).hexdigest()}"]
        if sizes is not None:
            lines.append(f"chunks {len(sizes)} last {sizes[-1]}")
        lines.append("body " + body[:200].decode("latin-1"))
        self.reply(200, ("\n".join(lines) + "\n").encode("latin-1"), [("Content-Type", "text/plain")])

    def route(self):
        port = self.server.server_address[1]
        tell(f"HIT {port} {self.command} {self.path}")
        body, sizes = self.read_body()
        if self.path.startswith("http://"):  # asked as a proxy
            return self.reply(200, b"proxied " + self.path.encode("latin-1"))
        url = urllib.parse.urlsplit(self.path)
        if url.path.startswith("/echo"):
            return self.echo(body, sizes)
        if url.path in BODIES:
            return self.reply(*BODIES[url.path])
        if url.path == "/report":
            for line in body.decode("utf-8", "replace").splitlines():
                tell(f"REPORT {port} {line}")
            return self.reply(204)
        if url.path == "/secret":
            return self.reply(200, b"secret of port %d" % port, [("Content-Type", "text/plain")])
        if url.path == "/ports":
            return self.reply(200, json.dumps(PORTS).encode(), [("Content-Type", "application/json")])
        if url.path == "/redirect":
            target = urllib.parse.parse_qs(url.query).get("to", ["/text"])[0]
            return self.reply(302, b"moved", [("Location", target)])
        if url.path == "/folded":
            self.send_response(200)
            for value in ("one", "two", "ONE"):
                self.send_header("X-Multi", value)
            self.send_header("Content-Length", "0")
            return self.end_headers()
        if url.path == "/hang":
            return time.sleep(30)
        name = os.path.normpath(urllib.parse.unquote(url.path)).lstrip("/")
        path = os.path.join(FOLDER or ".", name)
        if FOLDER is None or name.startswith("..") or not os.path.isfile(path):
            return self.reply(404, b"no such page", [("Content-Type", "text/plain")])
        with open(path, "rb") as f:
            data = f.read()
        self.reply(200, data, [("Content-Type", mimetypes.guess_type(path)[0] or "application/octet-stream")])

    do_GET = do_POST = do_PUT = do_HEAD = do_DELETE = route


def secure_server():
    folder = tempfile.mkdtemp(prefix="varto-http-test-")
    cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                    "-nodes", "-keyout", key, "-out", cert, "-days", "2", "-subj", "/CN=localhost"],
                   check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    server = Server(("127.0.0.1", 0), Handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    for name in (cert, key):
        os.remove(name)
    os.rmdir(folder)
    return server


def main():
    global FOLDER
    FOLDER = None if sys.argv[1] == "-" else sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    servers = [Server(("127.0.0.1", 0), Handler) for _ in range(count)]
    PORTS.extend(s.server_address[1] for s in servers)
    ready = "PORTS " + " ".join(str(port) for port in PORTS)
    if "--tls" in sys.argv[3:]:
        servers.append(secure_server())
        probe = socket.socket()
        probe.bind(("127.0.0.1", 0))
        ready += f" {servers[-1].server_address[1]} {probe.getsockname()[1]}"
        probe.close()
    serve_until_stdin_closes(servers, ready, lambda line: print(line, flush=True))


if __name__ == "__main__":
    main()
