#!/usr/bin/python3
"""A screen reader's walk over the live widget, through pyatspi on the session's accessibility
bus. Prints what it found as one JSON object; exits 1 with the failures on stderr."""

import argparse
import json
import os
import sys
import time

import dbus
import pyatspi
from gi.repository import GLib

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def pump(seconds):
    """Lets libatspi take in the events that keep its cache true."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + seconds
    while True:
        while context.iteration(False):
            pass
        if time.monotonic() >= deadline:
            return
        time.sleep(0.002)


def find_application(name, limit):
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            if app is not None and app.name == name:
                return app
        pump(0.1)
    return None


def walk(node, found):
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is None:
            continue
        found.append(child)
        walk(child, found)
    return found


def nodes_of(app, role):
    return [n for n in walk(app, []) if n.getRole() == role]


def extents(node, coords):
    box = node.queryComponent().getExtents(coords)
    return [box.x, box.y, box.width, box.height]


def inside(box, outer):
    x, y, w, h = box
    ox, oy, ow, oh = outer
    return w > 0 and h > 0 and x >= ox and y >= oy and x + w <= ox + ow and y + h <= oy + oh


def hostile_calls(app_name, expected_opened, opened_file):
    """Calls no reader should make: a vanished object, an action that does not exist."""
    session = dbus.SessionBus()
    address = session.get_object("org.a11y.Bus", "/org/a11y/bus").GetAddress(
        dbus_interface="org.a11y.Bus")
    bus = dbus.bus.BusConnection(address)
    registry = bus.get_object("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")
    owner = None
    for name, path in registry.GetChildren(dbus_interface="org.a11y.atspi.Accessible"):
        root = bus.get_object(name, path)
        if root.Get("org.a11y.atspi.Accessible", "Name",
                    dbus_interface="org.freedesktop.DBus.Properties") == app_name:
            owner = name
    if not check(owner is not None, "the application is not among the registry's children"):
        return
    missing = bus.get_object(owner, "/org/a11y/atspi/accessible/999999", introspect=False)
    try:
        missing.GetRole(dbus_interface="org.a11y.atspi.Accessible")
        check(False, "a call on an object that does not exist was answered")
    except dbus.DBusException as error:
        check(error.get_dbus_name().startswith("org.freedesktop.DBus.Error"),
              "unexpected error for a missing object: " + error.get_dbus_name())
    # Every button on the card refuses an action number it does not have.
    card = bus.get_object(owner, "/org/a11y/atspi/accessible/root", introspect=False)
    (_, card_path), = card.GetChildren(dbus_interface="org.a11y.atspi.Accessible")
    for _, path in bus.get_object(owner, card_path, introspect=False).GetChildren(
            dbus_interface="org.a11y.atspi.Accessible"):
        node = bus.get_object(owner, path, introspect=False)
        if node.GetRole(dbus_interface="org.a11y.atspi.Accessible") != pyatspi.ROLE_PUSH_BUTTON:
            continue
        for action in (1, -1, 2**31 - 1):
            try:
                node.DoAction(dbus.Int32(action), dbus_interface="org.a11y.atspi.Action")
                check(False, "DoAction(%d) was carried out" % action)
            except dbus.DBusException:
                pass
    time.sleep(0.3)
    with open(opened_file, encoding="utf-8") if os.path.exists(opened_file) else open(os.devnull) as f:
        opened = f.read().split("\n")
    urls = [line for line in opened if line.startswith("sonaris://")]
    check(urls == expected_opened, "links opened besides the clicks: %r" % urls)


names_heard = {}


def heard_name(event):
    names_heard.setdefault(str(event.any_data), time.monotonic())


def rewrite_title(app, path, title):
    """Writes the host's state anew with `title`, as the host does (whole, then renamed); the
    milliseconds until the reader is told of a label with that name, or None."""
    with open(path, encoding="utf-8") as f:
        state = json.load(f)
    state["title"] = title
    temporary = path + ".new"
    with open(temporary, "w", encoding="utf-8") as f:
        json.dump(state, f)
    pump(0)
    start = time.monotonic()
    os.rename(temporary, path)
    while time.monotonic() - start < 5 and title not in names_heard:
        pump(0.001)
    if title not in names_heard:
        return None
    labels = [n.name for n in nodes_of(app, pyatspi.ROLE_LABEL)]
    check(title in labels, "told of %r, but the labels read %r" % (title, labels))
    return round((names_heard[title] - start) * 1000, 1)


children_added = []


def heard_child(event):
    children_added.append(time.monotonic())


def add_history_rows(app, path):
    """Gives the host's state two history rows: the reader is told that children came, and
    reads each row as one label."""
    with open(path, encoding="utf-8") as f:
        state = json.load(f)
    state["recentTracks"] = [
        {"title": "Row One", "artist": "Artist One", "durationText": "3:20", "path": "/m/1"},
        {"title": "Row Two", "artist": "Artist Two", "durationText": "2:10", "path": "/m/2"}]
    temporary = path + ".new"
    with open(temporary, "w", encoding="utf-8") as f:
        json.dump(state, f)
    pyatspi.Registry.registerEventListener(heard_child, "object:children-changed")
    pump(0)
    os.rename(temporary, path)
    deadline = time.monotonic() + 5
    while time.monotonic() < deadline and len(children_added) < 3:
        pump(0.005)
    # The heading and the two rows.
    check(len(children_added) >= 3, "told of %d new children, not 3" % len(children_added))
    labels = [n.name for n in nodes_of(app, pyatspi.ROLE_LABEL)]
    for row in ("Row One, Artist One", "Row Two, Artist Two"):
        check(row in labels, "no label %r among %r" % (row, labels))


def registry_names(bus):
    registry = bus.get_object("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")
    names = []
    for name, path in registry.GetChildren(dbus_interface="org.a11y.atspi.Accessible"):
        try:
            names.append(bus.get_object(name, path, introspect=False).Get(
                "org.a11y.atspi.Accessible", "Name",
                dbus_interface="org.freedesktop.DBus.Properties"))
        except dbus.DBusException:
            pass
    return names


def toggle_assistive_technology(app_name):
    """Turns assistive technology off and on again, as the desktop's settings do: the widget
    leaves the registry's desktop and comes back."""
    session = dbus.SessionBus()
    launcher = session.get_object("org.a11y.Bus", "/org/a11y/bus")
    address = launcher.GetAddress(dbus_interface="org.a11y.Bus")
    bus = dbus.bus.BusConnection(address)

    def set_enabled(enabled):
        launcher.Set("org.a11y.Status", "IsEnabled", dbus.Boolean(enabled),
                     dbus_interface="org.freedesktop.DBus.Properties")

    def wait_for(present):
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            if (app_name in registry_names(bus)) == present:
                return True
            time.sleep(0.02)
        return False

    set_enabled(False)
    check(wait_for(False), "the widget stayed on the desktop with assistive technology off")
    set_enabled(True)
    check(wait_for(True), "the widget did not come back with assistive technology on")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--name", default="Sonaris Widget")
    parser.add_argument("--title", required=True)
    parser.add_argument("--artist", required=True)
    parser.add_argument("--progress", type=float, nargs=2, metavar=("CURRENT", "MAXIMUM"))
    parser.add_argument("--buttons", required=True, help="comma-separated, in order")
    parser.add_argument("--window", type=int, nargs=4, required=True,
                        help="x y width height of the window, in the coordinates expected")
    parser.add_argument("--relative", action="store_true",
                        help="screen extents are the window's own (Wayland)")
    parser.add_argument("--click", help="the button to click")
    parser.add_argument("--expect-url", help="what the click opens")
    parser.add_argument("--opened-file", help="where the stand-in xdg-open records its URLs")
    parser.add_argument("--state", help="the host's state file, rewritten with --new-title")
    parser.add_argument("--new-title")
    parser.add_argument("--rewrites", type=int, default=1, help="how many times to rewrite")
    parser.add_argument("--hostile", action="store_true")
    parser.add_argument("--add-rows", action="store_true",
                        help="give the state history rows (the large family shows them)")
    parser.add_argument("--toggle", action="store_true",
                        help="turn assistive technology off and on again, last")
    args = parser.parse_args()
    report = {}

    app = find_application(args.name, 20)
    if app is None:
        names = [c.name for c in pyatspi.Registry.getDesktop(0) if c is not None]
        print("no application named %r on the desktop (there are %r)" % (args.name, names),
              file=sys.stderr)
        return 1
    report["application"] = app.name
    cards = [app.getChildAtIndex(i) for i in range(app.childCount)]
    check(len(cards) == 1 and cards[0].getRole() == pyatspi.ROLE_FRAME,
          "the application's child is not one frame: %r" % [c.getRoleName() for c in cards])

    labels = [n.name for n in nodes_of(app, pyatspi.ROLE_LABEL)]
    report["labels"] = labels
    check(args.title in labels, "no label with the title %r in %r" % (args.title, labels))
    check(args.artist in labels, "no label with the artist %r in %r" % (args.artist, labels))

    if args.progress:
        bars = nodes_of(app, pyatspi.ROLE_PROGRESS_BAR)
        if check(len(bars) == 1, "%d progress bars" % len(bars)):
            value = bars[0].queryValue()
            report["progress"] = [value.currentValue, value.maximumValue]
            check(abs(value.currentValue - args.progress[0]) < 0.01 and
                  abs(value.maximumValue - args.progress[1]) < 0.01,
                  "progress %r, expected %r" % (report["progress"], args.progress))

    buttons = nodes_of(app, pyatspi.ROLE_PUSH_BUTTON)
    report["buttons"] = [b.name for b in buttons]
    check(report["buttons"] == args.buttons.split(","),
          "buttons %r, expected %r" % (report["buttons"], args.buttons.split(",")))
    coords = pyatspi.DESKTOP_COORDS
    for button in buttons:
        box = extents(button, coords)
        check(inside(box, args.window), "%s at %r, outside the window %r" %
              (button.name, box, args.window))
        if args.relative:
            check(box == extents(button, pyatspi.WINDOW_COORDS),
                  "%s: screen and window extents differ on a surface that has no place" %
                  button.name)
        check(button.queryAction().getName(0) == "click", button.name + " has no click action")
    report["extents"] = {b.name: extents(b, coords) for b in buttons}

    if args.click:
        target = [b for b in buttons if b.name == args.click]
        if check(target, "no button " + args.click):
            target[0].queryAction().doAction(0)
            deadline = time.monotonic() + 10
            opened = ""
            while time.monotonic() < deadline and args.expect_url not in opened:
                if os.path.exists(args.opened_file):
                    with open(args.opened_file, encoding="utf-8") as f:
                        opened = f.read()
                time.sleep(0.02)
            check(args.expect_url in opened, "clicking %s opened %r, not %s" %
                  (args.click, opened, args.expect_url))

    if args.state and args.new_title:
        pyatspi.Registry.registerEventListener(heard_name, "object:property-change:accessible-name")
        times = []
        for round in range(args.rewrites):
            title = args.new_title if round == 0 else "%s %d" % (args.new_title, round)
            times.append(rewrite_title(app, args.state, title))
            check(times[-1] is not None and times[-1] < 1000,
                  "the new title %r reached the reader after %r ms" % (title, times[-1]))
        report["rewrite_ms"] = times

    if args.add_rows:
        add_history_rows(app, args.state)

    if args.hostile:
        hostile_calls(args.name, [args.expect_url] if args.click else [],
                      args.opened_file or os.devnull)

    if args.toggle:
        toggle_assistive_technology(args.name)

    print(json.dumps(report))
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
