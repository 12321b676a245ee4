"""A local HTTP server for the engine's tests, on 127.0.0.1 at a free port.

    http_server.py serve FOLDER   serves the folder's files, with Range requests; /moved/PATH
                                  answers 301 and /found/PATH 302 to /PATH; /unsized/PATH serves
                                  the file with no length, to the close of the connection;
                                  /listen?PATH serves PATH under a URL with no file's name
    http_server.py silent         accepts connections and never answers
    http_server.py cut            answers every request with headers and half a body, then hangs up
    http_server.py icy FILE       an Icecast-style station: FILE's bytes over and over, with the
                                  title "Artist N - Song N" in its metadata, N going up every second
    http_server.py drops N FILE   a station whose first N connections (all, for -1) break off after
                                  a second of FILE's bytes; the later ones serve on

Prints "PORT PID" on its first line, then serves until killed."""
import http.server
import os
import socket
import sys
import threading
import time


class RangeHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def send_head(self):
        for prefix, code in (("/moved/", 301), ("/found/", 302)):
            if self.path.startswith(prefix):
                self.send_response(code)
                self.send_header("Location", self.path[len(prefix) - 1:])
                self.send_header("Content-Length", "0")
                self.end_headers()
                return None
        unsized = self.path.startswith("/unsized/")
        path = self.translate_path(self.path[len("/unsized"):] if unsized else self.path)
        if self.path.startswith("/listen?"):
            path = self.translate_path("/" + self.path[len("/listen?"):])
        if unsized and os.path.isfile(path):
            self.send_response(200)
            self.send_header("Content-Type", self.guess_type(path))
            self.end_headers()
            return open(path, "rb")
        if not os.path.isfile(path):
            self.send_error(404)
            return None
        size = os.path.getsize(path)
        start, end = 0, size - 1
        ranged = self.headers.get("Range", "").startswith("bytes=")
        if ranged:
            first, _, last = self.headers["Range"][6:].partition("-")
            start = int(first) if first else max(size - int(last), 0)
            end = int(last) if first and last else size - 1
        f = open(path, "rb")
        f.seek(start)
        self.send_response(206 if ranged else 200)
        self.send_header("Content-Type", self.guess_type(path))
        self.send_header("Accept-Ranges", "bytes")
        self.send_header("Content-Length", str(end - start + 1))
        if ranged:
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, end, size))
        self.end_headers()
        return LimitedFile(f, end - start + 1)


class LimitedFile:
    def __init__(self, f, length):
        self.f, self.left = f, length

    def read(self, n=-1):
        n = self.left if n < 0 else min(n, self.left)
        data = self.f.read(n)
        self.left -= len(data)
        return data

    def close(self):
        self.f.close()


class CutHandler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Length", "100000")
        self.end_headers()
        self.wfile.write(b"#EXTM3U\n" + b"a.mp3\n" * 1000)
        self.wfile.flush()
        self.connection.shutdown(socket.SHUT_RDWR)


class IcyHandler(http.server.BaseHTTPRequestHandler):
    interval = 4000  # bytes of audio between metadata blocks

    def log_message(self, *args):
        pass

    def do_GET(self):
        with open(IcyHandler.path, "rb") as f:
            audio = f.read()
        wanted = self.headers.get("Icy-MetaData") == "1"
        self.send_response(200)
        self.send_header("Content-Type", "audio/mpeg")
        self.send_header("icy-name", "Loopback Radio")
        self.send_header("icy-genre", "Test")
        if wanted:
            self.send_header("icy-metaint", str(self.interval))
        self.end_headers()
        started, sent = time.monotonic(), 0
        try:
            while True:
                for at in range(0, len(audio) - self.interval + 1, self.interval):
                    self.wfile.write(audio[at:at + self.interval])
                    sent += 1
                    if wanted:
                        n = int(time.monotonic() - started)
                        text = ("StreamTitle='Artist %d - Song %d';" % (n, n)).encode()
                        text += b"\0" * (-len(text) % 16)
                        self.wfile.write(bytes([len(text) // 16]) + text)
                    time.sleep(0.2)  # a little faster than it plays
        except (BrokenPipeError, ConnectionResetError):
            pass


class DropsHandler(http.server.BaseHTTPRequestHandler):
    drops = 0  # connections still to break off; -1: all
    second = 16000  # bytes of the 128 kb/s stream a second

    def log_message(self, *args):
        pass

    def do_GET(self):
        with open(DropsHandler.path, "rb") as f:
            audio = f.read()
        drop = DropsHandler.drops != 0
        if DropsHandler.drops > 0:
            DropsHandler.drops -= 1
        self.send_response(200)
        self.send_header("Content-Type", "audio/mpeg")
        self.send_header("icy-name", "Dropping Radio")
        self.end_headers()
        sent = 0
        try:
            while not drop or sent < self.second:
                for at in range(0, len(audio) - 4000 + 1, 4000):
                    self.wfile.write(audio[at:at + 4000])
                    sent += 4000
                    time.sleep(0.2)
                    if drop and sent >= self.second:
                        break
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_RDWR)
        except (BrokenPipeError, ConnectionResetError, OSError):
            pass


def silent():
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print(listener.getsockname()[1], os.getpid(), flush=True)
    held = []
    while True:
        held.append(listener.accept()[0])  # kept open, never answered


def main():
    mode = sys.argv[1]
    if mode == "silent":
        return silent()
    if mode == "serve":
        os.chdir(sys.argv[2])
        handler = RangeHandler
    elif mode == "icy":
        IcyHandler.path = sys.argv[2]
        handler = IcyHandler
    elif mode == "drops":
        DropsHandler.drops = int(sys.argv[2])
        DropsHandler.path = sys.argv[3]
        handler = DropsHandler
    else:
        handler = CutHandler
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    print(server.server_address[1], os.getpid(), flush=True)
    server.serve_forever()


main()
