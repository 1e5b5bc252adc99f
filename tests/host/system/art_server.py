#!/usr/bin/python3
"""A loopback HTTP server for the host's art tests.

Usage: art_server.py PORT_FILE FOLDER
Serves FOLDER's files; /endless sends a picture's header and then a byte now and then, forever.
The port it listens on is written to PORT_FILE once it listens.
"""
import http.server
import os
import socketserver
import sys
import time


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        if self.path == "/endless":
            self.send_response(200)
            self.send_header("Content-Type", "image/jpeg")
            self.end_headers()
            try:
                self.wfile.write(b"\xff\xd8\xff")
                while True:
                    self.wfile.write(b"\0" * 16)
                    self.wfile.flush()
                    time.sleep(0.2)
            except OSError:
                return
        path = os.path.join(sys.argv[2], os.path.basename(self.path))
        try:
            with open(path, "rb") as f:
                body = f.read()
        except OSError:
            self.send_error(404)
            return
        self.send_response(200)
        self.send_header("Content-Type", "image/jpeg")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


server = Server(("127.0.0.1", 0), Handler)
with open(sys.argv[1] + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.rename(sys.argv[1] + ".tmp", sys.argv[1])
server.serve_forever()
