#!/usr/bin/env python3
"""Loopback HTTP server for the fetch benchmarks (standard library only).

Serves every file of --dir from memory on 127.0.0.1 .. 127.0.0.K (--hosts K, one port for all),
waiting --delay-ms before each answer, as a distant server would. Each page carries an ETag (a
hash of its bytes); a request whose If-None-Match matches gets 304 and no body. /stall reads the
request and never answers. Keeps connections alive (HTTP/1.1, Content-Length).

Writes its port to --port-file once listening. Appends one line per answer to --log:
"<host> <path> <status> <body bytes>", so a benchmark can count what was transferred.
Stops on SIGTERM/SIGINT or after --max-seconds.
"""
import argparse
import hashlib
import os
import signal
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--dir", required=True)
    ap.add_argument("--port-file", required=True)
    ap.add_argument("--log", required=True)
    ap.add_argument("--hosts", type=int, default=1)
    ap.add_argument("--delay-ms", type=float, default=0)
    ap.add_argument("--max-seconds", type=float, default=3600)
    a = ap.parse_args()

    pages = {}
    for name in os.listdir(a.dir):
        with open(os.path.join(a.dir, name), "rb") as f:
            body = f.read()
        pages["/" + name] = (body, '"%s"' % hashlib.sha1(body).hexdigest()[:16])
    log_lock = threading.Lock()
    log = open(a.log, "a", buffering=1)
    stop_event = threading.Event()

    class Handler(BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def do_GET(self):
            path = self.path.split("?", 1)[0]
            if path == "/stall":
                stop_event.wait()
                return
            if a.delay_ms > 0:
                time.sleep(a.delay_ms / 1000.0)
            page = pages.get(path)
            if page is None:
                status, body, etag = 404, b"not found", None
            elif self.headers.get("If-None-Match") == page[1]:
                status, body, etag = 304, b"", page[1]
            else:
                status, body, etag = 200, page[0], page[1]
            self.send_response(status)
            self.send_header("Content-Type", "text/html; charset=utf-8")
            if etag:
                self.send_header("ETag", etag)
            if status != 304:
                self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            if status != 304:
                self.wfile.write(body)
            with log_lock:
                log.write("%s %s %d %d\n" % (self.server.server_address[0], path, status, len(body)))

        def log_message(self, *args):
            pass

    class Server(ThreadingHTTPServer):
        daemon_threads = True
        request_queue_size = 128

    first = Server(("127.0.0.1", 0), Handler)
    port = first.server_address[1]
    servers = [first] + [Server(("127.0.0.%d" % k, port), Handler) for k in range(2, a.hosts + 1)]
    for server in servers:
        threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.1},
                         daemon=True).start()

    def stop(*_):
        stop_event.set()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    with open(a.port_file + ".tmp", "w") as f:
        f.write(str(port))
    os.replace(a.port_file + ".tmp", a.port_file)
    stop_event.wait(a.max_seconds)
    for server in servers:
        server.shutdown()
    return 0


if __name__ == "__main__":
    sys.exit(main())
