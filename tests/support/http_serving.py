"""What the tests' web servers share: a quiet HTTP/1.1 handler with one way
to reply, a threading server, and serving until the parent lets go."""
import http.server
import sys
import threading


class ReplyingHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    extra_headers = ()  # sent with every reply

    def log_message(self, *args):
        pass

    def reply(self, code, body=b"", headers=()):
        self.send_response(code)
        for name, value in (*headers, *self.extra_headers):
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 128


def serve_until_stdin_closes(servers, ready_line, say=print):
    """Serves on threads, says the ready line, and returns once the parent,
    which holds the other end of standard input, closes it."""
    for server in servers:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    say(ready_line)
    sys.stdout.flush()
    sys.stdin.read()
