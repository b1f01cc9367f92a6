#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <set>

#include "app/main_menu.h"
#include "app/settings.h"
#include "content/content_tables.h"
#include "content/helpers.h"
#include "exercises/rain/rain_form.h"
#include "support/program_fixture.h"
#include "toolkit/application.h"
#include "toolkit/code_page.h"
#include "toolkit/help_viewer.h"

using namespace tamiro;

namespace {

std::size_t At(int i) { return static_cast<std::size_t>(i); }
rain::TRainItem& Item(int i) { return rain::Items[At(i)]; }

void Spin(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) tk::Application::ProcessMessages();
}

bool Lit(QRgb p) { return std::max({qRed(p), qGreen(p), qBlue(p)}) > 60; }

int LitPixels(const QImage& image, const QRect& area) {
  int n = 0;
  const QRect r = area.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) n += Lit(image.pixel(x, y));
  return n;
}

// The smallest rectangle holding every pixel of the area that is not the
// given colour.
QRect Unlike(const QImage& image, const QRect& area, QRgb colour) {
  QRect found;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) != (colour & 0xFFFFFF)) found |= QRect(x, y, 1, 1);
  return found;
}

// The rain form on the program's own assets at 1024 x 768, started from the
// menu with recording players and a clock that moves on at every reading.
// The tests tick the form themselves and never let its own timer run.
class Rain : public testing_support::ProgramFixture {
 protected:
  void SetUp() override {
    tk::SetClockOverride([this] { return clock += 7919; });
    StartProgram();
  }
  TfrmOvRegn* Launch(int exercise) {
    music->log.clear();
    LaunchRain(frmHuvudmeny, exercise);
    launchMusic = music->log;
    effects->log.clear();
    music->log.clear();
    return frmOvRegn;
  }
  void Close(TfrmOvRegn* form) {
    form->Release();
    tk::Application::ProcessMessages();
  }
  void Ticks(TfrmOvRegn* form, int n) {
    for (int t = 0; t < n; ++t) form->Timer1Timer();
  }
  void Click(tk::Control* control) {
    tk::Form* form = control->OwnerForm();
    const QPoint c = control->BoundsRect().center();
    form->DeliverMouseDown(tk::MouseButton::Left, 0, c.x(), c.y());
    form->DeliverMouseUp(tk::MouseButton::Left, 0, c.x(), c.y());
  }
  // Types a character on the keyboard: the window turns it into the code
  // page's character for the active form.
  void Type(const QString& text, Qt::Key key = Qt::Key_unknown) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(tk::Application::Instance().Window(), &event);
  }
  void TypeAnswer(TfrmOvRegn* form) { form->DeliverKey(Item(rain::CurrentItem).Answer[0]); }
  static QRect Field(TfrmOvRegn* form) { return form->shpRam->BoundsRect(); }
  static const QImage& Surface(TfrmOvRegn* form) { return form->Canvas().Image(); }
  // The score box as it shows a text.
  void ExpectScoreBox(TfrmOvRegn* form, const std::string& text) {
    tk::Image* box = form->imgScore;
    auto* expected = new tk::Image(form, "expected", 0, 0, box->Width(), box->Height());
    expected->SetVisible(false);
    expected->Canvas().Clear(0x000000);
    DrawTextCentred(box->Width() / 2, box->Height() / 2, *expected, text, 0xFFFFFF, ExerciseFont, LargeFontSize / 2);
    EXPECT_TRUE(box->Canvas().Image() == expected->Canvas().Image()) << "the score box does not show " << text;
    delete expected;
  }
  // Paints the field in a colour the game never uses, so that what a step
  // copies shows as the rectangle that is no longer that colour.
  QRect CopiedByStep(TfrmOvRegn* form) {
    tk::Canvas& canvas = form->Canvas();
    canvas.Brush = {0x07FA03, false};
    const QRect f = Field(form);
    canvas.FillRect(f.left(), f.top(), f.right() + 1, f.bottom() + 1);
    form->FallStep();
    return Unlike(Surface(form), f, qRgb(3, 250, 7));
  }

  std::int64_t clock = 0;
  std::vector<std::string> launchMusic;  // what the last launch asked of the music player
};

}  // namespace

TEST_F(Rain, FieldColumnsAndStepsAt1024x768) {
  TfrmOvRegn* form = Launch(9);
  EXPECT_EQ(Field(form), QRect(13, 0, 789, 744));
  EXPECT_EQ(form->Width(), 1024);
  EXPECT_EQ(form->Timer1->Interval(), 80);
  EXPECT_TRUE(form->Timer1->Enabled());
  EXPECT_EQ(rain::ItemCount, 10);
  EXPECT_EQ(rain::ColumnWidth, 78);

  // Item 3 moves 12.4 pixels a step in its own column, less a pixel on
  // each side, and lands with its bottom on the field's bottom edge.
  form->FormKeyPress(Item(1).Answer[0]);
  form->FormKeyPress(Item(2).Answer[0]);
  const int left = 13 + 2 * 78 + 1, width = 78 - 2;
  QRect r = CopiedByStep(form);
  const int h = rain::ItemHeight;
  ASSERT_GT(h, 12);
  EXPECT_EQ(r, QRect(left, 0, width, 12)) << "step 1: most of the strip lies above the field";
  for (int k = 2; k < 30; ++k) form->FallStep();
  r = CopiedByStep(form);
  EXPECT_EQ(r, QRect(left, 372 - h, width, h)) << "step 30: 30 x 12.4 = 372";
  Item(3).Steps = 59;
  r = CopiedByStep(form);
  EXPECT_EQ(r, QRect(left, 744 - h, width, h)) << "step 60";
  EXPECT_EQ(Item(3).Steps, 60);
  EXPECT_EQ(rain::CurrentItem, 4);

  // The strip: text in the lower two thirds of the item's column, the upper
  // third black.
  const QImage& strip = form->imgRegn->Canvas().Image();
  const QRect column(2 * 78 + 1, 0, width, h);
  EXPECT_EQ(LitPixels(strip, QRect(column.left(), 0, width, h / 3)), 0);
  EXPECT_GT(LitPixels(strip, QRect(column.left(), h / 3, width, h - h / 3)), 100);
  Close(form);

  form = Launch(10);
  EXPECT_EQ(rain::ItemCount, 7);
  EXPECT_EQ(rain::ColumnWidth, 112);
  Close(form);
  form = Launch(11);
  ASSERT_EQ(LangStrings[33].size(), 29u) << "the Swedish alphabet";
  EXPECT_EQ(rain::ItemCount, 29);
  EXPECT_EQ(rain::ColumnWidth, 27);
  EXPECT_EQ(CopiedByStep(form), QRect(13 + 1, 0, 25, 12));
}

TEST_F(Rain, TheSoonerTheCatchTheMorePoints) {
  struct Game {
    int exercise;
    int ticks[3];   // steps taken when the key is typed
    int points[3];  // what each catch earns
  };
  // Sum rain counts a catch one step later: typed after 1, 30 and 59 steps
  // it counts after 2, 31 and 60, and the last one lands.
  const Game games[] = {{9, {1, 30, 59}, {98, 50, 1}},
                        {10, {1, 30, 59}, {138, 69, 0}},
                        {10, {0, 29, 58}, {140, 71, 2}},
                        {11, {1, 30, 59}, {33, 17, 0}}};
  for (const Game& g : games) {
    TfrmOvRegn* form = Launch(g.exercise);
    int total = 0;
    for (int c = 0; c < 3; ++c) {
      const int item = rain::CurrentItem;
      Ticks(form, g.ticks[c]);
      TypeAnswer(form);
      total += g.points[c];
      EXPECT_EQ(rain::Score, total) << "game " << g.exercise << ", key after " << g.ticks[c] << " steps";
      EXPECT_EQ(rain::CurrentItem, item + 1);
    }
    ExpectScoreBox(form, std::to_string(total));
    Close(form);
  }
  // Caught before its first step: the full share; sum rain first shows the
  // result for one step.
  TfrmOvRegn* form = Launch(9);
  TypeAnswer(form);
  EXPECT_EQ(rain::Score, 100);
  EXPECT_EQ(Item(1).Steps, 0);
  EXPECT_EQ(LitPixels(Surface(form), Field(form)), 0) << "an item caught before its first step never shows";
  Close(form);
  form = Launch(10);
  const std::string result = Item(1).Answer;
  TypeAnswer(form);
  EXPECT_EQ(rain::Score, 140);
  EXPECT_EQ(Item(1).Steps, 1);
  EXPECT_EQ(Item(1).Text, result);
  // The strip holds the result, no wider than its digit.
  tk::Canvas& strip = form->imgRegn->Canvas();
  strip.Font = {ExerciseFont, static_cast<int>(LargeFontSize / 1.5), 0};
  const QRect lit = Unlike(strip.Image(), QRect(0, 0, rain::ColumnWidth, rain::ItemHeight), qRgb(0, 0, 0));
  EXPECT_FALSE(lit.isEmpty());
  EXPECT_LE(lit.width(), strip.TextWidth(result));
  EXPECT_LT(strip.TextWidth(result), strip.TextWidth("1+1"));
}

TEST_F(Rain, EveryOtherKeyCostsTenPointsEvenBelowZero) {
  TfrmOvRegn* form = Launch(9);
  const char answer = Item(1).Answer[0];
  const char wrong = answer == 'B' ? 'C' : 'B';
  form->DeliverKey(wrong);
  EXPECT_EQ(rain::Score, -10);
  ExpectScoreBox(form, "-10");
  // Digits, space, Enter, Escape and Backspace, as the keyboard types them.
  Type("7");
  Type(" ", Qt::Key_Space);
  Type("\r", Qt::Key_Return);
  Type("\x1b", Qt::Key_Escape);
  Type("\b", Qt::Key_Backspace);
  EXPECT_EQ(rain::Score, -60);
  ExpectScoreBox(form, "-60");
  EXPECT_EQ(rain::CurrentItem, 1);
  EXPECT_TRUE(effects->log.empty()) << "a wrong key makes no sound";
  // A catch adds to a negative score.
  TypeAnswer(form);
  EXPECT_EQ(rain::Score, 40);
  Close(form);

  // In sum rain every digit but the result is wrong.
  form = Launch(10);
  const int result = std::stoi(Item(1).Answer);
  int expected = 0;
  for (char d = '0'; d <= '9'; ++d) {
    if (d - '0' == result) continue;
    form->DeliverKey(d);
    expected -= 10;
  }
  EXPECT_EQ(rain::Score, expected);
  EXPECT_EQ(rain::CurrentItem, 1);
}

TEST_F(Rain, LandingsEndingsAndKeysAfterTheEnd) {
  TfrmOvRegn* form = Launch(10);
  // A landing: the landing sound, cut off at once by the end-of-item sound.
  Ticks(form, 60);
  EXPECT_EQ(effects->log, (std::vector<std::string>{"open Dropp3.WAV", "play", "open DRIPDROP.WAV", "play"}));
  EXPECT_EQ(rain::Score, 0);
  EXPECT_EQ(rain::CurrentItem, 2);
  // Sum rain, the result typed after 59 steps: the item lands and scores
  // nothing; the next one starts at the next tick.
  effects->log.clear();
  Ticks(form, 59);
  TypeAnswer(form);
  EXPECT_EQ(effects->log, (std::vector<std::string>{"open Dropp3.WAV", "play", "open DRIPDROP.WAV", "play"}));
  EXPECT_EQ(Item(2).Steps, 60);
  EXPECT_EQ(rain::Score, 0);
  EXPECT_EQ(rain::CurrentItem, 3);
  form->Timer1Timer();
  EXPECT_EQ(Item(3).Steps, 1);

  // The rest caught at once; the last one ends the game and the music.
  effects->log.clear();
  while (rain::CurrentItem <= rain::ItemCount) TypeAnswer(form);
  EXPECT_EQ(rain::CurrentItem, 8);
  EXPECT_FALSE(form->Timer1->Enabled());
  EXPECT_EQ(music->log, (std::vector<std::string>{"stop"}));
  EXPECT_FALSE(MusicLoop);
  const int final = rain::Score;
  EXPECT_EQ(final, 138 + 4 * 140);
  ExpectScoreBox(form, std::to_string(final));
  // After the end keys and stray ticks change nothing.
  const QImage field = Surface(form).copy(Field(form));
  effects->log.clear();
  for (char c : std::string("7x\r\x1b\b 9")) form->DeliverKey(c);
  Type("5");
  form->FallStep();
  EXPECT_EQ(rain::Score, final);
  EXPECT_EQ(rain::CurrentItem, 8);
  EXPECT_TRUE(effects->log.empty());
  EXPECT_TRUE(Surface(form).copy(Field(form)) == field);
}

TEST_F(Rain, StartAndTheScoreBoxBeginAFreshGameAtAnyMoment) {
  TfrmOvRegn* form = Launch(9);
  EXPECT_EQ(launchMusic, (std::vector<std::string>{"open DROPPAR.MID", "seek 0", "play notify"}));
  for (tk::Image* button : {form->imgStart, form->imgScore}) {
    Ticks(form, 20);
    TypeAnswer(form);
    Ticks(form, 33);
    ASSERT_GT(LitPixels(Surface(form), Field(form)), 100);
    ASSERT_NE(rain::Score, 0);
    effects->log.clear();
    music->log.clear();
    Click(button);
    EXPECT_EQ(effects->log, (std::vector<std::string>{"open KLICK3.WAV", "play"}));
    EXPECT_EQ(music->log, (std::vector<std::string>{"open DROPPAR.MID", "seek 0", "play notify"}));
    EXPECT_TRUE(MusicLoop);
    EXPECT_EQ(rain::Score, 0);
    ExpectScoreBox(form, "0");
    EXPECT_EQ(rain::CurrentItem, 1);
    for (int i = 1; i <= rain::ItemCount; ++i) EXPECT_EQ(Item(i).Steps, 0);
    EXPECT_EQ(LitPixels(Surface(form), Field(form)), 0) << "the field is black again";
    EXPECT_EQ(LitPixels(form->imgRegn->Canvas().Image(), form->imgRegn->Canvas().Image().rect()), 0);
    EXPECT_TRUE(form->Timer1->Enabled());
    form->Timer1Timer();
    EXPECT_EQ(Item(1).Steps, 1) << "the new game's first item falls at the next tick";
  }
  // After a finished game too, with the timer running again.
  while (rain::CurrentItem <= rain::ItemCount) TypeAnswer(form);
  EXPECT_FALSE(form->Timer1->Enabled());
  Click(form->imgStart);
  EXPECT_TRUE(form->Timer1->Enabled());
  EXPECT_EQ(rain::CurrentItem, 1);
}

TEST_F(Rain, LetterRainMayRepeatAndAbcRainShowsEachLetterInItsColumn) {
  TfrmOvRegn* form = Launch(9);
  const std::string alphabet = LangStrings[33];
  std::set<char> seen;
  bool repeated = false;
  for (int game = 0; game < 60; ++game) {
    form->NewGame();
    std::set<char> inGame;
    for (int i = 1; i <= 10; ++i) {
      ASSERT_EQ(Item(i).Text.size(), 1u);
      EXPECT_NE(alphabet.find(Item(i).Text[0]), std::string::npos);
      EXPECT_EQ(Item(i).Answer, Item(i).Text);
      repeated = repeated || !inGame.insert(Item(i).Text[0]).second;
      seen.insert(Item(i).Text[0]);
    }
  }
  EXPECT_TRUE(repeated) << "letters may repeat within a game";
  EXPECT_EQ(seen.size(), alphabet.size()) << "every letter falls, the first and the last too";
  Close(form);

  form = Launch(11);
  for (int i = 1; i <= rain::ItemCount; ++i) {
    EXPECT_EQ(Item(i).Text, alphabet.substr(At(i - 1), 1));
    // Each letter goes into its own column of the strip: the columns to its
    // right are still empty.
    form->FallStep();
    const QImage& strip = form->imgRegn->Canvas().Image();
    const int cw = rain::ColumnWidth;
    EXPECT_GT(LitPixels(strip, QRect((i - 1) * cw, 0, cw, rain::ItemHeight)), 10) << "letter " << i;
    EXPECT_EQ(LitPixels(strip, QRect(i * cw + cw / 2, 0, strip.width(), strip.height())), 0) << "letter " << i;
    TypeAnswer(form);
  }
  EXPECT_EQ(rain::Score, 29 * 33);
  // Sum rain's sums: 1..5 plus 1..4, every one of them in time.
  Close(form);
  form = Launch(10);
  std::set<std::string> sums;
  for (int game = 0; game < 40; ++game) {
    form->NewGame();
    for (int i = 1; i <= 7; ++i) {
      const std::string& t = Item(i).Text;
      ASSERT_EQ(t.size(), 3u);
      ASSERT_EQ(t[1], '+');
      EXPECT_GE(t[0], '1');
      EXPECT_LE(t[0], '5');
      EXPECT_GE(t[2], '1');
      EXPECT_LE(t[2], '4');
      EXPECT_EQ(Item(i).Answer, std::to_string(t[0] - '0' + t[2] - '0'));
      sums.insert(t);
    }
  }
  EXPECT_EQ(sums.size(), 20u);
}

TEST_F(Rain, LowerCaseLettersCatchInTheLanguagesCodePage) {
  // Swedish: every letter typed in lower case on the keyboard, "å" too.
  TfrmOvRegn* form = Launch(11);
  for (int i = 1; i <= rain::ItemCount; ++i) Type(tk::ToQString(Item(i).Answer).toLower());
  EXPECT_EQ(rain::CurrentItem, rain::ItemCount + 1);
  EXPECT_EQ(rain::Score, 29 * 34);
  Close(form);

  // Polish, after a change of language: "ł" catches "Ł".
  Language = 16;
  LoadPictureCatalogue();
  LoadLanguageStrings();
  form = Launch(11);
  EXPECT_EQ(ExerciseFont, "Arial");
  EXPECT_EQ(tk::CurrentCodePage(), tk::CodePage::Windows1250);
  const QString alphabet = tk::ToQString(LangStrings[33]);
  ASSERT_TRUE(alphabet.contains(u'Ł'));
  EXPECT_EQ(rain::ItemCount, 32);
  for (int i = 1; i <= rain::ItemCount; ++i) Type(alphabet.mid(i - 1, 1).toLower());
  EXPECT_EQ(rain::Score, 32 * 31) << "no key missed";
  // ABC rain's letters are smaller in Polish.
  form->NewGame();
  form->FallStep();
  const int polishHeight = rain::ItemHeight;
  Close(form);
  Language = 1;
  LoadLanguageStrings();
  form = Launch(11);
  form->FallStep();
  EXPECT_LT(polishHeight, rain::ItemHeight);
}

TEST_F(Rain, HelpExitAndTheFieldUnderTheHelp) {
  TfrmOvRegn* form = Launch(9);
  form->Timer1->SetEnabled(false);  // the test steps the game itself
  Ticks(form, 25);
  TypeAnswer(form);
  Ticks(form, 10);
  QWidget* window = tk::Application::Instance().Window();
  const QImage before = window->grab(Field(form)).toImage();
  ASSERT_GT(LitPixels(before, before.rect()), 100);

  // Help opens over the form and closes again; the field is as it was.
  effects->log.clear();
  Click(form->imgHelp);
  EXPECT_EQ(effects->log, (std::vector<std::string>{"open KLICK3.WAV", "play"}));
  ASSERT_TRUE(tk::HelpIsOpen());
  tk::Application::ProcessMessages();
  EXPECT_FALSE(window->grab(Field(form)).toImage() == before) << "the help covers the field";
  tk::CloseHelp();
  tk::Application::ProcessMessages();
  EXPECT_TRUE(window->grab(Field(form)).toImage() == before);

  // A click beside the controls opens the same help, without a sound.
  int context = 0;
  tk::Application::Instance().HelpViewer = [&](int c) { context = c; };
  effects->log.clear();
  const int x = form->imgStart->Left() + 10, y = form->imgStart->Top() + form->imgStart->Height() + 20;
  form->DeliverMouseDown(tk::MouseButton::Left, 0, x, y);
  form->DeliverMouseUp(tk::MouseButton::Left, 0, x, y);
  EXPECT_EQ(context, 101);
  EXPECT_TRUE(effects->log.empty());

  // Exit in the middle of a game: no step after the release; the state
  // stays for the next launch.
  form->Timer1->SetEnabled(true);
  const int item = rain::CurrentItem, steps = Item(item).Steps;
  Click(form->imgExit);
  EXPECT_EQ(effects->log, (std::vector<std::string>{"play"})) << "the click, still open from Help";
  EXPECT_TRUE(effects->fileName.ends_with("/KLICK3.WAV"));
  Spin(400);
  EXPECT_EQ(frmOvRegn, nullptr) << "the form is gone";
  EXPECT_EQ(rain::CurrentItem, item);
  EXPECT_EQ(Item(item).Steps, steps);
  EXPECT_EQ(tk::Application::Instance().ActiveForm(), frmHuvudmeny);
  EXPECT_EQ(music->log.back(), "play notify") << "the menu's music plays again";
}

TEST_F(Rain, AnEmptyAlphabetGivesNoItemsAndALongOneItsFirstForty) {
  // The forms are created as the menu creates them, the alphabet changed
  // before they start.
  const std::string swedish = LangStrings[33];
  for (int exercise : {9, 11}) {
    auto* form = tk::CreateForm<TfrmOvRegn>(frmHuvudmeny);
    EXPECT_FALSE(form->Timer1->Enabled()) << "the timer waits for the game";
    LangStrings[33].clear();
    music->log.clear();
    form->Start(exercise);
    EXPECT_EQ(rain::ItemCount, 0);
    EXPECT_GT(rain::CurrentItem, rain::ItemCount);
    EXPECT_FALSE(form->Timer1->Enabled());
    ExpectScoreBox(form, "0");
    EXPECT_EQ(music->log.back(), "stop") << "a game without items is over at once";
    effects->log.clear();
    form->DeliverKey('A');
    form->DeliverKey('1');
    form->FallStep();
    EXPECT_EQ(rain::Score, 0);
    EXPECT_TRUE(effects->log.empty());
    EXPECT_EQ(LitPixels(Surface(form), Field(form)), 0);
    Close(form);
  }
  // Sum rain needs no letters.
  auto* form = tk::CreateForm<TfrmOvRegn>(frmHuvudmeny);
  LangStrings[33].clear();
  form->Start(10);
  EXPECT_EQ(rain::ItemCount, 7);
  Close(form);

  // 45 letters: the first 40 rain, in columns a fortieth of the field wide.
  std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  for (int c = 0xC0; c <= 0xD2; ++c) letters.push_back(static_cast<char>(c));  // À to Ò
  ASSERT_EQ(letters.size(), 45u);
  form = tk::CreateForm<TfrmOvRegn>(frmHuvudmeny);
  LangStrings[33] = letters;
  form->Start(11);
  EXPECT_EQ(rain::ItemCount, 40);
  EXPECT_EQ(rain::ColumnWidth, 789 / 40);
  EXPECT_EQ(Item(40).Text, "\xCD");
  for (int i = 1; i <= 40; ++i) {
    form->FallStep();
    form->DeliverKey(Item(i).Answer[0]);
  }
  EXPECT_FALSE(form->Timer1->Enabled());
  EXPECT_EQ(rain::CurrentItem, 41);
  Close(form);
  form = tk::CreateForm<TfrmOvRegn>(frmHuvudmeny);
  LangStrings[33] = letters;
  form->Start(9);
  for (int game = 0; game < 50; ++game) {
    form->NewGame();
    for (int i = 1; i <= 10; ++i) EXPECT_EQ(letters.substr(40).find(Item(i).Text), std::string::npos);
  }
  LangStrings[33] = swedish;
}
