#!/usr/bin/env python3
"""A simulated network audio box for the box engine's tests and benchmark.

It listens on one address for a control connection (text commands ending in CR, replies as
<TAG>value</TAG> pairs) and an audio connection (the song files' bytes). It "plays" what it received
at a given byte rate, reports <BYTE> as it plays, and takes data only while its buffer has room, so the
stream is paced by the box as a real one is.

Box rules (ours; the engine relies only on the commands and tags):
  c=46&L=volume.ack&L=getconfig.ack  answers HWTYPE, SOFTWAREVERS, SSID, WLANMODE, WEPMODE and VOLUME
  v=N         volume level N (0..20), answered with VOLUME
  c=66        a new stream starts: the byte counter restarts and the box plays
  c=46&c=66   the next song of the stream starts: the byte counter restarts
  c=1 / c=39  play / pause
  c=2         stop: the buffer is emptied and the audio connection of the stream it stops is no longer
              heard (a connection accepted since the last c=66 belongs to the next stream and keeps
              what it brought)
Commands are taken in the order they came, before a new audio connection that came after them (the box
reads its control connection before it accepts the next stream's connection).
BYTE reports the bytes played since the counter restarted, as the box counts them: nothing is taken
off or added (the engine's own allowance for the box's start-up buffer is the engine's business, and
the tests check it against this count). Only the newest audio connection feeds the buffer. The
command log gives, for each command, the bytes received so far and the counter when it came.

The first line written is "PORTS <control> <audio>". Standard input takes "stall", "resume",
"close-audio", "quit". Faults on demand: --close-audio-after, --stall-after, --die-after, --split,
--no-reply.
"""
import argparse
import json
import os
import select
import selectors
import signal
import socket
import sys
import time

# "underruns" counts the times the buffer ran dry with nothing waiting in the socket (the sender was
# late); "late_reads" the times it ran dry while bytes waited (the box itself was late).


def parse_args():
    parser = argparse.ArgumentParser()
    parser.add_argument("--address", default="127.0.0.2")
    parser.add_argument("--control-port", type=int, default=0)
    parser.add_argument("--audio-port", type=int, default=0)
    parser.add_argument("--byte-rate", type=float, default=16000.0, help="bytes played per second")
    parser.add_argument("--buffer", type=int, default=131072, help="the box's buffer in bytes")
    parser.add_argument("--report-ms", type=float, default=100.0)
    parser.add_argument("--capture", help="file that receives every byte that entered the buffer")
    parser.add_argument("--log", help="file that receives one line per command")
    parser.add_argument("--stats", help="file rewritten with the box's counters")
    parser.add_argument("--close-audio-after", type=int, default=0)
    parser.add_argument("--stall-after", type=int, default=0)
    parser.add_argument("--die-after", type=int, default=0)
    parser.add_argument("--hold-audio-ms", type=int, default=0,
                        help="keep the audio port's backlog full this long, so connects stay pending")
    parser.add_argument("--split", action="store_true", help="send each reply in two pieces")
    parser.add_argument("--no-reply", action="store_true", help="never answer on the control connection")
    return parser.parse_args()


class Box:
    def __init__(self, args):
        self.args = args
        self.sel = selectors.DefaultSelector()
        self.control_listener = self.listen(args.control_port)
        self.audio_listener = self.listen(args.audio_port, 0 if args.hold_audio_ms else 8)
        self.hold_until = 0.0
        self.holders = []
        self.holder_addresses = set()
        if args.hold_audio_ms:
            # A connection of our own that nobody accepts fills the backlog: the engine's connect waits.
            address = self.audio_listener.getsockname()
            for _ in range(2):
                holder = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
                holder.setblocking(False)
                holder.connect_ex(address)
                self.holders.append(holder)
                self.holder_addresses.add(holder.getsockname())
            self.hold_until = time.monotonic() + args.hold_audio_ms / 1000.0
        self.controls = {}  # socket -> received text
        self.audio_live = None
        self.audio_stale = set()
        self.buffer = 0
        self.received = 0
        self.played_total = 0
        self.credit = 0.0
        self.prerolling = False
        self.counter = 0
        self.playing = False
        self.had_data = False
        self.underruns = 0
        self.late_reads = 0
        self.volume = 10
        self.stalled = False
        self.audio_connections = 0
        self.accepted = {}  # audio connection -> when it was accepted
        self.live_bytes = 0
        self.stream_started = 0.0
        self.commands = []
        self.pending_writes = []  # (time, socket, bytes)
        self.capture = open(args.capture, "wb", buffering=0) if args.capture else None
        self.log = open(args.log, "a") if args.log else None
        self.last_report = time.monotonic()
        self.last_stats = 0.0

    def listen(self, port, backlog=8):
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        s.bind((self.args.address, port))
        s.listen(backlog)
        s.setblocking(False)
        self.sel.register(s, selectors.EVENT_READ, "listen")
        return s

    def ports(self):
        return self.control_listener.getsockname()[1], self.audio_listener.getsockname()[1]

    # ---- control ----
    def send_reply(self, sock, text):
        if self.args.no_reply:
            return
        data = text.encode("latin-1")
        now = time.monotonic()
        if self.args.split and len(data) > 3:
            cut = data.find(b">") // 2 + 1 if b">" in data else len(data) // 2
            self.pending_writes.append((now, sock, data[:cut]))
            self.pending_writes.append((now + 0.03, sock, data[cut:]))
        else:
            self.pending_writes.append((now, sock, data))

    def flush_writes(self):
        now = time.monotonic()
        keep = []
        for due, sock, data in self.pending_writes:
            if due > now or (keep and keep[-1][1] is sock):
                keep.append((due, sock, data))
                continue
            try:
                sock.sendall(data)
            except OSError:
                pass
        self.pending_writes = keep

    def note(self, text):
        self.commands.append(text)
        if self.log:
            self.log.write("%s offset=%d played=%d t=%.4f\n" % (text, self.received, self.counter, time.monotonic()))
            self.log.flush()

    def command(self, sock, text):
        self.note(text)
        if text == "c=46&L=volume.ack&L=getconfig.ack":
            self.send_reply(sock, "<HWTYPE>EXS-SIM</HWTYPE><SOFTWAREVERS>2.1.7</SOFTWAREVERS>"
                                  "<SSID>quaverhouse</SSID><WLANMODE>managed</WLANMODE><WEPMODE>off</WEPMODE>"
                                  "<VOLUME>%d</VOLUME>" % self.volume)
        elif text.startswith("v="):
            try:
                self.volume = int(text[2:])
            except ValueError:
                pass
            self.send_reply(sock, "<VOLUME>%d</VOLUME>" % self.volume)
        elif text == "c=66":
            self.counter = 0
            self.playing = True
            self.prerolling = True
            self.stream_started = time.monotonic()
        elif text == "c=46&c=66":
            self.counter = 0
        elif text == "c=1":
            self.playing = True
        elif text == "c=39":
            self.playing = False
        elif text == "c=2":
            self.playing = False
            self.had_data = False
            live = self.audio_live
            if live is not None and self.accepted.get(live, 0.0) > self.stream_started:
                # The next stream's connection came before this stop: what it brought stays.
                self.buffer = min(self.buffer, self.live_bytes)
            else:
                self.buffer = 0
                if live is not None:
                    self.audio_stale.add(live)
                    self.audio_live = None

    def read_control(self, sock):
        try:
            data = sock.recv(4096)
        except OSError:
            data = b""
        if not data:
            self.drop(sock)
            return
        text = self.controls[sock] + data.decode("latin-1")
        while "\r" in text:
            line, text = text.split("\r", 1)
            self.command(sock, line)
        self.controls[sock] = text

    def read_waiting_commands(self):
        # A box acts on its commands in the order they came: a stop that was sent before the next
        # stream's connection was opened is taken before that connection is, however late the box's
        # loop comes round to both.
        waiting, _, _ = select.select(list(self.controls), [], [], 0)
        for sock in waiting:
            self.read_control(sock)

    # ---- audio ----
    def accept_audio(self, conn):
        conn.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 16384)
        conn.setblocking(False)
        if self.audio_live is not None:
            self.audio_stale.add(self.audio_live)
        self.audio_live = conn
        self.live_bytes = 0
        self.accepted[conn] = time.monotonic()
        self.audio_connections += 1
        if self.log:
            self.log.write("# accept offset=%d t=%.4f port=%d\n" % (self.received, time.monotonic(), conn.getpeername()[1]))
            self.log.flush()
        self.sel.register(conn, selectors.EVENT_READ, "audio")

    def read_audio(self, sock):
        live = sock is self.audio_live
        if live and (self.stalled or self.buffer >= self.args.buffer):
            return
        room = max(1, self.args.buffer - self.buffer) if live else 65536
        try:
            data = sock.recv(min(room, 65536))
        except OSError:
            data = b""
        if not data:
            self.drop(sock)
            return
        if not live:
            return
        self.buffer += len(data)
        self.received += len(data)
        self.live_bytes += len(data)
        self.had_data = True
        if self.capture:
            self.capture.write(data)
        a = self.args
        if a.die_after and self.received >= a.die_after:
            self.finish()
            os._exit(0)
        if a.close_audio_after and self.received >= a.close_audio_after:
            a.close_audio_after = 0
            self.drop(sock)
        if a.stall_after and self.received >= a.stall_after:
            a.stall_after = 0
            self.stalled = True

    def drop(self, sock):
        try:
            self.sel.unregister(sock)
        except (KeyError, ValueError):
            pass
        sock.close()
        self.controls.pop(sock, None)
        self.audio_stale.discard(sock)
        self.accepted.pop(sock, None)
        if sock is self.audio_live:
            self.audio_live = None

    def update_listener_interest(self):
        held = time.monotonic() < self.hold_until
        try:
            self.sel.get_key(self.audio_listener)
            registered = True
        except KeyError:
            registered = False
        if held and registered:
            self.sel.unregister(self.audio_listener)
        elif not held and not registered:
            for holder in self.holders:
                holder.close()
            self.holders = []
            self.sel.register(self.audio_listener, selectors.EVENT_READ, "listen")

    def update_audio_interest(self):
        sock = self.audio_live
        if sock is None:
            return
        want = 0 if (self.stalled or self.buffer >= self.args.buffer) else selectors.EVENT_READ
        try:
            key = self.sel.get_key(sock)
            if want == 0 and key.events:
                self.sel.unregister(sock)
        except KeyError:
            if want:
                self.sel.register(sock, want, "audio")

    # ---- playing ----
    def play(self, seconds):
        if not self.playing:
            self.credit = 0.0
            return
        if self.prerolling:
            # A stream starts to play once a block is in: an empty box at the start is not a gap.
            if self.buffer < min(32767, self.args.buffer):
                return
            self.prerolling = False
        # Fractions of a byte add up: a fast loop must not lose its time to rounding.
        self.credit += self.args.byte_rate * seconds
        want = int(self.credit)
        take = min(want, self.buffer)
        self.credit = self.credit - take if take == want else 0.0
        if want > self.buffer and self.had_data and self.audio_live is not None:
            # Ran dry. With bytes already waiting in the socket the box itself was late (a loaded
            # machine); with none, the sender did not keep up: only that counts against the engine.
            waiting, _, _ = select.select([self.audio_live], [], [], 0)
            if waiting:
                self.late_reads += 1
            else:
                self.underruns += 1
            self.had_data = False
        self.buffer -= take
        self.counter += take
        self.played_total += take

    def report(self):
        for sock in list(self.controls):
            self.send_reply(sock, "<BYTE>%d</BYTE>" % self.counter)

    def write_stats(self):
        if not self.args.stats:
            return
        stats = {"received": self.received, "played": self.played_total, "buffer": self.buffer,
                 "underruns": self.underruns, "late_reads": self.late_reads, "volume": self.volume, "playing": self.playing,
                 "audio_connections": self.audio_connections, "commands": self.commands}
        temporary = self.args.stats + ".tmp"
        with open(temporary, "w") as out:
            json.dump(stats, out)
        os.replace(temporary, self.args.stats)

    def finish(self):
        self.write_stats()
        if self.capture:
            self.capture.flush()
        if self.log:
            self.log.flush()

    def stdin_command(self, line):
        line = line.strip()
        if line == "stall":
            self.stalled = True
        elif line == "resume":
            self.stalled = False
        elif line == "close-audio" and self.audio_live is not None:
            self.drop(self.audio_live)
        elif line == "quit" or line == "":
            self.finish()
            sys.exit(0)

    def run(self):
        self.sel.register(sys.stdin, selectors.EVENT_READ, "stdin")
        last = time.monotonic()
        while True:
            self.update_listener_interest()
            self.update_audio_interest()
            timeout = 0.01 if self.pending_writes else 0.02
            # Commands first: what came on the control connection came before what came with it.
            ready = sorted(self.sel.select(timeout), key=lambda event: event[0].data != "control")
            for key, _ in ready:
                sock, kind = key.fileobj, key.data
                if kind == "stdin":
                    self.stdin_command(sys.stdin.readline())
                elif kind == "listen":
                    try:
                        conn, _ = sock.accept()
                    except OSError:
                        continue
                    if sock is self.audio_listener and conn.getpeername() in self.holder_addresses:
                        conn.close()  # one of our own holders
                        continue
                    if sock is self.control_listener:
                        conn.setblocking(False)
                        self.controls[conn] = ""
                        self.sel.register(conn, selectors.EVENT_READ, "control")
                    else:
                        self.read_waiting_commands()
                        self.accept_audio(conn)
                elif kind == "control":
                    self.read_control(sock)
                elif kind == "audio":
                    self.read_audio(sock)
            now = time.monotonic()
            self.play(now - last)
            last = now
            if (now - self.last_report) * 1000.0 >= self.args.report_ms:
                self.last_report = now
                if self.playing:
                    self.report()
            self.flush_writes()
            if now - self.last_stats >= 0.1:
                self.last_stats = now
                self.write_stats()


def main():
    box = Box(parse_args())

    def on_term(signum, frame):
        box.finish()
        os._exit(0)

    signal.signal(signal.SIGTERM, on_term)
    control, audio = box.ports()
    print("PORTS %d %d" % (control, audio), flush=True)
    try:
        box.run()
    except (KeyboardInterrupt, BrokenPipeError):
        box.finish()


if __name__ == "__main__":
    main()
