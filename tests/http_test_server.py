#!/usr/bin/env python3
"""A small HTTP server on 127.0.0.1 for the download control's tests.

Writes the port it listens on to the file named by its first argument, then serves until killed:
  /files/<name>      200 with a fixed body (Kestrin.txt: a version file; big.bin: 1 MiB)
  /missing/<name>    404
  /redirect/<name>   302 to /files/Kestrin.txt
  /empty/<name>      200 with an empty body
  /stall/<name>      200 announcing 1 MiB, sends 4 KiB, then stalls for 60 seconds
  /nolength/<name>   200 without Content-Length, the body ended by closing the connection
"""
import http.server
import sys
import time

VERSION_FILE = b"V1.5\r\nRelease notes\r\n"
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

    def do_GET(self):
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
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    with open(sys.argv[1], "w") as f:
        f.write(str(server.server_address[1]))
    server.serve_forever()


if __name__ == "__main__":
    main()
