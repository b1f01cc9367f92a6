#!/usr/bin/python3
"""CPU use of Tamiro while a letter-rain game runs, measured from outside.

The program starts under its own Xvfb screen with music off (sound effects
on, into a PulseAudio server whose only sink records nothing, as
startup_bench.py starts it). Once the menu is still, the CPU use of the
process tree is measured over a few seconds of the idle menu; then a click
(through the XTEST extension) on the "Bokstavsregn" tile starts letter rain,
and the CPU use is measured over the game's next seconds. A game whose ten
items all land lasts 48 seconds, so the game runs the whole time. The screen
is read before and after to show that the rain really falls.

usage: bench/rain_cpu.py --build BUILD [--seconds 10] [--runs 3]
Needs xvfb and pulseaudio (which brings the XTEST library).
"""
import argparse, ctypes, hashlib, os, shutil, signal, statistics, subprocess, sys, tempfile, time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from startup_bench import SoundServer, cpu_ticks, tree  # noqa: E402

SIZE = (1024, 768)


class X:
    """The few Xlib and XTEST calls the benchmark needs."""

    class XImage(ctypes.Structure):
        _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                    ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                    ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                    ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                    ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]

    def __init__(self, display, timeout=10):
        self.xlib = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.xlib.XOpenDisplay.restype = ctypes.c_void_p
        self.xlib.XDefaultRootWindow.restype = ctypes.c_ulong
        self.xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.xlib.XGetImage.restype = ctypes.POINTER(X.XImage)
        self.xlib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                        ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.xlib.XFree.argtypes = [ctypes.c_void_p]
        self.xlib.XFlush.argtypes = [ctypes.c_void_p]
        self.xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                                   ctypes.c_ulong]
        self.xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        t0 = time.monotonic()
        self.dpy = None
        while not self.dpy and time.monotonic() - t0 < timeout:  # until the server is up
            self.dpy = self.xlib.XOpenDisplay(display.encode())
            time.sleep(0.02)
        if not self.dpy:
            raise SystemExit(f"cannot open display {display}")
        self.root = self.xlib.XDefaultRootWindow(self.dpy)

    def screen_hash(self, x, y, w, h):
        image = self.xlib.XGetImage(self.dpy, self.root, x, y, w, h, 0xFFFFFFFF, 2)  # ZPixmap
        if not image:
            return None
        data = ctypes.string_at(image.contents.data, image.contents.bytes_per_line * h)
        self.xlib.XFree(image.contents.data)
        self.xlib.XFree(image)
        return hashlib.md5(data).hexdigest()

    def click(self, x, y):
        self.xtst.XTestFakeMotionEvent(self.dpy, -1, x, y, 0)
        self.xtst.XTestFakeButtonEvent(self.dpy, 1, 1, 0)
        self.xtst.XTestFakeButtonEvent(self.dpy, 1, 0, 0)
        self.xlib.XSync(self.dpy, 0)

    def close(self):
        self.xlib.XCloseDisplay(self.dpy)


def wait_still(x11, seconds, timeout=30):
    """Waits until the whole screen has not changed for the given time."""
    t0 = time.monotonic()
    prev, last = None, time.monotonic()
    while time.monotonic() - t0 < timeout:
        h = x11.screen_hash(0, 0, *SIZE)
        if h != prev:
            prev, last = h, time.monotonic()
        elif time.monotonic() - last > seconds:
            return True
        time.sleep(0.05)
    return False


def cpu_percent(pid, seconds):
    c0 = cpu_ticks(tree(pid))
    time.sleep(seconds)
    c1 = cpu_ticks(tree(pid))
    return (c1 - c0) / os.sysconf("SC_CLK_TCK") / seconds * 100


def run_once(build, seconds, number):
    home = tempfile.mkdtemp(prefix="bench-home-")
    runtime = tempfile.mkdtemp(prefix="bench-run-")
    os.makedirs(f"{home}/.config/tamiro")
    with open(f"{home}/.config/tamiro/TAMIRO.INI", "w") as f:
        f.write("[Options]\nLanguage=1\nMusic=0\nSounds=1\n")
    display = f":{number}"
    server = subprocess.Popen(["Xvfb", display, "-screen", "0", f"{SIZE[0]}x{SIZE[1]}x24", "-nolisten", "tcp"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    x11 = X(display)
    sound = SoundServer(runtime)
    env = dict(os.environ, DISPLAY=display, HOME=home, XDG_CONFIG_HOME=f"{home}/.config",
               QT_QPA_PLATFORM="xcb", **sound.env)
    env.pop("WAYLAND_DISPLAY", None)
    proc = subprocess.Popen([f"{build}/tamiro/tamiro"], env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, start_new_session=True)
    try:
        time.sleep(1.0)
        if not wait_still(x11, 1.0):
            raise SystemExit("the menu did not settle")
        idle = cpu_percent(proc.pid, 5)
        # The bare area of the "Bokstavsregn" tile (design 388, 280, 245 x 61),
        # left of its label.
        x11.click(int(396 * SIZE[0] / 640), int(300 * SIZE[1] / 480))
        time.sleep(1.0)
        field = (13, 0, 789, 744)
        before = x11.screen_hash(*field)
        game = cpu_percent(proc.pid, seconds)
        after = x11.screen_hash(*field)
        return idle, game, before != after
    finally:
        x11.close()
        os.killpg(proc.pid, signal.SIGTERM)
        proc.wait()
        sound.close()
        server.terminate()
        server.wait()
        shutil.rmtree(home, ignore_errors=True)
        shutil.rmtree(runtime, ignore_errors=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", required=True)
    ap.add_argument("--seconds", type=float, default=10.0)
    ap.add_argument("--runs", type=int, default=3)
    args = ap.parse_args()
    results = [run_once(args.build, args.seconds, 170 + i) for i in range(args.runs)]
    for i, (idle, game, moved) in enumerate(results, 1):
        print(f"run {i}: idle menu {idle:.2f} %, letter rain {game:.2f} % of one core over {args.seconds:g} s"
              f"{'' if moved else ' (the field did not change: no game?)'}")
    print(f"median: idle menu {statistics.median(r[0] for r in results):.2f} %, "
          f"letter rain {statistics.median(r[1] for r in results):.2f} % of one core")
    return 0 if all(r[2] for r in results) else 1


if __name__ == "__main__":
    sys.exit(main())
