"""Shared reading of Tamiro's content sources (assets-src/).

The encoder, the content check and the contact sheet all read the same files;
this module finds the language folders and parses each source file into rows
that remember their line number, so every tool can point at the exact row.
"""

import os
import struct
from dataclasses import dataclass, field

REPO_ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_SRC = os.path.join(REPO_ROOT, "assets-src")
DEFAULT_OUT = os.path.join(REPO_ROOT, "assets")

PICTURE_COUNT = 119
TAGS = list(range(1, 29)) + [32, 33] + list(range(34, 51))
# Tags whose text is made of letters, not words.
LETTER_TAGS = (21, 32, 33)
# The numbers a text takes, as %1, %2: each exactly once, in every language.
PLACEHOLDERS = {37: ("%1",), 42: ("%1",), 43: ("%1",), 44: ("%1",), 45: ("%1", "%2")}
# The help topics: the menu, the games in general and the About window, which
# every language's file holds (English where a language lacks one), then one
# topic per game, written where the language has it (the reader shows the
# language's topic 101 for a game without one).
HELP_CONTEXTS = (100, 101, 102)
GAME_HELP_CONTEXTS = tuple(range(111, 123))  # 110 + exercise number; 122 hangman
ENGLISH = 2
ROMANIAN = 13
# Romanian game text keeps the cedilla letters of its code page (1250); text
# outside the game, in UTF-8, uses the right letters, with the comma below.
CEDILLA_TO_COMMA = str.maketrans("ŞşŢţ", "ȘșȚț")


@dataclass(frozen=True)
class Language:
    number: int
    name: str
    codepage: str
    # hunspell dictionary names to try in order, or None for Voikko
    dictionaries: tuple
    package: str


LANGUAGES = [
    Language(1, "Swedish", "cp1252", ("sv_SE",), "hunspell-sv"),
    Language(2, "English", "cp1252", ("en_GB",), "hunspell-en-gb"),
    Language(3, "Danish", "cp1252", ("da_DK",), "hunspell-da"),
    Language(4, "Norwegian", "cp1252", ("nb_NO",), "hunspell-no"),
    Language(5, "Finnish", "cp1252", None, "voikko-fi python3-libvoikko"),
    Language(6, "German", "cp1252", ("de_DE",), "hunspell-de-de"),
    Language(7, "Croatian", "cp1250", ("hr_HR",), "hunspell-hr"),
    Language(8, "Estonian", "cp1252", ("et_EE",), "myspell-et"),
    Language(9, "French", "cp1252", ("fr_FR", "fr"), "hunspell-fr"),
    Language(10, "Catalan", "cp1252", ("ca_ES", "ca"), "hunspell-ca"),
    Language(11, "Spanish (Spain)", "cp1252", ("es_ES",), "hunspell-es"),
    Language(12, "Spanish (Latin America)", "cp1252", ("es_ES",), "hunspell-es"),
    Language(13, "Romanian", "cp1250", ("ro_RO",), "hunspell-ro"),
    Language(14, "Afrikaans", "cp1252", ("af_ZA",), "hunspell-af"),
    Language(15, "Breton", "cp1252", ("br_FR",), "hunspell-br"),
    Language(16, "Polish", "cp1250", ("pl_PL",), "hunspell-pl"),
    Language(17, "Italian", "cp1252", ("it_IT",), "hunspell-it"),
    Language(18, "Portuguese (Brazil)", "cp1252", ("pt_BR",), "hunspell-pt-br"),
]
LANG_BY_NUMBER = {lang.number: lang for lang in LANGUAGES}


class SourceError(Exception):
    """A source file that cannot be read at all (bad UTF-8, unreadable)."""


@dataclass
class Row:
    line: int          # 1-based line number in the file
    fields: list       # tab-separated fields, padded to the header's width


@dataclass
class HelpTopic:
    context: int
    title: str
    paragraphs: list   # each paragraph is a list of lines
    line: int


@dataclass
class LangSources:
    """What one language folder holds; None for a file that is missing."""
    number: int
    folder: str            # relative to the source root: lang/NN-code
    path: str              # absolute path of the folder, or None
    pictures: list = None  # rows of pictures.tsv
    strings: list = None   # rows of strings.tsv
    hangman: list = None   # (line, word) of hangman.txt, empty lines included
    help: list = None      # HelpTopic list
    allowlist: list = None  # (line, word) of allowlist.txt
    problems: list = field(default_factory=list)  # (file, line, message)


def read_text(path):
    """Read a UTF-8 source file (a leading byte-order mark is dropped)."""
    try:
        with open(path, "rb") as handle:
            data = handle.read()
    except OSError as exc:
        raise SourceError(f"cannot read: {exc.strerror}") from exc
    try:
        text = data.decode("utf-8-sig")
    except UnicodeDecodeError as exc:
        line = data[:exc.start].count(b"\n") + 1
        raise SourceError(f"line {line}: not valid UTF-8") from exc
    return text.replace("\r\n", "\n").replace("\r", "\n")


def split_lines(text):
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    return lines


def read_tsv(path):
    """Rows after the header, each padded to the header's column count."""
    lines = split_lines(read_text(path))
    if not lines:
        return [], []
    header = lines[0].split("\t")
    rows = []
    for number, line in enumerate(lines[1:], start=2):
        if line.strip() == "":
            continue
        fields = line.split("\t")
        fields += [""] * (len(header) - len(fields))
        rows.append(Row(number, fields))
    return header, rows


def parse_help(text):
    """Split help.txt into topics at its `== <context> <title>` lines."""
    topics = []
    current = None
    paragraph = []
    for number, raw in enumerate(split_lines(text), start=1):
        line = raw.rstrip()
        if line.startswith("== "):
            if current is not None and paragraph:
                current.paragraphs.append(paragraph)
            paragraph = []
            head = line[3:].strip().split(None, 1)
            try:
                context = int(head[0])
            except (IndexError, ValueError):
                context = None
            title = head[1].strip() if len(head) > 1 else ""
            current = HelpTopic(context, title, [], number)
            topics.append(current)
        elif current is None:
            continue
        elif line.strip() == "":
            if paragraph:
                current.paragraphs.append(paragraph)
            paragraph = []
        else:
            paragraph.append(line)
    if current is not None and paragraph:
        current.paragraphs.append(paragraph)
    return topics


def find_language_folder(src, number):
    """The folder lang/NN-code for a language number, or a list of clashes."""
    lang_dir = os.path.join(src, "lang")
    prefix = f"{number:02d}-"
    try:
        names = sorted(n for n in os.listdir(lang_dir)
                       if n.startswith(prefix)
                       and os.path.isdir(os.path.join(lang_dir, n)))
    except FileNotFoundError:
        names = []
    return names


def load_language(src, number):
    names = find_language_folder(src, number)
    if not names:
        folder = f"lang/{number:02d}-*"
        sources = LangSources(number, folder, None)
        sources.problems.append(("", 0, "language folder missing"))
        return sources
    folder = f"lang/{names[0]}"
    sources = LangSources(number, folder, os.path.join(src, "lang", names[0]))
    if len(names) > 1:
        sources.problems.append(("", 0, "more than one folder for this number: "
                                 + ", ".join(names)))

    def attempt(filename, reader, optional=False):
        path = os.path.join(sources.path, filename)
        if not os.path.isfile(path):
            if not optional:
                sources.problems.append((filename, 0, "file missing"))
            return None
        try:
            return reader(path)
        except SourceError as exc:
            sources.problems.append((filename, 0, str(exc)))
            return None

    sources.pictures = attempt("pictures.tsv", lambda p: read_tsv(p)[1])
    sources.strings = attempt("strings.tsv", lambda p: read_tsv(p)[1])
    sources.hangman = attempt("hangman.txt", lambda p: [
        (n, line) for n, line in enumerate(split_lines(read_text(p)), start=1)])
    sources.help = attempt("help.txt", lambda p: parse_help(read_text(p)))
    sources.allowlist = attempt("allowlist.txt", read_allowlist, optional=True)
    return sources


def read_allowlist(path):
    entries = []
    for number, line in enumerate(split_lines(read_text(path)), start=1):
        if line.strip() == "" or line.lstrip().startswith("#"):
            continue
        entries.append((number, line.split("\t", 1)[0].strip()))
    return entries


def load_catalogue(src):
    """The global picture catalogue: list of dicts with id, glyph, colour."""
    path = os.path.join(src, "pictures.tsv")
    header, rows = read_tsv(path)
    index = {name: i for i, name in enumerate(header)}
    pictures = []
    for row in rows:
        def col(name):
            return row.fields[index[name]].strip()
        colour = col("colour")
        if len(colour) != 7 or colour[0] != "#":
            raise SourceError(f"pictures.tsv:{row.line}: bad colour {colour!r}")
        pictures.append({
            "id": int(col("id")),
            "glyph": int(col("glyph")),
            "code_point": col("code_point"),
            "rgb": tuple(int(colour[i:i + 2], 16) for i in (1, 3, 5)),
            "colour": colour.upper(),
            "english": col("english"),
            "line": row.line,
        })
    return pictures


def strings_by_tag(rows):
    """tag -> (line, text) for the rows of strings.tsv; the first row wins."""
    table = {}
    for row in rows or []:
        try:
            tag = int(row.fields[0].strip())
        except ValueError:
            continue
        table.setdefault(tag, (row.line, row.fields[1]))
    return table


def pictures_by_id(rows):
    """id -> (line, name, plural) for the rows of a language's pictures.tsv."""
    table = {}
    for row in rows or []:
        try:
            pid = int(row.fields[0].strip())
        except ValueError:
            continue
        table.setdefault(pid, (row.line, row.fields[1], row.fields[2]))
    return table


def codepage_roundtrip(text, codepage):
    """The text after a trip through the code page, or None if it has a
    character the code page cannot hold."""
    try:
        return text.encode(codepage).decode(codepage)
    except UnicodeError:
        return None


def bad_characters(text, codepage):
    return sorted({c for c in text if codepage_roundtrip(c, codepage) is None})


def encode_string(text):
    """A length byte, then per character a filler byte and five decimal
    digits of its UTF-16 code unit."""
    units = text.encode("utf-16-le")
    codes = struct.unpack(f"<{len(units) // 2}H", units)
    if len(codes) > 255:
        raise ValueError(f"string longer than 255 characters: {text[:20]!r}...")
    out = bytearray([len(codes)])
    for code in codes:
        out += b" " + b"%05d" % code
    return bytes(out)


def encode_word(value):
    return struct.pack("<h", value)


def hangman_upper(text):
    """Upper-case as the hangman game does: ß has no single capital."""
    return "".join(c if c == "ß" else c.upper() for c in text)
