#!/usr/bin/env python3
"""Test HTTP server: serves a folder and logs every request.

A target /m/<mode>/<path> serves <path> with a fault:
  head404, head405  HEAD answered 404 or 405 (GET works)
  fail500x<N>       500 for the first N requests of that target
  nolength          no Content-Length header
  short             Content-Length 100 more than the body sent
  long              Content-Length 3 less than the body sent
  drop              connection closed without an answer
Usage: http_server.py ROOT LOGFILE PORTFILE
"""
import http.server
import os
import sys
import threading
import urllib.parse

ROOT, LOG, PORTFILE = sys.argv[1], sys.argv[2], sys.argv[3]
counts = {}
lock = threading.Lock()


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def record(self):
        headers = "\t".join("%s: %s" % (k, v) for k, v in self.headers.items())
        with lock, open(LOG, "a", encoding="utf-8") as f:
            f.write("%s\t%s\t%s\n" % (self.command, self.path, headers))

    def answer(self, with_body):
        self.record()
        path = urllib.parse.urlsplit(self.path).path
        path = urllib.parse.unquote(path).replace("\\", "/")
        mode = ""
        if path.startswith("/m/"):
            _, _, mode, path = path.split("/", 3)
            path = "/" + path
        key = mode + path
        with lock:
            counts[key] = counts.get(key, 0) + 1
            n = counts[key]
        if mode == "drop":
            self.close_connection = True
            return
        if mode in ("head404", "head405") and not with_body:
            self.send_error(int(mode[4:]))
            return
        if mode.startswith("fail500x") and n <= int(mode[8:]):
            self.send_error(500)
            return
        file = os.path.join(ROOT, path.lstrip("/"))
        if not os.path.isfile(file):
            self.send_error(404)
            return
        with open(file, "rb") as f:
            body = f.read()
        length = len(body)
        if mode == "short":
            length += 100
        elif mode == "long":
            length = max(0, length - 3)
        self.send_response(200)
        if mode != "nolength":
            self.send_header("Content-Length", str(length))
        self.send_header("Connection", "close")
        self.end_headers()
        if with_body:
            self.wfile.write(body)
        self.close_connection = True

    def do_HEAD(self):
        self.answer(False)

    def do_GET(self):
        self.answer(True)


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
with open(PORTFILE + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.replace(PORTFILE + ".tmp", PORTFILE)
server.serve_forever()
