#include <gtest/gtest.h>

#include <QTimer>
#include <map>
#include <set>

#include "app/main_menu.h"
#include "content/settings.h"
#include "content/content_tables.h"
#include "content/helpers.h"
#include "exercises/common/message_form.h"
#include "exercises/memory/memory_form.h"
#include "support/message_answer.h"
#include "support/program_fixture.h"
#include "toolkit/application.h"
#include "toolkit/code_page.h"
#include "exercises/common/games.h"
#include "content/sound.h"
#include "content/fonts.h"

using namespace tamiro;
using testing_support::Click;
using testing_support::MessageAnswer;
namespace mem = tamiro::memory;

namespace {

std::size_t At(int i) { return static_cast<std::size_t>(i); }
TMemoryCard& CardAt(int i) { return mem::Cards[At(i)]; }

// The memory form on the program's own assets (Swedish), started from the
// menu with recording players and a clock that moves on at every reading.
class Memory : public testing_support::ProgramFixture {
 protected:
  void SetUp() override {
    tk::SetClockOverride([this] { return clock += 7919; });
    StartProgram();
    saved = Pictures;
  }
  void TearDown() override {
    Pictures = saved;
    ProgramFixture::TearDown();
  }
  TfrmOvMemory* Launch(int exercise) {
    LaunchGame(frmHuvudmeny, exercise);
    form = frmOvMemory;
    effects->log.clear();
    music->log.clear();
    return form;
  }
  // A press on the board at a point of the board, through the form.
  void PressBoard(int x, int y, tk::MouseButton button = tk::MouseButton::Left) {
    form->DeliverMouseDown(button, 0, form->Image1->Left() + x, form->Image1->Top() + y);
    form->DeliverMouseUp(button, 0, form->Image1->Left() + x, form->Image1->Top() + y);
  }
  static QRect Cell(int i) {
    return QRect(i % mem::Columns * (mem::CardWidth + 6), i / mem::Columns * (mem::CardHeight + 6), mem::CardWidth,
                 mem::CardHeight);
  }
  void Turn(int i) { PressBoard(Cell(i).center().x(), Cell(i).center().y()); }
  static int Partner(int i) {
    for (int j = 0; j < mem::CardCount; ++j)
      if (j != i && CardAt(j).PictureId == CardAt(i).PictureId) return j;
    return -1;
  }
  // A face-down card that is none of the listed ones and belongs with none.
  static int Stranger(std::initializer_list<int> taken) {
    for (int j = 0; j < mem::CardCount; ++j) {
      bool ok = !CardAt(j).FaceUp;
      for (int t : taken) ok = ok && j != t && CardAt(j).PictureId != CardAt(t).PictureId;
      if (ok) return j;
    }
    return -1;
  }
  QImage Board() const { return form->Image1->Canvas().Image().copy(); }
  // Every turn of the deal, the state and the sounds, as one text.
  static std::string State() {
    std::string s;
    for (int i = 0; i < mem::CardCount; ++i) s += CardAt(i).FaceUp ? (CardAt(i).Matched ? 'M' : 'U') : 'd';
    return s + " " + std::to_string(mem::FirstCard) + "/" + std::to_string(mem::SecondCard) + " turns " +
           std::to_string(mem::Turns) + " matched " + std::to_string(mem::MatchedCards);
  }
  std::vector<int> Deal() const {
    std::vector<int> ids;
    for (int i = 0; i < mem::CardCount; ++i) ids.push_back(CardAt(i).PictureId);
    return ids;
  }
  // Finds a pair: card a and its partner.
  void FindPair(int a) {
    Turn(a);
    Turn(Partner(a));
  }

  std::int64_t clock = 0;
  TfrmOvMemory* form = nullptr;
  decltype(Pictures) saved;
};

struct Size {
  int exercise, button, cards, rows, columns;
};
const Size kBoards[] = {{7, 1, 36, 6, 6}, {7, 2, 24, 5, 5}, {7, 3, 16, 4, 4},
                        {8, 1, 28, 7, 4}, {8, 2, 18, 6, 3}, {8, 3, 12, 4, 3}};

int WhitePixels(tk::Image* image) {
  const QImage& img = image->Canvas().Image();
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) n += qGray(img.pixel(x, y)) > 200;
  return n;
}

void ChooseSize(TfrmOvMemory* form, int button) {
  Click(button == 1 ? form->imgCards1 : button == 2 ? form->imgCards2 : form->imgCards3);
}

}  // namespace

TEST_F(Memory, TheMenuTilesOpenBothGamesOnTheirDefaultBoards) {
  const QPoint picture = frmHuvudmeny->shpOv[10]->BoundsRect().center();
  frmHuvudmeny->DeliverMouseDown(tk::MouseButton::Left, 0, picture.x(), picture.y());
  ASSERT_NE(frmOvMemory, nullptr);
  EXPECT_EQ(tk::Application::Instance().ActiveForm(), frmOvMemory);
  EXPECT_EQ(frmOvMemory->Owner(), frmHuvudmeny);
  EXPECT_EQ(mem::Exercise, 7);
  EXPECT_EQ(mem::CardCount, 24);
  EXPECT_EQ(frmOvMemory->Width(), 1024);
  Click(frmOvMemory->imgExit);
  tk::Application::ProcessMessages();
  EXPECT_EQ(frmOvMemory, nullptr);
  EXPECT_EQ(tk::Application::Instance().ActiveForm(), frmHuvudmeny);

  const QPoint words = frmHuvudmeny->shpOv[11]->BoundsRect().center();
  frmHuvudmeny->DeliverMouseDown(tk::MouseButton::Left, 0, words.x(), words.y());
  ASSERT_NE(frmOvMemory, nullptr);
  EXPECT_EQ(mem::Exercise, 8);
  EXPECT_EQ(mem::CardCount, 12);
  EXPECT_EQ(mem::Rows, 4);
  EXPECT_EQ(mem::Columns, 3);
}

TEST_F(Memory, TheBoardAt1024x768HasItsCardsWhereClicksFindThem) {
  Launch(7);
  EXPECT_EQ(form->Image1->BoundsRect(), QRect(13, 13, 782, 738));
  EXPECT_EQ(mem::CardWidth, 150);
  EXPECT_EQ(mem::CardHeight, 141);
  EXPECT_EQ(Cell(7), QRect(QPoint(312, 147), QPoint(461, 287)));
  // Card 7 face down: a grey outline, dark grey inside, black gaps around.
  const QImage board = Board();
  EXPECT_EQ(board.pixel(312, 147), qRgb(0x80, 0x80, 0x80));
  EXPECT_EQ(board.pixel(461, 287), qRgb(0x80, 0x80, 0x80));
  EXPECT_EQ(board.pixel(400, 200), qRgb(0x20, 0x20, 0x20));
  EXPECT_EQ(board.pixel(462, 288), qRgb(0, 0, 0));
  EXPECT_EQ(board.pixel(311, 146), qRgb(0, 0, 0));
  // The empty 25th cell is bare board.
  EXPECT_EQ(board.pixel(624 + 75, 588 + 70), qRgb(0, 0, 0));

  // The gap right of and below a card counts for that card.
  PressBoard(467, 293);
  EXPECT_TRUE(CardAt(7).FaceUp);
  // x = 780 and 781 lie right of the last column; 779 in it.
  const std::string before = State();
  PressBoard(780, 10);
  PressBoard(781, 10);
  EXPECT_EQ(State(), before);
  PressBoard(779, 10);
  EXPECT_TRUE(CardAt(4).FaceUp);
}

TEST_F(Memory, EveryBoardIsDealtWithEachPairOnceAndWordsOnlyForNamedPictures) {
  // Every third picture has no Swedish name for this test.
  for (int id = 3; id <= kPictureCount; id += 3) Pictures[At(id)].Name.clear();
  Launch(7);
  for (const Size& size : kBoards) {
    if (size.exercise != mem::Exercise) Launch(size.exercise);
    ChooseSize(form, size.button);
    std::set<std::vector<int>> deals;
    for (int deal = 0; deal < 15; ++deal) {
      Click(form->imgStart);
      ASSERT_EQ(mem::CardCount, size.cards);
      EXPECT_EQ(mem::Rows, size.rows);
      EXPECT_EQ(mem::Columns, size.columns);
      EXPECT_EQ(mem::Turns, 0);
      std::map<int, std::vector<int>> pairs;
      for (int i = 0; i < mem::CardCount; ++i) {
        const TMemoryCard& card = CardAt(i);
        EXPECT_TRUE(card.Dealt);
        EXPECT_FALSE(card.FaceUp);
        EXPECT_FALSE(card.Matched);
        EXPECT_EQ(card.FontSize, LargeFontSize * 9 / size.rows);
        pairs[card.PictureId].push_back(i);
      }
      ASSERT_EQ(pairs.size(), static_cast<std::size_t>(size.cards / 2)) << "distinct pictures";
      for (const auto& [id, cards] : pairs) {
        ASSERT_EQ(cards.size(), 2u) << "picture " << id;
        const TPictureEntry& picture = Pictures[At(id)];
        EXPECT_TRUE(picture.Used);
        const TMemoryCard& a = CardAt(cards[0]);
        const TMemoryCard& b = CardAt(cards[1]);
        if (size.exercise == 7) {
          EXPECT_FALSE(a.IsWord || b.IsWord);
          EXPECT_EQ(a.Colour, picture.Colour);
          EXPECT_EQ(b.Colour, picture.Colour);
        } else {
          ASSERT_NE(a.IsWord, b.IsWord) << "a picture and its word";
          const TMemoryCard& word = a.IsWord ? a : b;
          const TMemoryCard& glyph = a.IsWord ? b : a;
          EXPECT_FALSE(picture.Name.empty()) << "picture " << id;
          EXPECT_EQ(word.Word, picture.Name);
          EXPECT_EQ(word.Colour, 0xC0C0C0u);
          EXPECT_EQ(glyph.Colour, picture.Colour);
        }
      }
      int used = 0;
      for (int id = 1; id <= kPictureCount; ++id) used += Pictures[At(id)].Used;
      EXPECT_EQ(used, size.cards / 2) << "only the dealt pictures are marked";
      deals.insert(Deal());
    }
    EXPECT_GE(deals.size(), 14u) << "deals vary";
  }
}

TEST_F(Memory, ClicksOnAFaceUpCardTheEmptyCellOrRightOfTheBoardTurnNothingSilently) {
  Launch(7);
  Turn(0);
  EXPECT_EQ(effects->log, (std::vector<std::string>{"open VAND.WAV", "play"}));
  effects->log.clear();
  const std::string before = State();
  const QImage board = Board();
  Turn(0);                                                   // face up
  PressBoard(Cell(24).center().x(), Cell(24).center().y());  // the empty 25th cell
  PressBoard(781, 300);                                      // right of the last column
  EXPECT_TRUE(effects->log.empty());
  EXPECT_EQ(State(), before);
  EXPECT_EQ(Board(), board);
}

TEST_F(Memory, ANonMatchingPairStaysUpUntilTheNextClickOnAFaceDownCard) {
  Launch(7);
  const int a = 0, b = Stranger({0});
  Turn(a);
  const QImage oneUp = Board();
  PressBoard(Cell(b).center().x(), Cell(b).center().y(), tk::MouseButton::Right);  // any button
  EXPECT_TRUE(CardAt(a).FaceUp && CardAt(b).FaceUp);
  EXPECT_EQ(mem::Turns, 1);
  EXPECT_EQ(mem::MatchedCards, 0);
  EXPECT_EQ(effects->log, (std::vector<std::string>{"open VAND.WAV", "play", "play"}));
  // Face up: black inside, the glyph in the picture's colour, a thin grey frame.
  const QRect cell = Cell(b);
  const QImage board = Board();
  EXPECT_EQ(board.pixel(cell.left() + 3, cell.top() + 3), qRgb(0, 0, 0));
  EXPECT_EQ(board.pixel(cell.left(), cell.top() + 3), qRgb(0x80, 0x80, 0x80));
  EXPECT_NE(board.copy(cell), oneUp.copy(cell));
  // A click on one of them turns nothing.
  Turn(a);
  EXPECT_EQ(mem::Turns, 1);
  EXPECT_EQ(effects->log.size(), 3u);
  // The next face-down card turns both back and opens a new turn.
  const int c = Stranger({a, b});
  Turn(c);
  EXPECT_FALSE(CardAt(a).FaceUp);
  EXPECT_FALSE(CardAt(b).FaceUp);
  EXPECT_TRUE(CardAt(c).FaceUp);
  EXPECT_EQ(mem::FirstCard, c);
  EXPECT_EQ(mem::SecondCard, -1);
  EXPECT_EQ(Board().pixel(cell.left() + 3, cell.top() + 3), qRgb(0x20, 0x20, 0x20)) << "drawn face down again";
  EXPECT_EQ(mem::Turns, 1) << "only second cards count";
}

TEST_F(Memory, AFoundPairIsFramedInWhiteAndStaysUp) {
  Launch(8);
  const int a = 0, b = Partner(0);
  FindPair(a);
  EXPECT_EQ(mem::MatchedCards, 2);
  EXPECT_TRUE(CardAt(a).Matched && CardAt(b).Matched);
  EXPECT_EQ(effects->log, (std::vector<std::string>{"open VAND.WAV", "play", "open PLOPP4.WAV", "play"}));
  const QImage board = Board();
  for (int i : {a, b}) {
    const QRect cell = Cell(i);
    for (int d = 0; d < 2; ++d) {
      EXPECT_EQ(board.pixel(cell.left() + d, cell.center().y()), qRgb(255, 255, 255)) << i;
      EXPECT_EQ(board.pixel(cell.center().x(), cell.bottom() - d), qRgb(255, 255, 255)) << i;
    }
    EXPECT_EQ(board.pixel(cell.left() + 4, cell.top() + 4), qRgb(0, 0, 0));
  }
  // The next turn leaves them up.
  Turn(Stranger({a}));
  EXPECT_TRUE(CardAt(a).FaceUp && CardAt(b).FaceUp);
  EXPECT_EQ(Board().copy(Cell(a)), board.copy(Cell(a)));
}

TEST_F(Memory, TurnsAreCountedOnTheScoreAndTheWinMusicRestartsOnEveryClick) {
  Launch(7);
  ChooseSize(form, 3);
  Click(form->imgStart);
  music->log.clear();
  const QImage zero = form->imgScore->Canvas().Image().copy();
  int pairs = 0;
  for (int i = 0; i < mem::CardCount; ++i) {
    if (CardAt(i).FaceUp) continue;
    // A miss first, then the pair the other way round.
    const int miss = Stranger({i});
    if (miss >= 0) {
      Turn(i);
      Turn(miss);
      FindPair(Partner(i));
    } else {
      FindPair(i);
    }
    ++pairs;
    if (pairs < 8) {
      EXPECT_TRUE(music->log.empty()) << "no music before the last pair";
    }
    EXPECT_EQ(mem::MatchedCards, 2 * pairs);
  }
  EXPECT_EQ(mem::MatchedCards, 16);
  EXPECT_EQ(mem::Turns, 8 + 7) << "eight pairs and a miss before each but the last";
  EXPECT_NE(form->imgScore->Canvas().Image(), zero);
  EXPECT_EQ(music->log, (std::vector<std::string>{"open HURRA1.MID", "seek 0", "play"}));
  EXPECT_FALSE(MusicLoop);
  // Every later click on the board, anywhere, starts it again.
  music->log.clear();
  Turn(0);
  PressBoard(781, 5);
  EXPECT_EQ(music->log, (std::vector<std::string>{"open HURRA1.MID", "seek 0", "play", "open HURRA1.MID", "seek 0",
                                                  "play"}));
  // A won game deals anew without asking.
  const int turns = mem::Turns;
  MessageAnswer answer([] { Click(frmMessage->imgKnapp2); });
  Click(form->imgStart);
  EXPECT_FALSE(answer.Asked());
  EXPECT_GT(turns, 0);
  EXPECT_EQ(mem::Turns, 0);
  EXPECT_EQ(mem::MatchedCards, 0);
  EXPECT_EQ(form->imgScore->Canvas().Image(), zero);
  EXPECT_EQ(music->log.back(), "stop");
}

TEST_F(Memory, ASizeChosenDuringAGameTakesEffectAtStart) {
  Launch(7);
  FindPair(0);
  const std::vector<int> deal = Deal();
  const QImage smallest = form->imgCards3->Canvas().Image().copy();
  const QImage board = Board();
  EXPECT_GT(WhitePixels(form->imgCards2), 50);
  EXPECT_EQ(WhitePixels(form->imgCards1), 0);
  effects->log.clear();
  Click(form->imgCards1);
  EXPECT_TRUE(effects->log.empty()) << "the size buttons make no sound";
  EXPECT_EQ(mem::CardCount, 24);
  EXPECT_EQ(Deal(), deal);
  EXPECT_EQ(Board(), board);
  EXPECT_EQ(mem::NextCardCount, 36);
  // The highlight moved from the middle button to the largest.
  EXPECT_EQ(form->imgCards3->Canvas().Image(), smallest);
  EXPECT_GT(WhitePixels(form->imgCards1), 50);
  EXPECT_EQ(WhitePixels(form->imgCards2), 0);
  MessageAnswer answer([] { Click(frmMessage->imgKnapp1); });
  Click(form->imgStart);
  EXPECT_TRUE(answer.Asked());
  EXPECT_EQ(mem::CardCount, 36);
  EXPECT_EQ(mem::Rows, 6);
  EXPECT_EQ(mem::CardWidth, 782 / 6 - 6);
}

TEST_F(Memory, StartBeforeAnyPairDealsAtOnceAndAfterOneAsksFirst) {
  Launch(7);
  const int a = 0, b = Stranger({0});
  Turn(a);
  Turn(b);
  {
    MessageAnswer answer([] { Click(frmMessage->imgKnapp2); });
    Click(form->imgStart);
    EXPECT_FALSE(answer.Asked()) << "no pair found: nothing to lose";
  }
  EXPECT_FALSE(CardAt(a).FaceUp);
  EXPECT_EQ(mem::Turns, 0);

  FindPair(a);
  Turn(Stranger({a}));
  const std::string state = State();
  const std::vector<int> deal = Deal();
  const QImage board = Board();
  effects->log.clear();
  {
    MessageAnswer answer([this] {
      EXPECT_EQ(frmMessage->lblText->Caption, LangStrings[22]);
      EXPECT_EQ(tk::Application::Instance().ActiveForm(), frmMessage);
      // The board and the buttons beneath take no input.
      Turn(Stranger({0}));
      Click(form->imgCards1);
      Click(form->imgStart);
      Click(form->imgExit);
      Click(frmMessage->imgKnapp2);
    });
    Click(form->imgStart);
    EXPECT_TRUE(answer.Asked());
  }
  EXPECT_EQ(effects->log, (std::vector<std::string>{"open KLICK3.WAV", "play"}));
  EXPECT_EQ(frmOvMemory, form) << "Exit beneath the question did nothing";
  EXPECT_EQ(mem::NextCardCount, 24);
  EXPECT_EQ(Deal(), deal);
  EXPECT_EQ(Board(), board) << "the board is kept as it was";
  EXPECT_EQ(mem::Turns, 0) << "but the turns start again from 0";
  EXPECT_EQ(State().substr(0, 24), state.substr(0, 24));

  MessageAnswer answer([] { Click(frmMessage->imgKnapp1); });
  Click(form->imgStart);
  EXPECT_TRUE(answer.Asked()) << "still in progress: asks again";
  EXPECT_NE(Deal(), deal);
  EXPECT_EQ(mem::MatchedCards, 0);
  EXPECT_EQ(State().substr(0, 24), std::string(24, 'd'));
}

TEST_F(Memory, AGameLeftUnfinishedIsForgottenByTheNextLaunch) {
  Launch(7);
  Click(form->imgCards1);
  FindPair(0);
  Click(form->imgExit);
  tk::Application::ProcessMessages();
  MessageAnswer answer([] { Click(frmMessage->imgKnapp2); });
  Launch(7);
  EXPECT_FALSE(answer.Asked());
  EXPECT_EQ(mem::CardCount, 24) << "each launch starts on the default size";
  EXPECT_EQ(mem::MatchedCards, 0);
}

TEST_F(Memory, WordsAreDrawnInCapitalsAtSizesThatFollowTheirLength) {
  Capital = true;
  struct Case {
    const char* name;
    int divisor;
  };
  for (const Case& c : {Case{"kycklinga", 5}, Case{"kycklingar", 7}}) {
    for (int id = 1; id <= kPictureCount; ++id) Pictures[At(id)].Name = c.name;
    Launch(8);
    int word = 0;
    while (!CardAt(word).IsWord) ++word;
    Turn(word);
    const TMemoryCard& card = CardAt(word);
    EXPECT_EQ(card.Word, c.name);
    tk::Canvas& canvas = form->Image1->Canvas();
    EXPECT_EQ(canvas.Font.Size, card.FontSize / c.divisor) << c.name;
    EXPECT_EQ(canvas.Font.Name, ExerciseFont);
    // The white letters are as wide as the capitals at that size.
    const QRect cell = Cell(word);
    const QImage board = Board();
    int left = cell.right(), right = cell.left();
    for (int y = cell.top() + 4; y < cell.bottom() - 4; ++y)
      for (int x = cell.left() + 4; x < cell.right() - 4; ++x)
        if (qGray(board.pixel(x, y)) > 128) {
          left = std::min(left, x);
          right = std::max(right, x);
        }
    const int expected = canvas.TextWidth(tk::UpperCase(c.name));
    EXPECT_LE(std::abs(right - left + 1 - expected), 4) << c.name << ": " << right - left + 1 << " vs " << expected;
    EXPECT_LE(std::abs((left + right) / 2 - cell.center().x()), 3) << "centred";
    form->Release();
    tk::Application::ProcessMessages();
  }
}

TEST_F(Memory, ACatalogueShortOfNamedPicturesDealsThePairsItHasAndNeverHangs) {
  for (int id = 1; id <= kPictureCount; ++id) Pictures[At(id)].Name.clear();
  for (int id : {17, 60, 61, 119}) Pictures[At(id)].Name = "namn" + std::to_string(id);
  Launch(8);
  ASSERT_EQ(mem::CardCount, 8) << "four pairs of the twelve cards";
  EXPECT_EQ(mem::Rows, 4);
  std::set<int> ids;
  for (int i = 0; i < 8; ++i) ids.insert(CardAt(i).PictureId);
  EXPECT_EQ(ids, (std::set<int>{17, 60, 61, 119}));
  const QImage board = Board();
  for (int i = 8; i < 12; ++i) {
    EXPECT_EQ(board.pixel(Cell(i).center()), qRgb(0, 0, 0)) << "cell " << i << " is empty";
    Turn(i);
  }
  EXPECT_TRUE(effects->log.empty());
  for (int i = 0; i < 8; ++i)
    if (!CardAt(i).FaceUp) FindPair(i);
  EXPECT_EQ(music->log, (std::vector<std::string>{"open HURRA1.MID", "seek 0", "play"})) << "the short game can be won";

  // Exactly as many named pictures as the largest board needs: every deal
  // takes them all, however long the draws take to find the last ones.
  for (int id = 1; id <= kPictureCount; ++id) Pictures[At(id)].Name = id % 8 == 0 ? "namn" : "";
  ChooseSize(form, 1);
  for (int deal = 0; deal < 40; ++deal) {
    Click(form->imgStart);
    ASSERT_EQ(mem::CardCount, 28);
    std::map<int, int> count;
    for (int i = 0; i < 28; ++i) ++count[CardAt(i).PictureId];
    ASSERT_EQ(count.size(), 14u);
    for (const auto& [id, n] : count) {
      EXPECT_EQ(id % 8, 0);
      EXPECT_EQ(n, 2);
    }
  }

  // No named picture at all: an empty board, and clicks do nothing.
  for (int id = 1; id <= kPictureCount; ++id) Pictures[At(id)].Name.clear();
  Click(form->imgStart);
  EXPECT_EQ(mem::CardCount, 0);
  music->log.clear();
  effects->log.clear();
  PressBoard(10, 10);
  EXPECT_TRUE(effects->log.empty());
  EXPECT_TRUE(music->log.empty()) << "an empty board is not a won game";
  EXPECT_EQ(Board().pixel(10, 10), qRgb(0, 0, 0));
}

TEST_F(Memory, ClicksHandledDuringARefreshWaitForTheTurnInHand) {
  Launch(7);
  const int a = 0, b = Partner(0);
  // Card b is clicked while card a's turn refreshes the display, then c while
  // the found pair's turn refreshes it.
  int next = b;
  bool nested = false;
  QTimer::singleShot(0, [&] {
    nested = true;
    Turn(next);
  });
  Turn(a);
  ASSERT_TRUE(nested);
  EXPECT_TRUE(CardAt(a).Matched && CardAt(b).Matched) << State();
  EXPECT_EQ(mem::Turns, 1);

  const int c = Stranger({a}), d = Stranger({c});
  next = c;
  nested = false;
  Turn(d);  // opens a turn
  QTimer::singleShot(0, [&] {
    nested = true;
    Turn(next);
  });
  Turn(Partner(d));
  ASSERT_TRUE(nested);
  EXPECT_TRUE(CardAt(d).Matched && CardAt(Partner(d)).Matched) << State();
  EXPECT_EQ(mem::FirstCard, c);
  EXPECT_EQ(mem::SecondCard, -1);
  EXPECT_EQ(mem::MatchedCards, 4);
  EXPECT_EQ(mem::Turns, 2);
}
