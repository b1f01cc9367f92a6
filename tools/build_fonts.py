#!/usr/bin/python3
"""Build Tamiro's two fonts into assets/fonts/.

Tamiro3.ttf
    The reading font: Andika Regular (SIL Open Font License) cut down to the
    printable characters of Windows-1252 and Windows-1250, which between them
    cover all 18 interface languages, and renamed "Tamiro3" as the OFL
    requires of a modified font that would otherwise carry a Reserved Font
    Name.

TamiroSymbols.ttf
    The picture font "Tamiro Symbols": one glyph per picture of
    assets-src/pictures.tsv, taken from the monochrome Noto Emoji font (SIL
    Open Font License) and placed at U+F000 + the picture's glyph byte.  The
    program draws byte b of this font as U+F000 + b, in the picture's colour.
    Every glyph is scaled to fill the same square and centred in the line, so
    that a picture looks the same size in any box.

    Besides the pictures the font holds
      U+F0FE  happy face, 😀 U+1F600: the right-answer mark and the hangman win
      U+F0FF  sad face,   ☹ U+2639: the wrong-answer mark and the hangman loss
    and these decorations, chosen to be cheerful and easy to tell apart from
    the pictures themselves:
      U+F021  🌟 glowing star      U+1F31F
      U+F022  💖 sparkling heart  U+1F496
      U+F024  🌸 cherry blossom    U+1F338
      U+F025  🎶 music notes       U+1F3B6
      U+F033  ✨ sparkles          U+2728
      U+F038  🍀 four-leaf clover  U+1F340
      U+F04B  🎉 party popper      U+1F389

Inputs: Andika from Debian's fonts-sil-andika, and the npm package
@fontsource/noto-emoji, which this tool installs into .cache/npm (git-ignored)
when it is not there yet.  Debian packages needed: python3-fonttools,
python3-brotli (the emoji come as woff2), fonts-sil-andika, npm.

Usage: python3 tools/build_fonts.py [--emoji-dir DIR] [--preview PNG]
"""

import argparse
import csv
import glob
import os
import re
import shutil
import subprocess
import sys

from fontTools import subset
from fontTools.fontBuilder import FontBuilder
from fontTools.pens.boundsPen import BoundsPen
from fontTools.pens.recordingPen import DecomposingRecordingPen
from fontTools.pens.transformPen import TransformPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont, newTable

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT_DIR = os.path.join(ROOT, "assets", "fonts")
PICTURES_TSV = os.path.join(ROOT, "assets-src", "pictures.tsv")
NPM_PREFIX = os.path.join(ROOT, ".cache", "npm")
EMOJI_PACKAGE = "@fontsource/noto-emoji"
ANDIKA_COPYRIGHT = "/usr/share/doc/fonts-sil-andika/copyright"

SYMBOL_BASE = 0xF000

# Glyph byte -> emoji code point for everything in the symbol font that is
# not a picture of pictures.tsv (see the module comment).
EXTRA_GLYPHS = {
    254: 0x1F600,  # happy face
    255: 0x2639,   # sad face
    33: 0x1F31F,   # glowing star
    34: 0x1F496,   # sparkling heart
    36: 0x1F338,   # cherry blossom
    37: 0x1F3B6,   # music notes
    51: 0x2728,    # sparkles
    56: 0x1F340,   # four-leaf clover
    75: 0x1F389,   # party popper
}

# Symbol font geometry, in font units of a 1000-unit em.  A picture is drawn
# into a box about as wide and high as the font size in points (the menu's
# 49 x 45 icons take a picture of 49 points, 65 pixels to the em), so every
# glyph is scaled until its larger side is GLYPH_BOX, just under 0.7 em, and the line is
# exactly that high: it runs from 560 above the baseline to 140 below it, no
# line gap. A picture drawn at a point thus fills the box below and right of
# it, and a centred one sits in the middle of its line. The advance leaves a
# hair of room on either side.
SYM_UPEM = 1000
SYM_ASCENT = 560
SYM_DESCENT = 140
GLYPH_BOX = 694  # a few units short of the line, for rounding of the outlines
SYM_ADVANCE = 720


class BuildError(Exception):
    pass


# --------------------------------------------------------------------------
# Tamiro3: the reading font
# --------------------------------------------------------------------------

def codepage_characters(codec):
    """The printable characters of a Windows code page: every byte from 0x20
    up that the code page defines, except DEL."""
    chars = set()
    for byte in range(0x20, 0x100):
        if byte == 0x7F:
            continue
        try:
            chars.add(bytes([byte]).decode(codec))
        except UnicodeDecodeError:
            pass  # unassigned in this code page
    return chars


def reading_characters():
    return codepage_characters("cp1252") | codepage_characters("cp1250")


def find_andika():
    hits = sorted(glob.glob("/usr/share/fonts/**/Andika-Regular.ttf", recursive=True))
    if not hits:
        raise BuildError("Andika-Regular.ttf not found under /usr/share/fonts "
                         "(install the Debian package fonts-sil-andika)")
    return hits[0]


def rename_reading_font(font):
    """Give the subset its own name and say where it comes from."""
    name = font["name"]
    version = name.getDebugName(5) or ""
    new_names = {
        1: "Tamiro3",            # family
        2: "Regular",
        3: "Tamiro3-Regular",    # unique identifier
        4: "Tamiro3 Regular",    # full name
        6: "Tamiro3-Regular",    # PostScript name
        16: "Tamiro3",           # typographic family
        17: "Regular",
        18: "Tamiro3 Regular",   # Macintosh compatible full name
        21: "Tamiro3",           # WWS family
        22: "Regular",
    }
    present = {rec.nameID for rec in name.names}
    for rec in list(name.names):
        if rec.nameID in (20, 25):  # CID findfont / variations prefix: not wanted
            name.removeNames(nameID=rec.nameID)
    for name_id, text in new_names.items():
        if name_id in present or name_id in (1, 2, 3, 4, 6):
            name.removeNames(nameID=name_id)
            name.setName(text, name_id, 3, 1, 0x409)
    name.removeNames(nameID=10)
    name.setName(
        "Tamiro3 is a modified, renamed subset of Andika Regular %s by SIL "
        "International, cut down to the characters of Windows-1252 and "
        "Windows-1250 for the Tamiro learning games. It is not the original "
        "Andika and is distributed under the SIL Open Font License 1.1."
        % version.replace("Version ", ""),
        10, 3, 1, 0x409)
    for rec in name.names:
        if rec.nameID in new_names and "Andika" in rec.toUnicode():
            raise BuildError("name record %d still says Andika" % rec.nameID)


def build_reading_font(out_path):
    source = find_andika()
    font = TTFont(source, recalcTimestamp=False)
    # Andika's own table of SIL metadata has no meaning for a subset (and the
    # subsetter would drop it with a warning).
    if "Silt" in font:
        del font["Silt"]
    options = subset.Options()
    options.name_IDs = ["*"]          # keep copyright, licence, feature names
    options.name_languages = ["*"]
    options.notdef_outline = True     # a missing character shows as a box
    options.hinting = True            # keep the TrueType hinting as it is
    options.recalc_timestamp = False
    options.prune_unicode_ranges = True
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=[ord(c) for c in reading_characters()])
    subsetter.subset(font)
    rename_reading_font(font)
    # Claim only the code pages the subset really covers (Windows picks
    # fonts for a script by these bits): Latin 1 and Latin 2.
    font["OS/2"].ulCodePageRange1 = (1 << 0) | (1 << 1)
    font["OS/2"].ulCodePageRange2 = 0
    fit_line_to_glyphs(font)
    font.save(out_path)
    return source


def fit_line_to_glyphs(font):
    """Andika's line leaves room for stacked diacritics of scripts the subset
    no longer has (1.6 em). The program draws labels of a fixed height from
    their top, so a line only as high as the subset's own glyphs keeps every
    letter inside its label: from the tallest glyph to the lowest, with a
    little room, and no line gap."""
    glyf = font["glyf"]
    tops, bottoms = [], []
    for name in font.getGlyphOrder():
        g = glyf[name]
        if g.numberOfContours == 0:
            continue
        g.recalcBounds(glyf)
        tops.append(g.yMax)
        bottoms.append(g.yMin)
    room = font["head"].unitsPerEm // 100
    ascent, descent = max(tops) + room, min(bottoms) - room
    hhea, os2 = font["hhea"], font["OS/2"]
    hhea.ascent, hhea.descent, hhea.lineGap = ascent, descent, 0
    os2.sTypoAscender, os2.sTypoDescender, os2.sTypoLineGap = ascent, descent, 0
    os2.usWinAscent, os2.usWinDescent = ascent, -descent


# --------------------------------------------------------------------------
# Tamiro Symbols: the picture font
# --------------------------------------------------------------------------

def read_pictures():
    with open(PICTURES_TSV, encoding="utf-8", newline="") as f:
        rows = list(csv.DictReader(f, delimiter="\t"))
    pictures = {}
    for row in rows:
        byte = int(row["glyph"])
        if byte in pictures or byte in EXTRA_GLYPHS or not 0 <= byte <= 255:
            raise BuildError("picture %s: glyph byte %d is taken or out of range"
                             % (row["id"], byte))
        code = row["code_point"].strip()
        if not re.fullmatch(r"U\+[0-9A-Fa-f]{4,6}", code):
            raise BuildError("picture %s: bad code point %r" % (row["id"], code))
        pictures[byte] = (int(code[2:], 16),
                          "picture %s (%s)" % (row["id"], row["english"]),
                          row["colour"])
    return pictures


def find_emoji_dir(explicit):
    if explicit:
        return explicit
    package = os.path.join(NPM_PREFIX, "node_modules", *EMOJI_PACKAGE.split("/"))
    if not os.path.isdir(package):
        print("installing %s into %s" % (EMOJI_PACKAGE, NPM_PREFIX))
        subprocess.run(["npm", "install", "--no-save", "--no-package-lock",
                        "--prefix", NPM_PREFIX, EMOJI_PACKAGE], check=True)
    return package


def emoji_font_files(package):
    """The weight-400 font files of the package.  The package splits the font
    into unicode-range subsets; woff2 is preferred, woff used where a subset
    has no woff2."""
    files = {}
    for path in sorted(glob.glob(os.path.join(package, "files", "*-400-normal.woff*"))):
        stem, ext = os.path.splitext(path)
        if ext == ".woff2" or stem not in files:
            files[stem] = path
    if not files:
        raise BuildError("no weight-400 woff2/woff files in %s/files" % package)
    return sorted(files.values())


def load_emoji_outlines(files, wanted):
    """For each wanted code point, the decomposed outline (a recording pen) of
    its glyph in the first subset file that holds a non-empty one."""
    found = {}
    for path in files:
        font = TTFont(path)
        if "glyf" not in font and "CFF " not in font:
            continue
        cmap = font.getBestCmap()
        glyph_set = font.getGlyphSet()
        for code in wanted:
            if code in found or code not in cmap:
                continue
            rec = DecomposingRecordingPen(glyph_set)
            glyph_set[cmap[code]].draw(rec)
            bounds = BoundsPen(None)
            rec.replay(bounds)
            if bounds.bounds is not None:
                found[code] = rec
    return found


def fitted_glyph(recording):
    """Scale and move an outline into the common picture square and return a
    TrueType glyph.  Cubic outlines (CFF) are converted to quadratic ones."""
    bounds = BoundsPen(None)
    recording.replay(bounds)
    x0, y0, x1, y1 = bounds.bounds
    scale = GLYPH_BOX / max(x1 - x0, y1 - y0)
    middle_y = (SYM_ASCENT - SYM_DESCENT) / 2
    dx = SYM_ADVANCE / 2 - scale * (x0 + x1) / 2
    dy = middle_y - scale * (y0 + y1) / 2
    tt_pen = TTGlyphPen(None)
    pen = TransformPen(tt_pen, (scale, 0, 0, scale, dx, dy))
    if any(op == "curveTo" for op, _ in recording.value):
        from fontTools.pens.cu2quPen import Cu2QuPen
        pen = Cu2QuPen(pen, max_err=1.0, reverse_direction=True)
    recording.replay(pen)
    return tt_pen.glyph()


def notdef_glyph():
    """A hollow box, the usual sign of a glyph the font does not have."""
    pen = TTGlyphPen(None)
    middle_y = (SYM_ASCENT - SYM_DESCENT) // 2
    x0, x1, y0, y1 = 60, SYM_ADVANCE - 60, middle_y - 300, middle_y + 300
    # outer contour clockwise, inner one counter-clockwise
    for points in (((x0, y0), (x0, y1), (x1, y1), (x1, y0)),
                   ((x0 + 60, y0 + 60), (x1 - 60, y0 + 60), (x1 - 60, y1 - 60), (x0 + 60, y1 - 60))):
        pen.moveTo(points[0])
        for p in points[1:]:
            pen.lineTo(p)
        pen.closePath()
    return pen.glyph()


def build_symbol_font(out_path, emoji_package):
    pictures = read_pictures()
    wanted = {byte: code for byte, (code, _, _) in pictures.items()}
    wanted.update(EXTRA_GLYPHS)
    files = emoji_font_files(emoji_package)
    outlines = load_emoji_outlines(files, set(wanted.values()))

    missing = []
    for byte, code in sorted(wanted.items()):
        if code not in outlines:
            what = pictures[byte][1] if byte in pictures else "extra glyph %d" % byte
            missing.append("%s: U+%04X not in Noto Emoji" % (what, code))
    if missing:
        raise BuildError("emoji missing, font not built:\n  " + "\n  ".join(missing))

    glyph_order = [".notdef", "space"]
    glyphs = {".notdef": notdef_glyph(), "space": TTGlyphPen(None).glyph()}
    cmap = {0x20: "space", 0xA0: "space"}
    for byte, code in sorted(wanted.items()):
        name = "uni%04X" % (SYMBOL_BASE + byte)
        glyph_order.append(name)
        glyphs[name] = fitted_glyph(outlines[code])
        cmap[SYMBOL_BASE + byte] = name

    emoji_head = TTFont(files[0])["head"]
    fb = FontBuilder(SYM_UPEM, isTTF=True)
    fb.setupGlyphOrder(glyph_order)
    fb.setupCharacterMap(cmap)
    fb.setupGlyf(glyphs)
    metrics = {}
    for name in glyph_order:
        glyph = fb.font["glyf"][name]
        metrics[name] = (SYM_ADVANCE, getattr(glyph, "xMin", 0))
    fb.setupHorizontalMetrics(metrics)
    fb.setupHorizontalHeader(ascent=SYM_ASCENT, descent=-SYM_DESCENT, lineGap=0)
    fb.setupNameTable({
        "copyright": "Glyph outlines Copyright 2013 Google LLC (Noto Emoji), "
                     "arranged for Tamiro.",
        "familyName": "Tamiro Symbols",
        "styleName": "Regular",
        "uniqueFontIdentifier": "TamiroSymbols-Regular",
        "fullName": "Tamiro Symbols Regular",
        "psName": "TamiroSymbols-Regular",
        "version": "Version 1.000",
        "description": "The pictures of the Tamiro learning games, drawn from "
                       "the monochrome Noto Emoji font and placed at U+F000 "
                       "plus the picture byte.",
        "licenseDescription": "This Font Software is licensed under the SIL "
                              "Open Font License, Version 1.1.",
        "licenseInfoURL": "https://openfontlicense.org",
    }, mac=False)
    codes = sorted(cmap)
    fb.setupOS2(
        version=4,
        usWeightClass=400,
        usWidthClass=5,
        fsType=0,                    # installable embedding
        achVendID="NONE",
        fsSelection=(1 << 6) | (1 << 7),   # REGULAR, USE_TYPO_METRICS
        sTypoAscender=SYM_ASCENT,
        sTypoDescender=-SYM_DESCENT,
        sTypoLineGap=0,
        usWinAscent=SYM_ASCENT,
        usWinDescent=SYM_DESCENT,
        ulCodePageRange1=1,          # Latin 1; not the symbol code page bit
        ulCodePageRange2=0,
        usFirstCharIndex=codes[0],
        usLastCharIndex=min(codes[-1], 0xFFFF),
        sxHeight=0,
        sCapHeight=0,
        usDefaultChar=0,
        usBreakChar=0x20,
        usMaxContext=0,
    )
    fb.setupPost(keepGlyphNames=True)
    fb.updateHead(created=emoji_head.created, modified=emoji_head.modified,
                  fontRevision=1.0)
    gasp = newTable("gasp")
    gasp.version = 1
    gasp.gaspRange = {0xFFFF: 0x000F}  # smooth at every size, no hinting
    fb.font["gasp"] = gasp
    fb.font.recalcTimestamp = False
    fb.save(out_path)

    # Every glyph must lie inside the line so no renderer clips it.
    font = TTFont(out_path)
    for name in glyph_order[2:]:
        g = font["glyf"][name]
        if g.yMax > SYM_ASCENT or g.yMin < -SYM_DESCENT or g.xMin < 0 or g.xMax > SYM_ADVANCE:
            raise BuildError("glyph %s leaves the line box" % name)
    return len(wanted)


# --------------------------------------------------------------------------
# Licences
# --------------------------------------------------------------------------

def andika_licence():
    """The OFL text with Andika's copyright notice, from the Debian copyright
    file (a machine-readable copyright file: the licence paragraph's lines are
    indented by one space and blank lines are written as ' .')."""
    with open(ANDIKA_COPYRIGHT, encoding="utf-8") as f:
        paragraphs = f.read().split("\n\n")
    for para in paragraphs:
        lines = para.split("\n")
        if lines[0].startswith("License: OFL") and len(lines) > 10:
            body = []
            for line in lines[1:]:
                line = line[1:] if line.startswith(" ") else line
                body.append("" if line == "." else line)
            return "\n".join(body).rstrip() + "\n"
    raise BuildError("no OFL licence text in " + ANDIKA_COPYRIGHT)


def copy_licences(emoji_package):
    with open(os.path.join(OUT_DIR, "OFL-Andika.txt"), "w", encoding="utf-8") as f:
        f.write(andika_licence())
    licence = os.path.join(emoji_package, "LICENSE")
    if not os.path.isfile(licence):
        raise BuildError("no LICENSE file in " + emoji_package)
    shutil.copyfile(licence, os.path.join(OUT_DIR, "OFL-NotoEmoji.txt"))


# --------------------------------------------------------------------------
# Preview
# --------------------------------------------------------------------------

# One line per language, written for this preview, using the letters that
# set the language apart from plain ASCII.
SAMPLE_LINES = [
    "Svenska: Åsnan är glad och köper röda äpplen.",
    "English: A quick brown fox jumps over the lazy dog.",
    "Dansk: Den søde bjørn spiser blåbær i æblehaven.",
    "Norsk: Bjørnen går på ski og spiser blåbær og ærter.",
    "Suomi: Äiti ja pöllö syövät jäätelöä järven rannalla.",
    "Deutsch: Die große Kuh frisst grünes Gras, Bär und Fuchs spielen.",
    "Hrvatski: Čađa, žaba i ćuk šeću po dvorištu.",
    "Eesti: Õun ja küülik jõuavad äärele, šokolaad ja žürii.",
    "Français: Le cœur de l’élève bat à côté du garçon, où ça ? Noël !",
    "Català: L’àvia menja préssecs i raïm amb el nen, són aquí.",
    "Español: El niño pequeño come piña y jamón, ¿qué más? ¡Olé!",
    "Latinoamérica: La cigüeña y el ñandú bailan en el jardín.",
    "Română: Pisica şi ţânţarul mănâncă în grădină, ÎŞI ŢIN.",
    "Afrikaans: Die kêrel sê mô vir die seuntjie se ôma, dis wêreldwyd.",
    "Brezhoneg: C’hwec’h ki a gan, ur bloaz ’zo, Ñ ha ù.",
    "Polski: Źrebię i żółw jedzą ćmę, pięć łąk, ŁÓDŹ, ŚNIEG.",
    "Italiano: Il gatto è già là, perché più città così.",
    "Português: A criança põe maçã e pão no coração, avô e avó.",
    "0123456789 + - × ÷ = ? ! « » „ “ ” ‘ ’ € £ © ® ™ … – —",
]


def render_preview(png_path):
    from PIL import Image, ImageDraw, ImageFont

    pictures = read_pictures()
    bytes_in_order = sorted(pictures) + sorted(EXTRA_GLYPHS)
    cell, per_row = 96, 16
    rows = (len(bytes_in_order) + per_row - 1) // per_row
    line_h = 40
    width = cell * per_row
    height = rows * cell + 20 + line_h * len(SAMPLE_LINES) + 20
    image = Image.new("RGB", (width, height), "black")
    draw = ImageDraw.Draw(image)
    symbols = ImageFont.truetype(os.path.join(OUT_DIR, "TamiroSymbols.ttf"), 80)
    for i, byte in enumerate(bytes_in_order):
        x, y = (i % per_row) * cell, (i // per_row) * cell
        draw.rectangle((x + 2, y + 2, x + cell - 3, y + cell - 3), outline=(60, 60, 60))
        if byte in pictures:
            colour = pictures[byte][2]
        else:
            colour = {254: "#40E040", 255: "#FF3030"}.get(byte, "#FFFFFF")
        draw.text((x + cell / 2, y + cell / 2), chr(SYMBOL_BASE + byte), font=symbols,
                  fill=colour, anchor="mm")
    reading = ImageFont.truetype(os.path.join(OUT_DIR, "Tamiro3.ttf"), 28)
    y = rows * cell + 20
    for line in SAMPLE_LINES:
        draw.text((10, y), line, font=reading, fill="white")
        y += line_h
    image.save(png_path)


# --------------------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--emoji-dir", help="the @fontsource/noto-emoji package folder")
    parser.add_argument("--preview", metavar="PNG",
                        help="also render every symbol and a sample line per language")
    args = parser.parse_args()
    try:
        os.makedirs(OUT_DIR, exist_ok=True)
        emoji_package = find_emoji_dir(args.emoji_dir)
        reading_path = os.path.join(OUT_DIR, "Tamiro3.ttf")
        source = build_reading_font(reading_path)
        print("%s from %s: %d bytes" % (reading_path, source, os.path.getsize(reading_path)))
        symbol_path = os.path.join(OUT_DIR, "TamiroSymbols.ttf")
        count = build_symbol_font(symbol_path, emoji_package)
        print("%s: %d glyphs, %d bytes" % (symbol_path, count, os.path.getsize(symbol_path)))
        copy_licences(emoji_package)
        if args.preview:
            render_preview(args.preview)
            print("preview written to", args.preview)
    except BuildError as e:
        print("build_fonts: " + str(e), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
