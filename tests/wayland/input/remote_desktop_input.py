#!/usr/bin/python3
# Clicks and keys for a GNOME session through mutter's remote-desktop D-Bus interface, read from standard
# input one a line, as wayland_input takes them: "move X Y" (screen pixels), "click" (the left button),
# "key CODE" (an evdev key code, pressed and released). The session lives as long as this process: mutter ends
# it when its caller leaves the bus.
import sys

from gi.repository import Gio, GLib

SERVICE = "org.gnome.Mutter.RemoteDesktop"
SESSION = SERVICE + ".Session"
LEFT_BUTTON = 272  # BTN_LEFT
LEFT_SHIFT = 42  # KEY_LEFTSHIFT
FAR_AWAY = -100000.0

bus = Gio.bus_get_sync(Gio.BusType.SESSION)


def call(path, interface, method, arguments=None, answer="()"):
    return bus.call_sync(SERVICE, path, interface, method, arguments, GLib.VariantType(answer),
                         Gio.DBusCallFlags.NONE, -1, None)


session = call("/org/gnome/Mutter/RemoteDesktop", SERVICE, "CreateSession", answer="(o)").unpack()[0]
call(session, SESSION, "Start")


def send(method, signature, *values):
    call(session, SESSION, method, GLib.Variant(signature, values))


# Absolute motion needs a screen-cast stream; relative motion does not, and is not accelerated. So a move
# goes to the screen's top-left corner first (the hot corner is off) and from there to the point.
def move(x, y):
    send("NotifyPointerMotionRelative", "(dd)", FAR_AWAY, FAR_AWAY)
    send("NotifyPointerMotionRelative", "(dd)", float(x), float(y))


# The seat of a headless session has no keyboard until the first key makes one, and a program learns of it
# only after that key: a shift tap now, so that the first key that counts reaches the window.
for pressed in (True, False):
    send("NotifyKeyboardKeycode", "(ub)", LEFT_SHIFT, pressed)

for line in sys.stdin:
    words = line.split()
    if words[:1] == ["move"]:
        move(int(words[1]), int(words[2]))
    elif words == ["click"]:
        for pressed in (True, False):
            send("NotifyPointerButton", "(ib)", LEFT_BUTTON, pressed)
    elif words[:1] == ["key"]:
        for pressed in (True, False):
            send("NotifyKeyboardKeycode", "(ub)", int(words[1]), pressed)
    print("done", flush=True)
