#!/usr/bin/python3
"""A scripted MPRIS player for the host's tests: it sends what a test tells it to, wrong types
included, and records the calls it receives.

Usage: fake_player.py NAME [INITIAL_JSON]

Values are written as [signature, value] pairs so that a test can send any D-Bus type:
  {"PlaybackStatus": ["s", "Playing"],
   "Metadata": ["a{sv}", {"xesam:title": ["s", "Song"], "mpris:length": ["x", 180000000]}]}
Two forms more: ["none", null] takes a property away (GetAll leaves it out, Get fails), as
browsers do with Position; ["s*", [PREFIX, COUNT]] is PREFIX followed by COUNT letters "A", a
string larger than any command line could carry.
Test interface com.tavrin.sonaris.FakePlayer on /org/mpris/MediaPlayer2:
  Set(s json)       apply the properties and emit PropertiesChanged for them
  SetQuietly(s json) apply them without a signal (a player that does not tell)
  Calls() -> s      the Player methods called so far, one a line
  CallTimes() -> at when each call came, in CLOCK_MONOTONIC nanoseconds
"""
import json
import sys
import time

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PLAYER = "org.mpris.MediaPlayer2.Player"
ROOT = "org.mpris.MediaPlayer2"
PROPS = "org.freedesktop.DBus.Properties"
TEST = "com.tavrin.sonaris.FakePlayer"


def typed(pair):
    signature, value = pair
    if signature == "s":
        return dbus.String(value)
    if signature == "s*":
        return dbus.String(value[0] + "A" * value[1])
    if signature == "none":
        return None
    if signature == "o":
        return dbus.ObjectPath(value)
    if signature == "b":
        return dbus.Boolean(value)
    if signature == "i":
        return dbus.Int32(value)
    if signature == "u":
        return dbus.UInt32(value)
    if signature == "x":
        return dbus.Int64(value)
    if signature == "t":
        return dbus.UInt64(value)
    if signature == "d":
        return dbus.Double(value)
    if signature == "as":
        return dbus.Array([dbus.String(v) for v in value], signature="s")
    if signature == "a{sv}":
        return dbus.Dictionary({k: typed(v) for k, v in value.items()}, signature="sv")
    raise ValueError("unknown signature " + signature)


class Player(dbus.service.Object):
    def __init__(self, bus, initial):
        super().__init__(bus, "/org/mpris/MediaPlayer2")
        self.props = {
            "PlaybackStatus": dbus.String("Stopped"),
            "Metadata": dbus.Dictionary({}, signature="sv"),
            "Rate": dbus.Double(1.0),
            "Position": dbus.Int64(0),
            "CanControl": dbus.Boolean(True),
            "CanPlay": dbus.Boolean(True),
            "CanPause": dbus.Boolean(True),
            "CanGoNext": dbus.Boolean(True),
            "CanGoPrevious": dbus.Boolean(True),
        }
        self.calls = []
        self.call_times = []
        self.apply(initial)

    def apply(self, changes):
        values = {k: typed(v) for k, v in changes.items()}
        self.props.update(values)
        for key in [k for k, v in values.items() if v is None]:
            del self.props[key], values[key]
        return values

    @dbus.service.method(PROPS, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if interface == ROOT:
            return {"Identity": dbus.String("Fake")}.get(name, dbus.Boolean(False))
        return self.props[name]

    @dbus.service.method(PROPS, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        if interface == ROOT:
            return dbus.Dictionary({"Identity": dbus.String("Fake")}, signature="sv")
        return dbus.Dictionary(self.props, signature="sv")

    @dbus.service.signal(PROPS, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass

    @dbus.service.method(TEST, in_signature="s")
    def Set(self, text):
        values = self.apply(json.loads(text))
        self.PropertiesChanged(PLAYER, dbus.Dictionary(values, signature="sv"),
                               dbus.Array([], signature="s"))

    @dbus.service.method(TEST, in_signature="s")
    def SetQuietly(self, text):
        self.apply(json.loads(text))

    @dbus.service.method(TEST, out_signature="s")
    def Calls(self):
        return "".join(call + "\n" for call in self.calls)

    @dbus.service.method(TEST, out_signature="at")
    def CallTimes(self):
        return dbus.Array(self.call_times, signature="t")

    def record(self, name):
        self.call_times.append(time.monotonic_ns())
        self.calls.append(name)

    @dbus.service.method(PLAYER)
    def PlayPause(self):
        self.record("PlayPause")

    @dbus.service.method(PLAYER)
    def Play(self):
        self.record("Play")

    @dbus.service.method(PLAYER)
    def Pause(self):
        self.record("Pause")

    @dbus.service.method(PLAYER)
    def Next(self):
        self.record("Next")

    @dbus.service.method(PLAYER)
    def Previous(self):
        self.record("Previous")


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    initial = json.loads(sys.argv[2]) if len(sys.argv) > 2 else {}
    player = Player(bus, initial)
    # The name is taken last, so the player is complete when the host first sees it.
    name = dbus.service.BusName("org.mpris.MediaPlayer2." + sys.argv[1], bus)
    GLib.MainLoop().run()
    del player, name


if __name__ == "__main__":
    main()
