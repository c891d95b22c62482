#!/usr/bin/env python3
"""Raw HTTP peers for the connection tests: each mode talks to 127.0.0.1:<port> byte for byte and
prints what came back, so the test can check exactly what the server answered."""
import socket
import struct
import sys
import threading
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
    s.settimeout(20)  # the answer waits for the owner's window, which a loaded machine may keep busy
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


def read_reply(s):
    """One reply framed by its Content-Length: (header, body); body short when the peer closed."""
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = s.recv(65536)
        if not chunk:
            return data, b""
        data += chunk
    header, first = data.split(b"\r\n\r\n", 1)
    length = 0
    for line in header.split(b"\r\n"):
        if line.lower().startswith(b"content-length:"):
            length = int(line.split(b":", 1)[1])
    # A bytearray grows in place: appending to bytes copies the whole body each time, which made
    # reading a 40 MB reply take minutes.
    body = bytearray(first)
    while len(body) < length:
        chunk = s.recv(65536)
        if not chunk:
            break
        body += chunk
    return header, bytes(body)


def half_close(port):
    """Sends a request, ends its sending side and waits for the (deferred) reply."""
    s = connect(port)
    s.settimeout(20)
    s.sendall(b"POST /half HTTP/1.1\r\nContent-Length: 1\r\n\r\nx")
    s.shutdown(socket.SHUT_WR)
    print("half-closed", flush=True)
    out(read_all(s, 20.0))


def half_close_large(port):
    """Asks for a large reply, ends its sending side at once (as some HTTP/1.0 clients do) and reads
    the whole reply, then waits for the server's end of the connection."""
    s = connect(port)
    s.settimeout(30)
    s.sendall(b"GET /large HTTP/1.0\r\n\r\n")
    s.shutdown(socket.SHUT_WR)
    header, body = read_reply(s)
    closed = s.recv(1) == b""
    sys.stdout.write("%s got %d %s\n" % (header.split(b"\r\n")[0].decode("latin-1"), len(body),
                                         "closed" if closed else "open"))


def read_then_close(port):
    """Asks for a large reply, takes a little of it and goes."""
    s = connect(port)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    s.sendall(b"GET /large HTTP/1.1\r\n\r\n")
    got = s.recv(4096)
    time.sleep(0.3)
    s.close()
    sys.stdout.write("took %d bytes\n" % len(got))


def stall(port, text):
    """Sends part of a request, then nothing (or one byte every 100 ms with "drip"): prints what came
    back and when the server closed."""
    s = connect(port)
    s.settimeout(0.1)
    start = time.time()
    s.sendall(text.encode("latin-1").decode("unicode_escape").encode("latin-1"))
    data = b""
    while time.time() - start < 15:
        try:
            chunk = s.recv(65536)
            if not chunk:
                break
            data += chunk
        except socket.timeout:
            if sys.argv[1] == "drip":
                try:
                    s.sendall(b"X")
                except OSError:
                    break
        except ConnectionResetError:
            break
    out(data)
    sys.stdout.write("\nclosed after %.2f\n" % (time.time() - start))


def idle(port):
    """One request on a kept connection, then silence: prints when the server closed."""
    s = connect(port)
    s.settimeout(15)
    s.sendall(b"GET /idle HTTP/1.1\r\n\r\n")
    header, _ = read_reply(s)
    start = time.time()
    rest = read_all(s, 15.0)
    sys.stdout.write("%s\nclosed after %.2f with %d bytes\n"
                     % (header.split(b"\r\n")[0].decode(), time.time() - start, len(rest)))


def cap(port, count):
    """Holds `count` connections, then tries one more; after letting them go, tries again."""
    held = [connect(port) for _ in range(count)]
    time.sleep(0.5)
    extra = connect(port)
    sys.stdout.write("over the cap: %s\n" % read_all(extra, 3.0).split(b"\r\n")[0].decode())
    for h in held:
        h.close()
    time.sleep(0.5)
    again = connect(port)
    again.sendall(b"GET /again HTTP/1.1\r\nConnection: close\r\n\r\n")
    sys.stdout.write("after: %s\n" % read_all(again, 3.0).split(b"\r\n")[0].decode())


def burst(port, count):
    """Says it is ready, waits a moment, then makes `count` requests at once and counts the answers."""
    print("ready", flush=True)
    time.sleep(0.5)
    sockets = [connect(port) for _ in range(count)]
    for s in sockets:
        s.sendall(b"GET /burst HTTP/1.1\r\nConnection: close\r\n\r\n")
    answered = 0
    for s in sockets:
        s.settimeout(20)
        if read_all(s, 20.0).startswith(b"HTTP/1.1 200"):
            answered += 1
    print("answered %d" % answered, flush=True)


def whoami(port):
    """Prints the port it connects from, then makes one request."""
    s = connect(port)
    print(s.getsockname()[1], flush=True)
    s.sendall(b"GET /whoami HTTP/1.1\r\nConnection: close\r\n\r\n")
    read_all(s)


def sequence(port, count):
    """Makes `count` requests one after another, each on a connection of its own."""
    answered = 0
    for i in range(count):
        s = connect(port)
        s.sendall(b"GET /next%d HTTP/1.1\r\nConnection: close\r\n\r\n" % i)
        if read_all(s, 10.0).startswith(b"HTTP/1.1 200"):
            answered += 1
        s.close()
    print("answered %d" % answered, flush=True)


def file_changes(port, path, change):
    """Asks for a large file on a kept connection, changes the file while the reply is under way,
    then reads the reply and asks again on the same connection."""
    s = connect(port)
    s.settimeout(10)
    s.sendall(b"GET /file HTTP/1.1\r\n\r\n")
    time.sleep(0.5)
    if change == "grow":
        with open(path, "ab") as f:
            f.write(b"G" * 1000000)
    else:
        with open(path, "r+b") as f:
            f.truncate(100000)
    header, body = read_reply(s)
    announced = 0
    for line in header.split(b"\r\n"):
        if line.lower().startswith(b"content-length:"):
            announced = int(line.split(b":", 1)[1])
    sys.stdout.write("announced %d got %d\n" % (announced, len(body)))
    try:
        s.sendall(b"GET /small HTTP/1.1\r\n\r\n")
        # The next reply's head, framed: reading on to the end of a kept connection would wait out the
        # socket's time-out.
        nxt, _ = read_reply(s)
    except OSError:
        nxt = b""
    sys.stdout.write("next: %s\n" % nxt.split(b"\r\n")[0].decode("latin-1"))


def stress(port, clients, per_client):
    """`clients` kept-alive connections each make `per_client` requests whose head and body go out in
    two writes (as many client libraries send them), while two more threads keep opening and closing
    connections beside them. Prints how many requests were answered right and how many were lost."""
    answered = [0]
    lost = [0]
    lock = threading.Lock()
    done = threading.Event()

    def client(k):
        ok = 0
        try:
            s = connect(port)
            s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            s.settimeout(30)  # a lost request fails the case instead of hanging it
            for i in range(per_client):
                body = b"body-%d-%d" % (k, i)
                s.sendall(b"POST /c%d/%d HTTP/1.1\r\nContent-Length: %d\r\n\r\n" % (k, i, len(body)))
                if i % 2:
                    time.sleep(0)  # lets the body arrive while the server is reading the head
                s.sendall(body)
                header, reply = read_reply(s)
                if not header.startswith(b"HTTP/1.1 200") or reply != b"POST /c%d/%d %s" % (k, i, body):
                    break
                ok += 1
            s.close()
        except OSError:
            pass
        with lock:
            answered[0] += ok
            lost[0] += per_client - ok

    def churn():
        while not done.is_set():
            try:
                s = connect(port)
                s.sendall(b"GET /churn HTTP/1.1\r\n")  # part of a head, then gone
                s.close()
                s = connect(port)
                s.close()
            except OSError:
                pass

    churners = [threading.Thread(target=churn) for _ in range(2)]
    workers = [threading.Thread(target=client, args=(k,)) for k in range(clients)]
    for t in churners + workers:
        t.start()
    for t in workers:
        t.join()
    done.set()
    for t in churners:
        t.join()
    print("answered %d lost %d" % (answered[0], lost[0]), flush=True)


def main():
    mode, port = sys.argv[1], int(sys.argv[2])
    if mode == "raw":
        raw(port, sys.argv[3])
    elif mode in ("stall", "drip"):
        stall(port, sys.argv[3])
    elif mode == "cap":
        cap(port, int(sys.argv[3]))
    elif mode == "burst":
        burst(port, int(sys.argv[3]))
    elif mode == "stress":
        stress(port, int(sys.argv[3]), int(sys.argv[4]))
    elif mode == "sequence":
        sequence(port, int(sys.argv[3]))
    elif mode == "file-changes":
        file_changes(port, sys.argv[3], sys.argv[4])
    else:
        {"split": split, "slow": slow, "header-forever": header_forever, "long-body": long_body,
         "reset": reset, "half-close": half_close,
         "half-close-large": half_close_large, "read-then-close": read_then_close,
         "idle": idle, "whoami": whoami}[mode](port)


if __name__ == "__main__":
    main()
