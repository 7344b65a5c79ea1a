#!/usr/bin/env python3
"""HTTP and HTTPS test server for the HTTP client's tests and benchmark.

Prints one line "PORTS <http> <https> <closed>" when ready (<closed> is a port
nobody listens on), then serves until its standard input closes. The HTTPS
side uses a self-signed certificate for "localhost" made here with openssl.
"""
import gzip
import hashlib
import os
import socket
import ssl
import subprocess
import sys
import tempfile
import time
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from http_serving import ReplyingHandler, Server, serve_until_stdin_closes  # noqa: E402

TEXT = b"The quick brown fox jumps over the lazy dog.\n" * 20


class Handler(ReplyingHandler):
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
        length = int(self.headers.get("Content-Length", "0"))
        return self.rfile.read(length), None

    def echo(self):
        body, sizes = self.read_body()
        lines = [f"method {self.command}", f"path {self.path}"]
        lines += [f"header {name}: {value}" for name, value in self.headers.items()]
        lines.append(f"body-length {len(body)}")
        lines.append(f"body-md5 {hashlib.md5(body).hexdigest()}")
        if sizes is not None:
            lines.append(f"chunks {len(sizes)} last {sizes[-1]}")
        lines.append("body " + body[:200].decode("latin-1"))
        self.reply(200, ("\n".join(lines) + "\n").encode("latin-1"), [("Content-Type", "text/plain")])

    def route(self):
        if self.path.startswith("http://"):  # asked as a proxy
            self.read_body()
            return self.reply(200, b"proxied " + self.path.encode("latin-1"))
        path = self.path.split("?")[0]
        if path.startswith("/echo"):
            return self.echo()
        self.read_body()
        if path == "/text":
            self.reply(200, TEXT, [("Content-Type", "text/plain")])
        elif path == "/gzip":
            self.reply(200, gzip.compress(TEXT), [("Content-Encoding", "gzip")])
        elif path == "/deflate":
            self.reply(200, zlib.compress(TEXT), [("Content-Encoding", "deflate")])
        elif path == "/unknown-coding":
            self.reply(200, b"\x00\x01 not decoded", [("Content-Encoding", "x-unknown")])
        elif path == "/empty":
            self.reply(200)
        elif path == "/redirect":
            self.reply(302, b"moved", [("Location", "/text")])
        elif path == "/redirect307":
            self.reply(307, b"", [("Location", "/echo")])
        elif path == "/404":
            self.reply(404, b"no such page")
        elif path == "/500":
            self.reply(500, b"server broke")
        elif path == "/big":
            self.reply(200, b"x" * (1 << 20))
        elif path == "/small":
            self.reply(200, b"ok")
        elif path == "/folded":
            self.send_response(200)
            self.send_header("X-Multi", "one")
            self.send_header("X-Multi", "two")
            self.send_header("X-Multi", "ONE")
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif path == "/hang":
            time.sleep(30)
        else:
            self.reply(404, b"unknown test path")

    do_GET = do_POST = do_PUT = do_HEAD = do_DELETE = route


def main():
    folder = tempfile.mkdtemp(prefix="varto-http-test-")
    cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                    "-nodes", "-keyout", key, "-out", cert, "-days", "2", "-subj", "/CN=localhost"],
                   check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    plain = Server(("127.0.0.1", 0), Handler)
    secure = Server(("127.0.0.1", 0), Handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    secure.socket = context.wrap_socket(secure.socket, server_side=True)
    for name in (cert, key):
        os.remove(name)
    os.rmdir(folder)
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    closed = probe.getsockname()[1]
    probe.close()
    serve_until_stdin_closes([plain, secure], f"PORTS {plain.server_address[1]} {secure.server_address[1]} {closed}")


if __name__ == "__main__":
    main()
