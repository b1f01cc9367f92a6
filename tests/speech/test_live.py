#!/usr/bin/python3
"""The real program speaks: word memory under Xvfb, into a null sink.

The program starts on a screen of its own with music and sound effects off
and its speech as the settings file says, with a PulseAudio server whose only
sink plays into nothing; the test records that sink's monitor. Real clicks
(xdotool) open word memory from its tile and, once the tile's name has been
said, turn the first card. With speech on, the card's word is heard soon
after the click (the benchmarks measure how soon); with speech off, the
recording stays silent throughout.

usage: test_live.py BUILD_DIR SOURCE_DIR
"""
import array, contextlib, os, shutil, signal, subprocess, sys, tempfile, time

BUILD, SOURCE = sys.argv[1], sys.argv[2]
sys.path.insert(0, os.path.join(SOURCE, "bench"))
from startup_bench import SoundServer  # noqa: E402

RATE = 44100
SIZE = (1024, 768)
# Design points (640 x 480) scaled to the screen: the word memory tile, and
# the middle of the first card of its board of twelve.
TILE = (int(400 * SIZE[0] / 640), int(100 * SIZE[1] / 480))
FIRST_CARD = (140, 102)
HEARD = 0.02  # a sample above this (-34 dB) is sound


def loud_times(raw, start):
    """Times (seconds since start) of the 10 ms windows with sound."""
    samples = array.array("h")
    samples.frombytes(raw[: len(raw) // 4 * 4])
    window = RATE // 100 * 2
    return [start + i / (RATE * 2) for i in range(0, len(samples) - window, window)
            if max(abs(s) for s in samples[i:i + window]) / 32768 > HEARD]


def stop_group(proc):
    if proc.poll() is None:
        os.killpg(proc.pid, signal.SIGTERM)
    proc.wait()


def run(speech, display):
    """The times (monotonic seconds) of the windows with sound, of the click
    on the card, and of the start of the recording."""
    with contextlib.ExitStack() as stack:
        home = tempfile.mkdtemp(prefix="speech-home-")
        runtime = tempfile.mkdtemp(prefix="speech-run-")
        for folder in (home, runtime):
            stack.callback(shutil.rmtree, folder, ignore_errors=True)
        os.makedirs(f"{home}/.config/tamiro")
        with open(f"{home}/.config/tamiro/TAMIRO.INI", "w") as f:
            f.write(f"[Options]\nLanguage=1\nMusic=0\nSounds=0\nCapital=0\nSpeech={speech}\n")
        screen = subprocess.Popen(["Xvfb", display, "-screen", "0", f"{SIZE[0]}x{SIZE[1]}x24", "-nolisten", "tcp"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        stack.callback(stop_group, screen)
        sound = SoundServer(runtime)
        stack.callback(sound.close)
        env = dict(os.environ, DISPLAY=display, HOME=home, XDG_CONFIG_HOME=f"{home}/.config",
                   QT_QPA_PLATFORM="xcb", **sound.env)
        env.pop("WAYLAND_DISPLAY", None)
        raw_path = os.path.join(runtime, "sink.raw")
        time.sleep(0.5)
        with open(raw_path, "wb") as out:
            recorder = subprocess.Popen(["parec", "--device=bench.monitor", "--raw", "--format=s16le",
                                         f"--rate={RATE}", "--channels=2", "--latency-msec=10"],
                                        env=env, stdout=out, stderr=subprocess.DEVNULL, start_new_session=True)
            stack.callback(stop_group, recorder)
            started = time.monotonic()
            program = subprocess.Popen([os.path.join(BUILD, "tamiro", "tamiro")], env=env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
            stack.callback(stop_group, program)
            time.sleep(3.0)  # the menu is up and the audio module loaded
            xdotool = ["xdotool", "mousemove", "--sync"]
            subprocess.run(xdotool + [str(TILE[0]), str(TILE[1]), "click", "1"], env=env, check=True)
            time.sleep(2.5)  # the tile's name has been said
            subprocess.run(xdotool + [str(FIRST_CARD[0]), str(FIRST_CARD[1])], env=env, check=True)
            clicked = time.monotonic()
            subprocess.run(["xdotool", "click", "1"], env=env, check=True)
            time.sleep(2.0)
            recorder.terminate()
            recorder.wait()
        with open(raw_path, "rb") as f:
            loud = loud_times(f.read(), started)
        # The recording starts a moment after parec does: its times are
        # early, if anything, which makes the delay seem shorter; the bound
        # below is generous for that.
        return loud, clicked, started


def main():
    for tool in ("Xvfb", "pulseaudio", "parec", "xdotool"):
        if not shutil.which(tool):
            print(f"{tool} is missing (tools/setup.sh test installs it)")
            return 1
    display = f":{70 + os.getpid() % 20}"
    failures = []

    loud, clicked, started = run(1, display)
    name = [t for t in loud if t < clicked]
    word = [t for t in loud if t >= clicked]
    if not name:
        failures.append("speech on: the tile's name was not heard")
    if not word:
        failures.append("speech on: the card's word was not heard")
    else:
        delay = word[0] - clicked
        print(f"speech on: the tile's name at {name[0] - started:.2f} s, the card's word "
              f"{delay * 1000:.0f} ms after the click, heard for {len(word) * 10} ms")
        # A generous bound: the click, the X server, the sink and the
        # recorder all come between; the benchmark has the figure.
        if delay > 1.0:
            failures.append(f"speech on: the word came {delay:.2f} s after the click")

    loud, clicked, started = run(0, display)
    print(f"speech off: {len(loud) * 10} ms of sound in the recording")
    if loud:
        failures.append(f"speech off: sound at {loud[0] - started:.2f} s")

    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
