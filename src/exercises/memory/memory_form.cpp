#include "exercises/memory/memory_form.h"

#include <algorithm>
#include <cmath>

#include "content/content_tables.h"
#include "content/helpers.h"
#include "content/settings.h"
#include "content/sound.h"
#include "exercises/common/message_form.h"
#include "toolkit/application.h"

namespace tamiro {

TfrmOvMemory* frmOvMemory = nullptr;

namespace memory {
std::array<TMemoryCard, kCardCapacity> Cards{};
int Exercise = 0;
int CardCount = 0, Rows = 0, Columns = 0;
int NextCardCount = 0, NextRows = 0, NextColumns = 0;
int CardWidth = 0, CardHeight = 0;
int FirstCard = -1, SecondCard = 1;
int MatchedCards = 0;
int Turns = 0;

std::optional<GameResult> Result(bool won) {
  if (Turns == 0 && MatchedCards == 0) return std::nullopt;
  GameResult game;
  game.exercise = Exercise;
  game.outcome = won ? GameOutcome::Won : GameOutcome::Left;
  game.cards = CardCount;
  game.turns = Turns;
  game.pairs = MatchedCards / 2;
  return game;
}
}  // namespace memory

using namespace memory;

using namespace tk::colours;

namespace {

constexpr tk::Colour kFaceDown = 0x02202020;
constexpr int kGap = 6;  // pixels between cards

struct BoardSize {
  int cards, rows, columns;
};
// By exercise (picture memory, word memory) and size button (1 largest .. 3
// smallest).
constexpr BoardSize kSizes[2][4] = {
    {{}, {36, 6, 6}, {24, 5, 5}, {16, 4, 4}},
    {{}, {28, 7, 4}, {18, 6, 3}, {12, 4, 3}},
};
constexpr int kDefaultButton[2] = {2, 3};

bool WordMemory() { return Exercise == 8; }
const BoardSize& SizeOf(int button) { return kSizes[WordMemory() ? 1 : 0][button]; }

// Random draws of a picture or a place before the deal takes the first
// that is free.
constexpr int kDrawsBeforeScan = 200;

// A random index of low .. low + count - 1 that passes the test; -1 when
// none passes.
template <class Test>
int DrawIndex(int low, int count, Test passes) {
  return DrawValue(low, count, kDrawsBeforeScan, passes);
}

// A picture the deal may take: not yet on the board, and with a name where
// the word card needs one.
bool Usable(int id) {
  const TPictureEntry& picture = Pictures[static_cast<std::size_t>(id)];
  return !picture.Used && (!WordMemory() || !picture.Name.empty());
}

TMemoryCard& Card(int i) { return Cards[static_cast<std::size_t>(i)]; }

}  // namespace

TfrmOvMemory::TfrmOvMemory(tk::Component* owner) : tk::Form(owner, "frmOvMemory", 640, 480) {
  Tag = 26;
  HelpContext = 101;
  Caption = "Memory";
  Image1 = new tk::Image(this, "Image1", 8, 8, 489, 461);
  imgBlad = new tk::Image(this, "imgBlad", 504, 8, 117, 85);
  imgScore = new tk::Image(this, "imgScore", 504, 180, 109, 33);
  imgCards1 = new tk::Image(this, "imgCards1", 504, 220, 113, 25);
  imgCards2 = new tk::Image(this, "imgCards2", 504, 244, 113, 25);
  imgCards3 = new tk::Image(this, "imgCards3", 504, 268, 113, 25);
  imgStart = new tk::Image(this, "imgStart", 504, 300, 113, 49);
  imgHelp = new tk::Image(this, "imgHelp", 504, 368, 113, 49);
  imgExit = new tk::Image(this, "imgExit", 504, 420, 113, 45);

  Image1->OnMouseDown = [this](tk::MouseButton b, int shift, int x, int y) { Image1MouseDown(b, shift, x, y); };
  imgCards1->OnClick = [this] { imgCards1Click(); };
  imgCards2->OnClick = [this] { imgCards2Click(); };
  imgCards3->OnClick = [this] { imgCards3Click(); };
  // A new game: also when the player chooses to go on with this one, the
  // board is drawn anew.
  frame = new ExerciseFrame(this, {imgHelp, true, imgExit, imgStart, imgScore}, [this] {
    Play([this] {
      NewGame();
      DrawBoard();
    });
  });
  frame->SetGameReport(Result);
  OnCreate = [this] { FormCreate(); };
  OnShow = [this] { FormShow(); };
}

TfrmOvMemory::~TfrmOvMemory() {
  if (frmOvMemory == this) frmOvMemory = nullptr;
}

void TfrmOvMemory::FormCreate() { ScaleForm(*this); }

void TfrmOvMemory::Start(int exercise) {
  Play([this, exercise] {
    Show();
    Exercise = exercise;
    const BoardSize& size = SizeOf(kDefaultButton[WordMemory() ? 1 : 0]);
    NextCardCount = size.cards;
    NextRows = size.rows;
    NextColumns = size.columns;
    MatchedCards = 0;  // the first game asks nothing
    DrawSizeButtons();
    NewGame();
    DrawBoard();
  });
}

void TfrmOvMemory::FormShow() {
  StopMusic();
  for (tk::Image* image : {imgBlad, imgCards1, imgCards2, imgCards3, Image1}) ClearImage(*image);
  frame->DrawButtons();
  FillBlack(*imgBlad);
  DrawTextCentred(imgBlad->Width() / 2, imgBlad->Height() / 2, *imgBlad, GlyphText(5), Pictures[5].Colour, SymbolFont,
                  Trunc(LargeFontSize * 2.2));
}

void TfrmOvMemory::DrawSizeButtons() {
  tk::Image* buttons[4] = {nullptr, imgCards1, imgCards2, imgCards3};
  const int chosenSize = LargeFontSize / 3;
  const int otherSize = WordMemory() ? chosenSize : ButtonFontSize;
  for (int button = 1; button <= 3; ++button) {
    const BoardSize& size = SizeOf(button);
    DrawButtonFace(*buttons[button], BoardSizeCaption(size.cards), kNavy, ExerciseFont, otherSize, -1, 3);
  }
  for (int button = 1; button <= 3; ++button) {
    const BoardSize& size = SizeOf(button);
    if (size.cards != NextCardCount) continue;
    DrawButtonFace(*buttons[button], BoardSizeCaption(size.cards), kWhite, ExerciseFont, chosenSize, -1, 3);
  }
}

void TfrmOvMemory::ChooseSize(int button) {
  const BoardSize& size = SizeOf(button);
  NextCardCount = size.cards;
  NextRows = size.rows;
  NextColumns = size.columns;
  DrawSizeButtons();
  Speak(BoardSizeCaption(size.cards));
}

void TfrmOvMemory::imgCards1Click() { ChooseSize(1); }
void TfrmOvMemory::imgCards2Click() { ChooseSize(2); }
void TfrmOvMemory::imgCards3Click() { ChooseSize(3); }

void TfrmOvMemory::NewGame() {
  StopMusic();
  // A game in progress is abandoned only when the player says so; either
  // way the turns start again from 0.
  if (MatchedCards != 0 && MatchedCards != CardCount &&
      ShowMessageForm(LangString(Text::NewGameQuestion), LangString(Text::Yes), LangString(Text::No)) == 2) {
    Turns = 0;
    return;
  }
  // The game abandoned counts as left, with the turns it had.
  frame->GameBegins();
  Turns = 0;
  CardCount = NextCardCount;
  Rows = NextRows;
  Columns = NextColumns;
  for (int i = 0; i < CardCount; ++i) {
    TMemoryCard& card = Card(i);
    card.FaceUp = false;
    card.FontSize = LargeFontSize * 9 / Rows;
    card.Dealt = false;
    card.Matched = false;
    card.PictureId = 1;
    card.Colour = 0x00FF00;
    card.IsWord = false;
  }
  for (int id = 1; id <= kPictureCount; ++id) Pictures[static_cast<std::size_t>(id)].Used = false;
  // A catalogue with fewer usable pictures than the board has pairs fills the
  // first cells with the pairs it has and leaves the others empty.
  int usable = 0;
  for (int id = 1; id <= kPictureCount; ++id) usable += Usable(id);
  CardCount = std::min(CardCount, 2 * usable);
  Randomize();
  const auto undealt = [](int slot) { return !Card(slot).Dealt; };
  for (int pair = 0; pair < CardCount / 2; ++pair) {
    const int id = DrawIndex(1, kPictureCount, Usable);
    const int first = DrawIndex(0, CardCount, undealt);
    Card(first).Dealt = true;
    const int second = DrawIndex(0, CardCount, undealt);
    Card(second).Dealt = true;
    TPictureEntry& picture = Pictures[static_cast<std::size_t>(id)];
    picture.Used = true;
    Card(first).PictureId = static_cast<unsigned char>(id);
    Card(first).Colour = picture.Colour;
    Card(second).PictureId = static_cast<unsigned char>(id);
    if (WordMemory()) {
      Card(second).Colour = kSilver;
      Card(second).IsWord = true;
      Card(second).Word = picture.Name;
    } else {
      Card(second).Colour = picture.Colour;
    }
  }
  FirstCard = -1;
  SecondCard = 1;  // not -1: the next click opens a turn
  MatchedCards = 0;
}

void TfrmOvMemory::DrawBoard() {
  FillBlack(*Image1);
  if (Columns <= 0 || Rows <= 0) return;  // nothing dealt yet
  CardWidth = Image1->Width() / Columns - kGap;
  CardHeight = Image1->Height() / Rows - kGap;
  for (int i = 0; i < CardCount; ++i) DrawCard(i);
  ShowScore();
}

void TfrmOvMemory::DrawCard(int i) {
  const TMemoryCard& card = Card(i);
  const int x1 = i % Columns * (CardWidth + kGap);
  const int y1 = i / Columns * (CardHeight + kGap);
  const int x2 = x1 + CardWidth, y2 = y1 + CardHeight;
  tk::Canvas& canvas = Image1->Canvas();
  if (!card.FaceUp) {
    canvas.Brush = {kFaceDown, false};
    canvas.Pen = {kGrey, 1, false};
  } else if (card.Matched) {
    canvas.Brush = {0, false};
    canvas.Pen = {kWhite, 3, false};
  } else {
    canvas.Brush = {0, false};
    canvas.Pen = {kGrey, 1, false};
  }
  canvas.Rectangle(x1, y1, x2, y2);
  if (!card.FaceUp) return;
  const int cx = x1 + CardWidth / 2, cy = y1 + CardHeight / 2;
  if (card.IsWord) {
    const int c = Capital ? 1 : 0;
    const int divisor = card.Word.size() <= 9 ? 4 + c : 6 + c;
    DrawTextCentred(cx, cy, *Image1, ApplyLetterCase(card.Word), kWhite, ExerciseFont, card.FontSize / divisor);
  } else {
    DrawTextCentred(cx, cy, *Image1, GlyphText(card.PictureId), card.Colour, SymbolFont, card.FontSize);
  }
}

void TfrmOvMemory::ShowScore() { frame->ShowScore(Turns); }

void TfrmOvMemory::RefreshDisplay() {
  PaintChanges();
  tk::Application::ProcessMessages();
}

void TfrmOvMemory::Image1MouseDown(tk::MouseButton, int, int x, int y) {
  Play([this, x, y] { TurnCard(x, y); });
}

void TfrmOvMemory::TurnCard(int x, int y) {
  const int pitchX = CardWidth + kGap, pitchY = CardHeight + kGap;
  // The strip right of the last column, the cells after the last card and a
  // card already up turn nothing.
  if (x >= 0 && y >= 0 && pitchX > 0 && pitchY > 0 && x / pitchX < Columns) {
    const int i = x / pitchX + y / pitchY * Columns;
    if (i < CardCount && !Card(i).FaceUp) {
      Card(i).FaceUp = true;
      // The card's word, or its picture's name, as it is written.
      Speak(Card(i).IsWord ? Card(i).Word : Pictures[static_cast<std::size_t>(Card(i).PictureId)].Name);
      if (SecondCard == -1) {
        // The second card of the turn.
        SecondCard = i;
        ++Turns;
        ShowScore();
        if (Card(FirstCard).PictureId == Card(SecondCard).PictureId) {
          MatchedCards += 2;
          PlaySound("PLOPP4.WAV");
          RefreshDisplay();
          Card(FirstCard).Matched = true;
          Card(SecondCard).Matched = true;
          DrawCard(FirstCard);
          DrawCard(SecondCard);
        } else {
          DrawCard(SecondCard);
          RefreshDisplay();
          PlaySound("VAND.WAV");
        }
      } else {
        // A new turn: the last pair goes back unless it belongs together.
        PlaySound("VAND.WAV");
        if (FirstCard != -1 && Card(FirstCard).PictureId != Card(SecondCard).PictureId) {
          Card(FirstCard).FaceUp = false;
          Card(SecondCard).FaceUp = false;
          DrawCard(FirstCard);
          DrawCard(SecondCard);
        }
        FirstCard = i;
        DrawCard(i);
        RefreshDisplay();
        SecondCard = -1;
      }
    }
  }
  // Every click on a won board starts the music again; the first one ends
  // the game.
  if (CardCount > 0 && MatchedCards == CardCount) {
    frame->GameEnds();
    PlayMusic("HURRA1.MID", 0, false);
  }
}

void TfrmOvMemory::Play(std::function<void()> action) {
  waiting_.push_back(std::move(action));
  if (playing_) return;
  playing_ = true;
  struct Done {
    TfrmOvMemory* form;
    ~Done() {
      form->playing_ = false;
      form->waiting_.clear();
    }
  } done{this};
  while (!waiting_.empty() && !Released()) {
    const std::function<void()> next = std::move(waiting_.front());
    waiting_.pop_front();
    next();
  }
}

}  // namespace tamiro
