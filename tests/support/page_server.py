#!/usr/bin/env python3
"""Web servers for the embedded browser's tests: one folder of pages served on
several loopback ports (several origins), every request and every report told
on standard output, so a test waits for what a page did instead of sleeping.

Usage: page_server.py FOLDER COUNT. Prints "PORTS <p1> ... <pCOUNT>" when
ready, then one line per event until its standard input closes:
  HIT <port> <method> <path>      every request
  REPORT <port> <line>            each line of a POST to /report
Special paths besides the folder's files:
  /attachment  an HTML page sent as an attachment (a download)
  /octet       bytes of a type no page shows (a download too)
  /secret      a text nobody but the allowed pages may read
  /redirect?to=ADDRESS  a 302 to the address
  /ports       the ports as a JSON list, so pages know the other origins
"""
import json
import mimetypes
import os
import sys
import threading
import urllib.parse

from http_serving import ReplyingHandler, Server, serve_until_stdin_closes

LOCK = threading.Lock()
FOLDER = "."
PORTS = []


def tell(line):
    with LOCK:
        sys.stdout.write(line.replace("\r", " ") + "\n")
        sys.stdout.flush()


class Handler(ReplyingHandler):
    extra_headers = (("Cache-Control", "no-store"),)

    def route(self):
        port = self.server.server_address[1]
        tell(f"HIT {port} {self.command} {self.path}")
        length = int(self.headers.get("Content-Length", "0") or 0)
        body = self.rfile.read(length) if length else b""
        url = urllib.parse.urlsplit(self.path)
        if url.path == "/report":
            for line in body.decode("utf-8", "replace").splitlines():
                tell(f"REPORT {port} {line}")
            return self.reply(204)
        if url.path == "/attachment":
            page = b"<script>fetch('/report',{method:'POST',body:'attachment page ran'})</script>"
            return self.reply(200, page, [("Content-Type", "text/html"),
                                          ("Content-Disposition", 'attachment; filename="saved.html"')])
        if url.path == "/octet":
            return self.reply(200, b"\x00\x01binary", [("Content-Type", "application/octet-stream")])
        if url.path == "/secret":
            return self.reply(200, b"secret of port %d" % port, [("Content-Type", "text/plain")])
        if url.path == "/ports":
            body = json.dumps(PORTS).encode()
            return self.reply(200, body, [("Content-Type", "application/json")])
        if url.path == "/redirect":
            target = urllib.parse.parse_qs(url.query).get("to", ["/"])[0]
            return self.reply(302, b"", [("Location", target)])
        name = os.path.normpath(urllib.parse.unquote(url.path)).lstrip("/")
        path = os.path.join(FOLDER, name)
        if name.startswith("..") or not os.path.isfile(path):
            return self.reply(404, b"no such page", [("Content-Type", "text/plain")])
        with open(path, "rb") as f:
            data = f.read()
        kind = mimetypes.guess_type(path)[0] or "application/octet-stream"
        self.reply(200, data, [("Content-Type", kind)])

    do_GET = do_POST = do_HEAD = route


def main():
    global FOLDER
    FOLDER = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    servers = [Server(("127.0.0.1", 0), Handler) for _ in range(count)]
    PORTS.extend(s.server_address[1] for s in servers)
    serve_until_stdin_closes(servers, "PORTS " + " ".join(str(s.server_address[1]) for s in servers), tell)


if __name__ == "__main__":
    main()
