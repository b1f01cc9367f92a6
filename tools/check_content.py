#!/usr/bin/python3
"""Check Tamiro's per-language content sources.

Prints every fault as `lang/NN-code/file:row: message` (row 0 stands for the
file as a whole), warnings the same way with `warning:` in front of the
message, and a summary line last. Exits 0 only when no rule is broken.

Spelling goes through hunspell (`hunspell -d <dict> -l`) for all languages
but Finnish, which uses Voikko. A missing dictionary is a fault that names
the Debian package to install.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
from dataclasses import dataclass

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import tamiro_content as tc  # noqa: E402

REQUIRED_FILES = ("pictures.tsv", "strings.tsv", "hangman.txt", "help.txt")
HANGMAN_EXTRA = set(" ',-")
MIN_NAMES = 110
MIN_FIRST_LETTER_NAMES = 60
MAX_NAME = 40
MAX_STRING = 50
HANGMAN_MIN, HANGMAN_MAX = 100, 200
SHORT_WORD_SHARE = 0.8
# The numbers of cards the memory games offer, as their captions begin.
BOARD_SIZES = ("12", "16", "18", "24", "28", "36")


# The languages whose "how many" agrees with the noun. Their counting forms
# carry the question word themselves ("Quanti gatti", "Quante mele"), and
# tag 16 holds only what comes before it: nothing, or Spanish's opening "¿".
@dataclass(frozen=True)
class CountingQuestion:
    opening: str      # the whole of tag 16
    masculine: str    # the question word before a masculine plural
    feminine: str     # ... before a feminine one (Romanian: and a neuter one)
    gender: object    # gender(singular, plural) -> "m", "f" or None: what the
                      # two forms of the noun's head word tell of its gender

    @property
    def begins(self):
        return f"{self.masculine!r} or {self.feminine!r}"

    def fault(self, name, form):
        """What is wrong with the counting form of the name, or None."""
        word, _, noun = form.partition(" ")
        if word not in (self.masculine, self.feminine) or not noun.strip():
            return f"does not begin with {self.begins} and the plural"
        # The head word decides: "fiocco di neve", "fiocchi di neve".
        gender = self.gender(name.split(" ")[0], noun.split(" ")[0])
        expected = {"m": self.masculine, "f": self.feminine}.get(gender)
        if expected is not None and word != expected:
            kind = "masculine" if gender == "m" else "feminine"
            return f"{name!r} is {kind}, so {expected!r}"
        return None


# French asks "Combien de chats ?", "Combien d'oiseaux ?": tag 16 is
# "Combien" and the counting form is "de" and the plural, with "de" elided
# before a vowel or a mute h. An aspirated h keeps it ("de hiboux"), and so
# does a y sounded as a consonant ("de yaourts").
FRENCH_VOWELS = set("aàâäæeéèêëiîïoôöœuùûü")
FRENCH_ASPIRATED_H = ("haie", "hache", "hamac", "hamburger", "hamster", "hangar",
                      "hanneton", "hareng", "haricot", "harpe", "hérisson", "héron",
                      "héros", "hibou", "hockey", "homard", "hot-dog", "hotte", "houx",
                      "hutte")
FRENCH_VOWEL_Y = ("yeux",)


def french_elides(word):
    """Whether "de" before the word becomes "d'"."""
    word = word.lower()
    if word.startswith("h"):
        return not word.startswith(FRENCH_ASPIRATED_H)
    if word.startswith("y"):
        return word in FRENCH_VOWEL_Y
    return word[:1] in FRENCH_VOWELS


class FrenchCounting:
    opening = "Combien"
    begins = "\"de \" or \"d'\""

    @staticmethod
    def fault(name, form):
        elided = form.startswith("d'")
        noun = form[2:] if elided else form[3:] if form.startswith("de ") else ""
        head = noun.split(" ")[0]
        if not head:
            return f"does not begin with {FrenchCounting.begins} and the plural"
        if french_elides(head) != elided:
            return f"{head!r} takes " + ("\"d'\"" if french_elides(head) else "\"de\"")
        # A plural is the singular only where that ends in -s, -x or -z.
        singular = name.split(" ")[0]
        if head == singular and not singular.endswith(("s", "x", "z")):
            return f"{head!r} is the singular, not the plural"
        return None


def ending_gender(rules, exceptions):
    """Gender from the noun's class: (singular ending, plural ending, gender)
    rules, for nouns whose endings do not mislead; the exceptions name the
    common nouns whose endings do."""
    def gender(singular, plural):
        if singular in exceptions:
            return exceptions[singular]
        for singular_end, plural_end, result in rules:
            if singular.endswith(singular_end) and plural.endswith(plural_end):
                return result
        return None
    return gender


def romanian_gender(singular, plural):
    """Masculine plurals end in -i; neuter ones in -e, -uri or -ă and take
    the feminine question word. A consonant-final noun with a plural in -i
    other than -uri is masculine (cal/cai, urs/urşi), one ending in -ă or -ea
    feminine. An invariable loanword (panda) tells nothing."""
    if plural == singular:
        return None
    if not plural.endswith("i") or plural == singular + "uri":
        return "f"
    if singular.endswith(("ă", "ea")):
        return "f"
    if singular and singular[-1] not in "aăâeiîouy":
        return "m"
    return None


_O_A = (("o", "os", "m"), ("a", "as", "f"))
_SPANISH_EXCEPTIONS = {"mano": "f", "foto": "f", "moto": "f", "radio": "f",
                       "día": "m", "mapa": "m", "panda": "m", "planeta": "m",
                       "problema": "m", "pijama": "m", "koala": "m", "gorila": "m"}
# The languages whose counting forms follow a rule of their own, by number.
COUNTING_QUESTIONS = {
    9: FrenchCounting(),
    10: CountingQuestion("", "Quants", "Quantes", ending_gender(
        (("o", "os", "m"), ("a", "es", "f")),
        {"foto": "f", "moto": "f", "ràdio": "f", "dia": "m", "mapa": "m",
         "panda": "m", "planeta": "m", "problema": "m", "pijama": "m", "paraigua": "m"})),
    11: CountingQuestion("¿", "Cuántos", "Cuántas", ending_gender(_O_A, _SPANISH_EXCEPTIONS)),
    12: CountingQuestion("¿", "Cuántos", "Cuántas", ending_gender(_O_A, _SPANISH_EXCEPTIONS)),
    13: CountingQuestion("", "Câţi", "Câte", romanian_gender),
    17: CountingQuestion("", "Quanti", "Quante", ending_gender(
        (("o", "i", "m"), ("a", "e", "f")), {"mano": "f"})),
    18: CountingQuestion("", "Quantos", "Quantas", ending_gender(
        _O_A + (("ã", "ãs", "f"),),
        {"foto": "f", "moto": "f", "tribo": "f", "dia": "m", "mapa": "m", "panda": "m",
         "planeta": "m", "problema": "m", "pijama": "m", "guarda-chuva": "m"})),
}


class Report:
    def __init__(self):
        self.faults = []
        self.warnings = []

    def fault(self, folder, filename, line, message):
        self.faults.append(f"{folder}/{filename}:{line}: {message}")

    def warn(self, folder, filename, line, message):
        self.warnings.append(f"{folder}/{filename}:{line}: warning: {message}")


class SpellerUnavailable(Exception):
    pass


class Hunspell:
    def __init__(self, names, package):
        if shutil.which("hunspell") is None:
            raise SpellerUnavailable("hunspell is not installed (Debian package hunspell)")
        self.dictionary = None
        for name in names:
            if self._opens(name):
                self.dictionary = name
                break
        if self.dictionary is None:
            raise SpellerUnavailable(
                f"hunspell dictionary {' or '.join(names)} is not installed "
                f"(Debian package {package})")
        self.label = f"hunspell {self.dictionary}"

    @staticmethod
    def _opens(name):
        result = subprocess.run(["hunspell", "-d", name, "-l", "-i", "utf-8"],
                                input=b"", capture_output=True)
        return result.returncode == 0 and b"Can't open" not in result.stderr

    def _listed(self, words):
        """The tokens hunspell lists as unknown for the given words."""
        data = "".join(w + "\n" for w in words).encode("utf-8")
        result = subprocess.run(["hunspell", "-d", self.dictionary, "-l", "-i", "utf-8"],
                                input=data, capture_output=True, check=True)
        return set(result.stdout.decode("utf-8", "replace").split("\n")) - {""}

    def rejected(self, words):
        """The words that hunspell does not accept. hunspell reports the
        tokens it splits a line into, so a word counts as rejected when it
        or one of its pieces is listed."""
        words = sorted(set(words))
        if not words:
            return set()
        listed = self._listed(words)
        bad = set()
        for word in words:
            pieces = {word} | set(re.split(r"[^\w]+", word))
            if pieces & listed:
                bad.add(word)
        return bad


class Voikko:
    label = "Voikko fi"

    def __init__(self):
        try:
            import libvoikko
        except ImportError as exc:
            raise SpellerUnavailable(
                "Voikko is not installed (Debian package python3-libvoikko)") from exc
        try:
            self.voikko = libvoikko.Voikko("fi")
        except Exception as exc:  # libvoikko raises its own error types
            raise SpellerUnavailable(
                "Finnish Voikko dictionary not installed (Debian packages voikko-fi, "
                f"libvoikko1): {exc}") from exc

    def rejected(self, words):
        return {w for w in set(words) if not self.voikko.spell(w)}


def make_speller(lang):
    if lang.dictionaries is None:
        return Voikko()
    return Hunspell(lang.dictionaries, lang.package)


def spelling_tokens(text):
    """The words of a name or hangman word: split on spaces and hyphens,
    apostrophes (and a stray comma) stripped at the ends."""
    tokens = []
    for part in re.split(r"[ \-]+", text):
        part = part.strip("'’,")
        if part:
            tokens.append(part)
    return tokens


# The interface texts are spelled from the progress page's on; the menu's
# and the games' older captions were reviewed by hand and hold coined words
# ("Ordmemory", "1:a").
FIRST_SPELLED_TAG = 34


def sentence_tokens(text):
    """The words of an interface text: split on spaces, its punctuation and
    placeholders and numbers left out."""
    tokens = []
    for part in text.split():
        part = part.strip(".,:;?!¿¡()\"'’")
        if part and not re.search(r"[\d%]", part):
            tokens.append(part)
    return tokens


class LanguageCheck:
    def __init__(self, sources, report):
        self.s = sources
        self.lang = tc.LANG_BY_NUMBER[sources.number]
        self.report = report
        self.folder = sources.folder
        self.alphabet = None       # tag 21, when usable
        self.uncovered = set()     # second characters of tag 32 pairs
        self.romanian_comma = False  # check Romanian with comma-below letters
        self.counting = COUNTING_QUESTIONS.get(sources.number)

    def fault(self, filename, line, message):
        self.report.fault(self.folder, filename, line, message)

    def warn(self, filename, line, message):
        self.report.warn(self.folder, filename, line, message)

    def run(self, spelling=True):
        s = self.s
        if s.path is None:
            self.report.faults.append(
                f"{self.folder}/:0: language folder missing (needs "
                + ", ".join(REQUIRED_FILES) + ")")
            return
        for filename, line, message in s.problems:
            self.fault(filename, line, message)
        if s.strings is not None:
            self.check_strings()
        if s.pictures is not None:
            self.check_pictures()
        if s.hangman is not None:
            self.check_hangman()
        if s.help is not None:
            self.check_help()
        self.check_codepage()
        if spelling:
            self.check_spelling()

    # -- text rules shared by every file ------------------------------------

    def check_trim(self, filename, line, text, what):
        if text != text.strip():
            self.fault(filename, line, f"{what} has leading or trailing spaces")

    # -- strings.tsv ----------------------------------------------------------

    def check_strings(self):
        seen = {}
        texts = {}
        for row in self.s.strings:
            raw_tag, text = row.fields[0].strip(), row.fields[1]
            if len(row.fields) > 2 and any(f.strip() for f in row.fields[2:]):
                self.fault("strings.tsv", row.line, "more than two columns")
            try:
                tag = int(raw_tag)
            except ValueError:
                self.fault("strings.tsv", row.line, f"tag {raw_tag!r} is not a number")
                continue
            if tag not in tc.TAGS:
                self.fault("strings.tsv", row.line, f"unknown tag {tag}")
                continue
            if tag in seen:
                self.fault("strings.tsv", row.line,
                           f"tag {tag} repeated (first on row {seen[tag]})")
                continue
            seen[tag] = row.line
            texts[tag] = (row.line, text)
            self.check_trim("strings.tsv", row.line, text, f"tag {tag}")
            if len(text) > MAX_STRING:
                self.fault("strings.tsv", row.line,
                           f"tag {tag} is {len(text)} characters long (at most {MAX_STRING})")
            if text == "" and tag not in (27, 32) and not (tag == 16 and self.counting):
                self.fault("strings.tsv", row.line, f"tag {tag} is empty")
        for tag in tc.TAGS:
            if tag not in seen:
                self.fault("strings.tsv", 0, f"tag {tag} missing")

        for tag, (line, text) in texts.items():
            wanted = tc.PLACEHOLDERS.get(tag, ())
            found = re.findall(r"%\d", text)
            if sorted(found) != sorted(wanted):
                self.fault("strings.tsv", line,
                           f"tag {tag} must hold {' and '.join(wanted) or 'no placeholder'}, once each"
                           f" (holds {' '.join(found) or 'none'})")

        if 16 in texts and self.counting and texts[16][1] != self.counting.opening:
            self.fault("strings.tsv", texts[16][0],
                       f"tag 16 must be {self.counting.opening!r}: the counting forms "
                       f"begin with {self.counting.begins}")

        if 26 in texts and texts[26][1] != "Tamiro":
            self.fault("strings.tsv", texts[26][0], "tag 26 must be \"Tamiro\"")

        if 21 in texts:
            line, letters = texts[21]
            if not 6 <= len(letters) <= 32:
                self.fault("strings.tsv", line,
                           f"tag 21 has {len(letters)} letters (6 to 32)")
            wrong = sorted({c for c in letters if not (c.isalpha() and c.isupper())})
            if wrong:
                self.fault("strings.tsv", line,
                           "tag 21 holds characters that are not upper-case letters: "
                           + " ".join(repr(c) for c in wrong))
            repeats = sorted({c for c in letters if letters.count(c) > 1})
            if repeats:
                self.fault("strings.tsv", line, "tag 21 repeats "
                           + " ".join(repr(c) for c in repeats))
            # Later rules still work with a letter set that is only too long
            # or too short, so keep it unless it holds non-letters.
            if not wrong:
                self.alphabet = set(letters)

        if 27 in texts:
            self.check_board_captions(*texts[27], texts.get(18, (0, ""))[1])

        if 32 in texts:
            line, pairs = texts[32]
            if len(pairs) % 2:
                self.fault("strings.tsv", line,
                           f"tag 32 has odd length {len(pairs)} (pairs expected)")
            for i in range(0, len(pairs) - 1, 2):
                first, second = pairs[i], pairs[i + 1]
                self.uncovered.add(second)
                if self.alphabet is not None and first not in self.alphabet:
                    self.fault("strings.tsv", line,
                               f"tag 32 pair {first}{second}: {first!r} is not a letter of tag 21")

        if 33 in texts:
            line, rain = texts[33]
            if not 1 <= len(rain) <= 40:
                self.fault("strings.tsv", line, f"tag 33 has {len(rain)} letters (1 to 40)")
            wrong = sorted({c for c in rain if not (c.isalpha() and c.isupper())})
            if wrong:
                self.fault("strings.tsv", line,
                           "tag 33 holds characters that are not upper-case letters: "
                           + " ".join(repr(c) for c in wrong))

    def check_board_captions(self, line, own, cards):
        """Tag 27: the board-size captions whose words after the number are
        not tag 18, each a board size, a blank and the words, apart by "|"."""
        seen = set()
        for caption in own.split("|") if own else []:
            number, _, words = caption.partition(" ")
            if number not in BOARD_SIZES or not words.strip() or caption != caption.strip():
                self.fault("strings.tsv", line, f"tag 27 caption {caption!r} is not a board size "
                           f"({', '.join(BOARD_SIZES)}), a blank and the words")
            elif number in seen:
                self.fault("strings.tsv", line, f"tag 27 gives {number} twice")
            elif words == cards:
                self.fault("strings.tsv", line, f"tag 27 caption {caption!r} is what tag 18 makes")
            seen.add(number)

    # -- pictures.tsv ---------------------------------------------------------

    def check_pictures(self):
        rows = self.s.pictures
        if len(rows) != tc.PICTURE_COUNT:
            self.fault("pictures.tsv", 0,
                       f"{len(rows)} picture rows, {tc.PICTURE_COUNT} expected")
        for expected, row in enumerate(rows, start=1):
            if row.fields[0].strip() != str(expected):
                self.fault("pictures.tsv", row.line,
                           f"id {row.fields[0]!r} where {expected} is expected "
                           "(ids 1 to 119 in order)")
                break
        names = 0
        first_letters = 0
        for row in rows:
            name, plural = row.fields[1], row.fields[2]
            if len(row.fields) > 3 and any(f.strip() for f in row.fields[3:]):
                self.fault("pictures.tsv", row.line, "more than three columns")
            self.check_trim("pictures.tsv", row.line, name, "name")
            self.check_trim("pictures.tsv", row.line, plural, "plural")
            if name.strip():
                names += 1
                if self.alphabet is not None and name.strip()[0].upper() in self.alphabet:
                    first_letters += 1
                if not plural.strip():
                    self.fault("pictures.tsv", row.line, f"name {name!r} has no plural")
            elif plural.strip():
                self.fault("pictures.tsv", row.line, f"plural {plural!r} without a name")
            if self.counting and plural.strip():
                self.check_counting_form(row.line, name.strip(), plural.strip())
            for what, text in (("name", name), ("plural", plural)):
                if len(text) > MAX_NAME:
                    self.fault("pictures.tsv", row.line,
                               f"{what} is {len(text)} characters long (at most {MAX_NAME})")
        if names < MIN_NAMES:
            self.fault("pictures.tsv", 0, f"only {names} pictures named (at least {MIN_NAMES})")
        if self.alphabet is not None and first_letters < MIN_FIRST_LETTER_NAMES:
            self.fault("pictures.tsv", 0,
                       f"only {first_letters} names begin with a letter of tag 21 "
                       f"(at least {MIN_FIRST_LETTER_NAMES} for the first-letter game)")

    def check_counting_form(self, line, name, form):
        problem = self.counting.fault(name, form)
        if problem is not None:
            self.fault("pictures.tsv", line, f"counting form {form!r}: {problem}")

    # -- hangman.txt ----------------------------------------------------------

    def check_hangman(self):
        words = []
        seen = {}
        allowed = None
        if self.alphabet is not None:
            allowed = self.alphabet | self.uncovered | HANGMAN_EXTRA
        for line, word in self.s.hangman:
            if word.strip() == "":
                self.fault("hangman.txt", line, "empty line")
                continue
            self.check_trim("hangman.txt", line, word, "word")
            word = word.strip()
            words.append(word)
            key = tc.hangman_upper(word)
            if key in seen:
                self.fault("hangman.txt", line,
                           f"{word!r} repeats row {seen[key]}")
            else:
                seen[key] = line
            if allowed is not None:
                outside = sorted({c for c in key if c not in allowed})
                if outside:
                    self.fault("hangman.txt", line,
                               f"{word!r}: " + " ".join(repr(c) for c in outside)
                               + " not in tag 21, not uncovered by tag 32")
        if not HANGMAN_MIN <= len(words) <= HANGMAN_MAX:
            self.fault("hangman.txt", 0,
                       f"{len(words)} words ({HANGMAN_MIN} to {HANGMAN_MAX})")
        if words:
            short = sum(1 for w in words if 3 <= sum(c.isalpha() for c in w) <= 10)
            if short < SHORT_WORD_SHARE * len(words):
                self.warn("hangman.txt", 0,
                          f"only {short} of {len(words)} words are 3 to 10 letters long")

    # -- help.txt -------------------------------------------------------------

    def check_help(self):
        contexts = tc.HELP_CONTEXTS + tc.GAME_HELP_CONTEXTS
        seen = {}
        for topic in self.s.help:
            if topic.context not in contexts:
                self.fault("help.txt", topic.line,
                           f"unknown help context {topic.context!r} (100 to 102, 111 to 122)")
                continue
            if topic.context in seen:
                self.fault("help.txt", topic.line,
                           f"context {topic.context} repeated (first on row {seen[topic.context]})")
                continue
            seen[topic.context] = topic.line
            if not topic.title:
                self.fault("help.txt", topic.line, f"context {topic.context} has no title")
        # Every language explains everything: the same topics in each.
        for context in contexts:
            topic = next((t for t in self.s.help if t.context == context), None)
            if topic is None or not topic.paragraphs:
                self.fault("help.txt", 0, f"topic {context} missing or empty (every "
                           "language has the topics 100 to 102 and 111 to 122)")

    # -- code page ------------------------------------------------------------

    def texts(self):
        """(file, line, text) of every text that goes into a .crp file."""
        for row in self.s.pictures or []:
            yield "pictures.tsv", row.line, row.fields[1]
            yield "pictures.tsv", row.line, row.fields[2]
        for row in self.s.strings or []:
            yield "strings.tsv", row.line, row.fields[1]
        for line, word in self.s.hangman or []:
            yield "hangman.txt", line, word

    def check_codepage(self):
        codepage = self.lang.codepage
        for filename, line, text in self.texts():
            bad = tc.bad_characters(text, codepage)
            if bad:
                self.fault(filename, line, f"not representable in {codepage}: "
                           + " ".join(f"{c!r} (U+{ord(c):04X})" for c in bad))

    # -- spelling -------------------------------------------------------------

    def spell_form(self, word):
        """The word as the checker should see it."""
        if self.lang.number == 15:
            word = word.replace("’", "'")
        if self.lang.number == tc.ROMANIAN and self.romanian_comma:
            word = word.translate(tc.CEDILLA_TO_COMMA)
        return word

    def check_spelling(self):
        try:
            speller = make_speller(self.lang)
        except SpellerUnavailable as exc:
            self.fault("", 0, f"cannot check spelling: {exc}")
            return
        self.romanian_comma = False
        if self.lang.number == tc.ROMANIAN:
            # Debian's Romanian dictionary may know only the comma-below
            # letters; the sources use the cedilla ones of cp1250.
            probe = speller.rejected(["ţară", "țară"])
            self.romanian_comma = "ţară" in probe and "țară" not in probe

        occurrences = []   # (file, line, tokens of one name, plural or word)
        for row in self.s.pictures or []:
            for text in (row.fields[1], row.fields[2]):
                occurrences.append(("pictures.tsv", row.line, spelling_tokens(text)))
        for line, word in self.s.hangman or []:
            occurrences.append(("hangman.txt", line, spelling_tokens(word)))
        for row in self.s.strings or []:
            tag = row.fields[0].strip()
            if tag.isdigit() and int(tag) >= FIRST_SPELLED_TAG and int(tag) not in tc.LETTER_TAGS:
                occurrences.append(("strings.tsv", row.line, sentence_tokens(row.fields[1])))
        allow = self.s.allowlist or []
        # An entry is one word, or several ("T-Shirt") that are allowed
        # where they stand together in a name or hangman word.
        entries = [(line, word, tuple(spelling_tokens(word)) or (word,))
                   for line, word in allow]

        forms = {}
        for _, _, tokens in occurrences:
            for token in tokens:
                forms.setdefault(token, self.spell_form(token))
        for _, _, tokens in entries:
            for token in tokens:
                forms.setdefault(token, self.spell_form(token))
        rejected_forms = speller.rejected(forms.values())
        rejected = {t for t, form in forms.items() if form in rejected_forms}

        used = set()       # allowlist entries that excuse some word
        reported = set()   # a name and its plural often share a word
        for filename, line, tokens in occurrences:
            excused = set()
            for _, word, parts in entries:
                for i in range(len(tokens) - len(parts) + 1):
                    if tuple(tokens[i:i + len(parts)]) == parts:
                        excused.update(range(i, i + len(parts)))
                        used.add(word)
            for i, token in enumerate(tokens):
                if token in rejected and i not in excused \
                        and (filename, line, token) not in reported:
                    reported.add((filename, line, token))
                    self.fault(filename, line, f"spelling: {token!r} unknown to {speller.label}")

        first = {}
        for line, word, parts in entries:
            if word in first:
                self.fault("allowlist.txt", line,
                           f"{word!r} listed twice (first on row {first[word]})")
                continue
            first[word] = line
            if word not in used:
                self.fault("allowlist.txt", line,
                           f"stale entry {word!r}: no name, plural or hangman word uses it")
            elif not any(part in rejected for part in parts):
                self.fault("allowlist.txt", line,
                           f"stale entry {word!r}: {speller.label} accepts it")


def parse_lang(value):
    try:
        number = int(value)
    except ValueError:
        raise argparse.ArgumentTypeError(f"not a language number: {value!r}")
    if number not in tc.LANG_BY_NUMBER:
        raise argparse.ArgumentTypeError(f"language number out of range: {value!r}")
    return number


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--src", default=tc.DEFAULT_SRC,
                        help="content source folder (default: assets-src)")
    parser.add_argument("--lang", type=parse_lang, action="append",
                        help="check this language only (NN, may be repeated)")
    parser.add_argument("--no-spelling", action="store_true",
                        help="skip the spell checkers (for a quick look only)")
    args = parser.parse_args(argv)

    numbers = args.lang or [lang.number for lang in tc.LANGUAGES]
    report = Report()
    failing = []
    for number in numbers:
        before = len(report.faults)
        sources = tc.load_language(args.src, number)
        LanguageCheck(sources, report).run(spelling=not args.no_spelling)
        if len(report.faults) > before:
            failing.append(f"{number:02d}")

    for line in report.faults:
        print(line)
    for line in report.warnings:
        print(line)
    if report.faults:
        print(f"check_content: {len(report.faults)} fault(s), {len(report.warnings)} "
              f"warning(s); failing languages: {' '.join(failing)} "
              f"({len(numbers)} checked)")
        return 1
    print(f"check_content: all rules hold for {len(numbers)} language(s), "
          f"{len(report.warnings)} warning(s)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
