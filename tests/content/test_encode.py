"""The encoder: string encoding, record layouts, help file, refusals."""

import contextlib
import io
import os
import struct
import tempfile
import unittest

import content_tree

import encode_content
import tamiro_content as tc


class Reader:
    """Reads the .crp primitives the way the program does."""

    def __init__(self, data):
        self.data = data
        self.pos = 0

    def at_end(self):
        return self.pos >= len(self.data)

    def word(self):
        (value,) = struct.unpack_from("<h", self.data, self.pos)
        self.pos += 2
        return value

    def string(self):
        n = self.data[self.pos]
        self.pos += 1
        chars = []
        for _ in range(n):
            group = self.data[self.pos:self.pos + 6]
            self.pos += 6
            chars.append(chr(int(group[1:].decode("ascii"))))
        return "".join(chars)


class StringEncodingTest(unittest.TestCase):
    def test_characters(self):
        self.assertEqual(tc.encode_string("A"), b"\x01\x2000065")
        self.assertEqual(tc.encode_string("å"), b"\x01 00229")
        self.assertEqual(tc.encode_string(""), b"\x00")
        # č is above 255; the code unit still fits the five digits
        self.assertEqual(tc.encode_string("Ač"), b"\x02 00065 00269")

    def test_length_limit(self):
        self.assertEqual(len(tc.encode_string("x" * 255)), 1 + 6 * 255)
        with self.assertRaises(ValueError):
            tc.encode_string("x" * 256)

    def test_word_is_little_endian_signed(self):
        self.assertEqual(tc.encode_word(0x1234), b"\x34\x12")
        self.assertEqual(tc.encode_word(-1), b"\xff\xff")


class EncoderTreeTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.src = os.path.join(self.tmp.name, "src")
        self.out = os.path.join(self.tmp.name, "out")
        self.langs = content_tree.build(self.src)

    def tearDown(self):
        self.tmp.cleanup()

    def encode(self, out=None):
        stderr = io.StringIO()
        with contextlib.redirect_stderr(stderr), contextlib.redirect_stdout(io.StringIO()):
            code = encode_content.main(["--src", self.src, "--out", out or self.out])
        return code, stderr.getvalue()

    def read(self, name):
        with open(os.path.join(self.out, name), "rb") as handle:
            return handle.read()

    def test_record_layout(self):
        code, stderr = self.encode()
        self.assertEqual(code, 0, stderr)
        self.assertIn("lang/05-*", stderr)   # missing folders are warned about

        reader = Reader(self.read("bilder.crp"))
        records = []
        while not reader.at_end():
            pid, glyph = reader.word(), reader.word()
            names = [reader.string() for _ in range(36)]
            rgb = (reader.word(), reader.word(), reader.word())
            records.append((pid, glyph, names, rgb))
        self.assertEqual([r[0] for r in records], list(range(1, 120)))
        pid, glyph, names, rgb = records[6]            # picture 7
        self.assertEqual(glyph, 134)
        self.assertEqual(rgb, (7, 0x80, 248))
        en_name = self.langs["02-en"]["pictures.tsv"][7].split("\t")[1]
        hr_name = self.langs["07-hr"]["pictures.tsv"][7].split("\t")[1]
        self.assertEqual(names[2:4], [en_name, en_name + "s"])     # language 2
        self.assertEqual(names[12:14], [hr_name, hr_name + "s"])   # language 7
        self.assertEqual(set(names[:2] + names[4:12] + names[14:]), {""})

        reader = Reader(self.read("lang.crp"))
        tags = {}
        while not reader.at_end():
            tag = reader.word()
            tags[tag] = [reader.string() for _ in range(18)]
        self.assertEqual(list(tags), tc.TAGS)
        self.assertEqual(tags[32][1], "EÉ")
        self.assertEqual(tags[26][6], "Tamiro")
        self.assertEqual(tags[5][0], "")

        reader = Reader(self.read("hangman.crp"))
        words = []
        while not reader.at_end():
            words.append((reader.word(), reader.string()))
        expected = [(2, w) for w in self.langs["02-en"]["hangman.txt"]] + \
                   [(7, w) for w in self.langs["07-hr"]["hangman.txt"]]
        self.assertEqual(words, expected)

    def test_help_file_and_fallback(self):
        content_tree.add(self.src, "07-hr", {
            "help.txt": content_tree.language_files("c", help_topics=(100, 101, 115))["help.txt"]})
        code, stderr = self.encode()
        self.assertEqual(code, 0, stderr)
        lines = self.read("TAMIRO.HLP").decode("utf-8").split("\n")
        self.assertEqual(lines[0], "TAMIRO HELP 1")
        headers = [line for line in lines if line.startswith("== ")]
        # 16 languages without a folder take all 15 English topics, English
        # has them, Croatian has 100, 101 and 115 and takes 102 from English
        self.assertEqual(len(headers), 17 * 15 + 4)
        self.assertEqual(headers[:4], ["== 1 100 b title 100", "== 1 101 b title 101",
                                       "== 1 102 b title 102", "== 1 111 b title 111"])
        self.assertEqual(headers[14], "== 1 122 b title 122")
        croatian = [h for h in headers if h.startswith("== 7 ")]
        self.assertEqual(croatian, ["== 7 100 c title 100", "== 7 101 c title 101",
                                    "== 7 102 b title 102", "== 7 115 c title 115"])
        start = lines.index("== 7 101 c title 101")
        self.assertEqual(lines[start + 1:start + 5],
                         ["c first paragraph of 101, on two lines.", "",
                          "c second paragraph.", "== 7 102 b title 102"])
        self.assertIn("lang/07-hr/help.txt:0: topic 111 missing, topic 101 shown instead", stderr)
        self.assertEqual(lines[-1], "")   # ends with a line feed

    def test_same_sources_same_bytes(self):
        self.assertEqual(self.encode()[0], 0)
        second = os.path.join(self.tmp.name, "second")
        self.assertEqual(self.encode(second)[0], 0)
        for name in ("bilder.crp", "lang.crp", "hangman.crp", "TAMIRO.HLP"):
            with open(os.path.join(second, name), "rb") as handle:
                self.assertEqual(handle.read(), self.read(name), name)

    def test_refuses_text_outside_code_page(self):
        # č is fine in Croatian (cp1250) but not in English (cp1252)
        content_tree.edit(self.src, "07-hr", "hangman.txt", lambda l: l + ["čačak"])
        self.assertEqual(self.encode()[0], 0)
        content_tree.edit(self.src, "02-en", "pictures.tsv",
                          lambda l: l[:5] + ["5\tčačak\tčačaks"] + l[6:])
        os.remove(os.path.join(self.out, "lang.crp"))
        code, stderr = self.encode()
        self.assertEqual(code, 1)
        self.assertIn("lang/02-en/pictures.tsv:6: language 2", stderr)
        self.assertIn("U+010D", stderr)
        self.assertFalse(os.path.exists(os.path.join(self.out, "lang.crp")))


if __name__ == "__main__":
    unittest.main()
