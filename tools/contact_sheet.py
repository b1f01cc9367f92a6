#!/usr/bin/python3
"""Draw every picture of the catalogue with its names in one language.

A reviewer's sheet: a grid of all 119 pictures, each drawn from the symbol
font in its colour on black, with its id, colour, name and plural below it.

    tools/contact_sheet.py --lang 01 --out /tmp/sv.png

The pictures come from assets/fonts/TamiroSymbols.ttf (byte b is drawn as
U+F000 + b). Without that file the emoji themselves are drawn with a font
found under /usr/share/fonts, as a rough preview only.
"""

import argparse
import os
import sys

from PIL import Image, ImageDraw, ImageFont

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import tamiro_content as tc  # noqa: E402

SYMBOL_FONT = os.path.join(tc.REPO_ROOT, "assets", "fonts", "TamiroSymbols.ttf")
TEXT_FONT = os.path.join(tc.REPO_ROOT, "assets", "fonts", "Tamiro3.ttf")
FALLBACK_TEXT_FONTS = [
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
]
# Preview fonts for the emoji themselves, best first.
FALLBACK_SYMBOL_FONTS = [
    "/usr/share/fonts/truetype/ancient-scripts/Symbola_hint.ttf",
    "/usr/share/fonts/truetype/ancient-scripts/Symbola.ttf",
    "/usr/share/fonts/truetype/noto/NotoEmoji-Regular.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
]
PUA_BASE = 0xF000

COLUMNS = 10
CELL_W, CELL_H = 180, 200
GLYPH_BOX = 110
GLYPH_SIZE = 80
TEXT_SIZE = 15
MIN_TEXT_SIZE = 10
MARGIN = 16
HEADER_H = 44


def note(message):
    print(f"contact_sheet: {message}", file=sys.stderr)


def cmap_of(path):
    """The code points a font maps, or None when fontTools is not there to
    tell (then every code point is taken as present)."""
    try:
        from fontTools.ttLib import TTFont
    except ImportError:
        return None
    try:
        with TTFont(path, lazy=True) as font:
            return set(font.getBestCmap() or {})
    except Exception:  # an unreadable font simply offers nothing
        return set()


class GlyphSource:
    """Finds, per picture, the font and the character to draw it with."""

    def __init__(self, symbol_font):
        self.fonts = []     # (font, cmap or None)
        self.symbol = os.path.isfile(symbol_font)
        if self.symbol:
            self.fonts.append((ImageFont.truetype(symbol_font, GLYPH_SIZE),
                               cmap_of(symbol_font)))
            return
        note(f"{symbol_font} not found; drawing the emoji with system fonts "
             "instead, as a preview only")
        for path in FALLBACK_SYMBOL_FONTS:
            if os.path.isfile(path):
                self.fonts.append((ImageFont.truetype(path, GLYPH_SIZE), cmap_of(path)))
                note(f"preview font: {path}")
        if not self.fonts:
            note("no preview font found; pictures are shown by code point only")

    def lookup(self, picture):
        if self.symbol:
            code = PUA_BASE + picture["glyph"]
        else:
            code = int(picture["code_point"].replace("U+", ""), 16)
        for font, cmap in self.fonts:
            if cmap is None or code in cmap:
                return font, chr(code)
        return None, picture["code_point"]


def text_font_path(path):
    if os.path.isfile(path):
        return path
    for candidate in FALLBACK_TEXT_FONTS:
        if os.path.isfile(candidate):
            note(f"{path} not found; using {candidate} for the text")
            return candidate
    raise SystemExit(f"contact_sheet: no text font found ({path}, DejaVu Sans)")


class TextFonts:
    def __init__(self, path):
        self.path = path
        self.cache = {}

    def get(self, size):
        if size not in self.cache:
            self.cache[size] = ImageFont.truetype(self.path, size)
        return self.cache[size]

    def fit(self, draw, text, width):
        """The largest size at which text fits the width, and the text
        (shortened with an ellipsis if even the smallest size is too wide)."""
        for size in range(TEXT_SIZE, MIN_TEXT_SIZE - 1, -1):
            font = self.get(size)
            if draw.textlength(text, font=font) <= width:
                return font, text
        font = self.get(MIN_TEXT_SIZE)
        while text and draw.textlength(text + "…", font=font) > width:
            text = text[:-1]
        return font, text + "…"


def render(src, number, out, symbol_font=SYMBOL_FONT, text_font=TEXT_FONT):
    catalogue = tc.load_catalogue(src)
    sources = tc.load_language(src, number)
    for filename, line, message in sources.problems:
        note(f"{sources.folder}/{filename}:{line}: {message}")
    names = tc.pictures_by_id(sources.pictures)
    glyphs = GlyphSource(symbol_font)
    fonts = TextFonts(text_font_path(text_font))

    rows = (len(catalogue) + COLUMNS - 1) // COLUMNS
    width = 2 * MARGIN + COLUMNS * CELL_W
    height = 2 * MARGIN + HEADER_H + rows * CELL_H
    image = Image.new("RGB", (width, height), "black")
    draw = ImageDraw.Draw(image)
    language = tc.LANG_BY_NUMBER[number]
    draw.text((MARGIN, MARGIN), f"Tamiro pictures: {number:02d} {language.name} "
              f"({sources.folder})", fill="white", font=fonts.get(22))

    for index, picture in enumerate(catalogue):
        left = MARGIN + (index % COLUMNS) * CELL_W
        top = MARGIN + HEADER_H + (index // COLUMNS) * CELL_H
        draw.rectangle([left + 2, top + 2, left + CELL_W - 3, top + CELL_H - 3],
                       outline=(60, 60, 60))
        font, char = glyphs.lookup(picture)
        centre = (left + CELL_W // 2, top + 8 + GLYPH_BOX // 2)
        if font is not None:
            draw.text(centre, char, fill=picture["rgb"], font=font, anchor="mm")
        else:
            draw.text(centre, char, fill=picture["rgb"], font=fonts.get(TEXT_SIZE),
                      anchor="mm")

        _, name, plural = names.get(picture["id"], (0, "", ""))
        lines = [
            (f"{picture['id']}  {picture['colour']}", (150, 150, 150)),
            (name.strip() or "(no name)", "white" if name.strip() else (255, 80, 80)),
            (plural.strip() or "(no plural)", (200, 200, 255) if plural.strip()
             else (255, 80, 80)),
        ]
        y = top + 12 + GLYPH_BOX
        for text, colour in lines:
            font, text = fonts.fit(draw, text, CELL_W - 12)
            # on a common baseline, so that lines without ascenders line up
            draw.text((left + CELL_W // 2, y + TEXT_SIZE), text, fill=colour, font=font,
                      anchor="ms")
            y += TEXT_SIZE + 9
    image.save(out)
    return image.size


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--lang", required=True, help="language number NN (01 to 18)")
    parser.add_argument("--out", required=True, help="PNG file to write")
    parser.add_argument("--src", default=tc.DEFAULT_SRC,
                        help="content source folder (default: assets-src)")
    parser.add_argument("--symbol-font", default=SYMBOL_FONT)
    parser.add_argument("--text-font", default=TEXT_FONT)
    args = parser.parse_args(argv)
    try:
        number = int(args.lang)
    except ValueError:
        parser.error(f"not a language number: {args.lang!r}")
    if number not in tc.LANG_BY_NUMBER:
        parser.error(f"language number out of range: {args.lang!r}")
    size = render(args.src, number, args.out, args.symbol_font, args.text_font)
    print(f"wrote {args.out} ({size[0]}x{size[1]})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
