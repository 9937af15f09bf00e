#!/usr/bin/env python3
"""Test HTTP server: serves ROOT and logs every request (verb, target, headers).
A target /m/<mode>/<path>, or a path with a file <path>.mode beside it, is served
with the fault <mode> (see answer). Usage: http_server.py ROOT LOGFILE PORTFILE"""
import contextlib, http.server, os, sys, threading, time, urllib.parse

ROOT, LOG, PORTFILE = sys.argv[1:4]
counts = {}
lock = threading.Lock()
PACE = {"trickle": (1, 0.3), "slow": (65536, 0.25)}  # bytes a write, seconds after it


class Handler(http.server.BaseHTTPRequestHandler):
    log_message = lambda self, *args: None

    def head(self, status, headers):
        self.send_response(status)
        for k, v in headers + [("Connection", "close")]:
            self.send_header(k, v)
        self.end_headers()
        self.close_connection = True

    def hold(self):  # keeps the connection, answering nothing, until the client leaves
        self.close_connection = True
        self.connection.settimeout(120)
        with contextlib.suppress(OSError):
            while self.connection.recv(4096):
                pass

    def answer(self, with_body):
        fields = [self.command, self.path] + ["%s: %s" % kv for kv in self.headers.items()]
        with lock, open(LOG, "a", encoding="utf-8") as f:
            f.write("\t".join(fields) + "\n")
        split = urllib.parse.urlsplit(self.path)
        path = urllib.parse.unquote(split.path).replace("\\", "/")
        mode, file = "", os.path.join(ROOT, path.lstrip("/"))
        if path.startswith("/m/"):
            _, _, mode, path = path.split("/", 3)
            path, file = "/" + path, os.path.join(ROOT, path)
        elif os.path.isfile(file + ".mode"):
            mode = open(file + ".mode").read().strip()
        with lock:
            n = counts[mode + path] = counts.get(mode + path, 0) + 1
        time.sleep(int(mode[5:]) / 1000 if mode.startswith("delay") else 0)
        rest = path + ("?" + split.query if split.query else "")
        hops = int(mode[4:]) if mode.startswith("hops") else 0
        location = {"self": self.path, "ping": "/m/pong" + rest, "pong": "/m/ping" + rest,
                    "elsewhere": "http://127.0.0.1:%d%s" % (second.server_address[1], rest),
                    "tohttps": "https://127.0.0.1:%d%s" % (self.server.server_address[1], rest)
                    }.get(mode, "/m/hops%d%s" % (hops - 1, rest) if hops > 0 else None)
        if mode == "drop":
            self.close_connection = True
        elif mode == "silent":
            self.hold()
        elif location:
            self.head(301 if mode == "self" else 302,
                      [("Location", location), ("Content-Length", "0")])
        elif mode in ("head404", "head405") and not with_body:
            self.send_error(int(mode[4:]))
        elif mode.startswith("fail500x") and n <= int(mode[8:]):
            self.send_error(500)
        elif not os.path.isfile(file):
            self.send_error(404)
        else:
            body = open(file, "rb").read()
            length = {"short": len(body) + 100, "long": max(0, len(body) - 3), "huge": 1 << 31}
            self.head(200, [] if mode == "nolength" else
                      [("Content-Length", str(length.get(mode, len(body))))])
            if with_body and mode == "stall":
                self.wfile.write(body[: len(body) // 2])
                self.wfile.flush()
                self.hold()
            elif with_body:
                step, pause = PACE.get(mode, (len(body) or 1, 0))
                with contextlib.suppress(OSError):
                    for i in range(0, len(body), step):
                        self.wfile.write(body[i : i + step])
                        self.wfile.flush()
                        time.sleep(pause)

    do_HEAD = lambda self: self.answer(False)
    do_GET = lambda self: self.answer(True)


def serve(portfile):
    s = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=s.serve_forever, daemon=True).start()
    with open(portfile + ".tmp", "w") as f:
        f.write(str(s.server_address[1]))
    os.replace(portfile + ".tmp", portfile)
    return s


second = serve(PORTFILE + "2")
serve(PORTFILE)
threading.Event().wait()
