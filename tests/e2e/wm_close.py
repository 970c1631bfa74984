#!/usr/bin/env python3
"""Sends the window manager's close request (WM_DELETE_WINDOW) to a window,
as a close button would: wm_close.py WINDOW_ID. Needs only libX11."""
import ctypes
import ctypes.util
import sys

x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x11.XFlush.argtypes = x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
display = x11.XOpenDisplay(None)
if not display:
    sys.exit("wm_close: cannot open display")
window = int(sys.argv[1], 0)
# An XClientMessageEvent on LP64, one long per field: type (ClientMessage), serial,
# send_event, display, window, message_type, format, then data[0] (the protocol)
# and data[1] (CurrentTime); an XEvent is 24 longs.
event = (ctypes.c_long * 24)(33, 0, 0, 0, window, x11.XInternAtom(display, b"WM_PROTOCOLS", 0), 32,
                             x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0), 0)
if not x11.XSendEvent(display, window, 0, 0, event):
    sys.exit("wm_close: XSendEvent failed")
x11.XFlush(display)
x11.XCloseDisplay(display)
