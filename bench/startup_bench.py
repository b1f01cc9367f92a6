#!/usr/bin/python3
"""Start-up time, memory and idle CPU of Tamiro beside a minimal Qt program.

Each program starts under its own Xvfb screen, with a fresh HOME and runtime
folder and a PulseAudio server whose only sink records nothing. The screen is
sampled (xwd) every 10 ms: the start-up time is the time until the screen last
changes before it stays still for a second (the first complete frame), taken
as the median of several runs. Then resident memory (the process tree) and CPU
use over a few seconds of sitting idle.

usage: bench/startup_bench.py --build BUILD [--runs 5] [--size 1024x768]
Needs xvfb, x11-apps (xwd), pulseaudio.
"""
import argparse, hashlib, os, shutil, signal, statistics, subprocess, sys, tempfile, time


def screen_hash(display):
    out = subprocess.run(["xwd", "-root", "-silent", "-display", display],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
    return hashlib.md5(out[200:]).hexdigest()


def tree(pid):
    pids, todo = {pid}, [pid]
    while todo:
        p = todo.pop()
        try:
            with open(f"/proc/{p}/task/{p}/children") as f:
                kids = [int(x) for x in f.read().split()]
        except OSError:
            kids = []
        for k in kids:
            if k not in pids:
                pids.add(k)
                todo.append(k)
    return pids


def rss_kib(pids):
    total = 0
    for p in pids:
        try:
            with open(f"/proc/{p}/status") as f:
                total += sum(int(l.split()[1]) for l in f if l.startswith("VmRSS:"))
        except OSError:
            pass
    return total


def cpu_ticks(pids):
    total = 0
    for p in pids:
        try:
            with open(f"/proc/{p}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])
        except OSError:
            pass
    return total


class Screen:
    def __init__(self, number, size):
        self.display = f":{number}"
        self.proc = subprocess.Popen(["Xvfb", self.display, "-screen", "0", f"{size}x24", "-nolisten", "tcp"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(200):
            if subprocess.run(["xwd", "-root", "-silent", "-display", self.display], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0:
                return
            time.sleep(0.02)
        raise SystemExit("Xvfb did not start")

    def close(self):
        self.proc.terminate()
        self.proc.wait()


class SoundServer:
    def __init__(self, runtime):
        self.env = {"PULSE_RUNTIME_PATH": runtime, "XDG_RUNTIME_DIR": runtime,
                    "PULSE_SERVER": f"unix:{runtime}/native"}
        self.proc = None
        if shutil.which("pulseaudio"):
            self.proc = subprocess.Popen(
                ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                 "--use-pid-file=no", "--system=no",
                 "-L", "module-null-sink sink_name=bench norewinds=1",
                 "-L", f"module-native-protocol-unix auth-anonymous=1 socket={runtime}/native"],
                env=dict(os.environ, **self.env), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for _ in range(200):
                if os.path.exists(f"{runtime}/native"):
                    break
                time.sleep(0.02)

    def close(self):
        if self.proc:
            self.proc.terminate()
            self.proc.wait()


def run_once(command, size, music, idle_seconds, number):
    home = tempfile.mkdtemp(prefix="bench-home-")
    runtime = tempfile.mkdtemp(prefix="bench-run-")
    os.makedirs(f"{home}/.config/tamiro")
    with open(f"{home}/.config/tamiro/TAMIRO.INI", "w") as f:
        f.write(f"[Options]\nLanguage=1\nMusic={1 if music else 0}\nSounds=1\n")
    screen = Screen(number, size)
    sound = SoundServer(runtime)
    env = dict(os.environ, DISPLAY=screen.display, HOME=home, XDG_CONFIG_HOME=f"{home}/.config",
               QT_QPA_PLATFORM="xcb", **sound.env)
    env.pop("WAYLAND_DISPLAY", None)
    base = screen_hash(screen.display)
    t0 = time.monotonic()
    proc = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            start_new_session=True)
    first = last = None
    prev = base
    while time.monotonic() - t0 < 20:
        h = screen_hash(screen.display)
        now = time.monotonic() - t0
        if h != prev:
            first = first if first is not None else now
            last, prev = now, h
        elif last is not None and now - last > 1.0:
            break
        time.sleep(0.01)
    time.sleep(1.0)
    pids = tree(proc.pid)
    rss = rss_kib(pids)
    c0 = cpu_ticks(pids)
    time.sleep(idle_seconds)
    c1 = cpu_ticks(tree(proc.pid))
    cpu = (c1 - c0) / os.sysconf("SC_CLK_TCK") / idle_seconds * 100
    os.killpg(proc.pid, signal.SIGTERM)
    proc.wait()
    sound.close()
    screen.close()
    shutil.rmtree(home, ignore_errors=True)
    shutil.rmtree(runtime, ignore_errors=True)
    return last, rss, cpu


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", required=True)
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--size", default="1024x768")
    ap.add_argument("--idle", type=float, default=5.0)
    args = ap.parse_args()
    programs = {"tamiro": [f"{args.build}/tamiro/tamiro"], "minimal": [f"{args.build}/bench/minimal_qt"]}
    results = {name: [] for name in programs}
    number = 90
    for _ in range(args.runs):  # interleaved, so both see the same machine
        for name, command in programs.items():
            number += 1
            results[name].append(run_once(command, args.size, False, args.idle, number))
    for name, runs in results.items():
        times = [r[0] for r in runs if r[0] is not None]
        print(f"{name}: start-up median {statistics.median(times) * 1000:.0f} ms "
              f"(runs: {', '.join(f'{t * 1000:.0f}' for t in times)}), "
              f"resident {statistics.median(r[1] for r in runs) / 1024:.1f} MiB, "
              f"idle CPU {statistics.median(r[2] for r in runs):.2f} %")
    ratio = statistics.median(r[0] for r in results["tamiro"]) / statistics.median(r[0] for r in results["minimal"])
    print(f"start-up ratio tamiro / minimal: {ratio:.2f}")
    number += 1
    _, rss, cpu = run_once(programs["tamiro"], args.size, True, args.idle, number)
    print(f"tamiro with menu music: resident {rss / 1024:.1f} MiB, idle CPU {cpu:.2f} %")


if __name__ == "__main__":
    sys.exit(main())
