#include <gtest/gtest.h>

#include "content/settings.h"
#include "content/byte_file.h"
#include "content/content_tables.h"
#include "support/test_support.h"
#include "toolkit/application.h"
#include "toolkit/forms.h"
#include "content/fonts.h"

using namespace tamiro;
using testing_support::EncodeLangString;
using testing_support::EncodePicture;
using testing_support::PictureRecord;
using testing_support::ProgramDir;
using testing_support::PutString;
using testing_support::PutWord;

namespace {

PictureRecord Picture(int id, const std::u16string& sv, const std::u16string& en) {
  PictureRecord r;
  r.id = id;
  r.glyph = 127 + id;
  r.names = {{sv, sv + u"ar"}, {en, en + u"s"}};
  r.red = 10 * (id % 20);
  r.green = 20;
  r.blue = 250;
  return r;
}

std::string Hangman(int language, const std::u16string& word) {
  std::string out;
  PutWord(out, language);
  PutString(out, word);
  return out;
}

class Loaders : public ::testing::Test {
 protected:
  void SetUp() override {
    Language = 1;
    for (int i = 1; i <= kPictureCount; ++i) Pictures[i] = TPictureEntry{};
    for (auto& s : LangStrings) s.clear();
    HangmanWordCount = 0;
  }
  void TearDown() override { Language = 1; }
  ProgramDir dir;
};

}  // namespace

TEST_F(Loaders, PictureCatalogueTakesTheCurrentLanguageAndDefaultsWhatIsMissing) {
  std::string file;
  for (int id = 1; id <= kPictureCount; ++id) {
    if (id == 7) continue;
    if (id == 8) {
      PictureRecord r = Picture(8, u"", u"dog");
      r.names[0].second = u"";
      file += EncodePicture(r);
      continue;
    }
    file += EncodePicture(Picture(id, u"katt" + std::u16string(1, u'a' + id % 26), u"cat"));
  }
  PictureRecord longName = Picture(9, std::u16string(45, u'å'), u"x");
  file += EncodePicture(longName);
  dir.Write("bilder.crp", file);
  Pictures[7].Glyph = 4242;
  Pictures[3].Used = true;
  LoadPictureCatalogue();

  EXPECT_EQ(Pictures[1].Name, "kattb");
  EXPECT_EQ(Pictures[1].PluralName, "kattbar");
  EXPECT_EQ(Pictures[1].Glyph, 128);
  EXPECT_EQ(Pictures[1].Colour, (250u << 16) | (20u << 8) | 10u);
  EXPECT_EQ(Pictures[7].Name, "foo");
  EXPECT_EQ(Pictures[7].PluralName, "foobar");
  EXPECT_EQ(Pictures[7].Colour, 0xC0C0C0u);
  EXPECT_EQ(Pictures[7].Glyph, 4242) << "a picture missing from the file keeps its glyph";
  EXPECT_EQ(Pictures[8].Name, "");
  EXPECT_EQ(Pictures[8].PluralName, "");
  EXPECT_EQ(Pictures[8].Glyph, 135);
  EXPECT_EQ(Pictures[9].Name, std::string(40, '\xE5')) << "the last record for a picture wins, cut to 40";
  EXPECT_TRUE(Pictures[3].Used) << "the loader leaves the Used marks alone";

  Language = 2;
  LoadPictureCatalogue();
  EXPECT_EQ(Pictures[1].Name, "cat");
  EXPECT_EQ(Pictures[1].PluralName, "cats");
  EXPECT_EQ(Pictures[8].Name, "dog");
  EXPECT_TRUE(Pictures[3].Used);
}

TEST_F(Loaders, RecordsOutsideTheTablesAreSkipped) {
  std::string pictures = EncodePicture(Picture(0, u"noll", u"zero")) + EncodePicture(Picture(120, u"x", u"x")) +
                         EncodePicture(Picture(-5, u"y", u"y")) + EncodePicture(Picture(2, u"bil", u"car"));
  dir.Write("bilder.crp", pictures);
  LoadPictureCatalogue();
  EXPECT_EQ(Pictures[2].Name, "bil");
  EXPECT_EQ(Pictures[1].Name, "foo");

  std::string strings = EncodeLangString(0, {u"zero"}) + EncodeLangString(kLangStringCount + 1, {u"over"}) +
                        EncodeLangString(-1, {u"minus"}) + EncodeLangString(33, {u"ABC"});
  dir.Write("lang.crp", strings);
  LoadLanguageStrings();
  EXPECT_EQ(LangStrings[33], "ABC");
  EXPECT_EQ(LangStrings[0], "");

  std::string words;
  for (int i = 0; i < 230; ++i) words += Hangman(1, u"ord" + std::u16string(1, u'a' + i % 26));
  dir.Write("hangman.crp", words);
  LoadHangmanWords();
  EXPECT_EQ(HangmanWordCount, 200);
  EXPECT_EQ(HangmanWords[200].Word, "ordr") << "the 200th word, 199 % 26 = r";
}

TEST_F(Loaders, LanguageStringsLastRecordWinsAndUnfilledEntriesStay) {
  LangStrings[5] = "kept";
  dir.Write("lang.crp", EncodeLangString(1, {u"Hur många?", u"How many?"}) +
                            EncodeLangString(2, {std::u16string(60, u'x')}) +
                            EncodeLangString(1, {u"Räkna", u"Count"}));
  LoadLanguageStrings();
  EXPECT_EQ(LangStrings[1], "R\xE4kna");
  EXPECT_EQ(LangStrings[2], std::string(50, 'x'));
  EXPECT_EQ(LangStrings[5], "kept");
  Language = 2;
  LoadLanguageStrings();
  EXPECT_EQ(LangStrings[1], "Count");
  EXPECT_EQ(LangStrings[2], "");
}

TEST_F(Loaders, TextsDecodeIntoTheCodePageOfTheirLanguage) {
  dir.Write("lang.crp", EncodeLangString(21, {u"ÅÄÖ", u"", u"", u"", u"", u"", u"ČĆŠ", u"", u"", u"", u"", u"", u"",
                                              u"", u"", u"ĄŁŻ"}));
  Language = 16;
  LoadLanguageStrings();
  EXPECT_EQ(LangStrings[21], "\xA5\xA3\xAF");
  EXPECT_EQ(tk::CurrentCodePage(), tk::CodePage::Windows1250);
  Language = 7;
  LoadLanguageStrings();
  EXPECT_EQ(LangStrings[21], "\xC8\xC6\x8A");
  Language = 1;
  LoadLanguageStrings();
  EXPECT_EQ(LangStrings[21], "\xC5\xC4\xD6");
  EXPECT_EQ(tk::CurrentCodePage(), tk::CodePage::Windows1252);
}

TEST_F(Loaders, HangmanWordsKeepOnlyTheCurrentLanguage) {
  HangmanWords[1].Used = true;
  dir.Write("hangman.crp", Hangman(2, u"cat") + Hangman(1, u"katt") + Hangman(3, u"kat") + Hangman(1, u"hund") +
                               Hangman(1, std::u16string(55, u'a')));
  LoadHangmanWords();
  ASSERT_EQ(HangmanWordCount, 3);
  EXPECT_EQ(HangmanWords[1].Word, "katt");
  EXPECT_TRUE(HangmanWords[1].Used) << "the Used marks belong to the positions";
  EXPECT_EQ(HangmanWords[2].Word, "hund");
  EXPECT_EQ(HangmanWords[3].Word.size(), 50u);
  Language = 5;
  LoadHangmanWords();
  EXPECT_EQ(HangmanWordCount, 0);
}

TEST_F(Loaders, TruncatedAndMissingFilesRaiseAndKeepWhatWasRead) {
  std::string strings = EncodeLangString(3, {u"Subtraktion"}) + EncodeLangString(4, {u"Multiplikation"});
  strings.resize(strings.size() - 4);
  dir.Write("lang.crp", strings);
  try {
    LoadLanguageStrings();
    FAIL() << "a truncated file must raise";
  } catch (const EInOutError& e) {
    EXPECT_STREQ(e.what(), "Read beyond end of file");
  }
  EXPECT_EQ(LangStrings[3], "Subtraktion");
  EXPECT_EQ(LangStrings[4], "");
  EXPECT_THROW(LoadPictureCatalogue(), EFileNotFound);
  EXPECT_EQ(Pictures[1].Name, "foo") << "the defaults are set before the file is opened";
  EXPECT_THROW(LoadHangmanWords(), EFileNotFound);

  // A picture record cut short in its colour is dropped whole: the picture
  // keeps its defaults rather than a new glyph under the default name.
  std::string pictures = EncodePicture(Picture(1, u"äpple", u"apple")) + EncodePicture(Picture(2, u"kula", u"ball"));
  pictures.resize(pictures.size() - 3);
  dir.Write("bilder.crp", pictures);
  EXPECT_THROW(LoadPictureCatalogue(), EInOutError);
  EXPECT_EQ(Pictures[1].Name, "\xE4pple");
  EXPECT_EQ(Pictures[1].Glyph, 128);
  EXPECT_EQ(Pictures[2].Name, "foo");
  EXPECT_EQ(Pictures[2].PluralName, "foobar");
  EXPECT_EQ(Pictures[2].Glyph, 0);
  EXPECT_EQ(Pictures[2].Colour, 0xC0C0C0u);
}

TEST(ProgramDirectory, IsTheExecutablesFolderWithoutItsSeparator) {
  tk::SetExecutablePathOverride("/opt/tamiro/lib/tamiro");
  EXPECT_EQ(ProgramDirectory(), "/opt/tamiro/lib");
  EXPECT_EQ(ProgramFile("bilder.crp"), "/opt/tamiro/lib/bilder.crp");
  tk::SetExecutablePathOverride("tamiro");
  EXPECT_EQ(ProgramDirectory(), "");
  EXPECT_EQ(ProgramFile("lang.crp"), "/lang.crp");
  tk::SetExecutablePathOverride("/tamiro");
  EXPECT_EQ(ProgramDirectory(), "");
  tk::SetExecutablePathOverride("/a/b/");
  EXPECT_EQ(ProgramDirectory(), "/a") << "the last character is not searched";
  tk::SetExecutablePathOverride(std::nullopt);
}

TEST_F(Loaders, TranslateFormSetsFontsStringsAndCaptionsOfTaggedLabelsOnly) {
  dir.Write("lang.crp", EncodeLangString(1, {u"Hur många?", u"How many?"}) + EncodeLangString(7, {u"Om Tamiro"}) +
                            EncodeLangString(15, {u"Avsluta"}) + EncodeLangString(26, {u"Tamiro"}));
  tk::Form form(nullptr, "menu", 640, 480);
  form.Tag = 26;
  auto* tile = new tk::Label(&form, "lblOv1", 0, 0, 10, 10);
  tile->Tag = 1;
  tile->Font.Name = "Tamiro3";
  tile->Font.Size = 14;
  auto* about = new tk::Label(&form, "lblAbout", 0, 0, 10, 10);
  about->Tag = 7;
  about->Font.Name = "Arial";
  auto* exit = new tk::Label(&form, "lblExit", 0, 0, 10, 10);
  exit->Tag = 15;
  exit->Font.Name = "Arial";
  // The menu's About and Exit keep their Arial.
  about->FixedFont = exit->FixedFont = true;
  auto* untagged = new tk::Label(&form, "lblRubrik", 0, 0, 10, 10);
  untagged->Caption = "heading";
  untagged->Font.Name = "Courier";
  auto* shape = new tk::Shape(&form, "shpOv1", 0, 0, 10, 10);
  shape->Tag = 1;

  Language = 16;
  TranslateForm(form);
  EXPECT_EQ(ExerciseFont, "Arial");
  EXPECT_EQ(SymbolFont, "Tamiro Symbols");
  EXPECT_EQ(tile->Font.Name, "Arial");
  EXPECT_EQ(tile->Font.Size, 14);

  Language = 1;
  TranslateForm(form);
  EXPECT_EQ(ExerciseFont, "Tamiro3");
  EXPECT_EQ(tile->Caption, "Hur m\xE5nga?");
  EXPECT_EQ(tile->Font.Name, "Tamiro3");
  EXPECT_EQ(about->Caption, "Om Tamiro");
  EXPECT_EQ(about->Font.Name, "Arial");
  EXPECT_EQ(exit->Font.Name, "Arial");
  EXPECT_EQ(untagged->Caption, "heading");
  EXPECT_EQ(untagged->Font.Name, "Courier");
  EXPECT_EQ(form.Caption, "Tamiro");
  Language = 2;
  TranslateForm(form);
  EXPECT_EQ(tile->Caption, "How many?");
  EXPECT_EQ(about->Caption, "") << "a language without the string shows it empty";
}

TEST(BoardSizeCaption, TheLanguagesOwnCaptionForANumberElseTheNumberAndTheWord) {
  const std::string cards = LangStrings[18], own = LangStrings[27];
  LangStrings[18] = "kart";
  LangStrings[27] = "24 karty|36|16 x|2 kort";
  EXPECT_EQ(BoardSizeCaption(24), "24 karty");
  EXPECT_EQ(BoardSizeCaption(16), "16 x");
  EXPECT_EQ(BoardSizeCaption(36), "36 kart") << "an entry without words is no caption";
  EXPECT_EQ(BoardSizeCaption(12), "12 kart");
  LangStrings[27] = "";
  LangStrings[18] = std::string(60, 'k');
  EXPECT_EQ(BoardSizeCaption(28), "28 " + std::string(50, 'k')) << "cut to 53 characters";
  LangStrings[18] = cards;
  LangStrings[27] = own;
}
