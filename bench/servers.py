"""The servers the benchmarks download from, on one loopback port.

Nginx serves the big file and logs, for every request, the time it spent on
it ($request_time: from the request's first byte to the last byte of the body
handed to the socket) and the bytes it sent. The stalling server answers with
the headers of a large body and then nothing, so that a downloader's window
stays up for as long as it is measured.
"""
import os
import signal
import socket
import subprocess
import threading
import time


def _wait_for_port(port, timeout=10):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            socket.create_connection(("127.0.0.1", port), 0.2).close()
            return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError("nothing listens on 127.0.0.1:%d" % port)


class Nginx:
    """Serves `file` at `path` on 127.0.0.1:port until stop()."""

    def __init__(self, folder, port, path, file):
        self.log = os.path.join(folder, "access.log")
        os.makedirs(folder, exist_ok=True)
        config = os.path.join(folder, "nginx.conf")
        temp = ["%s_temp_path %s;" % (kind, folder) for kind in ("client_body", "proxy", "fastcgi", "uwsgi", "scgi")]
        with open(config, "w") as f:
            f.write("""daemon off;
worker_processes 1;
pid %(folder)s/nginx.pid;
error_log %(folder)s/error.log;
events { worker_connections 64; }
http {
  %(temp)s
  log_format timing "$request_time $bytes_sent $status";
  access_log %(log)s timing;
  default_type application/octet-stream;
  sendfile on;
  server {
    listen 127.0.0.1:%(port)d;
    location = %(path)s { alias %(file)s; }
  }
}
""" % dict(folder=folder, temp=" ".join(temp), log=self.log, port=port, path=path, file=file))
        open(self.log, "w").close()
        self._process = subprocess.Popen(["nginx", "-c", config, "-p", folder], stdout=subprocess.DEVNULL,
                                         stderr=subprocess.DEVNULL)
        _wait_for_port(port)
        self._seen = 0

    def next_request(self):
        """Returns (seconds, bytes sent, status) of the request logged since the last call, or None."""
        with open(self.log) as f:
            lines = f.read().splitlines()
        new, self._seen = lines[self._seen:], len(lines)
        if not new:
            return None
        seconds, sent, status = new[-1].split()
        return float(seconds), int(sent), int(status)

    def stop(self):
        self._process.send_signal(signal.SIGQUIT)  # graceful: ends when the worker has
        try:
            self._process.wait(10)
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()


class StallingServer:
    """Answers every request with the headers of a 1 GB body, ten bytes of it, and then nothing."""

    def __init__(self, port):
        self._listener = socket.socket()
        self._listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self._listener.bind(("127.0.0.1", port))
        self._listener.listen(16)
        self._held = []
        self._thread = threading.Thread(target=self._serve, daemon=True)
        self._thread.start()

    def _serve(self):
        while True:
            try:
                connection, _ = self._listener.accept()
            except OSError:
                return
            try:
                connection.recv(4096)
                connection.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 1000000000\r\nConnection: close\r\n\r\n0123456789")
            except OSError:
                pass
            self._held.append(connection)

    def stop(self):
        try:
            self._listener.shutdown(socket.SHUT_RDWR)  # wakes the blocked accept()
        except OSError:
            pass
        self._listener.close()
        for connection in self._held:
            connection.close()


class ScriptServer:
    """Serves `script` as a proxy script (any path) on a free port of 127.0.0.1 until stop()."""

    def __init__(self, script):
        import http.server

        body = script.encode()

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                self.send_response(200)
                self.send_header("Content-Type", "application/x-ns-proxy-autoconfig")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self._server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.url = "http://127.0.0.1:%d/proxy.pac" % self._server.server_address[1]
        self._thread = threading.Thread(target=self._server.serve_forever, daemon=True)
        self._thread.start()

    def stop(self):
        self._server.shutdown()
        self._server.server_close()
