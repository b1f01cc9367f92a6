"""Checks of the committed media files in assets/ and of the tools that make them."""

import importlib.util
import os
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
ASSETS = os.path.join(ROOT, "assets")
TOOLS = os.path.join(ROOT, "tools")

# File name (exact case) -> allowed length in seconds.
SOUNDS = {
    "KLICK3.WAV": (0.05, 1.2), "Klick1.WAV": (0.05, 1.2), "Gnaegg1.Wav": (0.05, 1.5),
    "DROPP1.WAV": (0.05, 1.2), "BRUPP1.WAV": (0.05, 1.2), "Dropp3.WAV": (0.05, 1.2),
    "DRIPDROP.WAV": (0.05, 1.2), "PLOPP2.WAV": (0.05, 1.2), "GNIRR5.WAV": (0.05, 1.2),
    "VAND.WAV": (0.05, 1.2), "PLOPP4.WAV": (0.05, 1.2),
}
TUNES = {
    "DIDELI.MID": (30, 60), "DROPPAR.MID": (20, 40), "YAHOO.MID": (2, 5),
    "HUNG_UP.MID": (2, 4), "HURRA1.MID": (3, 6),
}
PICTURES = {"strip.svg": "0 0 101 469", "mascot.svg": "0 0 133 237"}
# The eleven hangman pieces, each as large as the control it is stretched to.
PIECES = {f"hangman{i:02d}.svg": f"0 0 {w} {h}" for i, (w, h) in enumerate(
    [(145, 63), (11, 297), (129, 7), (65, 57), (5, 50), (53, 53), (9, 97), (49, 77), (53, 77), (45, 37), (45, 41)],
    start=1)}


def asset(name):
    # Exact case matters: the program opens the files by these names.
    if name not in os.listdir(ASSETS):
        raise AssertionError(f"assets/{name} is missing")
    with open(os.path.join(ASSETS, name), "rb") as f:
        return f.read()


def read_wav(data):
    """Returns (format tag, channels, rate, bits, samples) of a RIFF WAVE file."""
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise AssertionError("not a RIFF WAVE file")
    pos, fmt, samples = 12, None, None
    while pos + 8 <= len(data):
        cid, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
        body = data[pos + 8:pos + 8 + size]
        if cid == b"fmt ":
            fmt = struct.unpack("<HHIIHH", body[:16])
        elif cid == b"data":
            samples = struct.unpack(f"<{size // 2}h", body[:size // 2 * 2])
        pos += 8 + size + (size & 1)
    if fmt is None or samples is None:
        raise AssertionError("fmt or data chunk missing")
    tag, channels, rate, _, _, bits = fmt
    return tag, channels, rate, bits, samples


def vlq(data, pos):
    value = 0
    while True:
        b = data[pos]
        pos += 1
        value = (value << 7) | (b & 0x7F)
        if not b & 0x80:
            return value, pos


def read_midi(data):
    """Parses a Standard MIDI File: (format, division, tracks), where each
    track is a list of (tick, status, payload bytes)."""
    if data[:4] != b"MThd":
        raise AssertionError("no MThd header")
    length, fmt, ntracks, division = struct.unpack(">IHHH", data[4:14])
    if length != 6:
        raise AssertionError("header length is not 6")
    pos, tracks = 8 + length, []
    while pos < len(data):
        if data[pos:pos + 4] != b"MTrk":
            raise AssertionError(f"expected MTrk at byte {pos}")
        size = struct.unpack(">I", data[pos + 4:pos + 8])[0]
        end = pos + 8 + size
        if end > len(data):
            raise AssertionError("track runs past the end of the file")
        p, tick, status, events = pos + 8, 0, None, []
        while p < end:
            delta, p = vlq(data, p)
            tick += delta
            if data[p] & 0x80:
                status = data[p]
                p += 1
            if status is None:
                raise AssertionError("running status without a status byte")
            if status == 0xFF:
                kind = data[p]
                n, p = vlq(data, p + 1)
                events.append((tick, 0xFF, bytes([kind]) + data[p:p + n]))
                p += n
            elif status in (0xF0, 0xF7):
                n, p = vlq(data, p)
                p += n
            else:
                n = 1 if status & 0xF0 in (0xC0, 0xD0) else 2
                events.append((tick, status, data[p:p + n]))
                p += n
        if p != end:
            raise AssertionError("track length does not match its events")
        tracks.append(events)
        pos = end
    if len(tracks) != ntracks:
        raise AssertionError(f"header says {ntracks} tracks, file has {len(tracks)}")
    return fmt, division, tracks


def midi_seconds(division, tracks):
    end = max(t[-1][0] for t in tracks)
    tempos = sorted((tick, int.from_bytes(p[1:4], "big"))
                    for t in tracks for tick, s, p in t if s == 0xFF and p[0] == 0x51)
    total, prev, us = 0.0, 0, 500000
    for tick, new in tempos:
        total += (tick - prev) * us / division / 1e6
        prev, us = tick, new
    return total + (end - prev) * us / division / 1e6


class SoundTest(unittest.TestCase):
    def test_format_length_and_level(self):
        limit = int(0.01 * 32768)
        for name, (shortest, longest) in SOUNDS.items():
            with self.subTest(name):
                tag, channels, rate, bits, samples = read_wav(asset(name))
                self.assertEqual((tag, channels, rate, bits), (1, 1, 44100, 16))
                self.assertTrue(shortest <= len(samples) / rate <= longest, len(samples) / rate)
                edge = int(0.002 * rate)
                self.assertLess(max(abs(s) for s in samples[:edge]), limit, "click at the start")
                self.assertLess(max(abs(s) for s in samples[-edge:]), limit, "click at the end")
                peak = max(abs(s) for s in samples)
                # About -3 dBFS: loud enough to hear, with headroom.
                self.assertTrue(0.6 * 32768 < peak < 0.8 * 32768, peak)


class MusicTest(unittest.TestCase):
    def test_files_parse_and_last_as_long_as_intended(self):
        for name, (shortest, longest) in TUNES.items():
            with self.subTest(name):
                fmt, division, tracks = read_midi(asset(name))
                self.assertIn(fmt, (0, 1))
                self.assertEqual(division, 480)
                for events in tracks:
                    self.assertEqual(events[-1][1:], (0xFF, b"\x2f"), "track must end with end-of-track")
                    self.assertEqual(sum(1 for e in events if e[1:] == (0xFF, b"\x2f")), 1)
                seconds = midi_seconds(division, tracks)
                self.assertTrue(shortest <= seconds <= longest, seconds)

    def test_notes_programs_and_no_trailing_silence(self):
        for name in TUNES:
            with self.subTest(name):
                _, _, tracks = read_midi(asset(name))
                notes = [e for t in tracks for e in t if e[1] & 0xF0 == 0x90 and e[2][1] > 0]
                self.assertTrue(notes, "no notes")
                offs = [e[0] for t in tracks for e in t
                        if e[1] & 0xF0 == 0x80 or (e[1] & 0xF0 == 0x90 and e[2][1] == 0)]
                song_end = max(t[-1][0] for t in tracks)
                # The program loops a tune when it ends: it must end on its last note-off.
                self.assertEqual(song_end, max(offs))
                self.assertEqual(len(offs), len(notes), "every note is switched off")
                channels = {e[1] & 0x0F for e in notes}
                programs = {e[1] & 0x0F for t in tracks for e in t if e[1] & 0xF0 == 0xC0 and e[0] == 0}
                self.assertEqual(channels - {9}, programs - {9}, "a program change at tick 0 per channel")

    def test_menu_tune_has_percussion(self):
        _, _, tracks = read_midi(asset("DIDELI.MID"))
        self.assertTrue(any(e[1] == 0x99 for t in tracks for e in t))


class PictureTest(unittest.TestCase):
    def test_palette_bitmap(self):
        data = asset("bmptest.bmp")
        self.assertEqual(data[:2], b"BM")
        size, _, _, offset = struct.unpack("<IHHI", data[2:14])
        self.assertEqual(size, len(data))
        header, width, height, planes, bpp, compression = struct.unpack("<IiiHHI", data[14:34])
        colours_used = struct.unpack("<I", data[46:50])[0]
        self.assertEqual((header, planes, bpp, compression), (40, 1, 8, 0))
        self.assertIn(colours_used, (0, 256))
        self.assertEqual(offset - 14 - header, 256 * 4, "a 256-entry palette")
        self.assertEqual(len(data) - offset, ((width + 3) // 4 * 4) * abs(height))
        palette = []
        for i in range(256):
            b, g, r = data[54 + 4 * i:57 + 4 * i]
            palette.append((r, g, b))
        self.assertEqual(palette[0], (0, 0, 0))
        self.assertEqual(palette[15], (255, 255, 255))
        self.assertEqual(palette[9], (0x55, 0x55, 0xFF))
        levels = (0, 51, 102, 153, 204, 255)
        cube = {(r, g, b) for r in levels for g in levels for b in levels}
        self.assertEqual(cube - set(palette), set(), "the whole 6x6x6 colour cube")
        greys = [c for c in palette[232:] if c[0] == c[1] == c[2] and c[0] not in levels]
        self.assertEqual(len(greys), 24, "24 greys between the cube's levels")

    def test_svg_artwork(self):
        ns = "{http://www.w3.org/2000/svg}"
        for name, view_box in PICTURES.items():
            with self.subTest(name):
                root = ET.fromstring(asset(name))
                self.assertEqual(root.tag, ns + "svg")
                self.assertEqual(root.get("viewBox"), view_box)
                # Drawn shapes only: the program's renderer must not need fonts.
                self.assertEqual(root.findall(f".//{ns}text"), [])
                self.assertGreater(len(list(root.iter())), 20)


    def test_hangman_pieces_are_white_shapes_without_outline(self):
        ns = "{http://www.w3.org/2000/svg}"
        shapes = {ns + t for t in ("path", "ellipse", "circle", "rect", "polygon")}
        for name, view_box in PIECES.items():
            with self.subTest(name):
                root = ET.fromstring(asset(name))
                self.assertEqual(root.get("viewBox"), view_box)
                parents = {child: parent for parent in root.iter() for child in parent}
                drawn = [e for e in root.iter() if e.tag in shapes]
                self.assertTrue(drawn)
                for element in root.iter():
                    self.assertIsNone(element.get("stroke"), "no outlines")
                    self.assertIn(element.tag, shapes | {ns + "svg", ns + "g"})
                for element in drawn:
                    fill, e = None, element
                    while fill is None and e is not None:
                        fill, e = e.get("fill"), parents.get(e)
                    self.assertEqual(fill, "#FFFFFF")
        # The head is a ring: its first shape has a hole for the face.
        head = ET.fromstring(asset("hangman06.svg"))
        ring = next(e for e in head.iter() if e.tag == ns + "path")
        self.assertEqual(ring.get("fill-rule"), "evenodd")
        self.assertEqual(ring.get("d").count("Z"), 2)


class ReproducibleTest(unittest.TestCase):
    def test_tools_reproduce_committed_files(self):
        expected = {
            "make_sounds.py": set(SOUNDS),
            "make_music.py": set(TUNES),
            "make_bitmap.py": {"bmptest.bmp"},
        }
        for tool, names in expected.items():
            with self.subTest(tool), tempfile.TemporaryDirectory() as out:
                subprocess.run([sys.executable, os.path.join(TOOLS, tool), "--out", out],
                               check=True, stdout=subprocess.DEVNULL)
                self.assertEqual(set(os.listdir(out)), names)
                for name in sorted(names):
                    with open(os.path.join(out, name), "rb") as f:
                        self.assertEqual(f.read(), asset(name), f"{name} differs from its source")


def load_tool(name):
    loader_spec = importlib.util.spec_from_file_location(name, os.path.join(TOOLS, name + ".py"))
    module = importlib.util.module_from_spec(loader_spec)
    loader_spec.loader.exec_module(module)
    return module


class NotationTest(unittest.TestCase):
    """The note notation reads as its README says."""

    @classmethod
    def setUpClass(cls):
        cls.music = load_tool("make_music")

    def notes(self, body, meter="4/4"):
        text = f"file X.MID\ntempo 120\nmeter {meter}\ntrack T ch=1\n{body}\n"
        _, tracks = self.music.parse(text)
        return [(start, end, key) for start, end, key, _ in tracks[0].notes]

    def test_sticky_octave_duration_sharps_and_comments(self):
        notes = self.notes("gate=1 f#5:8 g c6:4 # a comment: c7 is not played")
        self.assertEqual(notes, [(0, 240, 78), (240, 480, 79), (480, 960, 84)])

    def test_chords_repeats_rests_and_dotted_triplet_lengths(self):
        notes = self.notes("gate=1 {[c4 e4]:8 r:8t}*2 a3:4.")
        self.assertEqual(notes, [(0, 240, 60), (0, 240, 64), (400, 640, 60),
                                 (400, 640, 64), (800, 1520, 57)])

    def test_bar_lines_are_checked(self):
        self.notes("c4:2 d | e:1 |", meter="2/4")
        with self.assertRaises(self.music.NoteError):
            self.notes("c4:4 d:8 | e:2")

    def test_drum_names_only_on_channel_ten(self):
        text = "file X.MID\ntempo 120\ntrack D ch=10\nkick:8 [snare hat]\n"
        _, tracks = self.music.parse(text)
        self.assertEqual([n[2] for n in tracks[0].notes], [36, 38, 42])
        with self.assertRaises(self.music.NoteError):
            self.notes("kick:8")


if __name__ == "__main__":
    unittest.main()
