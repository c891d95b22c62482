#!/usr/bin/env python3
"""Sends the bytes of standard input to 127.0.0.1:PORT as they are, then prints what comes back until
the server closes or goes quiet for two seconds. With "abort", closes right after sending instead."""
import socket
import sys

port = int(sys.argv[1])
abort = len(sys.argv) > 2 and sys.argv[2] == "abort"
data = sys.stdin.buffer.read()
s = socket.create_connection(("127.0.0.1", port))
s.sendall(data)
if abort:
    s.close()
    sys.exit(0)
s.settimeout(2.0)
reply = b""
try:
    while True:
        chunk = s.recv(65536)
        if not chunk:
            break
        reply += chunk
except socket.timeout:
    reply += b"\n[still open]"
sys.stdout.write(reply.decode("latin-1"))
