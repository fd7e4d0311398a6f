#!/usr/bin/env python3
"""The program as a screen reader meets it over AT-SPI.

Started by tools/a11y-check.sh inside an X display and a D-Bus session of its
own. Starts the program, answers its start-up warning, then checks the board
photograph, the rings and the jumpers: names, roles, states and actions, the
popup a ring's action opens, and the announcements while an address is typed.
Exits non-zero with the reason on the first thing a screen reader would miss.
"""
import os
import subprocess
import sys
import time

import dbus
import pyatspi
from gi.repository import GLib

TIMEOUT = 20.0
RINGS = {"Control Base Address": "jumper settings", "Protocol/Mode": "jumper settings", "Load": "jumper settings",
         "Baud Clock Rate": "jumper settings", "Serial Connector": "information",
         "Port Resources": "jumper settings", "Port Disable": "jumper settings"}
# The control base address panel: name, fitted (checked), operable.
BASE_JUMPERS = [("DF", False, False), ("A9", False, True), ("A8", False, True), ("A7", True, True),
                ("A6", True, True), ("A5", True, True)]


class CheckFailed(Exception):
    pass


def wait_for(what, find, timeout=TIMEOUT):
    """Polls find() while the main loop runs, until it gives something."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        while context.pending():
            context.iteration(False)
        found = find()
        if found:
            return found
        time.sleep(0.05)
    raise CheckFailed("timed out waiting for " + what)


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for i in range(node.childCount):
        try:
            child = node.getChildAtIndex(i)
        except Exception:
            continue
        yield from walk(child, depth + 1)


def find(root, role, name=None):
    return [n for n in walk(root) if n.getRoleName() == role and (name is None or n.name == name)]


def states(node):
    return node.getState()


def press(node, action_name):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) == action_name:
            if not action.doAction(i):
                raise CheckFailed(f"{node.getRoleName()} '{node.name}' refused its {action_name} action")
            return
    names = [action.getName(i) for i in range(action.nActions)]
    raise CheckFailed(f"{node.getRoleName()} '{node.name}' has no {action_name} action, only {names}")


def expect(condition, message):
    if not condition:
        raise CheckFailed(message)


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            continue
    return None


def check(program):
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_ACCESSIBILITY="1")
    proc = subprocess.Popen([program], env=env)
    try:
        app = wait_for("the program on the accessibility bus", lambda: application(proc.pid))

        # No port driver here: the start-up warning comes first and is answered as a user would.
        warning = wait_for("the Warning box", lambda: find(app, "alert", "Warning") or find(app, "dialog", "Warning"))
        ok = wait_for("its OK button", lambda: find(warning[0], "push button", "OK"))
        press(ok[0], "Press")
        main = wait_for("the main window", lambda: find(app, "frame", "Setup"))[0]

        photo = wait_for("the board photograph", lambda: find(main, "image", "Board photograph"))[0]
        rings = {n.name: n for n in find(photo, "push button")}
        expect(set(rings) == set(RINGS), f"rings on the photograph: {sorted(rings)}")
        for name, description in RINGS.items():
            expect(rings[name].description == description,
                   f"ring '{name}' described as '{rings[name].description}', not '{description}'")

        # The ring's action opens its popup, pinned, with the jumpers showing.
        press(rings["Control Base Address"], "Press")
        popup = wait_for("the Control Base Address popup", lambda: [
            w for w in find(app, "frame", "Control Base Address") if states(w).contains(pyatspi.STATE_SHOWING)])[0]
        boxes = {n.name: n for n in find(popup, "check box")}
        for name, fitted, operable in BASE_JUMPERS:
            expect(name in boxes, f"no check box '{name}' in the popup; found {sorted(boxes)}")
            box = boxes[name]
            expect(box.description == "jumper", f"'{name}' described as '{box.description}'")
            expect(states(box).contains(pyatspi.STATE_CHECKED) == fitted, f"'{name}' checked should be {fitted}")
            expect(states(box).contains(pyatspi.STATE_SHOWING), f"'{name}' not showing in the open popup")
            expect(states(box).contains(pyatspi.STATE_ENABLED) == operable, f"'{name}' enabled should be {operable}")

        # Typing an address: the screen reader hears each jumper that changes.
        heard = []

        def on_checked(event):
            if event.source is not None and event.source.getRoleName() == "check box":
                heard.append((event.source.name, bool(event.detail1)))

        pyatspi.Registry.registerEventListener(on_checked, "object:state-changed:checked")
        edit = wait_for("the address edit", lambda: [
            n for n in find(popup, "text") if n.queryText().getText(0, -1) == "300"])[0]
        edit.queryEditableText().setTextContents("100")
        wait_for("A9 announced as fitted", lambda: ("A9", True) in heard, timeout=5)
        expect(states(boxes["A9"]).contains(pyatspi.STATE_CHECKED), "A9 not checked after typing 100")

        # Toggling a jumper by its action does what a click does, mirrors included.
        del heard[:]
        press(boxes["A8"], "Toggle")
        wait_for("A8 announced as fitted", lambda: ("A8", True) in heard, timeout=5)
        wait_for("the address following the jumper", lambda: edit.queryText().getText(0, -1) == "0", timeout=5)
        pyatspi.Registry.deregisterEventListener(on_checked, "object:state-changed:checked")

        print("accessibility over AT-SPI: the photograph, %d rings, %d jumpers in the popup its ring opened, "
              "announcements while typing and toggling: as expected" % (len(rings), len(boxes)))
    finally:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()


def enable_accessibility():
    # What a screen reader's session sets: toolkits then publish their trees.
    bus = dbus.SessionBus()
    status = bus.get_object("org.a11y.Bus", "/org/a11y/bus")
    props = dbus.Interface(status, "org.freedesktop.DBus.Properties")
    props.Set("org.a11y.Status", "IsEnabled", dbus.Boolean(True))
    props.Set("org.a11y.Status", "ScreenReaderEnabled", dbus.Boolean(True))


def main():
    enable_accessibility()
    try:
        check(sys.argv[1])
    except CheckFailed as failure:
        print("accessibility check failed: %s" % failure, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
