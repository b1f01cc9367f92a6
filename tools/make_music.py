#!/usr/bin/env python3
"""Write Tamiro's tunes as Standard MIDI Files from text note sources.

Every assets-src/music/NAME.txt becomes assets/<the file named by its `file`
line>. The notation (also described in assets-src/music/README.md):

    # ...                    a comment, to the end of the line
    file DIDELI.MID          output file name (header)
    title Dideli             sequence name (header)
    tempo 140                quarter notes per minute at the start (header)
    meter 4/4                time signature (header)
    track NAME ch=1 program=marimba volume=100 pan=64 reverb=40
                             starts a track; everything up to the next
                             `track` line is its music. ch is 1 to 16 (10 is
                             percussion); program is a name from PROGRAMS
                             below or a number 0 to 127.

  Music tokens, separated by white space:

    c5:8      a note: letter a-g, then # (sharp) or b (flat), then the octave
              (c4 is middle C), then :duration. Octave and duration may be
              left out: they stay as the previous note set them.
    r:4       a rest.
    [c4 e4 g4]:2
              a chord: the notes sound together for the duration.
    kick:8    on percussion tracks, a drum by name (DRUMS below), alone or in
              a chord: [kick hat]:8.
    durations 1 2 4 8 16 32 (whole to 32nd note); a trailing "." makes it
              dotted (x 1.5), a trailing "t" a triplet (x 2/3): 4. 8t
    { ... }*3 plays what is between the braces three times (may nest).
    |         a bar line: checked to fall on a bar boundary of the meter.
    v=90      velocity of the following notes (1 to 127).
    gate=0.8  the part of each note's duration that sounds (0 to 1); the last
              notes of a looping tune use gate=1 so that the tune ends exactly
              on its final bar line.
    tempo=120 a tempo change at this point of the track.

The output is format 1 at 480 ticks per quarter: a conductor track (name,
time signature, tempo) followed by one track per `track`, each starting at
tick 0 with its name, program change, volume, pan and reverb. Each track ends
with an end-of-track right after its last note-off, and the conductor track
ends with the last note-off of the whole tune, so a player that restarts the
tune when it ends loops it without a gap.

Usage: make_music.py [--source DIR] [--out DIR]
"""

import argparse
import glob
import os
import re
import struct
import sys
from fractions import Fraction

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PPQ = 480

# General MIDI programs (0-based, as written in the file) used by the tunes.
PROGRAMS = {
    "piano": 0, "bright_piano": 1, "celesta": 8, "glockenspiel": 9,
    "music_box": 10, "vibraphone": 11, "marimba": 12, "xylophone": 13,
    "nylon_guitar": 24, "acoustic_bass": 32, "finger_bass": 33,
    "violin": 40, "pizzicato": 45, "harp": 46, "strings": 48,
    "timpani": 47, "trumpet": 56, "trombone": 57, "tuba": 58,
    "french_horn": 60, "brass": 61, "oboe": 68, "bassoon": 70,
    "clarinet": 71, "piccolo": 72, "flute": 73, "recorder": 74,
    "pan_flute": 75, "ocarina": 79, "steel_drums": 114,
}

# General MIDI percussion keys (channel 10).
DRUMS = {
    "kick": 36, "stick": 37, "snare": 38, "clap": 39, "lotom": 45,
    "hat": 42, "pedalhat": 44, "ohat": 46, "midtom": 47, "hitom": 50,
    "crash": 49, "ride": 51, "tamb": 54, "cowbell": 56, "cabasa": 69,
    "maracas": 70, "claves": 75, "hiwood": 76, "lowood": 77,
    "mutetri": 80, "tri": 81,
}

SEMITONES = {"c": 0, "d": 2, "e": 4, "f": 5, "g": 7, "a": 9, "b": 11}
NOTE_RE = re.compile(r"^([a-g])(#|b)?(-?\d)?$")
TOKEN_RE = re.compile(r"\[[^\]]*\](?::[^\s\[\]{}|]+)?|\}\*\d+|[{}|]|[^\s\[\]{}|]+")


class NoteError(ValueError):
    pass


def duration_ticks(text):
    m = re.fullmatch(r"(1|2|4|8|16|32)(\.?)(t?)", text)
    if not m:
        raise NoteError(f"bad duration {text!r}")
    ticks = Fraction(4 * PPQ, int(m.group(1)))
    if m.group(2):
        ticks *= Fraction(3, 2)
    if m.group(3):
        ticks *= Fraction(2, 3)
    if ticks.denominator != 1:
        raise NoteError(f"duration {text!r} is not a whole number of ticks")
    return int(ticks)


class Track:
    def __init__(self, name, options, bar_ticks):
        self.name = name
        self.channel = int(options.get("ch", 1)) - 1
        if not 0 <= self.channel <= 15:
            raise NoteError(f"track {name}: channel must be 1 to 16")
        program = options.get("program", "piano")
        self.program = PROGRAMS[program] if program in PROGRAMS else int(program)
        self.volume = int(options.get("volume", 100))
        self.pan = int(options.get("pan", 64))
        self.reverb = int(options.get("reverb", 40))
        self.bar_ticks = bar_ticks
        self.tokens = []
        self.notes = []   # (start, end, key, velocity)
        self.tempos = []  # (tick, bpm)

    @property
    def drums(self):
        return self.channel == 9

    def key_of(self, word, state):
        if self.drums and word in DRUMS:
            return DRUMS[word]
        m = NOTE_RE.match(word)
        if not m:
            raise NoteError(f"track {self.name}: cannot read note {word!r}")
        letter, accidental, octave = m.groups()
        if octave is not None:
            state["octave"] = int(octave)
        key = 12 * (state["octave"] + 1) + SEMITONES[letter]
        key += {"#": 1, "b": -1, None: 0}[accidental]
        if not 0 <= key <= 127:
            raise NoteError(f"track {self.name}: note {word!r} out of range")
        return key

    def play(self, tokens, state):
        i = 0
        while i < len(tokens):
            tok = tokens[i]
            if tok == "{":
                depth, j = 1, i + 1
                while depth:
                    if j == len(tokens):
                        raise NoteError(f"track {self.name}: unclosed {{")
                    if tokens[j] == "{":
                        depth += 1
                    elif tokens[j].startswith("}"):
                        depth -= 1
                    j += 1
                closing = tokens[j - 1]
                if not closing.startswith("}*"):
                    raise NoteError(f"track {self.name}: a repeat ends with }}*N")
                for _ in range(int(closing[2:])):
                    self.play(tokens[i + 1:j - 1], state)
                i = j
                continue
            if tok.startswith("}"):
                raise NoteError(f"track {self.name}: unmatched }}")
            if tok == "|":
                if state["tick"] % self.bar_ticks:
                    bar = state["tick"] / self.bar_ticks
                    raise NoteError(f"track {self.name}: bar line at bar {bar:.2f}")
            elif "=" in tok:
                key, value = tok.split("=", 1)
                if key == "v":
                    state["velocity"] = int(value)
                elif key == "gate":
                    state["gate"] = float(value)
                elif key == "tempo":
                    self.tempos.append((state["tick"], float(value)))
                else:
                    raise NoteError(f"track {self.name}: unknown setting {tok!r}")
            else:
                self.sound(tok, state)
            i += 1

    def sound(self, tok, state):
        if tok.startswith("["):
            body, _, dur = tok[1:].partition("]")
            words = body.split()
            dur = dur[1:] if dur.startswith(":") else ""
        else:
            word, _, dur = tok.partition(":")
            words = [word]
        if dur:
            state["duration"] = duration_ticks(dur)
        length = state["duration"]
        start = state["tick"]
        if words != ["r"]:
            sounding = max(1, int(round(length * state["gate"])))
            for word in words:
                key = self.key_of(word, state)
                self.notes.append((start, start + sounding, key, state["velocity"]))
        state["tick"] = start + length

    def compile(self):
        state = {"tick": 0, "octave": 4, "duration": PPQ, "velocity": 90, "gate": 0.9}
        self.play(self.tokens, state)
        if not self.notes:
            raise NoteError(f"track {self.name} has no notes")

    def end_tick(self):
        return max(end for _, end, _, _ in self.notes)


def parse(text):
    header = {}
    tracks = []
    for lineno, raw in enumerate(text.splitlines(), start=1):
        # A '#' inside a note (f#5) is a sharp, not a comment: comments start
        # a line or follow white space.
        line = re.split(r"(?:^|\s)#", raw, maxsplit=1)[0].strip()
        if not line:
            continue
        word, _, rest = line.partition(" ")
        if word == "track":
            parts = rest.split()
            options = dict(p.split("=", 1) for p in parts[1:])
            num, den = header.get("meter", "4/4").split("/")
            bar = PPQ * 4 * int(num) // int(den)
            tracks.append(Track(parts[0], options, bar))
        elif tracks:
            tracks[-1].tokens.extend(TOKEN_RE.findall(line))
        elif word in ("file", "title", "tempo", "meter"):
            header[word] = rest.strip()
        else:
            raise NoteError(f"line {lineno}: unknown header {word!r}")
    for key in ("file", "tempo"):
        if key not in header:
            raise NoteError(f"missing header line {key!r}")
    if not tracks:
        raise NoteError("no tracks")
    for track in tracks:
        track.compile()
    return header, tracks


def vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def chunk(events, end_tick):
    """events: (tick, order, bytes); order sorts events at the same tick."""
    data = bytearray()
    now = 0
    for tick, _, payload in sorted(events, key=lambda e: (e[0], e[1])):
        data += vlq(tick - now) + payload
        now = tick
    data += vlq(end_tick - now) + b"\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(data)) + bytes(data)


def meta(kind, payload):
    return bytes([0xFF, kind]) + vlq(len(payload)) + payload


def tempo_event(bpm):
    return meta(0x51, struct.pack(">I", int(round(60_000_000 / bpm)))[1:])


def midi_bytes(header, tracks):
    song_end = max(t.end_tick() for t in tracks)
    num, den = (int(x) for x in header.get("meter", "4/4").split("/"))
    conductor = [
        (0, 0, meta(0x03, header.get("title", header["file"]).encode("ascii"))),
        (0, 1, meta(0x58, bytes([num, den.bit_length() - 1, 24, 8]))),
        (0, 2, tempo_event(float(header["tempo"]))),
    ]
    for track in tracks:
        for tick, bpm in track.tempos:
            if tick >= song_end:
                raise NoteError(f"track {track.name}: tempo change after the end")
            conductor.append((tick, 3, tempo_event(bpm)))
    out = [chunk(conductor, song_end)]
    for track in tracks:
        ch = track.channel
        events = [
            (0, 0, meta(0x03, track.name.encode("ascii"))),
            (0, 1, bytes([0xC0 | ch, track.program])),
            (0, 2, bytes([0xB0 | ch, 7, track.volume])),
            (0, 3, bytes([0xB0 | ch, 10, track.pan])),
            (0, 4, bytes([0xB0 | ch, 91, track.reverb])),
        ]
        for start, end, key, velocity in track.notes:
            # At one tick, note-offs go before note-ons so repeated notes
            # restart cleanly.
            events.append((end, 5, bytes([0x80 | ch, key, 0])))
            events.append((start, 6, bytes([0x90 | ch, key, velocity])))
        out.append(chunk(events, track.end_tick()))
    head = b"MThd" + struct.pack(">IHHH", 6, 1, len(out), PPQ)
    return head + b"".join(out)


def seconds(header, tracks):
    """Length of the tune, following its tempo changes."""
    end = max(t.end_tick() for t in tracks)
    changes = sorted([(0, float(header["tempo"]))] + [c for t in tracks for c in t.tempos])
    total, prev_tick, bpm = 0.0, 0, changes[0][1]
    for tick, new_bpm in changes[1:]:
        total += (tick - prev_tick) * 60.0 / (bpm * PPQ)
        prev_tick, bpm = tick, new_bpm
    return total + (end - prev_tick) * 60.0 / (bpm * PPQ)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", default=os.path.join(ROOT, "assets-src", "music"))
    parser.add_argument("--out", default=os.path.join(ROOT, "assets"))
    args = parser.parse_args(argv)
    os.makedirs(args.out, exist_ok=True)
    sources = sorted(glob.glob(os.path.join(args.source, "*.txt")))
    if not sources:
        raise SystemExit(f"no note sources in {args.source}")
    for path in sources:
        with open(path, encoding="utf-8") as f:
            try:
                header, tracks = parse(f.read())
            except NoteError as e:
                raise SystemExit(f"{path}: {e}")
        with open(os.path.join(args.out, header["file"]), "wb") as f:
            f.write(midi_bytes(header, tracks))
        print(f"{header['file']}: {seconds(header, tracks):.2f} s, {len(tracks)} tracks")
    return 0


if __name__ == "__main__":
    sys.exit(main())
