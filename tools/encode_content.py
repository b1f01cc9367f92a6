#!/usr/bin/python3
"""Encode Tamiro's content sources into the files the program loads.

Writes bilder.crp (picture catalogue), lang.crp (interface strings),
hangman.crp (hangman words) and TAMIRO.HLP (help) from assets-src/ into the
output folder. The output depends only on the sources, so running it twice
gives the same bytes.

Every text that goes into a .crp file must survive a trip through its
language's code page (the program shows single-byte text only); the tool
refuses to write anything when one does not, and names the row.
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import tamiro_content as tc  # noqa: E402

HELP_MAGIC = "TAMIRO HELP 1"


class Encoder:
    def __init__(self, src):
        self.src = src
        self.warnings = []
        self.errors = []
        self.catalogue = tc.load_catalogue(src)
        ids = [p["id"] for p in self.catalogue]
        if ids != list(range(1, tc.PICTURE_COUNT + 1)):
            raise tc.SourceError("pictures.tsv: ids must be 1..%d in order"
                                 % tc.PICTURE_COUNT)
        self.langs = [tc.load_language(src, lang.number) for lang in tc.LANGUAGES]
        for sources in self.langs:
            for filename, line, message in sources.problems:
                if filename == "allowlist.txt":
                    continue
                where = f"{sources.folder}/{filename}" if filename else sources.folder
                self.warnings.append(f"{where}:{line}: {message}")

    def text(self, sources, filename, line, text):
        """A source text as it goes into a file: trimmed, and checked
        against the language's code page."""
        text = text.strip()
        codepage = tc.LANG_BY_NUMBER[sources.number].codepage
        converted = tc.codepage_roundtrip(text, codepage)
        if converted is None:
            chars = " ".join(f"{c!r} (U+{ord(c):04X})"
                             for c in tc.bad_characters(text, codepage))
            self.errors.append(
                f"{sources.folder}/{filename}:{line}: language {sources.number} "
                f"({tc.LANG_BY_NUMBER[sources.number].name}): not in {codepage}: {chars}")
            return ""
        if len(converted) > 255:
            self.errors.append(f"{sources.folder}/{filename}:{line}: "
                               "text longer than 255 characters")
            return ""
        return converted

    def bilder(self):
        tables = [tc.pictures_by_id(s.pictures) for s in self.langs]
        out = bytearray()
        for picture in self.catalogue:
            pid = picture["id"]
            out += tc.encode_word(pid) + tc.encode_word(picture["glyph"])
            for sources, table in zip(self.langs, tables):
                line, name, plural = table.get(pid, (0, "", ""))
                out += tc.encode_string(self.text(sources, "pictures.tsv", line, name))
                out += tc.encode_string(self.text(sources, "pictures.tsv", line, plural))
            for value in picture["rgb"]:
                out += tc.encode_word(value)
        return bytes(out)

    def lang(self):
        tables = [tc.strings_by_tag(s.strings) for s in self.langs]
        out = bytearray()
        for tag in tc.TAGS:
            out += tc.encode_word(tag)
            for sources, table in zip(self.langs, tables):
                if sources.strings is not None and tag not in table:
                    self.warnings.append(f"{sources.folder}/strings.tsv:0: tag {tag} missing")
                line, text = table.get(tag, (0, ""))
                out += tc.encode_string(self.text(sources, "strings.tsv", line, text))
        return bytes(out)

    def hangman(self):
        out = bytearray()
        for sources in self.langs:
            for line, word in sources.hangman or []:
                if word.strip() == "":
                    continue
                out += tc.encode_word(sources.number)
                out += tc.encode_string(self.text(sources, "hangman.txt", line, word))
        return bytes(out)

    def help(self):
        english = {}
        english_sources = self.langs[tc.ENGLISH - 1]
        for topic in english_sources.help or []:
            english.setdefault(topic.context, topic)
        lines = [HELP_MAGIC]
        for sources in self.langs:
            # A language without a help file takes every English topic; one
            # with a file takes English only for the topics 100 to 102, and
            # its own topic 101 stands for a game it does not explain.
            own = english if sources.help is None else {}
            for topic in sources.help or []:
                own.setdefault(topic.context, topic)
            for context in tc.HELP_CONTEXTS + tc.GAME_HELP_CONTEXTS:
                topic = own.get(context)
                if topic is not None and topic.paragraphs:
                    pass
                elif context in tc.GAME_HELP_CONTEXTS:
                    self.warnings.append(f"{sources.folder}/help.txt:0: topic {context} "
                                         "missing, topic 101 shown instead")
                    continue
                else:
                    topic = english.get(context)
                    if topic is None or not topic.paragraphs:
                        self.errors.append(f"{english_sources.folder}/help.txt:0: "
                                           f"English topic {context} missing")
                        continue
                    if sources.help is not None:
                        self.warnings.append(f"{sources.folder}/help.txt:0: topic "
                                             f"{context} missing, English used")
                head = f"== {sources.number} {context} {topic.title}".rstrip()
                lines.append(head)
                for i, paragraph in enumerate(topic.paragraphs):
                    if i:
                        lines.append("")
                    lines.append(" ".join(part.strip() for part in paragraph))
        return ("\n".join(lines) + "\n").encode("utf-8")

    def build(self):
        """All four outputs as {filename: bytes}; errors in self.errors."""
        return {
            "bilder.crp": self.bilder(),
            "lang.crp": self.lang(),
            "hangman.crp": self.hangman(),
            "TAMIRO.HLP": self.help(),
        }


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--src", default=tc.DEFAULT_SRC,
                        help="content source folder (default: assets-src)")
    parser.add_argument("--out", default=tc.DEFAULT_OUT,
                        help="output folder (default: assets)")
    args = parser.parse_args(argv)

    try:
        encoder = Encoder(args.src)
        outputs = encoder.build()
    except (tc.SourceError, OSError, ValueError, KeyError) as exc:
        print(f"encode_content: {exc}", file=sys.stderr)
        return 2
    for warning in encoder.warnings:
        print(f"warning: {warning}", file=sys.stderr)
    if encoder.errors:
        for error in encoder.errors:
            print(f"error: {error}", file=sys.stderr)
        print(f"encode_content: {len(encoder.errors)} error(s), nothing written",
              file=sys.stderr)
        return 1
    os.makedirs(args.out, exist_ok=True)
    for name, data in outputs.items():
        path = os.path.join(args.out, name)
        with open(path, "wb") as handle:
            handle.write(data)
        print(f"wrote {path} ({len(data)} bytes)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
