#!/usr/bin/env python3
"""The main job's download server: answers every GET on 127.0.0.1:PORT with
FILE, spread over about SECONDS so that the progress window has something to
show. Writes "ready" to stdout once it listens; logs each request to stderr.

Usage: demo-server.py PORT FILE SECONDS
"""
import http.server
import sys
import time

port, path, seconds = int(sys.argv[1]), sys.argv[2], float(sys.argv[3])
with open(path, "rb") as f:
    body = f.read()
CHUNK = 16384
pause = seconds / max(1, len(body) // CHUNK)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        try:
            for offset in range(0, len(body), CHUNK):
                self.wfile.write(body[offset:offset + CHUNK])
                self.wfile.flush()
                time.sleep(pause)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the updater stopped: a closed window ends its download
        self.close_connection = True

    def log_message(self, fmt, *args):
        sys.stderr.write("demo server: " + (fmt % args) + "\n")


server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
server.daemon_threads = True
print("ready", flush=True)
server.serve_forever()
