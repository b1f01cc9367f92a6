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
import argparse, hashlib, os, shutil, signal, statistics, subprocess, sys, tempfile, time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from startup_bench import SoundServer, cpu_percent  # noqa: E402
from xscreen import X  # noqa: E402

SIZE = (1024, 768)


def screen_hash(x11, x, y, w, h):
    image = x11.grab(x, y, w, h)
    return None if image is None else hashlib.md5(image).hexdigest()


def wait_still(x11, seconds, timeout=30):
    """Waits until the whole screen has not changed for the given time."""
    t0 = time.monotonic()
    prev, last = None, time.monotonic()
    while time.monotonic() - t0 < timeout:
        h = screen_hash(x11, 0, 0, *SIZE)
        if h != prev:
            prev, last = h, time.monotonic()
        elif time.monotonic() - last > seconds:
            return True
        time.sleep(0.05)
    return False


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
        before = screen_hash(x11, *field)
        game = cpu_percent(proc.pid, seconds)
        after = screen_hash(x11, *field)
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
