"""Checks of the committed fonts in assets/fonts/.

Run with: python3 -m unittest discover -s tests/fonts
"""

import csv
import hashlib
import os
import unittest

from fontTools.pens.boundsPen import BoundsPen
from fontTools.ttLib import TTFont

ROOT = os.environ.get("TAMIRO_SOURCE_DIR") or os.path.dirname(
    os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
FONTS = os.path.join(ROOT, "assets", "fonts")
PICTURES_TSV = os.path.join(ROOT, "assets-src", "pictures.tsv")

SYMBOL_BASE = 0xF000
FACE_BYTES = (254, 255)
DECORATION_BYTES = (33, 34, 36, 37, 51, 56, 75)


def printable(codec):
    chars = set()
    for byte in range(0x20, 0x100):
        if byte == 0x7F:
            continue
        try:
            chars.add(bytes([byte]).decode(codec))
        except UnicodeDecodeError:
            pass
    return chars


def picture_bytes():
    with open(PICTURES_TSV, encoding="utf-8", newline="") as f:
        return [int(row["glyph"]) for row in csv.DictReader(f, delimiter="\t")]


def names(font, name_id):
    return [rec.toUnicode() for rec in font["name"].names if rec.nameID == name_id]


def bounds(font, glyph_name):
    pen = BoundsPen(font.getGlyphSet())
    font.getGlyphSet()[glyph_name].draw(pen)
    return pen.bounds


class ReadingFontTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.font = TTFont(os.path.join(FONTS, "Tamiro3.ttf"))
        cls.cmap = cls.font.getBestCmap()

    def test_renamed_with_credit_and_licence_kept(self):
        self.assertEqual(names(self.font, 1), ["Tamiro3"])
        self.assertEqual(names(self.font, 4), ["Tamiro3 Regular"])
        self.assertEqual(names(self.font, 6), ["Tamiro3-Regular"])
        for name_id in (1, 3, 4, 6, 16, 18, 21):
            for text in names(self.font, name_id):
                self.assertNotIn("Andika", text, "name record %d" % name_id)
        self.assertTrue(any("SIL International" in t for t in names(self.font, 0)))
        self.assertTrue(any("Open Font License" in t for t in names(self.font, 13)))
        self.assertTrue(any("modified, renamed subset of Andika" in t
                            for t in names(self.font, 10)))

    def test_covers_both_code_pages(self):
        for codec in ("cp1252", "cp1250"):
            missing = sorted("U+%04X" % ord(c) for c in printable(codec)
                             if ord(c) not in self.cmap)
            self.assertEqual(missing, [], codec)

    def test_visible_characters_have_outlines(self):
        empty = []
        for c in printable("cp1252") | printable("cp1250"):
            if c.isspace() or c == "\u00ad" or ord(c) not in self.cmap:
                continue  # spaces, the soft hyphen; gaps fail the coverage test
            if bounds(self.font, self.cmap[ord(c)]) is None:
                empty.append("U+%04X" % ord(c))
        self.assertEqual(sorted(empty), [])

    def test_line_is_only_as_high_as_its_glyphs(self):
        # Labels are drawn from their top at a fixed height: every letter must
        # lie inside the line, and the line must not carry room for scripts
        # the subset does not have.
        hhea, os2 = self.font["hhea"], self.font["OS/2"]
        upem = self.font["head"].unitsPerEm
        self.assertLessEqual((hhea.ascent - hhea.descent) / upem, 1.35)
        self.assertEqual((os2.usWinAscent, -os2.usWinDescent), (hhea.ascent, hhea.descent))
        for c in printable("cp1252") | printable("cp1250"):
            box = bounds(self.font, self.cmap[ord(c)])
            if box is None:
                continue
            with self.subTest(char="U+%04X" % ord(c)):
                self.assertLessEqual(box[3], hhea.ascent)
                self.assertGreaterEqual(box[1], hhea.descent)

    def test_is_a_subset(self):
        # Andika has thousands of characters; the subset keeps the Latin ones
        # the languages need (plus what its layout features reach).
        self.assertLess(len(self.cmap), 400)
        self.assertNotIn(0x0416, self.cmap)  # Cyrillic Zhe


class SymbolFontTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.font = TTFont(os.path.join(FONTS, "TamiroSymbols.ttf"))
        cls.cmap = cls.font.getBestCmap()
        cls.upem = cls.font["head"].unitsPerEm
        cls.pictures = picture_bytes()
        cls.all_bytes = cls.pictures + list(FACE_BYTES) + list(DECORATION_BYTES)

    def test_family_name(self):
        self.assertEqual(names(self.font, 1), ["Tamiro Symbols"])
        self.assertEqual(names(self.font, 6), ["TamiroSymbols-Regular"])

    def test_every_picture_face_and_decoration_has_a_glyph(self):
        self.assertEqual(len(self.pictures), 119)
        missing = [b for b in self.all_bytes
                   if SYMBOL_BASE + b not in self.cmap
                   or bounds(self.font, self.cmap[SYMBOL_BASE + b]) is None]
        self.assertEqual(missing, [])

    def test_glyphs_are_all_different(self):
        # A mapping fault (every byte on the same emoji, or two pictures
        # sharing one) shows up as identical outlines.
        glyf = self.font["glyf"]
        seen = {}
        for b in self.all_bytes:
            glyph = glyf[self.cmap[SYMBOL_BASE + b]]
            digest = hashlib.sha1(glyph.compile(glyf)).hexdigest()
            self.assertNotIn(digest, seen, "byte %d looks like byte %s" % (b, seen.get(digest)))
            seen[digest] = b

    def test_glyphs_fill_the_same_square_inside_the_line(self):
        os2, hhea = self.font["OS/2"], self.font["hhea"]
        top, bottom = hhea.ascent, hhea.descent
        middle = (top + bottom) / 2
        for b in self.all_bytes:
            if SYMBOL_BASE + b not in self.cmap:
                continue  # reported by the coverage test
            x0, y0, x1, y1 = bounds(self.font, self.cmap[SYMBOL_BASE + b])
            advance = self.font["hmtx"][self.cmap[SYMBOL_BASE + b]][0]
            with self.subTest(byte=b):
                self.assertGreaterEqual(y0, bottom)
                self.assertLessEqual(y1, top)
                self.assertGreaterEqual(x0, 0)
                self.assertLessEqual(x1, advance)
                self.assertLessEqual(y1, os2.usWinAscent)
                self.assertGreaterEqual(y0, -os2.usWinDescent)
                side = max(x1 - x0, y1 - y0) / self.upem
                self.assertTrue(0.65 <= side <= 0.75, "larger side %.2f em" % side)
                self.assertAlmostEqual((y0 + y1) / 2, middle, delta=0.02 * self.upem)
                self.assertAlmostEqual((x0 + x1) / 2, advance / 2, delta=0.02 * self.upem)

    def test_line_metrics_agree(self):
        os2, hhea = self.font["OS/2"], self.font["hhea"]
        line = (hhea.ascent - hhea.descent + hhea.lineGap) / self.upem
        self.assertTrue(0.65 <= line <= 0.75, "line height %.2f em" % line)
        self.assertEqual((os2.sTypoAscender, os2.sTypoDescender, os2.sTypoLineGap),
                         (hhea.ascent, hhea.descent, hhea.lineGap))
        self.assertEqual((os2.usWinAscent, -os2.usWinDescent), (hhea.ascent, hhea.descent))
        self.assertTrue(os2.fsSelection & (1 << 7), "USE_TYPO_METRICS")

    def test_is_a_unicode_font_not_a_symbol_cmap_font(self):
        subtables = {(t.platformID, t.platEncID): t for t in self.font["cmap"].tables}
        self.assertNotIn((3, 0), subtables)
        unicode_bmp = subtables.get((3, 1)) or subtables.get((3, 10))
        self.assertIsNotNone(unicode_bmp)
        self.assertIn(unicode_bmp.format, (4, 12))
        self.assertIn(SYMBOL_BASE + 254, unicode_bmp.cmap)
        self.assertFalse(self.font["OS/2"].ulCodePageRange1 & (1 << 31), "symbol code page")


class LicenceFilesTest(unittest.TestCase):
    def test_licences_are_present(self):
        for name, holder in (("OFL-Andika.txt", "SIL International"),
                             ("OFL-NotoEmoji.txt", "Google")):
            with open(os.path.join(FONTS, name), encoding="utf-8") as f:
                text = f.read()
            self.assertIn("SIL OPEN FONT LICENSE Version 1.1", text, name)
            self.assertIn(holder, text, name)


if __name__ == "__main__":
    unittest.main()
