#!/usr/bin/env python3
"""Drops a file on an X window as a file manager does, by the XDND protocol (libX11
through ctypes, nothing to install): for the scripted sessions of the window under Wine,
which takes XDND drops as Windows' file drops.

Usage: xdnd_drop.py WINDOW_ID X Y PATH   (X, Y: where on the screen; exits 1 at a 10 s deadline)
"""
import ctypes
import ctypes.util
import sys
import time
import urllib.parse

x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
Window = Atom = Time = ctypes.c_ulong
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XInternAtom.restype = Atom
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XDefaultRootWindow.restype = Window
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XCreateSimpleWindow.restype = Window
x11.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, Window] + [ctypes.c_int] * 4 + [ctypes.c_uint, ctypes.c_ulong,
                                                                                     ctypes.c_ulong]
x11.XSetSelectionOwner.argtypes = [ctypes.c_void_p, Atom, Window, Time]
x11.XSendEvent.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x11.XChangeProperty.argtypes = [ctypes.c_void_p, Window, Atom, Atom, ctypes.c_int, ctypes.c_int, ctypes.c_char_p,
                                ctypes.c_int]
x11.XPending.argtypes = [ctypes.c_void_p]
x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
x11.XFlush.argtypes = [ctypes.c_void_p]

ClientMessage, SelectionRequest, SelectionNotify = 33, 30, 31


class ClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", Window), ("message_type", Atom), ("format", ctypes.c_int),
                ("l", ctypes.c_long * 5)]


class SelectionRequestEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("owner", Window), ("requestor", Window), ("selection", Atom),
                ("target", Atom), ("property", Atom), ("time", Time)]


class SelectionEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("requestor", Window), ("selection", Atom), ("target", Atom),
                ("property", Atom), ("time", Time)]


class Event(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("client", ClientMessageEvent), ("request", SelectionRequestEvent),
                ("pad", ctypes.c_long * 24)]


def main():
    target, x, y, path = int(sys.argv[1], 0), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("no X display")
    atom = lambda name: x11.XInternAtom(display, name.encode(), 0)
    selection, uri_list, copy = atom("XdndSelection"), atom("text/uri-list"), atom("XdndActionCopy")
    source = x11.XCreateSimpleWindow(display, x11.XDefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0)
    x11.XSetSelectionOwner(display, selection, source, 0)
    data = ("file://" + urllib.parse.quote(path) + "\r\n").encode()

    def send(name, l0, l1=0, l2=0, l3=0, l4=0):
        e = Event()
        e.client.type, e.client.window, e.client.message_type, e.client.format = ClientMessage, target, atom(name), 32
        e.client.l[:] = [source, l1, l2, l3, l4] if l0 is None else [l0, l1, l2, l3, l4]
        x11.XSendEvent(display, target, 0, 0, ctypes.byref(e))
        x11.XFlush(display)

    send("XdndEnter", None, 5 << 24, uri_list)
    send("XdndPosition", None, 0, (x << 16) | y, 0, copy)
    deadline = time.monotonic() + 10
    dropped = False
    while time.monotonic() < deadline:
        if not x11.XPending(display):
            time.sleep(0.02)
            continue
        e = Event()
        x11.XNextEvent(display, ctypes.byref(e))
        if e.type == ClientMessage and e.client.message_type == atom("XdndStatus") and not dropped:
            if not e.client.l[1] & 1:
                sys.exit("the window refuses the drop")
            send("XdndDrop", None, 0, 0)
            dropped = True
        elif e.type == SelectionRequest:
            r = e.request
            x11.XChangeProperty(display, r.requestor, r.property, r.target, 8, 0, data, len(data))
            reply = Event()
            s = ctypes.cast(ctypes.byref(reply), ctypes.POINTER(SelectionEvent)).contents
            s.type, s.requestor, s.selection, s.target, s.property, s.time = (
                SelectionNotify, r.requestor, r.selection, r.target, r.property, r.time)
            x11.XSendEvent(display, r.requestor, 0, 0, ctypes.byref(reply))
            x11.XFlush(display)
        elif e.type == ClientMessage and e.client.message_type == atom("XdndFinished"):
            return
    sys.exit("no answer to the drop before the deadline")


main()
