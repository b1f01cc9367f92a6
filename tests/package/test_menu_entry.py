"""The menu entry tool: the texts of every language from the content
sources, escaping, and the faults it refuses."""

import os
import shutil
import sys
import tempfile
import unittest

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(REPO, "tools"))

import make_menu_entry as me  # noqa: E402

SRC = os.path.join(REPO, "assets-src")
LANG = os.path.join(SRC, "lang")


def source_line(folder, filename, tag=None):
    with open(os.path.join(LANG, folder, filename), encoding="utf-8") as handle:
        lines = handle.read().splitlines()
    if tag is None:
        return lines[0].strip()
    return next(line.split("\t", 1)[1].strip() for line in lines if line.split("\t")[0] == str(tag))


class MenuEntry(unittest.TestCase):
    def test_every_language_has_its_name_comment_and_keywords(self):
        with open(os.path.join(REPO, "packaging", "tamiro.desktop.in"), encoding="utf-8") as handle:
            text = me.expand(handle.read(), me.read_languages(SRC), {"app_id": "a.b.C"}, "desktop")
        keys = dict(line.split("=", 1) for line in text.splitlines() if "=" in line)
        self.assertEqual(keys["Icon"], "a.b.C")
        folders = sorted(os.listdir(LANG))
        self.assertEqual(len([k for k in keys if k.startswith("Comment[")]), len(folders) - 1)
        for folder in folders:
            locale = folder.split("-", 1)[1].replace("-", "_")
            suffix = "" if locale == "en" else f"[{locale}]"
            comma = me.tc.CEDILLA_TO_COMMA if locale == "ro" else {}
            with self.subTest(folder=folder):
                self.assertEqual(keys["Comment" + suffix], source_line(folder, "summary.txt").translate(comma))
                self.assertEqual(keys["Name" + suffix], source_line(folder, "strings.tsv", me.NAME_TAG))
                hangman = source_line(folder, "strings.tsv", 8).translate(comma)
                self.assertIn(hangman + ";", keys["Keywords" + suffix])
        self.assertFalse(set("ŞşŢţ") & set(keys["Keywords[ro]"]))

    def test_values_are_escaped_for_each_kind_of_file(self):
        languages = [("en", {"name": "T", "summary": "Sums & <letters> \\", "keywords": ["a;b", "c"]}),
                     ("pt_BR", {"name": "T", "summary": "x", "keywords": ["d"]})]
        self.assertEqual(me.expand("  <summary>@summary@</summary>", languages, {}, "xml").splitlines(),
                         ["  <summary>Sums &amp; &lt;letters&gt; \\</summary>", '  <summary xml:lang="pt_BR">x</summary>'])
        self.assertEqual(me.expand("Comment=@summary@", languages[:1], {}, "desktop"), "Comment=Sums & <letters> \\\\")
        self.assertEqual(me.expand("Keywords=@keywords@", languages, {}, "desktop").splitlines(),
                         ["Keywords=a\\;b;c;", "Keywords[pt_BR]=d;"])
        self.assertEqual(me.expand("<k>@keywords@</k>", languages[:1], {}, "xml"), "<k>a;b</k>\n<k>c</k>")
        self.assertEqual(me.expand("<url>@homepage@</url>", [], {"homepage": "a?b&c"}, "xml"), "<url>a?b&amp;c</url>")

    def test_faults_in_sources_and_templates_are_refused(self):
        tmp = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, tmp)
        src = os.path.join(tmp, "src")
        shutil.copytree(SRC, src, ignore=shutil.ignore_patterns("pictures.tsv", "hangman.txt", "help.txt"))
        summary = os.path.join(src, "lang", "01-sv", "summary.txt")
        for text, fault in (("one\nand two\n", "01-sv/summary.txt: needs exactly one line of text, has 2"),
                            ("\n", "has 0"), ("x" * 61, "61 characters"), (None, "01-sv/summary.txt")):
            with self.subTest(summary=text):
                if text is None:
                    os.remove(summary)
                else:
                    with open(summary, "w", encoding="utf-8") as handle:
                        handle.write(text)
                with self.assertRaisesRegex(me.EntryError, fault):
                    me.read_languages(src)
        two = [("en", {"name": "T", "summary": "S", "keywords": ["k"]})] * 2
        for template, kind, fault in (("A=1\nB=@missing@", "desktop", "line 2: no value for @missing@"),
                                      ("Name=@name@ @summary@", "desktop", "more than one translated value"),
                                      ("just @summary@", "desktop", "not key=value"),
                                      ("just @summary@", "xml", "has no element")):
            with self.subTest(template=template), self.assertRaisesRegex(me.EntryError, fault):
                me.expand(template, two, {}, kind)
        out = os.path.join(tmp, "x.desktop")
        template = os.path.join(REPO, "packaging", "tamiro.desktop.in")
        self.assertEqual(me.main(["--template", template, "--out", out, "--set", "summary=x"]), 1)
        self.assertEqual(me.main(["--template", template, "--out", out]), 1)
        self.assertFalse(os.path.exists(out))


if __name__ == "__main__":
    unittest.main()
