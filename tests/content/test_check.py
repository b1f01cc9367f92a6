"""The content check: each rule fires on a broken tree, and only then."""

import contextlib
import io
import os
import shutil
import tempfile
import unittest
from unittest import mock

import content_tree

import check_content


class WordSetSpeller:
    """Accepts exactly the words of a set, so the allowlist rules can be
    tested without a dictionary."""
    label = "test speller"

    def __init__(self, known):
        self.known = known

    def rejected(self, words):
        return {w for w in words if w not in self.known}


class CheckTreeTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.src = self.tmp.name
        self.langs = content_tree.build(self.src)
        self.langs["17-it"] = content_tree.counting_language_files("d")
        content_tree.add(self.src, "17-it", self.langs["17-it"])
        self.langs["09-fr"] = content_tree.french_language_files()
        content_tree.add(self.src, "09-fr", self.langs["09-fr"])
        known = set()
        for files in self.langs.values():
            for line in files["pictures.tsv"][1:]:
                for text in line.split("\t")[1:]:
                    known.update(check_content.spelling_tokens(text))
            known.update(files["hangman.txt"])
            for line in files["strings.tsv"][1:]:
                known.update(check_content.sentence_tokens(line.split("\t")[1]))
        self.speller = WordSetSpeller(known)

    def tearDown(self):
        self.tmp.cleanup()

    def check(self, lang):
        out = io.StringIO()
        with mock.patch.object(check_content, "make_speller", lambda _: self.speller), \
                contextlib.redirect_stdout(out):
            code = check_content.main(["--src", self.src, "--lang", lang])
        lines = out.getvalue().splitlines()
        return code, lines

    def edit_rows(self, folder, name, changes):
        """Replace rows of one file: changes maps row index to new text."""
        content_tree.edit(self.src, folder, name,
                          lambda l: [changes.get(i, x) for i, x in enumerate(l)])

    def assertFault(self, lang, prefix, words):
        code, lines = self.check(lang)
        self.assertEqual(code, 1, lines)
        hits = [line for line in lines if line.startswith(prefix)]
        self.assertTrue(hits, f"no fault at {prefix} in {lines}")
        for word in words:
            self.assertIn(word, hits[0])
        return lines

    def test_valid_tree_passes(self):
        code, lines = self.check("02")
        self.assertEqual(code, 0, lines)

    def test_missing_folder_and_file(self):
        self.assertFault("05", "lang/05-*/:0:", ["folder missing"])
        os.remove(os.path.join(self.src, "lang", "02-en", "help.txt"))
        self.assertFault("02", "lang/02-en/help.txt:0:", ["missing"])

    def test_character_outside_code_page(self):
        content_tree.edit(self.src, "02-en", "strings.tsv",
                          lambda l: l[:3] + ["3\tSubtracţie"] + l[4:])
        self.assertFault("02", "lang/02-en/strings.tsv:4:", ["cp1252", "U+0163"])
        # the same letter is fine in cp1250
        content_tree.edit(self.src, "07-hr", "strings.tsv",
                          lambda l: l[:3] + ["3\tSubtracţie"] + l[4:])
        self.assertEqual(self.check("07")[0], 0)

    def test_string_table_rules(self):
        content_tree.edit(self.src, "02-en", "strings.tsv", lambda l: l + ["7\tagain"])
        last = len(self.langs["02-en"]["strings.tsv"]) + 1
        self.assertFault("02", f"lang/02-en/strings.tsv:{last}:", ["tag 7 repeated", "row 8"])
        content_tree.edit(self.src, "02-en", "strings.tsv",
                          lambda l: [x for x in l[:-1] if not x.startswith("9\t")])
        self.assertFault("02", "lang/02-en/strings.tsv:0:", ["tag 9 missing"])
        content_tree.edit(self.src, "07-hr", "strings.tsv",
                          lambda l: [x.replace("ABCDEFG", "ABCDEFA") for x in l])
        self.assertFault("07", "lang/07-hr/strings.tsv:22:", ["tag 21 repeats", "'A'"])

    def test_every_language_has_every_help_topic(self):
        self.assertEqual(self.check("07")[0], 0)
        help_lines = self.langs["07-hr"]["help.txt"]
        start = help_lines.index("== 117 c title 117")
        content_tree.edit(self.src, "07-hr", "help.txt",
                          lambda l: l[:start] + ["== 130 c title 130"] + l[start + 1:])
        lines = self.assertFault("07", "lang/07-hr/help.txt:0:", ["topic 117 missing"])
        self.assertIn(f"lang/07-hr/help.txt:{start + 1}: unknown help context 130 "
                      "(100 to 102, 111 to 122)", lines)

    def test_board_size_captions(self):
        # tag 27 is on row 28 (index 27); tag 18 is "text 18"
        for own, words in (("24 karty|36 kart", None), ("25 karty", ["'25 karty'", "board size"]),
                           ("24 karty|24 kart", ["gives 24 twice"]),
                           ("24 karty|24", ["'24'", "a blank and the words"]),
                           ("12 text 18", ["what tag 18 makes"])):
            self.edit_rows("07-hr", "strings.tsv", {27: f"27\t{own}"})
            if words is None:
                self.assertEqual(self.check("07")[0], 0, own)
            else:
                self.assertFault("07", "lang/07-hr/strings.tsv:28:", words)

    def test_hangman_letters(self):
        # É is uncovered by the pair EÉ; Q is in neither tag 21 nor tag 32
        content_tree.edit(self.src, "02-en", "hangman.txt", lambda l: l + ["café"])
        self.speller.known.add("café")
        self.assertEqual(self.check("02")[0], 0)
        content_tree.edit(self.src, "02-en", "hangman.txt", lambda l: l + ["quest"])
        self.speller.known.add("quest")
        self.assertFault("02", "lang/02-en/hangman.txt:122:", ["'quest'", "'Q'"])

    def test_hangman_duplicates_and_count(self):
        content_tree.edit(self.src, "02-en", "hangman.txt",
                          lambda l: l[:100] + [l[0].upper()])
        lines = self.assertFault("02", "lang/02-en/hangman.txt:101:", ["repeats row 1"])
        self.assertNotIn("words (100 to 200)", "\n".join(lines))
        content_tree.edit(self.src, "02-en", "hangman.txt", lambda l: l[:99])
        self.assertFault("02", "lang/02-en/hangman.txt:0:", ["99 words"])

    def test_picture_rules(self):
        def drop_plural(lines):
            lines[3] = lines[3].split("\t")[0] + "\t" + lines[3].split("\t")[1] + "\t"
            return lines
        content_tree.edit(self.src, "02-en", "pictures.tsv", drop_plural)
        self.assertFault("02", "lang/02-en/pictures.tsv:4:", ["has no plural"])
        content_tree.edit(self.src, "07-hr", "pictures.tsv",
                          lambda l: l[:1] + [f"{n}\t\t" for n in range(1, 11)] + l[11:])
        self.assertFault("07", "lang/07-hr/pictures.tsv:0:", ["only 109 pictures named"])

    def test_counting_forms_carry_the_question_word(self):
        self.assertEqual(self.check("17")[0], 0)
        pictures = self.langs["17-it"]["pictures.tsv"]   # row i is picture i
        edit = self.edit_rows
        wrong = pictures[2].replace("Quante", "Quanti")   # picture 2 is feminine
        edit("17-it", "pictures.tsv", {2: wrong, 3: pictures[3].replace("Quanti ", ""),
                                       4: pictures[4].split(" ")[0]})
        lines = self.assertFault("17", "lang/17-it/pictures.tsv:3:",
                                 [repr(wrong.split("\t")[2]), "is feminine, so 'Quante'"])
        for row in (4, 5):
            self.assertIn(f"lang/17-it/pictures.tsv:{row}: counting form", "\n".join(lines))
        edit("17-it", "pictures.tsv", {2: pictures[2], 3: pictures[3], 4: pictures[4]})
        self.speller.known.discard("Quante")
        self.assertFault("17", "lang/17-it/pictures.tsv:3:", ["spelling", "'Quante'"])
        # tag 16 is empty only where the counting forms carry the question
        edit("17-it", "strings.tsv", {16: "16\tQual è il numero di"})
        self.assertFault("17", "lang/17-it/strings.tsv:17:", ["tag 16 must be ''", "'Quanti'"])
        edit("02-en", "strings.tsv", {16: "16\t"})
        self.assertFault("02", "lang/02-en/strings.tsv:17:", ["tag 16 is empty"])

    def test_french_counting_forms_elide_de(self):
        self.assertEqual(self.check("09")[0], 0)
        pictures = self.langs["09-fr"]["pictures.tsv"]   # row i is picture i
        name = pictures[5].split("\t")[1]
        self.edit_rows("09-fr", "pictures.tsv", {
            2: pictures[2].replace("\td'", "\tde "), 3: pictures[3].replace("\tde ", "\td'"),
            4: pictures[4].replace("\td'", "\t"), 5: f"5\t{name}\tde {name}"})
        code, lines = self.check("09")
        self.assertEqual(code, 1)
        faults = "\n".join(lines)
        for row, words in ((2, ["takes \"d'\""]), (3, ["takes \"de\""]),
                           (4, ["does not begin with \"de \" or \"d'\""]),
                           (5, [repr(name), "is the singular"])):
            self.assertIn(f"lang/09-fr/pictures.tsv:{row + 1}: counting form", faults)
            line = next(l for l in lines if l.startswith(f"lang/09-fr/pictures.tsv:{row + 1}:"))
            for word in words:
                self.assertIn(word, line)
        self.edit_rows("09-fr", "pictures.tsv", {i: pictures[i] for i in (2, 3, 4, 5)})
        self.speller.known.discard("de")
        self.assertFault("09", "lang/09-fr/pictures.tsv:2:", ["spelling", "'de'"])
        self.edit_rows("09-fr", "strings.tsv", {16: "16\tCompte les"})
        self.assertFault("09", "lang/09-fr/strings.tsv:17:", ["tag 16 must be 'Combien'"])

    def test_french_elision(self):
        for word, elides in (("chats", False), ("oiseaux", True), ("éléphants", True),
                             ("œufs", True), ("Ours", True), ("arcs-en-ciel", True),
                             ("hélicoptères", True), ("hippopotames", True),
                             ("hiboux", False), ("hérissons", False), ("haricots", False),
                             ("hot-dogs", False), ("yaourts", False), ("yeux", True)):
            self.assertEqual(check_content.french_elides(word), elides, word)

    def test_gender_from_the_noun_forms(self):
        q = check_content.COUNTING_QUESTIONS
        for lang, singular, plural, gender in (
                (17, "gatto", "gatti", "m"), (17, "mela", "mele", "f"), (17, "mano", "mani", "f"),
                (17, "chiave", "chiavi", None), (11, "panda", "pandas", "m"),
                (10, "taronja", "taronges", "f"), (10, "paraigua", "paraigües", "m"),
                (13, "cal", "cai", "m"), (13, "dinozaur", "dinozauri", "m"),
                (13, "măr", "mere", "f"), (13, "tren", "trenuri", "f"), (13, "stea", "stele", "f"),
                (13, "câine", "câini", None), (13, "panda", "panda", None)):
            self.assertEqual(q[lang].gender(singular, plural), gender, (lang, singular))

    def test_allowlist(self):
        path = os.path.join(self.src, "lang", "02-en", "allowlist.txt")
        word = self.langs["02-en"]["hangman.txt"][5]
        self.speller.known.discard(word)
        self.assertFault("02", "lang/02-en/hangman.txt:6:", ["spelling", repr(word)])
        # the entry excuses the word; one the checker knows and one that no
        # source uses are stale
        known = self.langs["02-en"]["hangman.txt"][6]
        content_tree.write_lines(path, [f"{word}\t# fine", f"{known}\t# known anyway",
                                        "zebrafish\t# not used"])
        lines = self.assertFault("02", "lang/02-en/allowlist.txt:2:", ["stale", "accepts"])
        self.assertIn("lang/02-en/allowlist.txt:3: stale entry 'zebrafish': no name"
                      ", plural or hangman word uses it", lines)
        self.assertFalse(any("hangman.txt:6:" in line for line in lines))
        # an entry of two words excuses them where they stand together
        content_tree.write_lines(path, [f"{word}\t# fine", "odd-zebra\t# hyphenated"])
        content_tree.edit(self.src, "02-en", "hangman.txt", lambda l: l + ["odd-zebra"])
        self.speller.known.add("odd")
        self.assertEqual(self.check("02")[0], 0)


    def test_interface_texts(self):
        """The progress page's texts are spelled, and keep the numbers the
        program puts into them."""
        strings = self.langs["02-en"]["strings.tsv"]
        row = next(i for i, line in enumerate(strings) if line.startswith("45\t"))
        self.edit_rows("02-en", "strings.tsv", {row: "45\ttext 45 %1"})
        self.assertFault("02", f"lang/02-en/strings.tsv:{row + 1}:", ["tag 45", "%1 and %2", "holds %1"])
        self.edit_rows("02-en", "strings.tsv", {row: "45\ttext %2 %1 %3"})
        self.assertFault("02", f"lang/02-en/strings.tsv:{row + 1}:", ["holds %2 %1 %3"])
        self.edit_rows("02-en", "strings.tsv", {row: "45\tBest: %1, text %2?"})
        self.assertFault("02", f"lang/02-en/strings.tsv:{row + 1}:", ["spelling", "'Best'"])
        # The menu's captions keep their coined words.
        self.edit_rows("02-en", "strings.tsv", {row: "45\ttext %1 %2", 1: "1\tOrdmemory"})
        self.assertEqual(self.check("02")[0], 0)


@unittest.skipUnless(shutil.which("hunspell"), "hunspell is not installed")
class HunspellTest(unittest.TestCase):
    def test_real_dictionary(self):
        try:
            speller = check_content.Hunspell(("en_GB",), "hunspell-en-gb")
        except check_content.SpellerUnavailable as exc:
            self.fail(str(exc))
        self.assertEqual(speller.rejected(["cat", "colour", "katt", "don't"]), {"katt"})

    def test_missing_dictionary_names_package(self):
        with self.assertRaises(check_content.SpellerUnavailable) as caught:
            check_content.Hunspell(("xx_NOPE",), "hunspell-xx")
        self.assertIn("hunspell-xx", str(caught.exception))


if __name__ == "__main__":
    unittest.main()
