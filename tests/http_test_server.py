#!/usr/bin/env python3
"""A small HTTP server on 127.0.0.1 for the download control's tests.

Writes the port it listens on to the file named by its first argument, then serves until killed:
  /files/<name>      200 with a fixed body (Kestrin.txt: a version file; big.bin: 1 MiB)
  /missing/<name>    404
  /redirect/<name>   302 to /files/Kestrin.txt
  /empty/<name>      200 with an empty body
  /stall/<name>      200 announcing 1 MiB, sends 4 KiB, then stalls for 60 seconds
  /nolength/<name>   200 without Content-Length, the body ended by closing the connection
  /short/<name>      200 announcing 100 bytes more than the version file, which it sends, then closes
  /huge/<name>       200 announcing 64 MiB + 1 byte, sending nothing more
  /tools/kestrin/<name>  the file <name> of the folder named by the optional second argument, read
                     at each request (tests change it between cases); 404 when it is not there
"""
import http.server
import os
import sys
import time
import urllib.parse

VERSION_FILE = b"V1.5\r\nRelease notes\r\n"
SITE_ROOT = None
BIG = bytes((i * 7 + 3) % 251 for i in range(1 << 20))


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def send_body(self, body, length=None):
        self.send_response(200)
        self.send_header("Content-Length", str(len(body) if length is None else length))
        self.end_headers()
        self.wfile.write(body)

    def send_site_file(self):
        # The request line arrives as Latin-1 text; the name may be raw or percent-encoded UTF-8.
        raw = self.path.split("?")[0][len("/tools/kestrin/"):].encode("latin-1")
        name = urllib.parse.unquote_to_bytes(raw).decode("utf-8", "replace")
        path = os.path.join(SITE_ROOT, name) if SITE_ROOT and name and "/" not in name else None
        if not path or not os.path.isfile(path):
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        with open(path, "rb") as f:
            body = f.read()
        self.send_body(body)

    def do_GET(self):
        if self.path.startswith("/tools/kestrin/"):
            self.send_site_file()
            return
        kind = self.path.split("/")[1] if self.path.count("/") >= 2 else ""
        name = self.path.rsplit("/", 1)[-1]
        if kind == "files":
            body = BIG if name == "big.bin" else VERSION_FILE
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            for start in range(0, len(body), 16384):
                self.wfile.write(body[start:start + 16384])
        elif kind == "missing":
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif kind == "redirect":
            self.send_response(302)
            self.send_header("Location", "/files/Kestrin.txt")
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif kind == "empty":
            self.send_body(b"")
        elif kind == "stall":
            self.send_body(BIG[:4096], length=len(BIG))
            self.wfile.flush()
            time.sleep(60)
        elif kind in ("short", "huge"):
            self.close_connection = True
            self.send_response(200)
            self.send_header("Content-Length", str(len(VERSION_FILE) + 100 if kind == "short" else (64 << 20) + 1))
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(VERSION_FILE if kind == "short" else b"")
        elif kind == "nolength":
            self.close_connection = True
            self.send_response(200)
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(VERSION_FILE)
        else:
            self.send_response(400)
            self.send_header("Content-Length", "0")
            self.end_headers()


def main():
    global SITE_ROOT
    if len(sys.argv) > 2:
        SITE_ROOT = sys.argv[2]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    with open(sys.argv[1], "w") as f:
        f.write(str(server.server_address[1]))
    server.serve_forever()


if __name__ == "__main__":
    main()
