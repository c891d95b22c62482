#!/usr/bin/env python3
"""A scripted HTTP server for tests.

Usage: fake_http_server.py ADDRESS PORT ROUTES_JSON LOG_FILE

ROUTES_JSON is a list of routes; the first whose "contains" text is in the raw request target answers:
  status       the status code (200)
  body         the reply text
  encoding     how the text is sent ("utf-8"; "latin-1" for single-byte replies)
  delay        seconds to wait before the status line
  chunk        send the body in pieces of this many bytes ...
  chunk_delay  ... with this many seconds between them
A request no route matches gets 404. Every raw request line is appended to LOG_FILE. "READY" is printed
once the socket listens.
"""
import json
import socketserver
import sys
import time


class Handler(socketserver.StreamRequestHandler):
    def handle(self):
        line = self.rfile.readline(65537)
        while True:
            header = self.rfile.readline(65537)
            if header in (b"\r\n", b"\n", b""):
                break
        with open(self.server.log_file, "ab") as log:
            log.write(line.rstrip(b"\r\n") + b"\n")
        parts = line.split(b" ")
        target = parts[1].decode("latin-1") if len(parts) > 1 else ""
        route = next((r for r in self.server.routes if r.get("contains", "") in target), None)
        if route is None:
            route = {"status": 404, "body": "not found"}
        time.sleep(route.get("delay", 0))
        body = route.get("body", "").encode(route.get("encoding", "utf-8"))
        status = route.get("status", 200)
        head = "HTTP/1.0 %d X\r\nContent-Type: text/plain\r\nContent-Length: %d\r\n\r\n" % (status, len(body))
        try:
            self.wfile.write(head.encode("ascii"))
            self.wfile.flush()
            chunk = route.get("chunk", 0) or len(body) or 1
            for start in range(0, len(body), chunk):
                self.wfile.write(body[start:start + chunk])
                self.wfile.flush()
                time.sleep(route.get("chunk_delay", 0))
        except (BrokenPipeError, ConnectionResetError):
            pass


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True


def main():
    address, port, routes_file, log_file = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
    with open(routes_file, encoding="utf-8") as f:
        routes = json.load(f)
    server = Server((address, port), Handler)
    server.routes = routes
    server.log_file = log_file
    print("READY %d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
