#!/usr/bin/env python3
"""An HTTP/1.1 peer for outbound connections. It prints its port, then answers every POST with
"got:" and the body. Mode "close" ends the connection after each reply; mode "put" instead sends a
PUT request to whoever connects and reports whether the connection was closed on it."""
import http.server
import socket
import sys


class Receiver(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    close_each = False

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length)
        reply = b"got:" + body
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(reply)))
        if self.close_each:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *args):
        pass


def put_peer():
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    print(listener.getsockname()[1], flush=True)
    conn, _ = listener.accept()
    conn.settimeout(5)
    conn.sendall(b"PUT /evil.txt HTTP/1.1\r\nContent-Length: 4\r\n\r\nevil")
    try:
        data = conn.recv(4096)
        print("closed" if not data else "answered:" + data.decode("latin-1"), flush=True)
    except socket.timeout:
        print("open", flush=True)


def main():
    mode = sys.argv[1] if len(sys.argv) > 1 else "keep"
    if mode == "put":
        put_peer()
        return
    Receiver.close_each = mode == "close"
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Receiver)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
