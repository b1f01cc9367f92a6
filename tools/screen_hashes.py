#!/usr/bin/python3
"""Renders every screen of the screenshot tool and compares its pixels with
the committed list of hashes, so that a change to what the program draws is
never unnoticed.

    tools/screen_hashes.py --build build            compare (exit 1 on a difference)
    tools/screen_hashes.py --build build --update   write the list anew
    tools/screen_hashes.py --build build --keep DIR keep the PNGs, to look at them

The hash is SHA-256 over the image's size and its RGBA pixels, so the PNG
encoder's choices do not matter. A deliberate visual change updates the list
in the same commit.
"""

import argparse
import concurrent.futures
import hashlib
import os
import subprocess
import sys
import tempfile

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_LIST = os.path.join(HERE, "..", "tests", "screens", "hashes.tsv")

LANGUAGES = (1, 16, 13)  # Swedish, Polish (Arial), Romanian (its own code page)
SIZES = ("640x480", "1920x1080")


def screens():
    """(screen, state) pairs: every screen and moment the tool renders."""
    yield "menu", ""
    yield "help", ""
    for n in range(1, 7):
        yield "mc%d" % n, ""
    for n in (9, 10, 11):
        for state in ("start", "play", "over"):
            yield "rain%d" % n, state
    for state in ("new", "play", "win", "lose"):
        yield "hangman", state
    for board in ("memory7-36", "memory7-24", "memory7-16", "memory8-28", "memory8-18", "memory8-12"):
        for state in ("play", "won", "ask"):
            yield board, state
    yield "about", ""
    yield "about", "list"
    yield "about", "locked"
    for state in ("empty", "day", "month"):
        yield "progress", state


def cases():
    for language in LANGUAGES:
        for size in SIZES:
            for screen, state in screens():
                yield screen, state, language, size


def key(case):
    screen, state, language, size = case
    return "%s\t%s\t%d\t%s" % (screen, state or "-", language, size)


def render(tool, case, folder):
    screen, state, language, size = case
    name = "%s-%s-%d-%s.png" % (screen, state or "default", language, size)
    out = os.path.join(folder, name)
    command = [tool, "--screen", screen, "--size", size, "--language", str(language), "--out", out]
    if state:
        command += ["--state", state]
    run = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    if run.returncode != 0 or not os.path.exists(out):
        return case, None, run.stderr.decode(errors="replace")
    with Image.open(out) as image:
        rgba = image.convert("RGBA")
        digest = hashlib.sha256(("%dx%d\n" % rgba.size).encode() + rgba.tobytes()).hexdigest()
    return case, digest, ""


def read_list(path):
    result = {}
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            for line in f:
                if line.startswith("#") or not line.strip():
                    continue
                *fields, digest = line.rstrip("\n").split("\t")
                result["\t".join(fields)] = digest
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True, help="the build folder (holding tools/tamiro_screenshot)")
    parser.add_argument("--list", default=DEFAULT_LIST, help="the list of hashes")
    parser.add_argument("--update", action="store_true", help="write the list from this run")
    parser.add_argument("--keep", help="folder to keep the rendered PNGs in")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    args = parser.parse_args()

    tool = os.path.join(args.build, "tools", "tamiro_screenshot")
    folder = args.keep or tempfile.mkdtemp(prefix="tamiro-screens-")
    os.makedirs(folder, exist_ok=True)
    env_cases = list(cases())
    results = {}
    failures = []
    with concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
        for case, digest, error in pool.map(lambda c: render(tool, c, folder), env_cases):
            if digest is None:
                failures.append("cannot render %s: %s" % (key(case), error.strip()))
            else:
                results[key(case)] = digest

    if args.update:
        with open(args.list, "w", encoding="utf-8") as f:
            f.write("# screen\tstate\tlanguage\tsize\tsha256 of the RGBA pixels (tools/screen_hashes.py)\n")
            for case in env_cases:
                if key(case) in results:
                    f.write("%s\t%s\n" % (key(case), results[key(case)]))
        print("wrote %d hashes to %s" % (len(results), args.list))
    else:
        expected = read_list(args.list)
        for case in env_cases:
            k = key(case)
            if k not in results:
                continue
            if k not in expected:
                failures.append("not in the list: %s" % k)
            elif expected[k] != results[k]:
                failures.append("changed: %s" % k)
        for k in sorted(set(expected) - set(results)):
            if not any(f.startswith("cannot render " + k) for f in failures):
                failures.append("listed but not rendered: %s" % k)
    if args.keep is None and not failures:
        for name in os.listdir(folder):
            os.remove(os.path.join(folder, name))
        os.rmdir(folder)
    elif failures:
        print("the PNGs are in %s" % folder)
    for failure in failures:
        print(failure)
    print("%d screens, %d differences" % (len(env_cases), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
