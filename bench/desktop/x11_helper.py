#!/usr/bin/env python3
"""Two things a bare Xvfb lacks for the desktop benchmarks, through libX11 alone.

  x11_helper.py tray             owns the system tray selection until killed, so that the
                                 application keeps running in the tray when its window closes
  x11_helper.py close WINDOW_ID  asks a window to close, as a window manager's close button does
"""
import ctypes
import ctypes.util
import signal
import sys
import time

x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XCreateSimpleWindow.restype = ctypes.c_ulong
x11.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_int] * 2 + [ctypes.c_uint] * 3 + [ctypes.c_ulong] * 2
x11.XSetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong]
x11.XGetSelectionOwner.restype = ctypes.c_ulong
x11.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x11.XFlush.argtypes = [ctypes.c_void_p]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]

CLIENT_MESSAGE = 33
STRUCTURE_NOTIFY_MASK = 1 << 17


class ClientMessage(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("window", ctypes.c_ulong),
        ("message_type", ctypes.c_ulong),
        ("format", ctypes.c_int),
        ("data", ctypes.c_long * 5),
    ]


class Event(ctypes.Union):
    # XEvent is 24 longs wide whatever the member.
    _fields_ = [("client", ClientMessage), ("pad", ctypes.c_long * 24)]


def open_display():
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("x11_helper: cannot open the display")
    return display


def client_message(display, window, message_type, data):
    event = Event()
    event.client.type = CLIENT_MESSAGE
    event.client.display = display
    event.client.window = window
    event.client.message_type = message_type
    event.client.format = 32
    for index, value in enumerate(data):
        event.client.data[index] = value
    return event


def tray():
    display = open_display()
    root = x11.XDefaultRootWindow(display)
    selection = x11.XInternAtom(display, b"_NET_SYSTEM_TRAY_S0", 0)
    window = x11.XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0)
    x11.XSetSelectionOwner(display, selection, window, 0)
    if x11.XGetSelectionOwner(display, selection) != window:
        sys.exit("x11_helper: another tray owns the selection")
    # Clients that started before us learn of the tray from this announcement.
    manager = x11.XInternAtom(display, b"MANAGER", 0)
    event = client_message(display, root, manager, [0, selection, window, 0, 0])
    x11.XSendEvent(display, root, 0, STRUCTURE_NOTIFY_MASK, ctypes.byref(event))
    x11.XSync(display, 0)
    print("tray ready", flush=True)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    while True:
        time.sleep(3600)


def close(window):
    display = open_display()
    protocols = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    delete = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    event = client_message(display, window, protocols, [delete, 0, 0, 0, 0])
    x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XSync(display, 0)


if __name__ == "__main__":
    if sys.argv[1:2] == ["tray"]:
        tray()
    elif sys.argv[1:2] == ["close"] and len(sys.argv) == 3:
        close(int(sys.argv[2], 0))
    else:
        sys.exit(__doc__)
