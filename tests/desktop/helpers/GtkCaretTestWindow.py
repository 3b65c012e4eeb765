#!/usr/bin/python3
# The caret test window in GTK 3, for the caret tests that GTK's own accessibility decides: one entry, or a
# text view when started with "multiline"; with "large", thousands of labels come before the field in the
# accessible tree, as in an office document. It prints what the Qt caret test window prints: "focus x y w h"
# once the field has focus in the active window, "text <text> x y w h" after every change (newlines written
# as "\n") with the field's rectangle on screen, then "caret x y w h", the caret as the field draws it.

import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk, Pango  # noqa: E402

multi_line = "multiline" in sys.argv[1:]
large = "large" in sys.argv[1:]
window = Gtk.Window(title="Caret test window")
window.set_default_size(420, 260 if multi_line or large else 120)
window.move(220, 160)
box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=6, margin=12)
if large:
    # More elements than a search for the focused one may visit, all ahead of the field.
    grid = Gtk.Grid()
    for cell in range(6000):
        grid.attach(Gtk.Label(label="cell %d" % cell), cell % 20, cell // 20, 1, 1)
    scrolled = Gtk.ScrolledWindow()
    scrolled.set_size_request(-1, 120)
    scrolled.add(grid)
    box.pack_start(scrolled, False, False, 0)
box.pack_start(Gtk.Label(label="Type here:", xalign=0), False, False, 0)
if multi_line:
    field = Gtk.TextView()
    field.set_size_request(-1, 160)
else:
    field = Gtk.Entry()
field.get_accessible().set_name("Caret test field")
box.pack_start(field, False, False, 0)
window.add(box)
window.connect("destroy", Gtk.main_quit)


def say(line):
    print(line, flush=True)


def origin_on_screen():
    x, y = field.translate_coordinates(window, 0, 0)
    _, wx, wy = window.get_window().get_origin()
    return wx + x, wy + y


def where():
    x, y = origin_on_screen()
    allocation = field.get_allocation()
    return "%d %d %d %d" % (x, y, allocation.width, allocation.height)


def caret_rectangle():
    x, y = origin_on_screen()
    if multi_line:
        buffer = field.get_buffer()
        location = field.get_iter_location(buffer.get_iter_at_mark(buffer.get_insert()))
        cx, cy = field.buffer_to_window_coords(Gtk.TextWindowType.WIDGET, location.x, location.y)
        return x + cx, y + cy, 1, location.height
    layout = field.get_layout()
    text = field.get_text()
    index = field.text_index_to_layout_index(len(text[: field.get_position()].encode("utf-8")))
    strong, _ = layout.get_cursor_pos(index)
    offset_x, offset_y = field.get_layout_offsets()
    return (x + offset_x + strong.x // Pango.SCALE, y + offset_y + strong.y // Pango.SCALE, 1,
            max(1, strong.height // Pango.SCALE))


def report_caret():
    say("caret %d %d %d %d" % caret_rectangle())
    return False


def changed(*_):
    if multi_line:
        buffer = field.get_buffer()
        text = buffer.get_text(buffer.get_start_iter(), buffer.get_end_iter(), False)
    else:
        text = field.get_text()
    say("text %s %s" % (text.replace("\n", "\\n"), where()))
    GLib.timeout_add(100, report_caret)


(field.get_buffer() if multi_line else field).connect("changed", changed)

def activate():
    # Asks until the window manager grants the focus: a window mapped while it settles may be passed over.
    # Once granted it stops asking, so that another window (the panel) can take the focus.
    if window.is_active() and field.has_focus():
        say("focus " + where())
        return False
    window.present()
    field.grab_focus()
    return True


window.show_all()
field.grab_focus()
GLib.timeout_add(200, activate)
Gtk.main()
