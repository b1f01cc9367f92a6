#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>

#include "app/main_menu.h"
#include "content/settings.h"
#include "content/content_tables.h"
#include "content/helpers.h"
#include "exercises/hangman/hangman_form.h"
#include "support/program_fixture.h"
#include "toolkit/application.h"
#include "toolkit/code_page.h"
#include "toolkit/platform.h"
#include "exercises/common/games.h"
#include "content/fonts.h"

using namespace tamiro;
namespace hm = tamiro::hangman;
using testing_support::Messages;

namespace {

std::size_t At(int i) { return static_cast<std::size_t>(i); }

bool Lit(QRgb p) { return qGray(p) > 100; }
bool White(QRgb p) { return qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) > 200; }
bool Green(QRgb p) { return qGreen(p) > 60 && qRed(p) < 40 && qBlue(p) < 40; }
bool Red(QRgb p) { return qRed(p) > 150 && qGreen(p) < 60 && qBlue(p) < 60; }

int Count(const QImage& image, bool (*kind)(QRgb), QRect area = QRect()) {
  if (area.isNull()) area = image.rect();
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += kind(image.pixel(x, y));
  return n;
}

QImage Picture(tk::Image* image) { return image->Canvas().Image().copy(); }

long Occurrences(const std::vector<std::string>& log, const std::string& entry) {
  return std::count(log.begin(), log.end(), entry);
}

// Hangman on the program's own assets and Swedish words, started from the
// menu with recording players and a clock that always reads the same.
class Hangman : public testing_support::ProgramFixture {
 protected:
  void SetUp() override {
    tk::SetClockOverride([] { return std::int64_t{43210}; });
    for (auto& entry : HangmanWords) entry.Used = false;
    StartProgram();
  }
  TfrmOvHangman* Launch() {
    LaunchGame(frmHuvudmeny, 0);
    ClearLogs();
    return frmOvHangman;
  }
  void ClearLogs() {
    effects->log.clear();
    music->log.clear();
  }
  // A new game whose word list holds only this word.
  void Play(TfrmOvHangman* form, const std::string& word) {
    HangmanWords[1].Word = word;
    HangmanWordCount = 1;
    form->NewGame();
    ClearLogs();
  }
  void Type(tk::Form* form, const std::string& keys) {
    for (char key : keys) form->DeliverKey(key);
  }
  void Click(tk::Control* control) {
    const QPoint c = control->BoundsRect().center();
    control->OwnerForm()->DeliverMouseDown(tk::MouseButton::Left, 0, c.x(), c.y());
    control->OwnerForm()->DeliverMouseUp(tk::MouseButton::Left, 0, c.x(), c.y());
  }
  // A press at a point of the letter grid, in its own pixels.
  void PressGrid(TfrmOvHangman* form, int x, int y, tk::MouseButton button = tk::MouseButton::Left) {
    form->DeliverMouseDown(button, 0, form->imgAlpha->Left() + x, form->imgAlpha->Top() + y);
    form->DeliverMouseUp(button, 0, form->imgAlpha->Left() + x, form->imgAlpha->Top() + y);
  }
  // Grid letters that do not occur in the secret word.
  std::string WrongLetters(std::size_t count) const {
    std::string wrong;
    for (char c : hm::GridLetters)
      if (hm::SecretWord.find(c) == std::string::npos && wrong.size() < count) wrong += c;
    return wrong;
  }
  void ExpectPieces(TfrmOvHangman* form, int shown) {
    for (int j = 1; j <= TfrmOvHangman::kPieceCount; ++j)
      EXPECT_EQ(form->imgHm[At(j)]->Visible(), j <= shown) << "piece " << j << " with " << shown << " misses";
  }
  // The word row as ShowWord draws a text: compared with what it shows now.
  bool RowShows(TfrmOvHangman* form, const std::string& text) {
    const QImage now = Picture(form->imgWord);
    form->ShowWord(text);
    const bool same = Picture(form->imgWord) == now;
    form->imgWord->Canvas().Draw(0, 0, now);
    return same;
  }
  void WaitUntil(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 2000) tk::Application::ProcessMessages();
  }
};

}  // namespace

TEST_F(Hangman, TheWordRowCentresShortWordsAndShrinksLongOnes) {
  TfrmOvHangman* form = Launch();
  const int w = form->imgWord->Width(), h = form->imgWord->Height();
  ASSERT_EQ(w, 782) << "the word image on a 1024 x 768 screen";
  // The characters as they should stand: centred on x, in light yellow.
  auto* expected = new tk::Image(form, "expected", 0, 0, w, h);
  expected->SetVisible(false);
  auto draw = [&](const std::string& text, int firstCentre, int cell, int size) {
    tk::Canvas& canvas = expected->Canvas();
    canvas.Brush = {0, false};
    canvas.FillRect(0, 0, w, h);
    for (std::size_t i = 0; i < text.size(); ++i)
      DrawTextCentred(firstCentre + cell * static_cast<int>(i), h / 2, *expected, text.substr(i, 1), 0x80FFFF,
                      ExerciseFont, size);
    return Picture(expected);
  };

  // Twelve characters fill the row: cells of Trunc(782 * 0.9) div 12 = 58
  // pixels from 5 % of the width (39), the letters shrunk to 10 / 12.
  form->ShowWord("ABCDEFGHIJKL");
  EXPECT_EQ(Picture(form->imgWord), draw("ABCDEFGHIJKL", 39 + 29, 58, LargeFontSize * 10 / 12));
  // Four letters stand in the middle of a row of ten 70-pixel cells, from the
  // fourth cell on, at the full size.
  form->ShowWord("KATT");
  const QImage four = Picture(form->imgWord);
  EXPECT_EQ(four, draw("KATT", 39 + 3 * 70 + 35, 70, LargeFontSize));
  EXPECT_EQ(Count(four, Lit, QRect(0, 0, 39 + 3 * 70, h)), 0) << "nothing in the first three cells";
  EXPECT_EQ(Count(four, Lit, QRect(39 + 7 * 70, 0, w - 39 - 7 * 70, h)), 0) << "nothing in the last three";
  EXPECT_GT(Count(four, Lit), 500);
}

TEST_F(Hangman, SpacesApostrophesCommasAndHyphensShowFromTheStart) {
  TfrmOvHangman* form = Launch();
  Play(form, "tic-tac, l'ami go");
  EXPECT_EQ(hm::SecretWord, "TIC-TAC, L'AMI GO");
  EXPECT_EQ(hm::ShownWord, "___-___, _'___ __");
  EXPECT_TRUE(RowShows(form, "___-___, _'___ __"));
  // Only the letters need guessing.
  Type(form, "ticlamg");
  EXPECT_TRUE(hm::GameActive);
  EXPECT_EQ(hm::ShownWord, "TIC-TAC, L'AMI G_");
  EXPECT_EQ(Occurrences(effects->log, "play"), 7);
  EXPECT_TRUE(music->log.empty()) << "no win yet: the O is missing";
  Type(form, "o");
  EXPECT_EQ(hm::ShownWord, hm::SecretWord);
  EXPECT_EQ(music->log, (std::vector<std::string>{"open YAHOO.MID", "seek 0", "play"}));
}

TEST_F(Hangman, GridPressesHitTheirCellsAndNothingElse) {
  TfrmOvHangman* form = Launch();
  Play(form, "katt");
  // 347 x 590 pixels: cells of 86 x 73, three pixels left over on the right
  // and six below.
  ASSERT_EQ(form->imgAlpha->Width(), 347);
  ASSERT_EQ(form->imgAlpha->Height(), 590);
  EXPECT_EQ(hm::CellWidth, 86);
  EXPECT_EQ(hm::CellHeight, 73);
  ASSERT_EQ(hm::GridLetters, "ABCDEFGHIJKLMNOPQRSTUVWXYZ\xC5\xC4\xD6");

  const QRect cellB(86, 0, 86, 73);
  EXPECT_GT(Count(Picture(form->imgAlpha), White, cellB), 50);
  PressGrid(form, 86, 72);  // the B cell's top-left pixel column, bottom row
  EXPECT_TRUE(hm::LetterUsed[2]);
  EXPECT_EQ(hm::Misses, 1);
  EXPECT_EQ(Count(Picture(form->imgAlpha), White, cellB), 0) << "the guessed letter turns dark grey";
  PressGrid(form, 86 * 2 + 40, 73 * 2 + 10, tk::MouseButton::Right);  // K, with any button
  EXPECT_TRUE(hm::LetterUsed[11]);
  EXPECT_EQ(hm::ShownWord, "K___");

  ClearLogs();
  const auto marks = hm::LetterUsed;
  PressGrid(form, 344, 10);       // right of the fourth column: would be E
  PressGrid(form, 346, 100);      // the last leftover column: would be I
  PressGrid(form, 100, 584);      // below the eighth row: would be the 34th
  PressGrid(form, 86 + 10, 73 * 7 + 10);  // the 30th cell: no letter
  PressGrid(form, 86 * 3 + 5, 73 * 7 + 72);
  EXPECT_EQ(hm::LetterUsed, marks);
  EXPECT_EQ(hm::Misses, 1);
  EXPECT_TRUE(effects->log.empty());
  PressGrid(form, 0, 73 * 7);  // the first pixel of the 29th cell: Ö
  EXPECT_TRUE(hm::LetterUsed[29]);
}

TEST_F(Hangman, KeysOutsideTheGridAreIgnoredAndTypedLettersAreUpperCased) {
  TfrmOvHangman* form = Launch();
  Play(form, "\xE5lg");  // å, l, g
  EXPECT_EQ(hm::SecretWord, "\xC5LG");
  Type(form, std::string("5 !_\xDF\x7F\r", 7));  // a digit, space, punctuation, the blank mark, ß, controls
  EXPECT_TRUE(effects->log.empty());
  EXPECT_EQ(hm::Misses, 0);
  EXPECT_EQ(hm::ShownWord, "___");
  for (int p = 1; p <= hm::kLetterFlags; ++p) EXPECT_FALSE(hm::LetterUsed[At(p)]) << p;
  Type(form, "\xE5g");  // lower-case å and g
  EXPECT_EQ(hm::ShownWord, "\xC5_G");
  EXPECT_TRUE(hm::LetterUsed[27]);
  EXPECT_TRUE(hm::LetterUsed[7]);
}

TEST_F(Hangman, AWrongLetterCostsAMissEveryTime) {
  TfrmOvHangman* form = Launch();
  Play(form, "katt");
  Type(form, "bb");
  EXPECT_EQ(hm::Misses, 2);
  EXPECT_EQ(effects->log, (std::vector<std::string>{"open GNIRR5.WAV", "play", "play"}));
  ExpectPieces(form, 2);
  // A right letter again costs nothing.
  Type(form, "tt");
  EXPECT_EQ(hm::Misses, 2);
  EXPECT_EQ(effects->log.back(), "play");
  EXPECT_EQ(effects->log[3], "open PLOPP2.WAV");
  EXPECT_EQ(Occurrences(effects->log, "play"), 4);
}

TEST_F(Hangman, ReplacementPairsUncoverTheirSecondCharacterInUpperCaseOnly) {
  Language = 9;  // French
  TfrmOvHangman* form = Launch();
  ASSERT_EQ(LangStrings[32].substr(0, 6), "A\xC0" "A\xC2" "A\xC6");
  Play(form, "\xE9l\xE9phant");  // éléphant
  EXPECT_EQ(hm::SecretWord, "\xC9L\xC9PHANT");
  EXPECT_EQ(form->HangmanReplacements("E"), "\xC9\xC8\xCA\xCB");
  EXPECT_EQ(form->HangmanReplacements("B"), "");
  Type(form, "\xE9");  // É itself is no grid letter
  EXPECT_TRUE(effects->log.empty());
  Type(form, "e");
  EXPECT_EQ(hm::ShownWord, "\xC9_\xC9_____");
  EXPECT_EQ(effects->log, (std::vector<std::string>{"open PLOPP2.WAV", "play"}));
  Type(form, "lphant");
  EXPECT_FALSE(hm::GameActive);
  EXPECT_EQ(hm::Misses, 0);

  // Pairs compare exactly: in lower case they never match.
  const std::string pairs = LangStrings[32];
  for (const std::string& lower : {std::string("e\xC9"), std::string("E\xE9")}) {
    LangStrings[32] = lower;
    Play(form, "\xE9t\xE9");
    Type(form, "e");
    EXPECT_EQ(hm::ShownWord, "___");
    EXPECT_EQ(hm::Misses, 1);
  }
  // A last unpaired character is no pair.
  LangStrings[32] = "T\xC9T";
  EXPECT_EQ(form->HangmanReplacements("T"), "\xC9");
  LangStrings[32] = pairs;
}

TEST_F(Hangman, AWinPlaysYahooAndShowsTheHappyFaceOnlyWithTheHead) {
  TfrmOvHangman* form = Launch();
  for (int misses = 5; misses <= 10; ++misses) {
    Play(form, "katt");
    Type(form, WrongLetters(At(misses)));
    Type(form, "kta");
    EXPECT_FALSE(hm::GameActive);
    EXPECT_EQ(hm::Misses, misses);
    ExpectPieces(form, misses);
    EXPECT_EQ(music->log, (std::vector<std::string>{"open YAHOO.MID", "seek 0", "play"})) << misses;
    const int green = Count(Picture(form->imgFace), Green);
    if (misses == 5) EXPECT_EQ(green, 0) << "no head, no face";
    else EXPECT_GT(green, 100) << misses;
    EXPECT_EQ(Count(Picture(form->imgFace), Red), 0);
  }
  // The face shows through the ring of the head, which lies over it.
  const QImage screen = form->grab().toImage();
  const QRect head = form->imgFace->BoundsRect();
  EXPECT_GT(Count(screen, Green, head), 100);
  EXPECT_GT(Count(screen, White, head), 300) << "the ring";
  EXPECT_EQ(Count(screen, White, head.adjusted(head.width() / 4, head.height() / 4, -head.width() / 4,
                                               -head.height() / 4)),
            0)
      << "the inside of the ring is clear";
  // A new game takes the face away.
  Play(form, "katt");
  EXPECT_EQ(Count(Picture(form->imgFace), Green), 0);
  ExpectPieces(form, 0);
}

TEST_F(Hangman, TheEleventhMissCompletesTheFigureRevealsTheWordAndEndsTheGame) {
  TfrmOvHangman* form = Launch();
  Play(form, "katt");
  const std::string wrong = WrongLetters(11);
  Type(form, "k" + wrong.substr(0, 10));
  EXPECT_TRUE(hm::GameActive);
  ExpectPieces(form, 10);
  EXPECT_TRUE(music->log.empty());
  Type(form, wrong.substr(10));
  EXPECT_FALSE(hm::GameActive);
  ExpectPieces(form, 11);
  EXPECT_EQ(music->log, (std::vector<std::string>{"open HUNG_UP.MID", "seek 0", "play"}));
  EXPECT_GT(Count(Picture(form->imgFace), Red), 100);
  EXPECT_EQ(Count(Picture(form->imgFace), Green), 0);
  EXPECT_EQ(hm::ShownWord, "KATT");
  EXPECT_TRUE(RowShows(form, "KATT"));
  EXPECT_FALSE(RowShows(form, "K___"));

  // After the end keys and presses only redraw.
  ClearLogs();
  const auto marks = hm::LetterUsed;
  tk::Canvas& grid = form->imgAlpha->Canvas();
  grid.Brush = {0x0000FF, false};
  grid.FillRect(0, 0, form->imgAlpha->Width(), form->imgAlpha->Height());
  Type(form, "naz");
  PressGrid(form, 10, 10);
  EXPECT_TRUE(effects->log.empty());
  EXPECT_TRUE(music->log.empty());
  EXPECT_EQ(hm::Misses, 11);
  EXPECT_EQ(hm::LetterUsed, marks);
  EXPECT_EQ(hm::ShownWord, "KATT");
  EXPECT_EQ(Count(Picture(form->imgAlpha), Red), 0) << "the grid was drawn again";
}

TEST_F(Hangman, WordsAreChosenUnusedFirstAndRepeatOnceAllAreUsed) {
  TfrmOvHangman* form = Launch();
  const int count = HangmanWordCount;
  ASSERT_GT(count, 100);
  // The draws a new game makes with this clock.
  Randomize();
  std::vector<int> draws;
  for (int i = 0; i < 32; ++i) draws.push_back(RandomIn(1, count));
  ASSERT_EQ(std::count(draws.begin(), draws.begin() + 31, draws[31]), 0);
  auto wordOf = [](int k) { return tk::UpperCase(HangmanWords[At(k)].Word); };
  EXPECT_EQ(hm::SecretWord, wordOf(draws[0]));
  EXPECT_TRUE(HangmanWords[At(draws[0])].Used);

  // Only the word of the 32nd draw is unused: after 31 draws the last is
  // taken, used as it is.
  for (int k = 1; k <= count; ++k) HangmanWords[At(k)].Used = k != draws[31];
  form->NewGame();
  EXPECT_TRUE(hm::GameActive);
  EXPECT_EQ(hm::SecretWord, wordOf(draws[30]));
  EXPECT_FALSE(HangmanWords[At(draws[31])].Used);
  // Every word used: a game still starts, with the 31st draw again.
  HangmanWords[At(draws[31])].Used = true;
  form->NewGame();
  EXPECT_TRUE(hm::GameActive);
  EXPECT_EQ(hm::SecretWord, wordOf(draws[30]));
  // An unused word among the draws is taken at its first draw.
  const int fifth = draws[4];
  ASSERT_EQ(std::count(draws.begin(), draws.begin() + 4, fifth), 0);
  HangmanWords[At(fifth)].Used = false;
  form->NewGame();
  EXPECT_EQ(hm::SecretWord, wordOf(fifth));
}

TEST_F(Hangman, UsedMarksOutliveTheFormAndTheReloadOfTheWords) {
  TfrmOvHangman* form = Launch();
  const std::string first = hm::SecretWord;
  auto used = [] {
    std::vector<int> k;
    for (int i = 1; i <= HangmanWordCount; ++i)
      if (HangmanWords[At(i)].Used) k.push_back(i);
    return k;
  };
  ASSERT_EQ(used().size(), 1u);
  Click(form->imgExit);
  EXPECT_EQ(effects->log, (std::vector<std::string>{"open KLICK3.WAV", "play"}));
  WaitUntil([] { return frmOvHangman == nullptr; });
  ASSERT_EQ(frmOvHangman, nullptr);

  // The same clock draws the same word first; it is used, so another comes.
  HangmanWords[At(used()[0])].Word = "stale";
  form = Launch();
  EXPECT_NE(HangmanWords[At(used()[0])].Word, "stale") << "the words were loaded again";
  EXPECT_EQ(used().size(), 2u);
  EXPECT_NE(hm::SecretWord, first);
  EXPECT_TRUE(hm::GameActive);
  EXPECT_EQ(hm::Misses, 0);
}

TEST_F(Hangman, StartAbandonsTheGameAndHelpOpensHangmansHelp) {
  TfrmOvHangman* form = Launch();
  int context = 0;
  tk::Application::Instance().HelpViewer = [&](int c) { context = c; };
  Click(form->imgHelp);
  EXPECT_EQ(context, 122);
  Play(form, "katt");
  Type(form, "kbc");
  Click(form->imgStart);
  EXPECT_EQ(effects->log[effects->log.size() - 2], "open KLICK3.WAV");
  EXPECT_EQ(hm::Misses, 0);
  EXPECT_EQ(hm::ShownWord, "____");
  EXPECT_TRUE(std::none_of(hm::LetterUsed.begin(), hm::LetterUsed.end(), [](bool b) { return b; }));
  EXPECT_EQ(music->log.back(), "stop");
}

TEST_F(Hangman, EventsHandledInsideARedrawFindTheGameSettled) {
  TfrmOvHangman* form = Launch();
  // A key that arrives while another key's guess is drawn: both count, and
  // the word row shows both.
  Play(form, "katt");
  QTimer::singleShot(0, form, [form] { form->DeliverKey('t'); });
  form->DeliverKey('a');
  EXPECT_EQ(hm::ShownWord, "_ATT");
  EXPECT_TRUE(RowShows(form, "_ATT"));
  EXPECT_EQ(effects->log, (std::vector<std::string>{"open PLOPP2.WAV", "play", "play"}));

  // Start pressed while the lost game is drawn: the new game stays whole.
  Play(form, "katt");
  Type(form, WrongLetters(10));
  HangmanWords[1].Word = "hund";
  QTimer::singleShot(0, form, [this, form] { Click(form->imgStart); });
  Type(form, WrongLetters(11).substr(10));
  EXPECT_EQ(hm::SecretWord, "HUND");
  EXPECT_EQ(hm::ShownWord, "____");
  EXPECT_TRUE(hm::GameActive);
  EXPECT_EQ(hm::Misses, 0);
  ExpectPieces(form, 0);
  EXPECT_EQ(Count(Picture(form->imgFace), Red), 0) << "no sad face in the new game";
  EXPECT_TRUE(RowShows(form, "____"));
  EXPECT_EQ(music->log, (std::vector<std::string>{"open HUNG_UP.MID", "seek 0", "play", "stop"}));
  Type(form, "h");
  EXPECT_EQ(hm::ShownWord, "H___");

  // A key that wins the game while a new game is first drawn: the game stays
  // won.
  HangmanWords[1].Word = "i";
  QTimer::singleShot(0, form, [form] { form->DeliverKey('i'); });
  form->NewGame();
  EXPECT_FALSE(hm::GameActive);
  EXPECT_EQ(Occurrences(music->log, "open YAHOO.MID"), 1);
  ClearLogs();
  Type(form, "i");
  EXPECT_TRUE(effects->log.empty());
  EXPECT_TRUE(music->log.empty());
}

TEST_F(Hangman, ExitDuringTheDrawingOfANewGameReleasesTheFormSafely) {
  // Exit while the launch's first game is being set up and drawn.
  QTimer::singleShot(0, [this] { Click(frmOvHangman->imgExit); });
  LaunchGame(frmHuvudmeny, 0);
  ASSERT_NE(frmOvHangman, nullptr) << "the form outlives the launch's event processing";
  EXPECT_TRUE(frmOvHangman->Released());
  WaitUntil([] { return frmOvHangman == nullptr; });
  EXPECT_EQ(frmOvHangman, nullptr);
  EXPECT_EQ(tk::Application::Instance().ActiveForm(), frmHuvudmeny);

  // Exit while Start's new game is drawn.
  TfrmOvHangman* form = Launch();
  QTimer::singleShot(0, form, [this, form] { Click(form->imgExit); });
  Click(form->imgStart);
  EXPECT_EQ(effects->log, (std::vector<std::string>{"play", "play"})) << "Start, then Exit";
  WaitUntil([] { return frmOvHangman == nullptr; });
  EXPECT_EQ(frmOvHangman, nullptr);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Hangman, WithoutWordsNoGameStarts) {
  TfrmOvHangman* form = Launch();
  HangmanWords[1].Word = "stale";
  HangmanWords[1].Used = false;
  HangmanWordCount = 0;
  form->NewGame();
  EXPECT_EQ(hm::SecretWord, "");
  EXPECT_EQ(hm::ShownWord, "");
  EXPECT_FALSE(hm::GameActive);
  EXPECT_FALSE(HangmanWords[1].Used) << "no entry is read or marked";
  EXPECT_EQ(Count(Picture(form->imgWord), Lit), 0) << "an empty word row";
  EXPECT_GT(Count(Picture(form->imgAlpha), White), 1000) << "the grid is drawn";
  ClearLogs();
  Type(form, "stale");
  PressGrid(form, 10, 10);
  EXPECT_TRUE(effects->log.empty());
  EXPECT_TRUE(music->log.empty()) << "no win is announced";
  EXPECT_EQ(hm::Misses, 0);
  EXPECT_TRUE(std::none_of(hm::LetterUsed.begin(), hm::LetterUsed.end(), [](bool b) { return b; }));
}

TEST_F(Hangman, ALetterSetLongerThanTheGridOffersItsFirst32Letters) {
  TfrmOvHangman* form = Launch();
  // 29 Swedish letters and 16 more: 45 in all.
  const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ\xC5\xC4\xD6\xC6\xD8\xDC\xC9\xC8\xCA\xC0\xC7\xD1\xCF\xCE\xD3\xDA\xCD\xD4\xDB";
  ASSERT_EQ(letters.size(), 45u);
  LangStrings[21] = letters;
  Play(form, "katt");
  EXPECT_EQ(hm::GridLetters, letters.substr(0, 32));
  const QRect lastCell(3 * hm::CellWidth, 7 * hm::CellHeight, hm::CellWidth, hm::CellHeight);
  EXPECT_GT(Count(Picture(form->imgAlpha), White, lastCell), 50) << "the 32nd letter in the last cell";
  // Every letter beyond the 32nd is no grid letter, typed or not.
  Type(form, letters.substr(32));
  EXPECT_TRUE(effects->log.empty());
  EXPECT_EQ(hm::Misses, 0);
  for (int p = 1; p <= hm::kLetterFlags; ++p) EXPECT_FALSE(hm::LetterUsed[At(p)]) << p;
  Type(form, letters.substr(31, 1));
  EXPECT_TRUE(hm::LetterUsed[32]);
  EXPECT_EQ(hm::Misses, 1);
  EXPECT_EQ(Count(Picture(form->imgAlpha), White, lastCell), 0);
}

TEST_F(Hangman, PolishWordsAndKeysAreUpperCasedInTheirCodePage) {
  Language = 16;
  TfrmOvHangman* form = Launch();
  EXPECT_EQ(tk::CurrentCodePage(), tk::CodePage::Windows1250);
  EXPECT_EQ(hm::GridLetters.size(), 32u);
  Play(form, "s\xB3o\xF1");  // słoń
  EXPECT_EQ(hm::SecretWord, "S\xA3O\xD1");
  Type(form, "\xB3\xF1");  // ł and ń, typed in lower case
  EXPECT_EQ(hm::ShownWord, "_\xA3_\xD1");
  EXPECT_EQ(hm::Misses, 0);
}

TEST_F(Hangman, APressBeforeTheGridIsFirstDrawnGuessesNothing) {
  // The grid's cells are measured when it is first drawn; a press that the
  // first showing handles before then finds no cells.
  hm::CellWidth = hm::CellHeight = 0;
  QTimer::singleShot(0, [this] { PressGrid(frmOvHangman, 10, 10); });
  TfrmOvHangman* form = Launch();
  EXPECT_EQ(hm::Misses, 0);
  EXPECT_FALSE(hm::LetterUsed[1]);
  EXPECT_EQ(hm::CellWidth, 86);
  PressGrid(form, 10, 10);
  EXPECT_TRUE(hm::LetterUsed[1]);
}

TEST_F(Hangman, WithoutItsWordsFileTheFormSaysSoAndKeepsTheWordsItHad) {
  TfrmOvHangman* form = Launch();
  const int count = HangmanWordCount;
  ASSERT_GT(count, 1);
  const std::string last = HangmanWords[At(count)].Word;
  const auto exit = [&] {
    Click(form->imgExit);
    WaitUntil([] { return frmOvHangman == nullptr; });
    ASSERT_EQ(frmOvHangman, nullptr);
  };
  exit();
  QTemporaryDir dir;
  ASSERT_TRUE(QFile::copy(QString(TAMIRO_PROGRAM_DIR) + "/lang.crp", dir.filePath("lang.crp")));
  tk::SetExecutablePathOverride(dir.filePath("tamiro").toStdString());
  for (bool loadedBefore : {true, false}) {
    SCOPED_TRACE(loadedBefore ? "opened again" : "no words loaded before");
    Messages().clear();
    if (!loadedBefore) HangmanWordCount = 0;
    form = Launch();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].text.find("hangman.crp"), std::string::npos) << Messages()[0].text;
    EXPECT_EQ(Messages()[0].icon, tk::MessageIcon::Error);
    EXPECT_EQ(HangmanWordCount, loadedBefore ? count : 0);
    EXPECT_EQ(HangmanWords[At(count)].Word, last);
    EXPECT_EQ(hm::GameActive, loadedBefore) << "a game with the words already loaded";
    EXPECT_TRUE(form->Visible());
    if (!loadedBefore) {
      Type(form, "abc");
      EXPECT_TRUE(effects->log.empty());
    }
    // The pictures of the figure are missing too; Exit still works.
    exit();
  }
}
