// The record of games as the games make it, and the progress page that shows
// it: a game of each family, driven through its form, records exactly its
// result; the page goes back with Escape and Close and clears the record
// only when the grown-up says yes.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <functional>
#include <string>
#include <vector>

#include "app/main_menu.h"
#include "app/progress_page.h"
#include "content/content_tables.h"
#include "content/game_record.h"
#include "content/settings.h"
#include "exercises/common/games.h"
#include "exercises/common/message_form.h"
#include "exercises/hangman/hangman_form.h"
#include "exercises/memory/memory_form.h"
#include "exercises/multiple_choice/mc_form.h"
#include "exercises/rain/rain_form.h"
#include "support/message_answer.h"
#include "support/program_fixture.h"
#include "toolkit/application.h"

using namespace tamiro;
using testing_support::Click;
using testing_support::MessageAnswer;

namespace {

std::size_t At(int i) { return static_cast<std::size_t>(i); }

// Every game in a record file, as its columns hold it, in the order written.
std::vector<GameResult> RecordedGames(const std::string& path) {
  std::vector<GameResult> games;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return games;
  }
  sqlite3_stmt* s = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT exercise, started, day, seconds, outcome, questions, first_try, wrong_clicks, level,"
                     " score, caught, missed, wrong_letters, cards, turns, pairs FROM game ORDER BY id",
                     -1, &s, nullptr);
  const auto optional = [&s](int column) {
    return sqlite3_column_type(s, column) == SQLITE_NULL ? std::nullopt
                                                         : std::optional<int>(sqlite3_column_int(s, column));
  };
  while (s && sqlite3_step(s) == SQLITE_ROW) {
    GameResult g;
    g.exercise = sqlite3_column_int(s, 0);
    g.started = sqlite3_column_int64(s, 1);
    g.day = sqlite3_column_int(s, 2);
    g.seconds = sqlite3_column_int(s, 3);
    if (const auto o = optional(4)) g.outcome = static_cast<GameOutcome>(*o);
    g.questions = optional(5);
    g.firstTry = optional(6);
    g.wrongClicks = optional(7);
    if (const auto l = optional(8)) g.level = static_cast<GameLevel>(*l);
    g.score = optional(9);
    g.caught = optional(10);
    g.missed = optional(11);
    g.wrongLetters = optional(12);
    g.cards = optional(13);
    g.turns = optional(14);
    g.pairs = optional(15);
    games.push_back(g);
  }
  sqlite3_finalize(s);
  sqlite3_close(db);
  return games;
}

std::string Describe(const GameResult& g) {
  const auto o = [](const std::optional<int>& v) { return v ? std::to_string(*v) : std::string("-"); };
  return "exercise " + std::to_string(g.exercise) + " started " + std::to_string(g.started) + " day " +
         std::to_string(g.day) + " seconds " + std::to_string(g.seconds) + " outcome " +
         o(g.outcome ? std::optional<int>(static_cast<int>(*g.outcome)) : std::nullopt) + " questions " +
         o(g.questions) + "/" + o(g.firstTry) + "/" + o(g.wrongClicks) + " level " +
         o(g.level ? std::optional<int>(static_cast<int>(*g.level)) : std::nullopt) + " rain " + o(g.score) + "/" +
         o(g.caught) + "/" + o(g.missed) + " letters " + o(g.wrongLetters) + " memory " + o(g.cards) + "/" +
         o(g.turns) + "/" + o(g.pairs);
}

// The program on its own assets (Swedish) with the record in a folder of the
// test's own, on a record clock that moves only when the test says.
class ProgressPage : public testing_support::ProgramFixture {
 protected:
  void SetUp() override {
    tk::SetTestClockForTimers(true);
    tk::SetClockOverride([this] { return clock += 7919; });
    SetRecordFileOverride(path);
    SetRecordClockOverride([this] { return now; });
    StartProgram();
  }
  void TearDown() override {
    ProgramFixture::TearDown();
    FlushRecord();
    SetRecordFileOverride(std::nullopt);
    SetRecordClockOverride(nullptr);
    SetRecording(true);
    tk::SetTestClockForTimers(false);
  }
  std::vector<GameResult> Recorded() {
    FlushRecord();
    return RecordedGames(path);
  }

  QTemporaryDir folder;
  const std::string path = folder.filePath("data/tamiro/progress.sqlite").toStdString();
  // Wednesday 18 March 2026, half past four in the afternoon, local time.
  std::int64_t now = QDateTime(QDate(2026, 3, 18), QTime(16, 30)).toMSecsSinceEpoch();
  std::int64_t clock = 0;
};

struct FamilyCase {
  const char* name;
  int exercise;
  // Plays through the form (already launched), calling `later` once the
  // game has begun, and gives what the record must hold of the game: the
  // family's fields only.
  std::function<GameResult(const std::function<void()>& later)> play;
};

int OtherSlot() { return mc::RightSlot % 4 + 1; }

void Answer(int slot) { Click(mc::AnswerImages[At(slot)]); }

GameResult PlayChoice(const std::function<void()>& later) {
  // The first question at the easy level: a wrong answer first. Hard from
  // the next on: two of the three questions, so the game was a hard one.
  TfrmOvMC* form = frmOvMC;
  later();
  Click(form->imgHard);
  Answer(OtherSlot());
  Answer(mc::RightSlot);
  Answer(mc::RightSlot);  // a second click on the right answer counts nothing
  for (int q = 0; q < 2; ++q) {
    form->tmrNewTimer();
    Answer(mc::RightSlot);
  }
  form->tmrNewTimer();  // a question shown but not answered is not one
  Click(form->imgExit);
  GameResult g;
  g.questions = 3;
  g.firstTry = 2;
  g.wrongClicks = 1;
  g.level = GameLevel::Hard;
  return g;
}

GameResult PlayRain(const std::function<void()>& later) {
  // The first sum lands, the others are caught: the game ends itself.
  TfrmOvRegn* form = frmOvRegn;
  later();
  for (int t = 0; t < rain::kFallSteps; ++t) form->Timer1Timer();
  EXPECT_EQ(rain::CurrentItem, 2);
  while (rain::CurrentItem <= rain::ItemCount) {
    form->Timer1Timer();
    form->DeliverKey(rain::Items[At(rain::CurrentItem)].Answer[0]);
  }
  EXPECT_GT(rain::Score, 0);
  GameResult g;
  g.score = rain::Score;
  g.caught = rain::ItemCount - 1;
  g.missed = 1;
  Click(form->imgExit);  // after its end: recorded once
  return g;
}

GameResult PlayHangman(const std::function<void()>& later) {
  TfrmOvHangman* form = frmOvHangman;
  HangmanWords[1].Word = "katt";
  HangmanWordCount = 1;
  form->NewGame();
  later();
  // Three wrong letters, the word, and a letter after the end.
  for (char c : std::string("bkoeatu")) form->DeliverKey(c);
  Click(form->imgExit);
  GameResult g;
  g.outcome = GameOutcome::Won;
  g.wrongLetters = 3;
  return g;
}

GameResult PlayMemory(const std::function<void()>& later) {
  // Sixteen cards: a miss, then a pair; left with Exit.
  TfrmOvMemory* form = frmOvMemory;
  Click(form->imgCards3);
  Click(form->imgStart);
  later();
  const auto cell = [](int i) {
    return QPoint(i % memory::Columns * (memory::CardWidth + 6) + memory::CardWidth / 2,
                  i / memory::Columns * (memory::CardHeight + 6) + memory::CardHeight / 2);
  };
  const auto turn = [&](int i) {
    const QPoint p = cell(i) + QPoint(form->Image1->Left(), form->Image1->Top());
    form->DeliverMouseDown(tk::MouseButton::Left, 0, p.x(), p.y());
    form->DeliverMouseUp(tk::MouseButton::Left, 0, p.x(), p.y());
  };
  const auto picture = [](int i) { return memory::Cards[At(i)].PictureId; };
  int partner = 1, stranger = 1;
  while (picture(partner) != picture(0)) ++partner;
  while (picture(stranger) == picture(0)) ++stranger;
  turn(0);
  turn(stranger);
  turn(partner);  // a face-down card: the two turn back, this one up
  turn(0);
  EXPECT_EQ(memory::MatchedCards, 2);
  Click(form->imgExit);
  GameResult g;
  g.outcome = GameOutcome::Left;
  g.cards = 16;
  g.turns = 2;
  g.pairs = 1;
  return g;
}

}  // namespace

TEST_F(ProgressPage, AGameOfEachFamilyRecordsExactlyItsResult) {
  const FamilyCase cases[] = {
      {"addition", 2, PlayChoice},
      {"sum rain", 10, PlayRain},
      {"hangman", 0, PlayHangman},
      {"picture memory", 7, PlayMemory},
  };
  std::size_t recorded = 0;
  for (const FamilyCase& c : cases) {
    SCOPED_TRACE(c.name);
    // Opened and left at once: nothing was played, nothing is kept.
    ASSERT_TRUE(LaunchGame(frmHuvudmeny, c.exercise));
    tk::Application::Instance().ActiveForm()->Release();
    tk::Application::ProcessMessages();
    ASSERT_EQ(tk::Application::Instance().ActiveForm(), frmHuvudmeny);
    ASSERT_EQ(Recorded().size(), recorded);

    ASSERT_TRUE(LaunchGame(frmHuvudmeny, c.exercise));
    const std::int64_t started = now;
    // A minute and a half, and a little more.
    GameResult expected = c.play([this] { now += 95400; });
    tk::Application::ProcessMessages();
    expected.exercise = c.exercise;
    expected.started = started / 1000;
    expected.day = DayNumber(2026, 3, 18);
    expected.seconds = 95;
    const std::vector<GameResult> games = Recorded();
    ASSERT_EQ(games.size(), recorded + 1);
    EXPECT_EQ(games.back(), expected) << Describe(games.back()) << "\nwanted\n" << Describe(expected);
    recorded = games.size();
    now += 60000;
  }
  // The page sees them: one entry for each game played, in its family.
  const std::optional<tamiro::Progress> progress = ReadProgress();
  ASSERT_TRUE(progress);
  ASSERT_EQ(progress->size(), 4u);
  EXPECT_EQ(progress->at(2).kind, GameKind::Choice);
  EXPECT_EQ(progress->at(10).kind, GameKind::Rain);
  EXPECT_EQ(progress->at(0).kind, GameKind::Hangman);
  EXPECT_EQ(progress->at(7).kind, GameKind::Memory);
  EXPECT_EQ(progress->at(2).days.back().measured, 2);
  EXPECT_EQ(progress->at(2).days.back().of, 3);
  EXPECT_EQ(progress->at(2).weekSeconds, 95);

  // With recording off, games are played as ever and kept nowhere.
  SetRecording(false);
  ASSERT_TRUE(LaunchGame(frmHuvudmeny, 0));
  PlayHangman([] {});
  EXPECT_EQ(Recorded().size(), recorded);
}

TEST_F(ProgressPage, ThePageGoesBackWithEscapeOrCloseAndClearsOnlyWhenAsked) {
  ASSERT_TRUE(LaunchGame(frmHuvudmeny, 0));
  PlayHangman([] {});
  std::size_t hangman = 0;
  while (Games()[hangman].exercise != 0) ++hangman;
  auto* page = tk::CreateForm<TfrmProgress>(frmHuvudmeny);
  page->Show();
  EXPECT_EQ(tk::Application::Instance().ActiveForm(), page);
  page->DeliverKey(27);
  EXPECT_FALSE(page->Visible()) << "Escape goes back";
  page->Show();
  Click(page->imgClose);
  EXPECT_FALSE(page->Visible()) << "Close goes back";

  // A school that has locked the settings keeps the record as it is.
  Locked = true;
  page->Show();
  EXPECT_FALSE(page->imgClear->Visible());
  page->DeliverKey(27);
  Locked = false;

  // Clear asks first; No keeps the record, Yes clears it and the page shows
  // it cleared.
  page->Show();
  ASSERT_TRUE(page->imgClear->Visible());
  const QImage played = page->imgGames[hangman]->Canvas().Image().copy();
  {
    MessageAnswer no([] { Click(frmMessage->imgKnapp2); });
    Click(page->imgClear);
    EXPECT_TRUE(no.Asked());
  }
  EXPECT_EQ(Recorded().size(), 1u);
  EXPECT_EQ(page->imgGames[hangman]->Canvas().Image(), played);
  {
    MessageAnswer yes([] { Click(frmMessage->imgKnapp1); });
    Click(page->imgClear);
    EXPECT_TRUE(yes.Asked());
  }
  EXPECT_TRUE(Recorded().empty());
  ASSERT_TRUE(ReadProgress());
  EXPECT_TRUE(ReadProgress()->empty());
  EXPECT_NE(page->imgGames[hangman]->Canvas().Image(), played) << "the page was drawn again";
  EXPECT_TRUE(page->Visible());
}
