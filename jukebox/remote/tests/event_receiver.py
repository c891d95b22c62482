#!/usr/bin/env python3
"""A subscribed device's event server: prints its port, then appends every POST it gets to the file
named on the command line, one line each ("<path> <body>"), and answers 200. With "close" as the second
argument it ends the connection after each reply."""
import http.server
import sys


class Receiver(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length)
        with open(sys.argv[1], "ab") as record:
            record.write(self.path.encode("latin-1") + b" " + body + b"\n")
        reply = b"ok"
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(reply)))
        if len(sys.argv) > 2 and sys.argv[2] == "close":
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Receiver)
print(server.server_address[1], flush=True)
server.serve_forever()
