#!/usr/bin/env python3
"""A jukebox's control port as the recorder's upload meets it, for tests.

Usage: fake_jukebox.py FOLDER MODE VERSION
Listens on 127.0.0.1 (a free port of 20000 to 31999; prints "PORT n" once listening). Keeps each connection open and
answers every request in turn: POST /control with SvcQryVersion (SvcPgmVersion = VERSION), PUT <name>
by storing the body as FOLDER/<name> and answering UploadAudioFiles with UploadFileName. Each request
line is appended to FOLDER/requests.log. MODE changes the answers: "ok"; "error" (actionReturnCode 5
"Disk full" to every PUT); "stall" (PUTs get no answer); "close" (PUTs are read, then the connection
is closed without answer); "empty" (PUTs get a reply with no body); "deaf" (the body of a PUT of more
than 1 MiB is never read: its request line is logged, the connection stays open and the sender's
buffers fill); "reset" (every connection is reset as soon as it is taken, then "RESET" logged); "reset-on-cue"
(the same once the file FOLDER/cue exists); "reset-put" (a PUT of
more than 1 MiB: its request line is logged, then the connection is reset while the body comes);
"reset-reply" (PUTs are read, then the connection is reset instead of answered). A VERSION of "-"
leaves the SvcPgmVersion argument out of the version reply. "misnamed" answers every PUT with the
file name "stored.bin", "unnamed" without UploadFileName.
"""
import os
import random
import socket
import struct
import sys
import threading
import time

FOLDER, MODE, VERSION = sys.argv[1], sys.argv[2], sys.argv[3]


def response(name, code, message, arguments):
    args = "".join("<argument><name>%s</name><seq>%d</seq><value>%s</value></argument>" % (n, i + 1, v)
                   for i, (n, v) in enumerate(arguments))
    return ('<?xml version="1.0" encoding="ISO-8859-1"?><actionResponse><actionName>%s</actionName>'
            "<actionReturnCode>%d</actionReturnCode><actionReturnMsg>%s</actionReturnMsg>%s</actionResponse>"
            % (name, code, message, args)).encode("latin-1")


def reply(conn, body):
    conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nConnection: Keep-Alive\r\nContent-Length: %d\r\n\r\n"
                 % len(body) + body)


def reset(conn):
    """Closes with an RST instead of a FIN: the peer's next send or read fails with a reset."""
    conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    conn.close()


def serve(conn):
    if MODE == "reset-on-cue":
        deadline = time.monotonic() + 60
        while not os.path.exists(os.path.join(FOLDER, "cue")) and time.monotonic() < deadline:
            time.sleep(0.01)
    if MODE in ("reset", "reset-on-cue"):
        reset(conn)
        with open(os.path.join(FOLDER, "requests.log"), "a") as log:
            log.write("RESET\n")
        return
    data = b""
    while True:
        while b"\r\n\r\n" not in data:
            more = conn.recv(65536)
            if not more:
                return
            data += more
        head, data = data.split(b"\r\n\r\n", 1)
        lines = head.decode("latin-1").split("\r\n")
        length = 0
        for line in lines[1:]:
            name, _, value = line.partition(":")
            if name.strip().lower() == "content-length":
                length = int(value.strip())
        deaf = MODE == "deaf" and lines[0].startswith("PUT ") and length > 1048576
        with open(os.path.join(FOLDER, "requests.log"), "a") as log:
            log.write(lines[0] + "\n")
        if deaf:
            time.sleep(600)
            return
        if MODE == "reset-put" and lines[0].startswith("PUT ") and length > 1048576:
            reset(conn)
            return
        while len(data) < length:
            more = conn.recv(65536)
            if not more:
                return
            data += more
        body, data = data[:length], data[length:]
        method, target = lines[0].split(" ")[0], lines[0].split(" ")[1]
        if method == "POST":
            text = body.decode("latin-1")
            if "SvcQryVersion" in text:
                arguments = [("SvcPgmName", "Tonebarn")] + ([("SvcPgmVersion", VERSION)] if VERSION != "-" else [])
                reply(conn, response("SvcQryVersion", 0, "", arguments))
            else:
                reply(conn, response("Unknown", 1, "no such action", []))
            continue
        with open(os.path.join(FOLDER, os.path.basename(target)), "wb") as out:
            out.write(body)
        if MODE == "stall":
            time.sleep(60)
            return
        if MODE == "close":
            conn.close()
            return
        if MODE == "reset-reply":
            reset(conn)
            return
        if MODE == "empty":
            reply(conn, b"")
        elif MODE == "error":
            reply(conn, response("UploadAudioFiles", 5, "Disk full", []))
        elif MODE == "misnamed":
            reply(conn, response("UploadAudioFiles", 0, "", [("UploadFileName", "C:\\Upload\\stored.bin")]))
        elif MODE == "unnamed":
            reply(conn, response("UploadAudioFiles", 0, "", []))
        else:
            reply(conn, response("UploadAudioFiles", 0, "", [("UploadFileName", "C:\\Upload\\" + os.path.basename(target))]))


def main():
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    if MODE == "deaf":
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    # The recorder keeps the port in a 16-bit field of 1 to 32000: the port is taken from that range.
    for port in random.sample(range(20000, 32000), 200):
        try:
            listener.bind(("127.0.0.1", port))
            break
        except OSError:
            continue
    listener.listen(8)
    print("PORT %d" % listener.getsockname()[1], flush=True)
    while True:
        conn, _ = listener.accept()
        threading.Thread(target=serve, args=(conn,), daemon=True).start()


main()
