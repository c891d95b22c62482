#!/usr/bin/env python3
"""Draws the program icons of the recorder, the administrator and the converter (icon 128 of each) as
32 x 32 RGB PNG files under resources/<program>/bitmaps. Run by hand when the artwork changes:
    scripts/make-program-icons.py [<source folder>]
"""
import os
import struct
import sys
import zlib

SIZE = 32
FRAME_TOP = (92, 92, 132)
FRAME_BOTTOM = (40, 40, 64)
EDGE = (20, 20, 36)
ACCENT = (255, 128, 0)
PAPER = (244, 236, 212)
INK = (60, 60, 90)
RED = (214, 36, 36)
WHITE = (255, 255, 255)


def canvas():
    """The family ground: the jukebox's frame colours from top to bottom, a dark edge."""
    rows = []
    for y in range(SIZE):
        mix = [a + (b - a) * y // (SIZE - 1) for a, b in zip(FRAME_TOP, FRAME_BOTTOM)]
        rows.append([tuple(mix)] * SIZE)
    for i in range(SIZE):
        rows[0][i] = rows[SIZE - 1][i] = EDGE
        rows[i][0] = rows[i][SIZE - 1] = EDGE
    return rows


def fill(rows, left, top, right, bottom, colour):
    for y in range(top, bottom):
        for x in range(left, right):
            rows[y][x] = colour


def disc(rows, cx, cy, radius, colour):
    for y in range(SIZE):
        for x in range(SIZE):
            if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= radius * radius:
                rows[y][x] = colour


def recorder():
    """A record button: a red disc on a light ring, with a level bar below."""
    rows = canvas()
    disc(rows, 16, 14, 10, PAPER)
    disc(rows, 16, 14, 8, RED)
    disc(rows, 13, 11, 2, (240, 120, 120))
    for i, height in enumerate([2, 4, 3, 5, 2, 4, 3]):
        fill(rows, 6 + i * 3, 29 - height, 8 + i * 3, 29, ACCENT)
    return rows


def ledger():
    """A ledger: a bound book of ruled rows with a check mark."""
    rows = canvas()
    fill(rows, 7, 5, 26, 28, PAPER)
    fill(rows, 7, 5, 10, 28, ACCENT)  # the spine
    for y in range(9, 26, 4):
        fill(rows, 12, y, 24, y + 1, INK)
    for i in range(4):  # a tick over the last rows
        rows[20 + i][15 + i] = RED
        rows[23 - i * 2][19 + i] = RED
        rows[22 - i * 2][19 + i] = RED
    return rows


def converter():
    """A conversion: an old sheet, an arrow, a new sheet."""
    rows = canvas()
    fill(rows, 4, 8, 13, 24, (170, 164, 146))
    fill(rows, 19, 8, 28, 24, PAPER)
    for y in range(11, 22, 3):
        fill(rows, 6, y, 11, y + 1, INK)
        fill(rows, 21, y, 26, y + 1, INK)
    fill(rows, 13, 15, 17, 17, ACCENT)  # the arrow's shaft
    for i in range(4):  # and its head
        fill(rows, 16 + i, 12 + i, 17 + i, 20 - i, ACCENT)
    return rows


def png(rows):
    raw = b"".join(b"\x00" + bytes(c for pixel in row for c in pixel) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main():
    source = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    for program, draw in (("recorder", recorder), ("ledgerkeep", ledger), ("shiftover", converter)):
        folder = os.path.join(source, "resources", program, "bitmaps")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "128.png"), "wb") as out:
            out.write(png(draw()))


if __name__ == "__main__":
    main()
