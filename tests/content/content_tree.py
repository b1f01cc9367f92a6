"""A small, valid content source tree written into a temporary folder.

It has the picture catalogue and two languages, English (02, cp1252) and
Croatian (07, cp1250); an Italian folder, whose counting forms begin with the
question word, and a French one, whose forms begin with "de" or "d'", can be
added. The tests change single files to break one rule.
"""

import os
import sys

TOOLS = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(
    os.path.abspath(__file__)))), "tools")
sys.path.insert(0, TOOLS)
import tamiro_content as tc  # noqa: E402

import tamiro_content  # noqa: E402

ALPHABET = "ABCDEFGHIJKLMNOPRSTUVZ"


def made_up_word(i, length=5):
    """A distinct lower-case word for every i, from letters of ALPHABET."""
    letters = ALPHABET.lower()
    out = ""
    for _ in range(length):
        out += letters[i % len(letters)]
        i //= len(letters)
    return out


def catalogue_rows():
    rows = ["id\tglyph\tcode_point\temoji\tcolour\tenglish"]
    for pid in range(1, 120):
        rows.append(f"{pid}\t{127 + pid}\tU+1F34E\t🍎\t#{pid:02X}80{255 - pid:02X}\tthing {pid}")
    return rows


def language_files(prefix, help_topics=(100, 101, 102) + tuple(range(111, 123))):
    """The files of one language folder; names start with `prefix`."""
    pictures = ["id\tname\tplural"]
    for pid in range(1, 120):
        name = f"{prefix}{made_up_word(pid, 3)}"
        pictures.append(f"{pid}\t{name}\t{name}s")
    strings = ["tag\ttext"]
    for tag in tamiro_content.TAGS:
        text = {21: ALPHABET, 26: "Tamiro", 27: "", 32: "EÉ", 33: ALPHABET}.get(tag, f"text {tag}")
        # The numbers the program puts in, where the text takes them.
        text = " ".join([text, *tamiro_content.PLACEHOLDERS.get(tag, ())])
        strings.append(f"{tag}\t{text}")
    hangman = [made_up_word(i) for i in range(120)]
    help_lines = []
    for context in help_topics:
        help_lines += [f"== {context} {prefix} title {context}",
                       f"{prefix} first paragraph of {context},",
                       "on two lines.", "", f"{prefix} second paragraph.", ""]
    return {
        "pictures.tsv": pictures,
        "strings.tsv": strings,
        "hangman.txt": hangman,
        "help.txt": help_lines,
        "allowlist.txt": [],
    }


def counting_language_files(prefix):
    """The files of an Italian folder, whose counting forms carry the question
    word: odd pictures are masculine (-o, "Quanti ...i"), even ones feminine
    (-a, "Quante ...e"); tag 16 is empty."""
    files = language_files(prefix)
    pictures = ["id\tname\tplural"]
    for pid in range(1, 120):
        stem = f"{prefix}{made_up_word(pid, 3)}"
        if pid % 2:
            pictures.append(f"{pid}\t{stem}o\tQuanti {stem}i")
        else:
            pictures.append(f"{pid}\t{stem}a\tQuante {stem}e")
    files["pictures.tsv"] = pictures
    files["strings.tsv"] = ["16\t" if line.startswith("16\t") else line
                            for line in files["strings.tsv"]]
    return files


def french_language_files():
    """The files of a French folder: tag 16 is "Combien", the counting forms
    are "de" and the plural, elided before even pictures' names, which begin
    with a vowel ("d'a...s"); odd ones begin with "b" ("de b...s")."""
    files = language_files("b")
    pictures = ["id\tname\tplural"]
    for pid in range(1, 120):
        name = ("a" if pid % 2 == 0 else "b") + made_up_word(pid, 3)
        pictures.append(f"{pid}\t{name}\t" + (f"d'{name}s" if pid % 2 == 0 else f"de {name}s"))
    files["pictures.tsv"] = pictures
    files["strings.tsv"] = ["16\tCombien" if line.startswith("16\t") else line
                            for line in files["strings.tsv"]]
    return files


def write_lines(path, lines):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\n") as handle:
        handle.write("".join(line + "\n" for line in lines))


def build(root):
    """Write the tree under root; returns {folder name: {file: lines}}."""
    write_lines(os.path.join(root, "pictures.tsv"), catalogue_rows())
    langs = {
        "02-en": language_files("b"),
        "07-hr": language_files("c"),
    }
    for folder, files in langs.items():
        add(root, folder, files)
    return langs


def add(root, folder, files):
    """Write one more language folder into the tree."""
    for name, lines in files.items():
        write_lines(os.path.join(root, "lang", folder, name), lines)


def edit(root, folder, name, change):
    """Rewrite one file of the tree: change(lines) returns the new lines."""
    path = os.path.join(root, "lang", folder, name)
    with open(path, encoding="utf-8") as handle:
        lines = handle.read().split("\n")[:-1]
    write_lines(path, change(lines))
