#!/usr/bin/env python3
"""Holds N connections open, each sending one header byte every few seconds, for S seconds."""
import socket
import sys
import time

port, count, seconds = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3])
sockets = []
for _ in range(count):
    try:
        s = socket.create_connection(("127.0.0.1", port), timeout=5)
        s.sendall(b"POST /control HTTP/1.1\r\n")
        sockets.append(s)
    except OSError:
        break
print("slow connections open:", len(sockets), flush=True)
end = time.time() + seconds
while time.time() < end:
    for s in sockets:
        try:
            s.sendall(b"X")
        except OSError:
            pass
    time.sleep(2)
for s in sockets:
    s.close()
