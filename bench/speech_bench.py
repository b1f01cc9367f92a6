#!/usr/bin/python3
"""Spoken words: latency, processor time, recordings, and start-up beside
speech off.

Runs build/bench/speech_bench with a PulseAudio server whose only sink plays
into nothing (as startup_bench.py starts it): the latency from a card turned
to its first audible sample leaving the mixer, for every language and for a
sound effect measured the same way; with --cpu the processor time while
speaking and once silent; with --record DIR three utterances of each group
of languages, and speech over the menu and rain music, as WAV files with
their levels. With --startup N, the program's start-up, resident memory and
idle CPU with speech on and off, N runs each, taking turns (median).

usage: bench/speech_bench.py --build BUILD [--events 200] [--languages 1,2]
           [--cpu] [--record DIR] [--startup 9]
Needs pulseaudio, and for --startup what startup_bench.py needs.
"""
import argparse, os, statistics, subprocess, sys, tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from startup_bench import SoundServer, run_once  # noqa: E402


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--build", required=True)
    ap.add_argument("--events", type=int, default=200)
    ap.add_argument("--languages")
    ap.add_argument("--cpu", action="store_true")
    ap.add_argument("--record")
    ap.add_argument("--startup", type=int, default=0, help="runs of start-up with speech on and off")
    args = ap.parse_args()

    if args.startup:
        tamiro = [os.path.join(args.build, "tamiro", "tamiro")]
        results = {True: [], False: []}
        for run in range(args.startup):
            for speech in (True, False):
                results[speech].append(run_once(tamiro, "1024x768", True, 5.0, 60 + 2 * run + speech,
                                                want_mappings=True, speech=speech))
        print(f"median of {args.startup} runs, menu music on (idle CPU over 5 s):")
        for speech in (True, False):
            r = results[speech]
            med = lambda key: statistics.median(x[key] for x in r if x[key] is not None)  # noqa: E731
            each = ", ".join(f"{x['complete'] * 1000:.0f}" for x in r if x["complete"] is not None)
            print(f"  speech {'on ' if speech else 'off'}: first frame {med('first') * 1000:.0f} ms, complete "
                  f"{med('complete') * 1000:.0f} ms, resident {med('rss') / 1024:.1f} MiB, idle CPU "
                  f"{med('cpu'):.2f} %  (complete, each run: {each})")
            # The synthesiser's library comes with the audio module, which is
            # loaded in the background once the menu shows; its voice is read
            # with the first word said (into the heap, so only the resident
            # total shows it). Resident KiB of the library's mappings, each run.
            kib = [sum(rss for groups in x["mappings"] for name, (rss, _) in groups.items() if "libespeak" in name)
                   for x in r]
            print(f"    synthesiser library resident a second after start-up (KiB, each run): {kib}")
        return 0

    command = [os.path.join(args.build, "bench", "speech_bench"), "--events", str(args.events)]
    if args.languages:
        command += ["--languages", args.languages]
    if args.cpu:
        command.append("--cpu")
    if args.record:
        os.makedirs(args.record, exist_ok=True)
        command += ["--record", os.path.abspath(args.record)]
    with tempfile.TemporaryDirectory(prefix="speech-bench-") as runtime:
        sound = SoundServer(runtime)
        try:
            return subprocess.run(command, env=dict(os.environ, **sound.env)).returncode
        finally:
            sound.close()


if __name__ == "__main__":
    sys.exit(main())
