#!/usr/bin/env python3
"""Drives Quorvane's windows through the accessibility bus, as a screen reader would, for bench/soak.sh.

Uses libatspi through ctypes (no Python bindings needed). DBUS_SESSION_BUS_ADDRESS must name the session bus that
runs org.a11y.Bus, and the program must run with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1.

  soak_ui.py press NAME [NAME...]    activate the first showing node named one of NAMEs (waits up to --wait s)
  soak_ui.py settext NAME TEXT       put TEXT into the showing editable text node named NAME ('' = any)
  soak_ui.py exists NAME             exit 0 when a showing node is named NAME
  soak_ui.py dump                    print the showing tree
Exit status 0 on success, 1 when nothing matched in time, 2 when the bus cannot be reached.
"""

import ctypes
import os
import sys
import time

STATE_SHOWING = 25


class Tree:
    """The accessible tree through libatspi: one bus connection for the whole command."""

    def __init__(self, app_name):
        self.app_name = app_name
        lib = ctypes.CDLL("libatspi.so.0")
        ptr = ctypes.c_void_p
        for name, restype, argtypes in [
            ("atspi_init", ctypes.c_int, []),
            ("atspi_get_desktop", ptr, [ctypes.c_int]),
            ("atspi_accessible_get_child_count", ctypes.c_int, [ptr, ptr]),
            ("atspi_accessible_get_child_at_index", ptr, [ptr, ctypes.c_int, ptr]),
            ("atspi_accessible_get_name", ctypes.c_char_p, [ptr, ptr]),
            ("atspi_accessible_get_role_name", ctypes.c_char_p, [ptr, ptr]),
            ("atspi_accessible_get_state_set", ptr, [ptr]),
            ("atspi_state_set_contains", ctypes.c_int, [ptr, ctypes.c_int]),
            ("atspi_accessible_get_action_iface", ptr, [ptr]),
            ("atspi_action_do_action", ctypes.c_int, [ptr, ctypes.c_int, ptr]),
            ("atspi_accessible_get_editable_text_iface", ptr, [ptr]),
            ("atspi_editable_text_set_text_contents", ctypes.c_int, [ptr, ctypes.c_char_p, ptr]),
            ("atspi_accessible_set_cache_mask", None, [ptr, ctypes.c_int]),
        ]:
            function = getattr(lib, name)
            function.restype = restype
            function.argtypes = argtypes
        self.lib = lib
        if lib.atspi_init() not in (0, 1):
            raise RuntimeError("atspi_init failed")

    def text(self, value):
        return value.decode("utf-8", "replace") if value else ""

    def children(self, node):
        lib = self.lib
        count = lib.atspi_accessible_get_child_count(node, None)
        return [child for child in (lib.atspi_accessible_get_child_at_index(node, index, None)
                                    for index in range(max(count, 0))) if child]

    def apps(self):
        desktop = self.lib.atspi_get_desktop(0)
        for app in self.children(desktop):
            # Nothing cached: the windows change under us.
            self.lib.atspi_accessible_set_cache_mask(app, 0)
            if self.text(self.lib.atspi_accessible_get_name(app, None)) == self.app_name:
                yield app

    def nodes(self):
        """Showing nodes, depth first: (node, role name, name, depth)."""
        lib = self.lib
        for app in self.apps():
            stack = [(app, 0)]
            while stack:
                node, depth = stack.pop()
                if depth > 0:
                    states = lib.atspi_accessible_get_state_set(node)
                    if not states or not lib.atspi_state_set_contains(states, STATE_SHOWING):
                        continue
                    role = self.text(lib.atspi_accessible_get_role_name(node, None))
                    name = self.text(lib.atspi_accessible_get_name(node, None))
                    yield node, role, name, depth
                for child in reversed(self.children(node)):
                    stack.append((child, depth + 1))

    def press(self, node):
        action = self.lib.atspi_accessible_get_action_iface(node)
        return bool(action) and bool(self.lib.atspi_action_do_action(action, 0, None))

    def set_text(self, node, text):
        editable = self.lib.atspi_accessible_get_editable_text_iface(node)
        return bool(editable) and bool(
            self.lib.atspi_editable_text_set_text_contents(editable, text.encode("utf-8"), None))


def find(tree, names):
    for node, _, name, _ in tree.nodes():
        if name in names:
            return node
    return None


def until(wait, probe):
    deadline = time.monotonic() + wait
    while True:
        found = probe()
        if found or time.monotonic() >= deadline:
            return found
        time.sleep(0.2)


def main(argv):
    wait = 20.0
    app = "Quorvane"
    while argv and argv[0].startswith("--"):
        option = argv.pop(0)
        if option == "--wait":
            wait = float(argv.pop(0))
        elif option == "--app":
            app = argv.pop(0)
    if not argv:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        tree = Tree(app)
    except (OSError, RuntimeError) as error:
        print("soak_ui: no accessibility bus: %s" % error, file=sys.stderr)
        return 2
    command, args = argv[0], argv[1:]
    if command == "dump":
        for _, role, name, depth in tree.nodes():
            print("  " * depth + "%s '%s'" % (role, name))
        return 0
    if command == "exists":
        return 0 if until(wait, lambda: find(tree, set(args))) else 1
    if command == "press":
        found = until(wait, lambda: find(tree, set(args)))
        if not found:
            print("soak_ui: nothing named %s shows" % args, file=sys.stderr)
            return 1
        return 0 if tree.press(found) else 1
    if command == "settext":
        name, text = args

        # A dialog that has just opened may show its field a moment later: wait for it as press does.
        def set_once():
            for node, role, node_name, _ in tree.nodes():
                if role == "text" and (not name or node_name == name) and tree.set_text(node, text):
                    return True
            return False

        if until(wait, set_once):
            return 0
        print("soak_ui: no editable text named '%s' shows" % name, file=sys.stderr)
        return 1
    print("soak_ui: unknown command %s" % command, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
