#!/usr/bin/env python3
"""Copies texts to the X clipboard at a steady rate, as one long-lived program, for bench/soak.sh.

  soak_copier.py --rate N --work DIR

Owns CLIPBOARD through libX11 (ctypes) and serves each text as UTF8_STRING, STRING and TEXT; a new process
per copy (xclip) cannot keep 5 copies a second on a busy machine. Each text carries a marker "[soak N]";
N is appended to DIR/made.txt once the copy is on the clipboard. Pauses while DIR/pause exists and ends
when DIR/stop does.
"""

import ctypes
import os
import select
import sys
import time

SELECTION_REQUEST = 30
SELECTION_CLEAR = 29
PROP_MODE_REPLACE = 0
SELECTION_NOTIFY = 31
NONE = 0


class SelectionRequest(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("owner", ctypes.c_ulong), ("requestor", ctypes.c_ulong),
                ("selection", ctypes.c_ulong), ("target", ctypes.c_ulong), ("property", ctypes.c_ulong),
                ("time", ctypes.c_ulong)]


class SelectionNotify(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("requestor", ctypes.c_ulong), ("selection", ctypes.c_ulong),
                ("target", ctypes.c_ulong), ("property", ctypes.c_ulong), ("time", ctypes.c_ulong)]


class Event(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("request", SelectionRequest), ("notify", SelectionNotify),
                ("pad", ctypes.c_long * 24)]


LONG_LINE = "lorem ipsum dolor sit amet " * 400


def text_for(i):
    kind = i % 8
    if kind == 0:
        return "soak copy [soak %d] alpha beta gamma" % i
    if kind == 1:
        return "剪贴板历史 中文搜索 测试 [soak %d] 你好世界" % i
    if kind == 2:
        return "emoji 😀🎉👍🏽🇨🇳 [soak %d] ✨ 表情" % i
    if kind == 3:
        return "[soak %d] long line %s" % (i, LONG_LINE)
    if kind == 4:
        return "[soak %d]\nfirst line\n\tsecond line\n第三行" % i
    if kind == 5:
        return '{"id": %d, "tag": "[soak %d]", "items": [1, 2, 3]}' % (i, i)
    if kind == 6:
        return "https://example.com/page/%d?q=soak [soak %d]" % (i, i)
    return "mixed Ünïcödé ﷽ \u202ereversed\u202c [soak %d] zero\u200bwidth" % i


def main(argv):
    rate, work = 5.0, "."
    while argv:
        option = argv.pop(0)
        if option == "--rate":
            rate = float(argv.pop(0))
        elif option == "--work":
            work = argv.pop(0)
    x = ctypes.CDLL("libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XDefaultRootWindow.restype = ctypes.c_ulong
    x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x.XCreateSimpleWindow.restype = ctypes.c_ulong
    x.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_int] * 2 + \
        [ctypes.c_uint] * 3 + [ctypes.c_ulong] * 2
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XSetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong]
    x.XGetSelectionOwner.restype = ctypes.c_ulong
    x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_int,
                                  ctypes.c_int, ctypes.c_void_p, ctypes.c_int]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x.XPending.argtypes = [ctypes.c_void_p]
    x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
    x.XFlush.argtypes = [ctypes.c_void_p]
    x.XConnectionNumber.argtypes = [ctypes.c_void_p]

    display = x.XOpenDisplay(None)
    if not display:
        print("soak_copier: cannot open the display", file=sys.stderr)
        return 1
    window = x.XCreateSimpleWindow(display, x.XDefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0)
    atom = {name: x.XInternAtom(display, name.encode(), 0)
            for name in ("CLIPBOARD", "TARGETS", "UTF8_STRING", "STRING", "TEXT", "ATOM", "TIMESTAMP")}
    targets = (ctypes.c_ulong * 4)(atom["TARGETS"], atom["UTF8_STRING"], atom["STRING"], atom["TEXT"])
    connection = x.XConnectionNumber(display)
    made = open(os.path.join(work, "made.txt"), "a")

    current = b""
    i = 0
    interval = 1.0 / rate
    next_copy = time.monotonic()
    while not os.path.exists(os.path.join(work, "stop")):
        now = time.monotonic()
        if now >= next_copy:
            next_copy = max(next_copy + interval, now)
            if not os.path.exists(os.path.join(work, "pause")):
                i += 1
                current = text_for(i).encode("utf-8")
                x.XSetSelectionOwner(display, atom["CLIPBOARD"], window, 0)
                if x.XGetSelectionOwner(display, atom["CLIPBOARD"]) == window:
                    made.write("%d\n" % i)
                    made.flush()
        x.XFlush(display)
        while x.XPending(display):
            event = Event()
            x.XNextEvent(display, ctypes.byref(event))
            if event.type != SELECTION_REQUEST:
                continue
            request = event.request
            reply = Event()
            reply.notify.type = SELECTION_NOTIFY
            reply.notify.requestor = request.requestor
            reply.notify.selection = request.selection
            reply.notify.target = request.target
            reply.notify.time = request.time
            prop = request.property or request.target
            if request.target == atom["TARGETS"]:
                x.XChangeProperty(display, request.requestor, prop, atom["ATOM"], 32, PROP_MODE_REPLACE,
                                  targets, len(targets))
                reply.notify.property = prop
            elif request.target in (atom["UTF8_STRING"], atom["STRING"], atom["TEXT"]):
                data = ctypes.create_string_buffer(current, len(current))
                x.XChangeProperty(display, request.requestor, prop, atom["UTF8_STRING"], 8, PROP_MODE_REPLACE,
                                  data, len(current))
                reply.notify.property = prop
            else:
                reply.notify.property = NONE
            x.XSendEvent(display, request.requestor, 0, 0, ctypes.byref(reply))
            x.XFlush(display)
        wait = max(0.0, min(next_copy - time.monotonic(), 0.05))
        select.select([connection], [], [], wait)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
