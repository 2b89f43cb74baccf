"""Waits for a program's top-level window to be mapped on the X display.

Listens for MapNotify on the root window (SubstructureNotify) through libX11
with ctypes, so the moment a window becomes visible is seen when the X server
reports it, without polling. Wine names a program's X windows by the
executable ("updater.exe") in WM_CLASS.
"""
import ctypes
import ctypes.util
import os
import select
import time

_x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
_x11.XOpenDisplay.restype = ctypes.c_void_p
_x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x11.XDefaultRootWindow.restype = ctypes.c_ulong
_x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_x11.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
_x11.XConnectionNumber.argtypes = [ctypes.c_void_p]
_x11.XPending.argtypes = [ctypes.c_void_p]
_x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
_x11.XFlush.argtypes = [ctypes.c_void_p]
_x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
_x11.XFree.argtypes = [ctypes.c_void_p]


class _ClassHint(ctypes.Structure):
    _fields_ = [("res_name", ctypes.c_void_p), ("res_class", ctypes.c_void_p)]


_x11.XGetClassHint.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(_ClassHint)]

_SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
_MAP_NOTIFY = 19


class MapWatcher:
    """Opened before the program starts; wait_for() returns when and which window was mapped."""

    def __init__(self):
        self._display = _x11.XOpenDisplay(os.environ["DISPLAY"].encode())
        if not self._display:
            raise RuntimeError("cannot open X display " + os.environ["DISPLAY"])
        _x11.XSelectInput(self._display, _x11.XDefaultRootWindow(self._display), _SUBSTRUCTURE_NOTIFY_MASK)
        _x11.XFlush(self._display)
        self._event = ctypes.create_string_buffer(192)  # sizeof(XEvent) on x86-64

    def close(self):
        _x11.XCloseDisplay(self._display)

    def _class_names(self, window):
        hint = _ClassHint()
        if not _x11.XGetClassHint(self._display, window, ctypes.byref(hint)):
            return ()
        names = tuple(ctypes.string_at(p).decode(errors="replace").lower() for p in (hint.res_name, hint.res_class) if p)
        for p in (hint.res_name, hint.res_class):
            if p:
                _x11.XFree(p)
        return names

    def wait_for(self, exe_name, timeout):
        """Returns (monotonic time of the MapNotify, X window id) for a window of exe_name, or None."""
        deadline = time.monotonic() + timeout
        fd = _x11.XConnectionNumber(self._display)
        while True:
            while _x11.XPending(self._display):
                _x11.XNextEvent(self._display, self._event)
                seen = time.monotonic()
                raw = self._event.raw
                if int.from_bytes(raw[0:4], "little") != _MAP_NOTIFY:
                    continue
                window = int.from_bytes(raw[40:48], "little")  # XMapEvent.window
                if exe_name.lower() in self._class_names(window):
                    return seen, window
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            select.select([fd], [], [], left)
