#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <set>

#include "content/settings.h"
#include "content/content_tables.h"
#include "content/helpers.h"
#include "exercises/rain/rain_form.h"
#include "support/program_fixture.h"
#include "toolkit/help_viewer.h"
#include "exercises/common/games.h"
#include "content/fonts.h"

using namespace tamiro;
using Log = std::vector<std::string>;

namespace {

rain::TRainItem& Item(int i) { return rain::Items[static_cast<std::size_t>(i)]; }

// The smallest rectangle holding every pixel of the area that is not of the
// colour (by default: everything drawn on black).
QRect Ink(const QImage& image, const QRect& area, QRgb colour = qRgb(0, 0, 0)) {
  QRect found;
  const QRect r = area.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) != (colour & 0xFFFFFF)) found |= QRect(x, y, 1, 1);
  return found;
}

// The rain form at 1024 x 768, launched from the menu with recording players,
// a clock that moves on at every reading, and timers that tick only when the
// test moves their clock on.
class Rain : public testing_support::ProgramFixture {
 protected:
  void SetUp() override {
    tk::SetTestClockForTimers(true);
    tk::SetClockOverride([this] { return clock += 7919; });
    StartProgram();
  }
  void TearDown() override {
    ProgramFixture::TearDown();
    tk::SetTestClockForTimers(false);
  }
  TfrmOvRegn* Launch(int exercise) {
    music->log.clear();
    LaunchGame(frmHuvudmeny, exercise);
    launchMusic = music->log;
    effects->log.clear();
    music->log.clear();
    return frmOvRegn;
  }
  static void Close(tk::Form* form) {
    form->Release();
    tk::Application::ProcessMessages();
  }
  static void Ticks(TfrmOvRegn* form, int n) {
    for (int t = 0; t < n; ++t) form->Timer1Timer();
  }
  static void Click(tk::Control* control) {
    const QPoint c = control->BoundsRect().center();
    control->OwnerForm()->DeliverMouseDown(tk::MouseButton::Left, 0, c.x(), c.y());
    control->OwnerForm()->DeliverMouseUp(tk::MouseButton::Left, 0, c.x(), c.y());
  }
  // A key typed on the keyboard, which the window hands to the active form.
  static void Type(const QString& text, Qt::Key key = Qt::Key_unknown) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(tk::Application::Instance().Window(), &event);
  }
  static void TypeAnswer(TfrmOvRegn* form) { form->DeliverKey(Item(rain::CurrentItem).Answer[0]); }
  static QRect Field(TfrmOvRegn* form) { return form->shpRam->BoundsRect(); }
  static QRect FieldInk(TfrmOvRegn* form) { return Ink(form->Canvas().Image(), Field(form)); }
  static void ExpectScoreBox(TfrmOvRegn* form, const std::string& text) {
    tk::Image* box = form->imgScore;
    tk::Image expected(form, "expected", 0, 0, box->Width(), box->Height());
    expected.SetVisible(false);
    expected.Canvas().Clear(0x000000);
    DrawTextCentred(box->Width() / 2, box->Height() / 2, expected, text, 0xFFFFFF, ExerciseFont, LargeFontSize / 2);
    EXPECT_TRUE(box->Canvas().Image() == expected.Canvas().Image()) << "the score box does not show " << text;
  }
  // The rectangle a step copies onto the field, found by painting the field
  // in a colour the game never uses first.
  static QRect CopiedByStep(TfrmOvRegn* form) {
    form->Canvas().Brush = {0x07FA03, false};
    const QRect f = Field(form);
    form->Canvas().FillRect(f.left(), f.top(), f.right() + 1, f.bottom() + 1);
    form->FallStep();
    return Ink(form->Canvas().Image(), f, qRgb(3, 250, 7));
  }

  std::int64_t clock = 0;
  Log launchMusic;
};

}  // namespace

TEST_F(Rain, FieldColumnsAndStepsAt1024x768) {
  TfrmOvRegn* form = Launch(9);
  EXPECT_EQ(Field(form), QRect(13, 0, 789, 744));
  EXPECT_EQ(form->Timer1->Interval(), 80);
  EXPECT_EQ(rain::ColumnWidth, 78);
  // Item 3 moves 12.4 pixels a step in its own column, less a pixel on each
  // side, and lands with its bottom on the field's bottom edge.
  TypeAnswer(form);
  TypeAnswer(form);
  const int left = 13 + 2 * 78 + 1, width = 76;
  EXPECT_EQ(CopiedByStep(form), QRect(left, 0, width, 12)) << "step 1: most of the strip is above the field";
  const int h = rain::ItemHeight;
  Ticks(form, 28);
  EXPECT_EQ(CopiedByStep(form), QRect(left, 372 - h, width, h)) << "step 30";
  Item(3).Steps = 59;
  EXPECT_EQ(CopiedByStep(form), QRect(left, 744 - h, width, h)) << "step 60";
  EXPECT_EQ(rain::CurrentItem, 4);
  // On the strip the text lies in the lower two thirds of its column.
  const QRect text = Ink(form->imgRegn->Canvas().Image(), QRect(2 * 78 + 1, 0, width, h));
  EXPECT_GE(text.top(), h / 3);
  EXPECT_GT(text.height(), h / 3);
  Close(form);

  form = Launch(10);
  EXPECT_EQ(rain::ColumnWidth, 112);
  Close(form);
  form = Launch(11);
  ASSERT_EQ(rain::ItemCount, 29) << "the Swedish alphabet";
  EXPECT_EQ(rain::ColumnWidth, 27);
  EXPECT_EQ(CopiedByStep(form), QRect(14, 0, 25, 12));
}

TEST_F(Rain, TheSoonerTheCatchTheMorePoints) {
  struct Game {
    int exercise;
    int ticks[3];   // steps taken when the key is typed
    int points[3];  // what each catch earns
  };
  // Sum rain takes one more step before it counts the catch.
  const Game games[] = {{9, {1, 30, 59}, {98, 50, 1}},
                        {10, {1, 30, 59}, {138, 69, 0}},
                        {10, {0, 29, 58}, {140, 71, 2}},
                        {11, {1, 30, 59}, {33, 17, 0}}};
  for (const Game& g : games) {
    TfrmOvRegn* form = Launch(g.exercise);
    int total = 0;
    for (int c = 0; c < 3; ++c) {
      Ticks(form, g.ticks[c]);
      TypeAnswer(form);
      total += g.points[c];
      EXPECT_EQ(rain::Score, total) << "game " << g.exercise << ", key after " << g.ticks[c] << " steps";
      EXPECT_EQ(rain::CurrentItem, c + 2);
    }
    ExpectScoreBox(form, std::to_string(total));
    Close(form);
  }
  // Caught before its first tick: the full share, never shown; sum rain
  // shows the result, not the sum, for its one step.
  TfrmOvRegn* form = Launch(9);
  TypeAnswer(form);
  EXPECT_EQ(rain::Score, 100);
  EXPECT_TRUE(FieldInk(form).isNull());
  Close(form);
  form = Launch(10);
  const std::string result = Item(1).Answer;
  TypeAnswer(form);
  EXPECT_EQ(Item(1).Text, result);
  tk::Canvas& strip = form->imgRegn->Canvas();
  strip.Font = {ExerciseFont, static_cast<int>(LargeFontSize / 1.5), 0};
  const QRect ink = Ink(strip.Image(), QRect(0, 0, rain::ColumnWidth, rain::ItemHeight));
  EXPECT_GT(ink.width(), 0);
  EXPECT_LE(ink.width(), strip.TextWidth(result));
  EXPECT_LT(strip.TextWidth(result), strip.TextWidth("1+1"));
}

TEST_F(Rain, EveryOtherKeyCostsTenPointsBelowZeroToo) {
  TfrmOvRegn* form = Launch(9);
  form->DeliverKey(Item(1).Answer == "B" ? 'C' : 'B');
  ExpectScoreBox(form, "-10");
  // Digits, space, Enter, Escape and Backspace, as the keyboard types them.
  Type("7");
  Type(" ", Qt::Key_Space);
  Type("\r", Qt::Key_Return);
  Type("\x1b", Qt::Key_Escape);
  Type("\b", Qt::Key_Backspace);
  EXPECT_EQ(rain::Score, -60);
  ExpectScoreBox(form, "-60");
  EXPECT_TRUE(effects->log.empty());
  TypeAnswer(form);
  EXPECT_EQ(rain::Score, 40);
  Close(form);
  // In sum rain, every digit but the result.
  form = Launch(10);
  for (char d = '0'; d <= '9'; ++d)
    if (std::string(1, d) != Item(1).Answer) form->DeliverKey(d);
  EXPECT_EQ(rain::Score, -90);
  EXPECT_EQ(rain::CurrentItem, 1);
}

TEST_F(Rain, LandingsTheEndAndKeysAfterIt) {
  const Log landing = {"open Dropp3.WAV", "play", "open DRIPDROP.WAV", "play"};
  TfrmOvRegn* form = Launch(10);
  tk::AdvanceTimers(59 * 80);
  EXPECT_EQ(Item(1).Steps, 59);
  EXPECT_TRUE(effects->log.empty());
  tk::AdvanceTimers(80);
  EXPECT_EQ(effects->log, landing);
  EXPECT_EQ(rain::Score, 0);
  // The result typed after 59 steps lands the item; the next one starts at
  // the next tick.
  effects->log.clear();
  Ticks(form, 59);
  TypeAnswer(form);
  EXPECT_EQ(effects->log, landing);
  EXPECT_EQ(rain::Score, 0);
  EXPECT_EQ(rain::CurrentItem, 3);
  form->Timer1Timer();
  EXPECT_EQ(Item(3).Steps, 1);
  // The last catch ends the game and the music.
  while (rain::CurrentItem <= rain::ItemCount) TypeAnswer(form);
  EXPECT_FALSE(form->Timer1->Enabled());
  EXPECT_EQ(music->log, Log{"stop"});
  EXPECT_EQ(rain::Score, 138 + 4 * 140);
  // After it, keys and a stray step change nothing.
  const QImage field = form->Canvas().Image().copy(Field(form));
  effects->log.clear();
  for (char c : std::string("7x\r\x1b\b 9")) form->DeliverKey(c);
  form->FallStep();
  EXPECT_EQ(rain::Score, 138 + 4 * 140);
  EXPECT_EQ(rain::CurrentItem, 8);
  EXPECT_TRUE(effects->log.empty());
  EXPECT_TRUE(form->Canvas().Image().copy(Field(form)) == field);
}

TEST_F(Rain, StartAndTheScoreBoxBeginAFreshGameAtAnyMoment) {
  TfrmOvRegn* form = Launch(9);
  const Log rainMusic = {"open DROPPAR.MID", "seek 0", "play notify"};
  EXPECT_EQ(launchMusic, rainMusic);
  for (tk::Image* button : {form->imgStart, form->imgScore}) {
    Ticks(form, 20);
    TypeAnswer(form);
    Ticks(form, 33);
    ASSERT_FALSE(FieldInk(form).isNull());
    effects->log.clear();
    music->log.clear();
    Click(button);
    EXPECT_EQ(effects->log, (Log{"open KLICK3.WAV", "play"}));
    EXPECT_EQ(music->log, rainMusic);
    ExpectScoreBox(form, "0");
    EXPECT_EQ(rain::CurrentItem, 1);
    EXPECT_EQ(Item(2).Steps, 0);
    EXPECT_TRUE(FieldInk(form).isNull()) << "the field is black again";
    EXPECT_TRUE(Ink(form->imgRegn->Canvas().Image(), QRect(0, 0, 9999, 9999)).isNull());
    EXPECT_TRUE(form->Timer1->Enabled());
  }
  // A finished game too.
  while (rain::CurrentItem <= rain::ItemCount) TypeAnswer(form);
  Click(form->imgStart);
  EXPECT_TRUE(form->Timer1->Enabled());
  EXPECT_EQ(rain::CurrentItem, 1);
}

TEST_F(Rain, WhatFallsInEachGame) {
  TfrmOvRegn* form = Launch(9);
  const std::string alphabet = LangStrings[33];
  std::set<std::string> seen;
  bool repeated = false;
  for (int game = 0; game < 60; ++game) {
    form->NewGame();
    std::set<std::string> inGame;
    for (int i = 1; i <= 10; ++i) {
      ASSERT_EQ(Item(i).Text.size(), 1u);
      EXPECT_NE(alphabet.find(Item(i).Text), std::string::npos);
      EXPECT_EQ(Item(i).Answer, Item(i).Text);
      repeated = !inGame.insert(Item(i).Text).second || repeated;
      seen.insert(Item(i).Text);
    }
  }
  EXPECT_TRUE(repeated) << "letters may repeat within a game";
  EXPECT_EQ(seen.size(), alphabet.size()) << "every letter falls, the first and the last too";
  Close(form);
  // ABC rain: letter i in column i of the strip, the columns right of it
  // still empty.
  form = Launch(11);
  for (int i = 1; i <= rain::ItemCount; ++i) {
    EXPECT_EQ(Item(i).Text, alphabet.substr(static_cast<std::size_t>(i - 1), 1));
    form->FallStep();
    const QRect ink = Ink(form->imgRegn->Canvas().Image(), QRect(0, 0, 9999, 9999));
    EXPECT_GT(ink.right(), (i - 1) * rain::ColumnWidth) << "letter " << i;
    EXPECT_LT(ink.right(), i * rain::ColumnWidth + rain::ColumnWidth / 2) << "letter " << i;
    TypeAnswer(form);
  }
  Close(form);
  // Sum rain: 1 to 5 plus 1 to 4, answered by the sum.
  form = Launch(10);
  std::set<std::string> sums;
  for (int game = 0; game < 40; ++game, form->NewGame())
    for (int i = 1; i <= 7; ++i) {
      const std::string& t = Item(i).Text;
      ASSERT_TRUE(t.size() == 3 && t[0] >= '1' && t[0] <= '5' && t[1] == '+' && t[2] >= '1' && t[2] <= '4') << t;
      EXPECT_EQ(Item(i).Answer, std::to_string(t[0] - '0' + t[2] - '0'));
      sums.insert(t);
    }
  EXPECT_EQ(sums.size(), 20u);
}

TEST_F(Rain, LowerCaseLettersCatchInTheLanguagesCodePage) {
  TfrmOvRegn* form = Launch(11);
  for (int i = 1; i <= rain::ItemCount; ++i) Type(tk::ToQString(Item(i).Answer).toLower());
  EXPECT_EQ(rain::Score, 29 * 34) << "every letter caught at once, Å by å too";
  Close(form);
  // Polish, after a change of language: Ł by ł, and smaller letters.
  form = Launch(11);
  form->FallStep();
  const int swedishHeight = rain::ItemHeight;
  Close(form);
  Language = 16;
  LoadPictureCatalogue();
  form = Launch(11);
  EXPECT_EQ(ExerciseFont, "Arial");
  const QString alphabet = tk::ToQString(LangStrings[33]);
  ASSERT_TRUE(alphabet.contains(u'Ł'));
  ASSERT_EQ(rain::ItemCount, 32);
  form->FallStep();
  EXPECT_LT(rain::ItemHeight, swedishHeight);
  for (int i = 1; i <= rain::ItemCount; ++i) Type(alphabet.mid(i - 1, 1).toLower());
  EXPECT_EQ(rain::Score, 30 + 31 * 31) << "no key missed";
}

TEST_F(Rain, HelpOverTheFieldAndExitInTheMiddleOfAGame) {
  TfrmOvRegn* form = Launch(9);
  Ticks(form, 25);
  TypeAnswer(form);
  Ticks(form, 10);
  QWidget* window = tk::Application::Instance().Window();
  const QImage before = window->grab(Field(form)).toImage();
  ASSERT_FALSE(Ink(before, before.rect()).isNull());
  effects->log.clear();
  Click(form->imgHelp);
  EXPECT_EQ(effects->log, (Log{"open KLICK3.WAV", "play"}));
  ASSERT_TRUE(tk::HelpIsOpen());
  tk::Application::ProcessMessages();
  EXPECT_FALSE(window->grab(Field(form)).toImage() == before) << "the help covers the field";
  tk::CloseHelp();
  tk::Application::ProcessMessages();
  EXPECT_TRUE(window->grab(Field(form)).toImage() == before) << "the field survives";
  // A click beside the controls opens the help without a sound.
  int context = 0;
  tk::Application::Instance().HelpViewer = [&](int c) { context = c; };
  effects->log.clear();
  const QPoint beside = form->imgStart->BoundsRect().bottomLeft() + QPoint(10, 20);
  form->DeliverMouseDown(tk::MouseButton::Left, 0, beside.x(), beside.y());
  form->DeliverMouseUp(tk::MouseButton::Left, 0, beside.x(), beside.y());
  EXPECT_EQ(context, 119) << "letter rain's own help";
  EXPECT_TRUE(effects->log.empty());

  // Exit in the middle of a game: no step after the release.
  const int item = rain::CurrentItem, steps = Item(item).Steps;
  tk::AdvanceTimers(80);
  EXPECT_EQ(Item(item).Steps, steps + 1);
  Click(form->imgExit);
  EXPECT_EQ(effects->log, Log{"play"}) << "KLICK3.WAV again";
  tk::AdvanceTimers(800);
  tk::Application::ProcessMessages();
  EXPECT_EQ(frmOvRegn, nullptr);
  EXPECT_EQ(Item(item).Steps, steps + 1);
  EXPECT_EQ(tk::Application::Instance().ActiveForm(), frmHuvudmeny);
}

TEST_F(Rain, AnEmptyAlphabetGivesNoItemsAndALongOneItsFirstForty) {
  // Forms made as the menu makes them, the alphabet changed before Start.
  auto start = [&](int exercise, const std::string& alphabet) {
    auto* form = tk::CreateForm<TfrmOvRegn>(frmHuvudmeny);
    EXPECT_FALSE(form->Timer1->Enabled());
    LangStrings[33] = alphabet;
    music->log.clear();
    form->Start(exercise);
    return form;
  };
  for (int exercise : {9, 11}) {
    TfrmOvRegn* form = start(exercise, "");
    EXPECT_EQ(rain::ItemCount, 0);
    EXPECT_FALSE(form->Timer1->Enabled());
    ExpectScoreBox(form, "0");
    EXPECT_EQ(music->log.back(), "stop") << "a game without items is over at once";
    effects->log.clear();
    form->DeliverKey('A');
    form->FallStep();
    EXPECT_EQ(rain::Score, 0);
    EXPECT_TRUE(effects->log.empty());
    EXPECT_TRUE(FieldInk(form).isNull());
    Close(form);
  }
  Close(start(10, ""));
  EXPECT_EQ(rain::ItemCount, 7) << "sum rain needs no letters";

  std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  for (int c = 0xC0; c <= 0xD2; ++c) letters.push_back(static_cast<char>(c));  // À to Ò: 45 letters
  TfrmOvRegn* form = start(11, letters);
  EXPECT_EQ(rain::ItemCount, 40);
  EXPECT_EQ(rain::ColumnWidth, 789 / 40);
  for (int i = 1; i <= 40; ++i) {
    EXPECT_EQ(Item(i).Text, letters.substr(static_cast<std::size_t>(i - 1), 1));
    form->FallStep();
    TypeAnswer(form);
  }
  EXPECT_FALSE(form->Timer1->Enabled());
  Close(form);
  form = start(9, letters);
  for (int game = 0; game < 50; ++game, form->NewGame())
    for (int i = 1; i <= 10; ++i) EXPECT_LT(letters.find(Item(i).Text), 40u) << Item(i).Text;
}

// ABC rain's columns are narrow: in every language a letter shows whole in
// its column, at the game's size where it fits there and shrunk just enough
// where it does not.
TEST_F(Rain, AbcRainLettersShowWholeInTheirColumnsInEveryLanguage) {
  int shrunk = 0;
  for (int language = 1; language <= kLanguageCount; ++language) {
    Language = language;
    TfrmOvRegn* form = Launch(11);
    const int cw = rain::ColumnWidth;
    const int size = ExerciseFont == "Arial" ? LargeFontSize * 2 / 5 : LargeFontSize / 2;
    auto& alone = *new tk::Image(form, "alone", 0, 0, 3 * cw, 200);
    alone.SetVisible(false);
    for (int i = 1; i <= rain::ItemCount; ++i) {
      const std::string letter = Item(i).Text;
      SCOPED_TRACE("language " + std::to_string(language) + ", letter " + std::to_string(i));
      form->imgRegn->Canvas().Clear(0x000000);
      form->FallStep();
      const QRect ink = Ink(form->imgRegn->Canvas().Image(), QRect(0, 0, 9999, 9999));
      EXPECT_TRUE(QRect((i - 1) * cw + 1, 0, cw - 2, rain::ItemHeight).contains(ink)) << ink.left() << ".." << ink.right();
      alone.Canvas().Clear(0x000000);
      DrawTextCentred(3 * cw / 2, 100, alone, letter, 0xFFFFFF, ExerciseFont, size);
      const QRect full = Ink(alone.Canvas().Image(), alone.Canvas().Image().rect());
      if (full.width() <= cw - 2) {
        EXPECT_EQ(ink.size(), full.size()) << "a letter that fits keeps the game's size";
      } else {
        EXPECT_GE(ink.width() * 10, (cw - 2) * 8) << "shrunk more than it needs";
        ++shrunk;
      }
      TypeAnswer(form);
    }
    Close(form);
  }
  EXPECT_GT(shrunk, 0);
  Language = 1;
}
