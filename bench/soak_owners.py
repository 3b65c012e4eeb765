#!/usr/bin/env python3
"""Copies to the X clipboard the way everyday programs do, for bench/soak.sh --owners short.

  soak_owners.py --rate N --work DIR [--image-every K] [--new-app-every M]

Every copy is a new, short-lived owner: one xclip process per copy, which serves the clipboard until the
next copy takes it and then ends. Every K-th copy is a PNG picture (a few coloured bars and a marker
pattern, different each time) instead of a text. Each copy's number goes to DIR/made.txt once xclip owns
the clipboard; pictures are numbered too but carry no text marker, so only texts are counted as stored.
Every M-th copy comes from a program never seen before: a small xterm of a class of its own is in front
while it copies, so the copy is recorded with a new application.
Pauses while DIR/pause exists and ends when DIR/stop does.
"""

import os
import struct
import subprocess
import sys
import time
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from soak_copier import text_for  # noqa: E402


def png(width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + row for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 6)) + \
        chunk(b"IEND", b"")


def picture_for(i):
    """A 480 x 270 RGB picture whose bars and checker pattern depend on i, so no two are the same."""
    width, height = 480, 270
    rows = []
    for y in range(height):
        band = (y // 30 + i) % 6
        colour = bytes(((band * 40 + i) % 256, (band * 90 + 3 * i) % 256, (band * 150 + 7 * i) % 256))
        row = bytearray(colour * width)
        if 100 <= y < 140:
            # The copy's number as a row of dark squares: distinct pixels for every copy.
            for bit in range(20):
                if (i >> bit) & 1:
                    start = (20 + bit * 22) * 3
                    row[start:start + 16 * 3] = b"\x10\x10\x10" * 16
        rows.append(bytes(row))
    return png(width, height, rows)


def main(argv):
    options = {"--rate": "2", "--work": ".", "--image-every": "10", "--new-app-every": "0"}
    while len(argv) >= 2:
        options[argv.pop(0)] = argv.pop(0)
    rate, work = float(options["--rate"]), options["--work"]
    image_every, new_app_every = int(options["--image-every"]), int(options["--new-app-every"])
    made = open(os.path.join(work, "made.txt"), "a")
    interval = 1.0 / rate
    next_copy = time.monotonic()
    i = 0
    while not os.path.exists(os.path.join(work, "stop")):
        now = time.monotonic()
        if now < next_copy:
            time.sleep(min(next_copy - now, 0.1))
            continue
        next_copy = max(next_copy + interval, now)
        if os.path.exists(os.path.join(work, "pause")):
            continue
        i += 1
        if image_every > 0 and i % image_every == 0:
            data, kind = picture_for(i), ["-t", "image/png"]
        else:
            data, kind = text_for(i).encode("utf-8"), []
        # xclip forks a server that owns the clipboard until the next copy takes it; the parent returns once
        # it has read the input and the server holds the selection.
        command = ["xclip", "-selection", "clipboard"] + kind
        if new_app_every > 0 and i % new_app_every == 0:
            # The terminal maps first and takes the focus; xclip copies from inside it, then it closes.
            path = os.path.join(work, "copy-%d" % i)
            with open(path, "wb") as out:
                out.write(data)
            script = "sleep 0.4; %s < %s; rm -f %s; sleep 0.3" % (" ".join(command), path, path)
            done = subprocess.run(["xterm", "-class", "SoakApp%d" % i, "-geometry", "30x3+%d+%d" % (
                (i * 37) % 900, (i * 53) % 600), "-e", "sh", "-c", script],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        else:
            done = subprocess.run(command, input=data, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if done.returncode == 0 and not kind:
            made.write("%d\n" % i)
            made.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
