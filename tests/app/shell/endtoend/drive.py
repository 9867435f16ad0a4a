#!/usr/bin/env python3
"""The assistive technology's side of the end-to-end test, over AT-SPI.

Usage:
  drive.py PID toggle NAME THEN   find the check box NAME in process PID, run its "Toggle"
                                  action and wait until a check box named THEN appears
  drive.py PID menu NAME          run the menu item NAME of process PID
  drive.py PID ready NAME         wait until the check box NAME in process PID takes clicks
  drive.py PID counters           find the home page's counters, read as one element with no
                                  children and with none of their labels reachable on their own
Exit status 0 when all went so; otherwise it says what failed.
"""
import re
import sys
import time

import pyatspi

DEADLINE = time.monotonic() + 40


def find(accessible, roles, name, depth=0):
    if accessible is None or depth > 40:
        return None
    try:
        if accessible.getRole() in roles and accessible.name == name:
            return accessible
        for i in range(accessible.childCount):
            found = find(accessible.getChildAtIndex(i), roles, name, depth + 1)
            if found is not None:
                return found
    except Exception:  # a widget that went while it was being read
        return None
    return None


def wait_for(pid, roles, name):
    while time.monotonic() < DEADLINE:
        try:
            for app in pyatspi.Registry.getDesktop(0):
                if app is not None and app.get_process_id() == pid:
                    found = find(app, roles, name)
                    if found is not None:
                        return found
        except Exception as error:  # the application may still be registering
            print("looking:", error, file=sys.stderr)
        time.sleep(0.2)
    sys.exit(f"nothing named {name!r} in process {pid}")


COUNTERS = re.compile(r"^\d+ values? replaced, \d+ messages? redacted, \d+ passed unchanged, \d+ blocked$")
COUNTER_LABELS = {"value replaced", "values replaced", "message redacted", "messages redacted",
                  "passed unchanged", "blocked"}


def every(accessible, depth=0):
    if accessible is None or depth > 40:
        return
    yield accessible
    for i in range(accessible.childCount):
        yield from every(accessible.getChildAtIndex(i), depth + 1)


def read_counters(pid):
    """The counters' one element, once the gateway's figures are in; exits on a wrong tree."""
    seen = None
    while time.monotonic() < DEADLINE:
        try:
            for app in pyatspi.Registry.getDesktop(0):
                if app is None or app.get_process_id() != pid:
                    continue
                nodes = list(every(app))
                found = [node for node in nodes if COUNTERS.match(node.name or "")]
                labels = [node.name for node in nodes if (node.name or "") in COUNTER_LABELS]
                if labels:
                    sys.exit(f"counter labels reachable on their own: {labels}")
                if len(found) > 1:
                    sys.exit(f"{len(found)} elements read the counters")
                if found:
                    if found[0].childCount != 0:
                        sys.exit(f"the counters have {found[0].childCount} children")
                    return found[0].name
                seen = [node.name for node in nodes if "replaced" in (node.name or "")]
        except Exception as error:  # a widget that went while it was being read
            print("looking:", error, file=sys.stderr)
        time.sleep(0.2)
    sys.exit(f"no element reads the counters; named with 'replaced': {seen}")


def run_action(accessible, wanted):
    action = accessible.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    for name in wanted:
        if name in names:
            action.doAction(names.index(name))
            return
    sys.exit(f"none of the actions {wanted} on {accessible.name!r}, only {names}")


def main():
    pid, command = int(sys.argv[1]), sys.argv[2]
    if command in ("toggle", "ready"):
        box = wait_for(pid, (pyatspi.ROLE_CHECK_BOX,), sys.argv[3])
        # The switch is shown while the gateway starts, and takes clicks once it is proven.
        while not box.getState().contains(pyatspi.STATE_ENABLED):
            if time.monotonic() > DEADLINE:
                sys.exit(f"{sys.argv[3]!r} never became enabled")
            time.sleep(0.2)
            box = wait_for(pid, (pyatspi.ROLE_CHECK_BOX,), sys.argv[3])
        if command == "ready":
            print("ready")
            return
        run_action(box, ["Toggle"])
        wait_for(pid, (pyatspi.ROLE_CHECK_BOX,), sys.argv[4])
        print("toggled")
    elif command == "menu":
        item = wait_for(pid, (pyatspi.ROLE_MENU_ITEM,), sys.argv[3])
        run_action(item, ["Press", "Click", "click", "press"])
        print("pressed")
    elif command == "counters":
        print(read_counters(pid))
    else:
        sys.exit(f"unknown command {command!r}")


if __name__ == "__main__":
    main()
