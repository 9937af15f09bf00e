#!/usr/bin/env python3
"""Test HTTP server: serves a folder and logs every request.

A target /m/<mode>/<path> serves <path> with a fault:
  head404, head405  HEAD answered 404 or 405 (GET works)
  fail500x<N>       500 for the first N requests of that target
  nolength          no Content-Length header
  short             Content-Length 100 more than the body sent
  long              Content-Length 3 less than the body sent
  drop              connection closed without an answer
  silent            connection held open without an answer
  stall             GET: headers and half the body, then nothing
  trickle           GET: one byte of the body every 0.3 s
  slow              GET: 64 KiB of the body every 0.25 s
  huge              Content-Length 2147483648 whatever the body
  self              301 to the same target
  ping, pong        302 to the same path under the other of the two
  hops<N>           302 to /m/hops<N-1>/<path>; hops0 serves the file
  elsewhere         302 to <path> on the second port
  tohttps           302 to https on the same port
  delay<N>          every request answered N ms late
A file <path>.mode beside a served path gives that path a mode too.
The second port (written to PORTFILE2) serves the same folder.
Usage: http_server.py ROOT LOGFILE PORTFILE
"""
import http.server
import os
import sys
import threading
import time
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
        elif os.path.isfile(os.path.join(ROOT, path.lstrip("/") + ".mode")):
            with open(os.path.join(ROOT, path.lstrip("/") + ".mode")) as f:
                mode = f.read().strip()
        key = mode + path
        with lock:
            counts[key] = counts.get(key, 0) + 1
            n = counts[key]
        if mode.startswith("delay"):
            time.sleep(int(mode[5:]) / 1000)
        if mode == "drop":
            self.close_connection = True
            return
        if mode == "silent":
            hold(self)
            return
        location = redirect(mode, path, self.path)
        if location:
            self.send_response(301 if mode == "self" else 302)
            self.send_header("Location", location)
            self.send_header("Content-Length", "0")
            self.send_header("Connection", "close")
            self.end_headers()
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
        elif mode == "huge":
            length = 2147483648
        self.send_response(200)
        if mode != "nolength":
            self.send_header("Content-Length", str(length))
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        if not with_body:
            return
        if mode == "stall":
            self.wfile.write(body[: len(body) // 2])
            self.wfile.flush()
            hold(self)
        elif mode in ("trickle", "slow"):
            step, pause = (1, 0.3) if mode == "trickle" else (65536, 0.25)
            try:
                for i in range(0, len(body), step):
                    self.wfile.write(body[i : i + step])
                    self.wfile.flush()
                    time.sleep(pause)
            except OSError:
                pass
        else:
            self.wfile.write(body)

    def do_HEAD(self):
        self.answer(False)

    def do_GET(self):
        self.answer(True)


def hold(handler):
    """Keeps the connection open, answering nothing, until the client leaves."""
    handler.close_connection = True
    handler.connection.settimeout(120)
    try:
        while handler.connection.recv(4096):
            pass
    except OSError:
        pass


def redirect(mode, path, target):
    query = urllib.parse.urlsplit(target).query
    rest = path + ("?" + query if query else "")
    if mode == "self":
        return target
    if mode in ("ping", "pong"):
        return "/m/%s%s" % ("pong" if mode == "ping" else "ping", rest)
    if mode.startswith("hops") and int(mode[4:]) > 0:
        return "/m/hops%d%s" % (int(mode[4:]) - 1, rest)
    if mode == "elsewhere":
        return "http://127.0.0.1:%d%s" % (second.server_address[1], rest)
    if mode == "tohttps":
        return "https://127.0.0.1:%d%s" % (server.server_address[1], rest)
    return None


def publish_port(name, port):
    with open(name + ".tmp", "w") as f:
        f.write(str(port))
    os.replace(name + ".tmp", name)


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
second = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
threading.Thread(target=second.serve_forever, daemon=True).start()
publish_port(PORTFILE + "2", second.server_address[1])
publish_port(PORTFILE, server.server_address[1])
server.serve_forever()
