"""The few Xlib, XTEST and DAMAGE calls the benchmarks make, through ctypes.

The screen is read in the benchmark's own process (no program started for
each look), and the DAMAGE extension says when anything is drawn, so the
benchmark looks at the screen only then and leaves the X server alone while
nothing happens.
"""
import ctypes, select, time


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


class XEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("pad", ctypes.c_long * 24)]


class X:
    def __init__(self, display, timeout=10):
        self.xlib = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.xdamage = ctypes.CDLL("libXdamage.so.1")
        xl, xt, xd = self.xlib, self.xtst, self.xdamage
        xl.XOpenDisplay.restype = ctypes.c_void_p
        xl.XDefaultRootWindow.restype = ctypes.c_ulong
        xl.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        xl.XGetImage.restype = ctypes.POINTER(XImage)
        xl.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                 ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        xl.XFree.argtypes = [ctypes.c_void_p]
        xl.XFlush.argtypes = [ctypes.c_void_p]
        xl.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        xl.XPending.argtypes = [ctypes.c_void_p]
        xl.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
        xl.XConnectionNumber.argtypes = [ctypes.c_void_p]
        xl.XCloseDisplay.argtypes = [ctypes.c_void_p]
        xt.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                            ctypes.c_ulong]
        xt.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        xd.XDamageQueryExtension.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                             ctypes.POINTER(ctypes.c_int)]
        xd.XDamageCreate.restype = ctypes.c_ulong
        xd.XDamageCreate.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int]
        xd.XDamageSubtract.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong]
        xd.XDamageDestroy.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        t0 = time.monotonic()
        self.dpy = None
        while not self.dpy and time.monotonic() - t0 < timeout:  # until the server is up
            self.dpy = xl.XOpenDisplay(display.encode())
            if not self.dpy:
                time.sleep(0.02)
        if not self.dpy:
            raise SystemExit(f"cannot open display {display}")
        self.root = xl.XDefaultRootWindow(self.dpy)
        self.damage = None

    def grab(self, x=0, y=0, w=None, h=None):
        """The pixels of a part of the screen (all of it by default), as bytes."""
        if w is None:
            w, h = self.size()
        image = self.xlib.XGetImage(self.dpy, self.root, x, y, w, h, 0xFFFFFFFF, 2)  # ZPixmap
        if not image:
            return None
        data = ctypes.string_at(image.contents.data, image.contents.bytes_per_line * h)
        self.xlib.XFree(image.contents.data)
        self.xlib.XFree(image)
        return data

    def size(self):
        self.xlib.XDisplayWidth.argtypes = self.xlib.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]
        return self.xlib.XDisplayWidth(self.dpy, 0), self.xlib.XDisplayHeight(self.dpy, 0)

    def watch(self):
        """Starts reporting drawing anywhere on the screen (see wait_drawn)."""
        event_base, error_base = ctypes.c_int(), ctypes.c_int()
        if not self.xdamage.XDamageQueryExtension(self.dpy, ctypes.byref(event_base), ctypes.byref(error_base)):
            raise SystemExit("the X server has no DAMAGE extension")
        self.damage_event = event_base.value  # XDamageNotify is the extension's first event
        self.damage = self.xdamage.XDamageCreate(self.dpy, self.root, 3)  # XDamageReportNonEmpty
        self.xlib.XSync(self.dpy, 0)

    def wait_drawn(self, timeout):
        """Waits at most timeout seconds for drawing; returns the time
        (time.monotonic) the newest report of it arrived, or None. The
        reports are taken and the damage cleared, so the next call waits for
        new drawing."""
        fd = self.xlib.XConnectionNumber(self.dpy)
        arrived = None
        deadline = time.monotonic() + timeout
        while True:
            while self.xlib.XPending(self.dpy):
                event = XEvent()
                self.xlib.XNextEvent(self.dpy, ctypes.byref(event))
                if event.type == self.damage_event:
                    arrived = time.monotonic()
            if arrived is not None:
                self.xdamage.XDamageSubtract(self.dpy, self.damage, 0, 0)
                self.xlib.XSync(self.dpy, 0)
                return arrived
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            select.select([fd], [], [], left)

    def click(self, x, y):
        self.xtst.XTestFakeMotionEvent(self.dpy, -1, x, y, 0)
        self.xtst.XTestFakeButtonEvent(self.dpy, 1, 1, 0)
        self.xtst.XTestFakeButtonEvent(self.dpy, 1, 0, 0)
        self.xlib.XSync(self.dpy, 0)

    def close(self):
        if self.damage:
            self.xdamage.XDamageDestroy(self.dpy, self.damage)
        self.xlib.XCloseDisplay(self.dpy)
