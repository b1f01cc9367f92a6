#!/usr/bin/python3
"""Make Tamiro's desktop entry and AppStream metainfo from their templates.

    make_menu_entry.py --template packaging/tamiro.desktop.in --out X.desktop
                       [--src assets-src] [--set version=1.0 ...]

`@key@` in a template is replaced by the value given with `--set key=value`;
a key without a value is an error. A line holding one of the translated
keys `@name@` (the window caption, tag 26 of strings.tsv), `@summary@`
(summary.txt) or `@keywords@` (the menu captions of the sums, the first
letter, hangman and memory) is written once in English, then once for every
other language with the language's locale:

    Comment=@summary@          ->  Comment=...  Comment[sv]=...  ...
    <summary>@summary@</summary> -> <summary>...</summary>
                                    <summary xml:lang="sv">...</summary> ...

In a desktop entry the keywords are one list (`Keywords=a;b;`); in XML the
line is written once per keyword. The kind of file is told by the template's
name: `.desktop.in` or `.xml.in`.
"""

import argparse
import os
import re
import sys
from xml.sax.saxutils import escape

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import tamiro_content as tc  # noqa: E402

NAME_TAG = 26
KEYWORD_TAGS = (2, 3, 4, 6, 8, 10)
TRANSLATED = ("name", "summary", "keywords")
MAX_SUMMARY = 60
PLACEHOLDER = re.compile(r"@([a-z_]+)@")


class EntryError(Exception):
    pass


def locale_of(folder):
    """lang/12-es-419 -> es_419, the form locales take in menu entries."""
    code = os.path.basename(folder).split("-", 1)[1]
    return code.replace("-", "_")


def read_language(src, number):
    """(locale, {"name": str, "summary": str, "keywords": [str]})."""
    sources = tc.load_language(src, number)
    if sources.path is None or sources.strings is None:
        raise EntryError(f"{sources.folder}: no strings.tsv")
    where = sources.folder
    strings = tc.strings_by_tag(sources.strings)
    missing = [t for t in (NAME_TAG,) + KEYWORD_TAGS if not strings.get(t, (0, ""))[1].strip()]
    if missing:
        raise EntryError(f"{where}/strings.tsv: no text for tag " + ", ".join(map(str, missing)))
    path = os.path.join(sources.path, "summary.txt")
    try:
        lines = [line.strip() for line in tc.split_lines(tc.read_text(path))]
    except tc.SourceError as exc:
        raise EntryError(f"{where}/summary.txt: {exc}") from exc
    lines = [line for line in lines if line]
    if len(lines) != 1:
        raise EntryError(f"{where}/summary.txt: needs exactly one line of text, has {len(lines)}")
    summary = lines[0]
    if len(summary) > MAX_SUMMARY:
        raise EntryError(f"{where}/summary.txt: {len(summary)} characters (at most {MAX_SUMMARY})")
    texts = {
        "name": strings[NAME_TAG][1].strip(),
        "summary": summary,
        "keywords": [strings[t][1].strip() for t in KEYWORD_TAGS],
    }
    if number == tc.ROMANIAN:
        texts["name"] = texts["name"].translate(tc.CEDILLA_TO_COMMA)
        texts["summary"] = texts["summary"].translate(tc.CEDILLA_TO_COMMA)
        texts["keywords"] = [k.translate(tc.CEDILLA_TO_COMMA) for k in texts["keywords"]]
    # The same keyword twice says nothing more.
    texts["keywords"] = list(dict.fromkeys(texts["keywords"]))
    return locale_of(sources.folder), texts


def read_languages(src):
    """English first, then the other languages in number order."""
    languages = [read_language(src, lang.number) for lang in tc.LANGUAGES]
    english = [entry for lang, entry in zip(tc.LANGUAGES, languages) if lang.number == tc.ENGLISH]
    others = [entry for lang, entry in zip(tc.LANGUAGES, languages) if lang.number != tc.ENGLISH]
    return english + others


def desktop_value(text):
    return text.replace("\\", "\\\\").replace("\n", "\\n").replace("\t", "\\t")


def desktop_line(line, key, locale, texts):
    if key == "keywords":
        value = "".join(desktop_value(k).replace(";", "\\;") + ";" for k in texts["keywords"])
    else:
        value = desktop_value(texts[key])
    if locale is not None:
        entry, sep, rest = line.partition("=")
        if not sep:
            raise EntryError(f"translated line is not key=value: {line!r}")
        line = f"{entry}[{locale}]={rest}"
    return [line.replace(f"@{key}@", value)]


def xml_line(line, key, locale, texts):
    if locale is not None:
        opened = re.sub(r"<([A-Za-z_][\w.-]*)", rf'<\1 xml:lang="{locale}"', line, count=1)
        if opened == line:
            raise EntryError(f"translated line has no element: {line!r}")
        line = opened
    values = texts["keywords"] if key == "keywords" else [texts[key]]
    return [line.replace(f"@{key}@", escape(value)) for value in values]


def expand(template, languages, values, kind):
    """The template with its values filled in and its translated lines
    repeated for every language."""
    translate = desktop_line if kind == "desktop" else xml_line
    quote = (lambda text: text) if kind == "desktop" else escape
    out = []
    for number, line in enumerate(template.split("\n"), start=1):
        keys = PLACEHOLDER.findall(line)
        unknown = [k for k in keys if k not in TRANSLATED and k not in values]
        if unknown:
            raise EntryError(f"template line {number}: no value for @{unknown[0]}@")
        for key in keys:
            if key not in TRANSLATED:
                line = line.replace(f"@{key}@", quote(values[key]))
        translated = [k for k in keys if k in TRANSLATED]
        if len(translated) > 1:
            raise EntryError(f"template line {number}: more than one translated value")
        if not translated:
            out.append(line)
            continue
        for index, (locale, texts) in enumerate(languages):
            out += translate(line, translated[0], None if index == 0 else locale, texts)
    return "\n".join(out)


def kind_of(template):
    if template.endswith(".desktop.in"):
        return "desktop"
    if template.endswith(".xml.in"):
        return "xml"
    raise EntryError(f"{template}: not a .desktop.in or .xml.in template")


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--src", default=tc.DEFAULT_SRC, help="the content sources (assets-src)")
    parser.add_argument("--template", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--set", action="append", default=[], metavar="KEY=VALUE")
    args = parser.parse_args(argv)
    try:
        values = {}
        for item in args.set:
            key, sep, value = item.partition("=")
            if not sep or not re.fullmatch(r"[a-z_]+", key) or key in TRANSLATED:
                raise EntryError(f"--set {item!r}: needs key=value with a key of a-z and _")
            values[key] = value
        kind = kind_of(args.template)
        try:
            template = tc.read_text(args.template)
        except tc.SourceError as exc:
            raise EntryError(f"{args.template}: {exc}") from exc
        text = expand(template, read_languages(args.src), values, kind)
    except (EntryError, tc.SourceError) as exc:
        print(f"make_menu_entry: {exc}", file=sys.stderr)
        return 1
    with open(args.out, "w", encoding="utf-8", newline="\n") as handle:
        handle.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
