"""The menu entry tool: translations from the content sources, escaping,
and the faults it must refuse."""

import os
import shutil
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(REPO, "tools"))

import make_menu_entry as me  # noqa: E402

SRC = os.path.join(REPO, "assets-src")
TEMPLATES = os.path.join(REPO, "packaging")


def folders():
    lang = os.path.join(SRC, "lang")
    return sorted(os.path.join(lang, n) for n in os.listdir(lang) if os.path.isdir(os.path.join(lang, n)))


def summary_of(folder):
    with open(os.path.join(folder, "summary.txt"), encoding="utf-8") as handle:
        return handle.read().strip()


def tag_text(folder, tag):
    with open(os.path.join(folder, "strings.tsv"), encoding="utf-8") as handle:
        for line in handle.read().splitlines()[1:]:
            number, _, text = line.partition("\t")
            if number == str(tag):
                return text.strip()
    return None


def desktop_keys(text):
    keys = {}
    for line in text.splitlines():
        key, sep, value = line.partition("=")
        if sep:
            keys[key] = value
    return keys


class CommittedSources(unittest.TestCase):
    """The real templates filled from the real content sources."""

    @classmethod
    def setUpClass(cls):
        languages = me.read_languages(SRC)
        with open(os.path.join(TEMPLATES, "tamiro.desktop.in"), encoding="utf-8") as handle:
            cls.desktop = desktop_keys(me.expand(handle.read(), languages, {"app_id": "a.b.C"}, "desktop"))

    def test_every_language_has_its_own_name_and_comment(self):
        for folder in folders():
            locale = os.path.basename(folder).split("-", 1)[1].replace("-", "_")
            with self.subTest(folder=os.path.basename(folder)):
                suffix = "" if locale == "en" else f"[{locale}]"
                summary = summary_of(folder)
                if locale == "ro":
                    summary = summary.translate(me.CEDILLA_TO_COMMA)
                self.assertEqual(self.desktop["Comment" + suffix], summary)
                self.assertEqual(self.desktop["Name" + suffix], tag_text(folder, me.NAME_TAG))
                self.assertTrue(self.desktop["Keywords" + suffix].endswith(";"))
                self.assertIn(tag_text(folder, 8).translate(me.CEDILLA_TO_COMMA) + ";",
                              self.desktop["Keywords" + suffix])
        localized = [k for k in self.desktop if k.startswith("Comment[")]
        self.assertEqual(len(localized), len(folders()) - 1)
        self.assertIn("Comment[es_419]", self.desktop)
        self.assertIn("Comment[pt_BR]", self.desktop)

    def test_romanian_is_written_with_the_comma_below(self):
        romanian = self.desktop["Keywords[ro]"] + self.desktop["Comment[ro]"]
        self.assertFalse(set("ŞşŢţ") & set(romanian))
        self.assertIn("ț", romanian)  # Înmulțire

    def test_plain_values_are_filled_in(self):
        self.assertEqual(self.desktop["Icon"], "a.b.C")


class MadeUpSources(unittest.TestCase):
    """A copy of the sources, changed one fault at a time."""

    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.src = os.path.join(self.dir, "src")
        shutil.copytree(SRC, self.src, ignore=shutil.ignore_patterns("pictures.tsv", "hangman.txt", "help.txt"))
        self.swedish = os.path.join(self.src, "lang", os.path.basename(folders()[0]))

    def tearDown(self):
        shutil.rmtree(self.dir)

    def write_summary(self, text):
        with open(os.path.join(self.swedish, "summary.txt"), "w", encoding="utf-8") as handle:
            handle.write(text)

    def fault(self):
        with self.assertRaises(me.EntryError) as caught:
            me.read_languages(self.src)
        return str(caught.exception)

    def test_a_summary_must_be_one_line_of_limited_length(self):
        self.write_summary("one line\nand another\n")
        self.assertIn("01-sv/summary.txt: needs exactly one line of text, has 2", self.fault())
        self.write_summary("\n\n")
        self.assertIn("has 0", self.fault())
        self.write_summary("x" * (me.MAX_SUMMARY + 1))
        self.assertIn(f"{me.MAX_SUMMARY + 1} characters", self.fault())
        os.remove(os.path.join(self.swedish, "summary.txt"))
        self.assertIn("01-sv/summary.txt", self.fault())

    def test_the_caption_and_keyword_tags_must_have_text(self):
        path = os.path.join(self.swedish, "strings.tsv")
        with open(path, encoding="utf-8") as handle:
            lines = handle.read().splitlines()
        with open(path, "w", encoding="utf-8") as handle:
            handle.write("\n".join(line for line in lines if not line.startswith(("26\t", "8\t"))) + "\n")
        self.assertIn("no text for tag 26, 8", self.fault())

    def test_texts_are_escaped_for_each_kind_of_file(self):
        self.write_summary("Sums & <letters> \\ more\n")
        languages = me.read_languages(self.src)
        xml = me.expand("  <summary>@summary@</summary>", languages, {}, "xml").splitlines()
        self.assertIn('  <summary xml:lang="sv">Sums &amp; &lt;letters&gt; \\ more</summary>', xml)
        self.assertEqual(len(xml), len(folders()))
        desktop = me.expand("Comment=@summary@", languages, {}, "desktop")
        self.assertIn("Comment[sv]=Sums & <letters> \\\\ more", desktop.splitlines())
        keywords = [(loc, dict(texts, keywords=["a;b", "c"])) for loc, texts in languages]
        self.assertEqual(me.expand("Keywords=@keywords@", keywords[:1], {}, "desktop"), "Keywords=a\\;b;c;")
        lines = me.expand("<keyword>@keywords@</keyword>", keywords[:2], {}, "xml").splitlines()
        self.assertEqual(lines, ["<keyword>a;b</keyword>", "<keyword>c</keyword>",
                                 '<keyword xml:lang="sv">a;b</keyword>', '<keyword xml:lang="sv">c</keyword>'])
        self.assertEqual(me.expand("<url>@homepage@</url>", [], {"homepage": "a?b&c"}, "xml"), "<url>a?b&amp;c</url>")


class Templates(unittest.TestCase):
    languages = [("en", {"name": "T", "summary": "S", "keywords": ["k"]})]

    def test_template_faults_name_their_line(self):
        cases = [
            ("A=1\nB=@missing@\n", "desktop", "line 2: no value for @missing@"),
            ("Name=@name@ @summary@", "desktop", "line 1: more than one translated value"),
            ("just @summary@", "desktop", "not key=value"),
            ("just @summary@", "xml", "has no element"),
        ]
        for template, kind, message in cases:
            with self.subTest(template=template, kind=kind):
                languages = self.languages + [("sv", self.languages[0][1])]
                with self.assertRaises(me.EntryError) as caught:
                    me.expand(template, languages, {}, kind)
                self.assertIn(message, str(caught.exception))

    def test_the_command_writes_the_file_or_says_why_not(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "x.desktop")
            template = os.path.join(TEMPLATES, "tamiro.desktop.in")
            self.assertEqual(me.main(["--template", template, "--out", out, "--set", "app_id=x.y.Z"]), 0)
            with open(out, encoding="utf-8") as handle:
                self.assertIn("Icon=x.y.Z\n", handle.read())
            os.remove(out)
            self.assertEqual(me.main(["--template", template, "--out", out]), 1)
            self.assertFalse(os.path.exists(out))
            self.assertEqual(me.main(["--template", template, "--out", out, "--set", "summary=x"]), 1)
            self.assertEqual(me.main(["--template", out + ".txt", "--out", out]), 1)


if __name__ == "__main__":
    unittest.main()
