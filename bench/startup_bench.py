#!/usr/bin/python3
"""Start-up time, memory and idle CPU of Tamiro beside a bare Qt program.

Each program starts under its own Xvfb screen, with a fresh HOME and runtime
folder and a PulseAudio server whose only sink plays into nothing. The
programs take turns, run after run, so that all of them see the same machine;
every figure is the median over the runs.

For each start: the time until the screen first changes (first frame), and
until it last changes before it stays still for a second (complete); the
screen is read each time the X server reports drawing (DAMAGE), so the
benchmark costs the X server nothing while nothing is drawn. Then, after a
second more, the resident memory of the process tree and its processor time
over some seconds of sitting idle (from the scheduler's own count, in
nanoseconds).

Tamiro is measured twice in each run: with the menu music playing (its
start-up is the one compared with the bare Qt window) and with music off.
The peer, a typing game of the same kind for children, runs beside when it is
installed (tools/setup.sh bench installs it).

--tune records the menu tune from the null sink and compares its onsets (and
the length of one pass, the time until it starts again) with the stored
reference bench/menu_tune.txt; --write-reference stores a new one.
--mappings prints Tamiro's resident memory by mapping; --compare DIR measures
another Tamiro program directory beside (the program before a change, say)
and checks that its menu has the same pixels.

usage: bench/startup_bench.py --build BUILD [--runs 9] [--size 1024x768] [--idle 5]
           [--peer auto|none|COMMAND] [--compare DIR] [--mappings] [--priority]
           [--tune] [--write-reference] [--tune-seconds 46]
Needs xvfb, pulseaudio and pulseaudio-utils, and python3-numpy for --tune.
"""
import argparse, collections, hashlib, os, re, shlex, shutil, signal, statistics, subprocess, sys, tempfile, time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xscreen import X  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
REFERENCE = os.path.join(HERE, "menu_tune.txt")
PEER = "/usr/games/tuxtype"
STILL = 1.0  # seconds without a change: the start is complete


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


def cpu_seconds(pids):
    """Processor time of every thread of the processes so far."""
    total = 0
    for p in pids:
        try:
            tasks = os.listdir(f"/proc/{p}/task")
        except OSError:
            continue
        for t in tasks:
            try:
                with open(f"/proc/{p}/task/{t}/schedstat") as f:
                    total += int(f.read().split()[0])
            except OSError:
                pass
    return total / 1e9


def cpu_percent(pid, seconds):
    c0 = cpu_seconds(tree(pid))
    time.sleep(seconds)
    return (cpu_seconds(tree(pid)) - c0) / seconds * 100


def mappings(pid):
    """Resident and private KiB of each mapping of a process, summed by name."""
    groups = collections.defaultdict(lambda: [0, 0])
    name = None
    with open(f"/proc/{pid}/smaps") as f:
        for line in f:
            parts = line.split()
            if re.match(r"^[0-9a-f]+-[0-9a-f]+ ", line):
                name = parts[5] if len(parts) > 5 else "[anonymous]"
                if name.startswith("/memfd:") or name.startswith("/dev/shm") or name == "/SYSV00000000":
                    name = "[shared memory]"
            elif parts[0] == "Rss:":
                groups[name][0] += int(parts[1])
            elif parts[0] in ("Private_Clean:", "Private_Dirty:"):
                groups[name][1] += int(parts[1])
    return groups


class Screen:
    def __init__(self, number, size):
        self.display = f":{number}"
        self.proc = subprocess.Popen(["Xvfb", self.display, "-screen", "0", f"{size}x24", "-nolisten", "tcp"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.x = X(self.display)

    def close(self):
        self.x.close()
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


class Session:
    """A screen, a sound server and a fresh home with Tamiro's settings file."""

    def __init__(self, number, size, music, speech=True):
        self.home = tempfile.mkdtemp(prefix="bench-home-")
        self.runtime = tempfile.mkdtemp(prefix="bench-run-")
        os.makedirs(f"{self.home}/.config/tamiro")
        with open(f"{self.home}/.config/tamiro/TAMIRO.INI", "w") as f:
            f.write(f"[Options]\nLanguage=1\nMusic={1 if music else 0}\nSounds=1\nSpeech={1 if speech else 0}\n")
        self.screen = Screen(number, size)
        self.sound = SoundServer(self.runtime)
        self.env = dict(os.environ, DISPLAY=self.screen.display, HOME=self.home,
                        XDG_CONFIG_HOME=f"{self.home}/.config", QT_QPA_PLATFORM="xcb", **self.sound.env)
        self.env.pop("WAYLAND_DISPLAY", None)
        self.env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        time.sleep(0.3)  # the servers settle before the clock starts
        self.proc = None

    def start(self, command, **kwargs):
        self.proc = subprocess.Popen(command, env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                     start_new_session=True, **kwargs)
        return self.proc

    def close(self):
        if self.proc:
            try:
                os.killpg(self.proc.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            self.proc.wait()
        self.sound.close()
        self.screen.close()
        shutil.rmtree(self.home, ignore_errors=True)
        shutil.rmtree(self.runtime, ignore_errors=True)


def watch_start(x, t0, timeout=20):
    """(first change, last change before the screen stays still, final pixels),
    in seconds since t0."""
    prev = x.grab()
    first = last = None
    while time.monotonic() - t0 < timeout:
        wait = STILL - (time.monotonic() - t0 - last) if last is not None else 0.5
        drawn = x.wait_drawn(max(wait, 0.0))
        if drawn is None:
            if last is not None and time.monotonic() - t0 - last >= STILL:
                break
            continue
        image = x.grab()
        if image != prev:
            first = first if first is not None else drawn - t0
            last, prev = drawn - t0, image
    return first, last, hashlib.md5(prev).hexdigest()


def run_once(command, size, music, idle_seconds, number, want_mappings=False, speech=True):
    session = Session(number, size, music, speech)
    try:
        session.screen.x.watch()
        t0 = time.monotonic()
        proc = session.start(command)
        first, complete, pixels = watch_start(session.screen.x, t0)
        time.sleep(1.0)
        pids = tree(proc.pid)
        result = {"first": first, "complete": complete, "pixels": pixels, "rss": rss_kib(pids),
                  "cpu": cpu_percent(proc.pid, idle_seconds)}
        if want_mappings:
            result["mappings"] = [mappings(p) for p in tree(proc.pid)]
        return result
    finally:
        session.close()


def print_mappings(title, groups_per_process):
    total = collections.defaultdict(lambda: [0, 0])
    for groups in groups_per_process:
        for name, (rss, private) in groups.items():
            total[name][0] += rss
            total[name][1] += private
    rss = sum(v[0] for v in total.values())
    print(f"\n{title}: resident {rss / 1024:.1f} MiB, private "
          f"{sum(v[1] for v in total.values()) / 1024:.1f} MiB (KiB by mapping)")
    small = [0, 0, 0]
    for name, (r, p) in sorted(total.items(), key=lambda kv: -kv[1][0]):
        if r >= 200:
            print(f"  {r:7d} {p:7d}  {name}")
        else:
            small = [small[0] + r, small[1] + p, small[2] + 1]
    print(f"  {small[0]:7d} {small[1]:7d}  ({small[2]} mappings under 200 KiB each)")


# --- the menu tune ---

def record_tune(command, size, seconds, number):
    """The menu tune as the null sink played it: mono float samples at 44.1 kHz."""
    import numpy as np
    session = Session(number, size, True)
    raw = os.path.join(session.runtime, "tune.raw")
    try:
        with open(raw, "wb") as out:
            recorder = subprocess.Popen(["parec", "--device=bench.monitor", "--raw", "--format=s16le",
                                         "--rate=44100", "--channels=2", "--latency-msec=20"],
                                        env=session.env, stdout=out, stderr=subprocess.DEVNULL)
            time.sleep(0.5)
            session.start(command)
            time.sleep(seconds)
            recorder.terminate()
            recorder.wait()
        samples = np.fromfile(raw, dtype="<i2").astype(np.float32) / 32768.0
        return samples.reshape(-1, 2).mean(axis=1)
    finally:
        session.close()


def onsets(mono, rate=44100):
    """Note onsets (seconds, and how far above the threshold each rose),
    from the rise of a log-compressed spectrum."""
    import numpy as np
    frame, hop = 1024, 256
    count = 1 + (len(mono) - frame) // hop
    if count < 2:
        return []
    index = np.arange(frame)[None, :] + hop * np.arange(count)[:, None]
    spectrum = np.log1p(100 * np.abs(np.fft.rfft(mono[index] * np.hanning(frame), axis=1)))
    flux = np.maximum(spectrum[1:] - spectrum[:-1], 0).sum(axis=1)
    flux = np.concatenate([[0.0], flux])
    level = np.convolve(flux, np.ones(41) / 41, mode="same")  # a quarter of a second around
    threshold = level + 0.1 * flux.max()
    found, last = [], -1e9
    for i in range(3, count - 3):
        if flux[i] > threshold[i] and flux[i] == flux[i - 3:i + 4].max() and (i - last) * hop / rate > 0.03:
            found.append((i * hop / rate, float(flux[i] / threshold[i])))
            last = i
    return found


def tune_figures(mono, rate=44100):
    """(length of one pass, onsets of the first pass from its first onset,
    with their strengths).
    A pass ends in silence (half a second below -60 dB); the length is the
    time from the first onset to the first onset after that silence, where
    the tune starts again."""
    import numpy as np
    found = onsets(mono, rate)
    if not found:
        return None, []
    start = found[0][0]
    block = rate // 100
    level = np.sqrt((mono[:len(mono) // block * block].reshape(-1, block) ** 2).mean(axis=1))
    quiet = level < 1e-3
    silence = None
    for i in range(int(start * 100), len(quiet) - 50):
        if quiet[i:i + 50].all():
            silence = i / 100
            break
    restart = next((t for t, _ in found if silence is not None and t > silence), None)
    length = None if restart is None else restart - start
    first_pass = [(t - start, strength) for t, strength in found if restart is None or t < restart]
    return length, first_pass


def align(reference, recorded, tolerance=0.012, confirm=4):
    """Walks both onset lists in step. Where the recording runs late or early
    by the same amount for the next few onsets, the sound paused (the output
    ran dry) or skipped there; otherwise an onset is missing or extra.
    Returns (missing, extra, pauses as (time, seconds), largest deviation)."""
    missing, extra, pauses = [], [], []
    offset, deviation, i, j = 0.0, 0.0, 0, 0

    def in_step(shift):
        return all(abs(recorded[j + k] - (reference[i + k] + shift)) <= tolerance
                   for k in range(min(confirm, len(reference) - i, len(recorded) - j)))

    while i < len(reference) and j < len(recorded):
        d = recorded[j] - (reference[i] + offset)
        if abs(d) <= tolerance:
            deviation = max(deviation, abs(d))
            i, j = i + 1, j + 1
        elif in_step(offset + d):
            pauses.append((reference[i], d))
            offset += d
        elif d > 0:
            missing.append(reference[i])
            i += 1
        else:
            extra.append(recorded[j])
            j += 1
    return missing + reference[i:], extra + recorded[j:], pauses, deviation


def compare_tune(length, first_pass, reference_path, tolerance=0.012, weak=1.5):
    """Onsets that only just rose above the detector's threshold come and go
    with differences far below the music (how a synthesizer rounds, say): an
    onset without a partner counts only if it rose clearly above it."""
    with open(reference_path) as f:
        rows = [l.split("#")[0].split() for l in f]
    rows = [r for r in rows if r]
    ref_length, ref = float(rows[0][0]), [(float(t), float(m)) for t, m in rows[1:]]
    times, ref_times = [t for t, _ in first_pass], [t for t, _ in ref]
    missing, extra, pauses, deviation = align(ref_times, times, tolerance)
    paused = sum(d for _, d in pauses)
    # The sound coming back after a pause is heard as an onset of its own.
    extra = [e for e in extra if not any(-0.05 <= t - e <= 0.25 for t, _ in pauses)]
    strength = dict(ref + first_pass)
    weak_ones = [t for t in missing + extra if strength[t] < weak]
    missing = [t for t in missing if strength[t] >= weak]
    extra = [t for t in extra if strength[t] >= weak]
    # From the first onset to the reference's last one and its partner.
    ref_span = ref_times[-1]
    span = min(times, key=lambda u: abs(u - paused - ref_span)) - paused
    print(f"menu tune: {len(times)} onsets (reference {len(ref)}), {len(missing)} missing, {len(extra)} extra"
          f" ({len(weak_ones)} weak ones unmatched, not counted), largest shift {deviation * 1000:.1f} ms; "
          f"first to last onset {span:.3f} s (reference {ref_span:.3f} s); "
          f"starts again after {length:.3f} s (reference {ref_length:.3f} s)")
    if pauses:
        print(f"menu tune: the sound paused {len(pauses)} times (the output ran dry): "
              + ", ".join(f"{d * 1000:+.0f} ms at {t:.2f} s" for t, d in pauses))
    # The start of the next pass waits for the end notice to go round the
    # program, so it may come up to a tenth of a second later or sooner.
    ok = not missing and not extra and abs(span - ref_span) <= tolerance and abs(length - paused - ref_length) <= 0.15
    print("menu tune: the same notes at the same times as the reference" if ok
          else "menu tune: DIFFERS from the reference")
    if missing or extra:
        print("  missing:", ", ".join(f"{t:.3f}" for t in missing[:20]))
        print("  extra:  ", ", ".join(f"{t:.3f}" for t in extra[:20]))
    return ok


def write_reference(length, first_pass, path):
    with open(path, "w") as f:
        f.write("# The menu tune as startup_bench.py --tune hears it: the length of one pass\n"
                "# (seconds until it starts again), then each onset from the first one, with\n"
                "# how far it rose above the detector's threshold.\n")
        f.write(f"{length:.4f}\n")
        for t, strength in first_pass:
            f.write(f"{t:.4f} {strength:.2f}\n")
    print(f"menu tune: reference written to {path} ({len(first_pass)} onsets, one pass {length:.3f} s)")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--build", required=True)
    ap.add_argument("--runs", type=int, default=9)
    ap.add_argument("--size", default="1024x768")
    ap.add_argument("--idle", type=float, default=5.0, help="seconds of idle CPU measurement")
    ap.add_argument("--peer", default="auto", help="auto (the typing game, if installed), none, or a command")
    ap.add_argument("--compare", help="another Tamiro program directory to measure beside")
    ap.add_argument("--mappings", action="store_true", help="print Tamiro's resident memory by mapping")
    ap.add_argument("--priority", action="store_true",
                    help="run everything measured at nice -10 (as root), so other work on the machine "
                         "disturbs the figures less")
    ap.add_argument("--tune", action="store_true", help="record the menu tune and compare it with the reference")
    ap.add_argument("--write-reference", action="store_true", help="record the menu tune as the new reference")
    ap.add_argument("--tune-seconds", type=float, default=52.0,
                    help="how long to record: a little more than one pass of the tune")
    args = ap.parse_args()
    if args.priority:
        os.setpriority(os.PRIO_PROCESS, 0, -10)  # inherited by the servers and the programs

    tamiro = [os.path.join(args.build, "tamiro", "tamiro")]
    programs = [("bare Qt window", [os.path.join(args.build, "bench", "minimal_qt")], False),
                ("tamiro, music on", tamiro, True),
                ("tamiro, music off", tamiro, False)]
    if args.compare:
        other = [os.path.join(args.compare, "tamiro")]
        programs += [("compared, music on", other, True), ("compared, music off", other, False)]
    peer = PEER if args.peer == "auto" and os.path.exists(PEER) else None if args.peer in ("auto", "none") else args.peer
    if peer:
        programs.append((f"peer: {os.path.basename(shlex.split(peer)[0])}", shlex.split(peer), True))

    number = 90
    results = {name: [] for name, _, _ in programs}
    if args.runs > 0:
        for run in range(args.runs):  # interleaved, so all see the same machine
            for name, command, music in programs:
                number += 1
                last = run == args.runs - 1
                results[name].append(run_once(command, args.size, music, args.idle, number,
                                              want_mappings=args.mappings and last and name.startswith("tamiro")))

        def median(name, key):
            values = [r[key] for r in results[name] if r[key] is not None]
            return statistics.median(values) if values else None

        print(f"median of {args.runs} runs at {args.size} (music into a null sink; idle CPU over {args.idle:g} s):")
        print(f"  {'program':22s} {'first frame':>12s} {'complete':>9s} {'resident':>10s} {'idle CPU':>9s}")
        for name, _, _ in programs:
            first, complete = median(name, "first"), median(name, "complete")
            ms = lambda t: "-" if t is None else f"{t * 1000:.0f} ms"  # noqa: E731
            print(f"  {name:22s} {ms(first):>12s} {ms(complete):>9s} {median(name, 'rss') / 1024:>6.1f} MiB "
                  f"{median(name, 'cpu'):>7.2f} %")
        for name, _, _ in programs:
            print(f"  {name} complete, each run: "
                  + ", ".join("-" if r["complete"] is None else f"{r['complete'] * 1000:.0f}" for r in results[name]))
        base = median("bare Qt window", "complete")
        for name, _, music in programs:
            if music and median(name, "complete") and base:
                print(f"start-up ratio {name} / bare Qt window: {median(name, 'complete') / base:.2f}")
        menus = collections.defaultdict(list)
        for name, _, _ in programs:
            if name.startswith(("tamiro", "compared")):
                for run, r in enumerate(results[name], 1):
                    menus[r["pixels"]].append(f"{name} run {run}")
        if len(menus) == 1:
            print("menu pixels: the same in every run" + (" of both programs" if args.compare else ""))
        else:
            print(f"menu pixels: {len(menus)} different screens:")
            for pixels, runs in menus.items():
                print(f"  {pixels}: {', '.join(runs)}")
        if args.mappings:
            for name in ("tamiro, music on", "tamiro, music off"):
                print_mappings(name, results[name][-1]["mappings"])

    ok = True
    if args.tune or args.write_reference:
        mono = record_tune(tamiro, args.size, args.tune_seconds, number + 1)
        length, first_pass = tune_figures(mono)
        if length is None:
            print("menu tune: it did not start again within the recording (try a longer --tune-seconds)")
            return 1
        if args.write_reference:
            write_reference(length, first_pass, REFERENCE)
        else:
            ok = compare_tune(length, first_pass, REFERENCE)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
