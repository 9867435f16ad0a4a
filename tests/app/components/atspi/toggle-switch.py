#!/usr/bin/env python3
"""An assistive technology's side of the switch test: finds, in the application with the given
process id, the check box with the given name over AT-SPI, runs its "Toggle" action and waits
until the box reads as checked (the application writes the value it was asked for back).

Usage: toggle-switch.py PID NAME. Exit status 0 when all went so; otherwise it says what failed.
"""
import sys
import time

import pyatspi

DEADLINE = time.monotonic() + 30


def find(accessible, name, depth=0):
    if accessible is None or depth > 30:
        return None
    if accessible.getRole() == pyatspi.ROLE_CHECK_BOX and accessible.name == name:
        return accessible
    for i in range(accessible.childCount):
        found = find(accessible.getChildAtIndex(i), name, depth + 1)
        if found is not None:
            return found
    return None


def checkbox(pid, name):
    while time.monotonic() < DEADLINE:
        try:
            for app in pyatspi.Registry.getDesktop(0):
                if app is not None and app.get_process_id() == pid:
                    found = find(app, name)
                    if found is not None:
                        return found
        except Exception as error:  # the application may still be registering
            print("looking:", error, file=sys.stderr)
        time.sleep(0.2)
    sys.exit(f"no check box named {name!r} in process {pid}")


def checked(box):
    return box.getState().contains(pyatspi.STATE_CHECKED)


def main():
    pid, name = int(sys.argv[1]), sys.argv[2]
    box = checkbox(pid, name)
    if checked(box):
        sys.exit("the switch reads as checked before the toggle")
    action = box.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    if "Toggle" not in names:
        sys.exit(f"no Toggle action, only {names}")
    action.doAction(names.index("Toggle"))
    while time.monotonic() < DEADLINE:
        if checked(box):
            print("toggled")
            return
        time.sleep(0.1)
    sys.exit("the switch never read as checked")


if __name__ == "__main__":
    main()
