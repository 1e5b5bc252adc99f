#!/usr/bin/python3
"""An MPRIS player that floods the bus with new tracks, for the host's tests and measurements.

Usage: storm_player.py NAME

It plays "calm" until told otherwise. Test interface com.tavrin.sonaris.StormPlayer on
/org/mpris/MediaPlayer2:
  Storm(u per_second, d seconds)  announce that many new tracks a second ("storm 1", "storm 2"...)
                                  for that long; returns at once, the storm runs from the main loop
  Progress() -> (u sent, b done)  tracks announced so far in the current storm, and whether it is over
Position reads are answered throughout, as a real player's would be.
"""
import sys
import time

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PLAYER = "org.mpris.MediaPlayer2.Player"
ROOT = "org.mpris.MediaPlayer2"
PROPS = "org.freedesktop.DBus.Properties"
TEST = "com.tavrin.sonaris.StormPlayer"
TICK_MS = 5


def metadata(number, title):
    return dbus.Dictionary({
        "mpris:trackid": dbus.ObjectPath(f"/org/sonaris/storm/{number}"),
        "xesam:title": dbus.String(title),
        "xesam:artist": dbus.String("Storm"),
        "mpris:length": dbus.Int64(200_000_000),
    }, signature="sv")


class Player(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/org/mpris/MediaPlayer2")
        self.props = {
            "PlaybackStatus": dbus.String("Playing"),
            "Metadata": metadata(0, "calm"),
            "Rate": dbus.Double(1.0),
            "Position": dbus.Int64(0),
            "CanControl": dbus.Boolean(True),
            "CanPlay": dbus.Boolean(True),
            "CanPause": dbus.Boolean(True),
            "CanGoNext": dbus.Boolean(True),
            "CanGoPrevious": dbus.Boolean(True),
        }
        self.sent = 0
        self.done = True

    @dbus.service.method(PROPS, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if interface == ROOT:
            return {"Identity": dbus.String("Storm")}.get(name, dbus.Boolean(False))
        return self.props[name]

    @dbus.service.method(PROPS, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        if interface == ROOT:
            return dbus.Dictionary({"Identity": dbus.String("Storm")}, signature="sv")
        return dbus.Dictionary(self.props, signature="sv")

    @dbus.service.signal(PROPS, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass

    @dbus.service.method(TEST, in_signature="ud")
    def Storm(self, per_second, seconds):
        self.sent, self.done = 0, False
        start = time.monotonic()

        def tick():
            elapsed = min(time.monotonic() - start, seconds)
            # Catch up with the rate asked for, a bounded batch at a time, so that calls to the
            # player are still answered between batches.
            due = min(int(elapsed * per_second), self.sent + max(per_second // 50, 1))
            while self.sent < due:
                self.sent += 1
                self.props["Metadata"] = metadata(self.sent, f"storm {self.sent}")
                self.PropertiesChanged(PLAYER, {"Metadata": self.props["Metadata"]},
                                       dbus.Array([], signature="s"))
            if elapsed >= seconds and self.sent >= int(seconds * per_second):
                self.done = True
                return False
            if elapsed >= seconds + 30:  # never keeps going for ever on a starved machine
                self.done = True
                return False
            return True

        GLib.timeout_add(TICK_MS, tick)

    @dbus.service.method(TEST, out_signature="ub")
    def Progress(self):
        return dbus.UInt32(self.sent), dbus.Boolean(self.done)

    @dbus.service.method(PLAYER)
    def PlayPause(self):
        pass


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    player = Player(bus)
    name = dbus.service.BusName("org.mpris.MediaPlayer2." + sys.argv[1], bus)
    GLib.MainLoop().run()
    del player, name


if __name__ == "__main__":
    main()
