#!/usr/bin/env python3
"""Raw HTTP peers for the connection tests: each mode talks to 127.0.0.1:<port> byte for byte and
prints what came back, so the test can check exactly what the server answered."""
import socket
import struct
import sys
import time


def connect(port):
    return socket.create_connection(("127.0.0.1", port), timeout=5)


def read_all(s, limit=10.0):
    data = b""
    end = time.time() + limit
    try:
        while time.time() < end:
            chunk = s.recv(65536)
            if not chunk:
                break
            data += chunk
    except (socket.timeout, ConnectionResetError):
        pass
    return data


def out(data):
    sys.stdout.write(data.decode("latin-1"))
    sys.stdout.flush()


def split(port):
    s = connect(port)
    request = b"POST /split HTTP/1.1\r\nContent-Length: 11\r\nConnection: close\r\n\r\nhello world"
    for i in range(0, len(request), 2):
        s.sendall(request[i:i + 2])
        time.sleep(0.002)
    out(read_all(s))


def slow(port):
    s = connect(port)
    request = b"POST /slow HTTP/1.1\r\nContent-Length: 4\r\nConnection: close\r\n\r\nslow"
    for byte in request:
        s.sendall(bytes([byte]))
        time.sleep(0.04)
    out(read_all(s))


def header_forever(port):
    s = connect(port)
    s.sendall(b"GET / HTTP/1.1\r\n")
    sent = 0
    try:
        for _ in range(400):
            s.sendall(b"X-Long: " + b"a" * 1000 + b"\r\n")
            sent += 1
            time.sleep(0.001)
    except (BrokenPipeError, ConnectionResetError):
        pass
    out(read_all(s))
    sys.stdout.write("\nlines sent %d\n" % sent)


def long_body(port):
    s = connect(port)
    s.sendall(b"POST /long HTTP/1.1\r\nContent-Length: 5\r\n\r\nhelloEXTRA")
    s.shutdown(socket.SHUT_WR)
    out(read_all(s))


def reset(port):
    s = connect(port)
    s.sendall(b"POST /reset HTTP/1.1\r\nContent-Length: 100000\r\n\r\n" + b"r" * 1000)
    time.sleep(0.1)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    s.close()
    sys.stdout.write("reset\n")


def raw(port, text):
    s = connect(port)
    s.sendall(text.encode("latin-1").decode("unicode_escape").encode("latin-1"))
    out(read_all(s, 3.0))


def main():
    mode, port = sys.argv[1], int(sys.argv[2])
    if mode == "raw":
        raw(port, sys.argv[3])
    else:
        {"split": split, "slow": slow, "header-forever": header_forever, "long-body": long_body,
         "reset": reset}[mode](port)


if __name__ == "__main__":
    main()
