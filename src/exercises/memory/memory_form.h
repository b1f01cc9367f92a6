#pragma once
// The memory exercises: picture memory (7), whose pairs are two equal
// pictures, and word memory (8), whose pairs are a picture and a card with
// its name. Two cards are turned per turn; a pair that belongs together stays
// up with a white frame, another stays up until the next click. The turns are
// counted, and music plays when every pair is found. Each exercise has three
// board sizes.

#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "exercises/common/exercise_frame.h"
#include "toolkit/forms.h"

namespace tamiro {

struct TMemoryCard {
  bool FaceUp = false;
  unsigned char PictureId = 0;  // two cards belong together when their ids are equal
  tk::Colour Colour = 0;        // of the glyph; silver (not drawn) on word cards
  int FontSize = 0;             // of the glyph
  bool Dealt = false;
  bool Matched = false;
  bool IsWord = false;
  std::string Word;  // the picture's name, on a word card
};

class TfrmOvMemory : public tk::Form {
 public:
  explicit TfrmOvMemory(tk::Component* owner);
  ~TfrmOvMemory() override;

  void FormCreate();
  void FormShow();
  void Image1MouseDown(tk::MouseButton button, int shift, int x, int y);
  void Start(int exercise);
  void imgCards3Click();
  void imgCards2Click();
  void imgCards1Click();

  tk::Image* Image1;  // the board
  tk::Image* imgBlad;
  tk::Image* imgScore;
  tk::Image* imgCards1;
  tk::Image* imgCards2;
  tk::Image* imgCards3;
  tk::Image* imgStart;
  tk::Image* imgHelp;
  tk::Image* imgExit;
  ExerciseFrame* frame;  // Help, Exit, Start and the score (the turns)

 private:
  void DrawBoard();
  void ShowScore();
  void DrawCard(int i);
  void NewGame();
  void DrawSizeButtons();

  void TurnCard(int x, int y);
  void ChooseSize(int button);
  // Paints the cards and the score drawn since the last refresh now, then
  // lets pending events be handled.
  void RefreshDisplay();
  // Runs one piece of play (a start, a deal, a card turn). One that arrives
  // while another is under way (from events handled during a refresh) waits
  // until that one is done, so that the turn state is never changed halfway.
  void Play(std::function<void()> action);
  bool playing_ = false;
  std::deque<std::function<void()>> waiting_;
};

// The open form: the newest instance the menu created.
extern TfrmOvMemory* frmOvMemory;

// The memory state. It lives for the whole run, outlives the form, and is
// shared by every instance and both exercises.
namespace memory {
inline constexpr int kCardCapacity = 51;
extern std::array<TMemoryCard, kCardCapacity> Cards;  // the first CardCount, row by row
extern int Exercise;                                 // 7 or 8
extern int CardCount, Rows, Columns;                 // the game in play
extern int NextCardCount, NextRows, NextColumns;     // the size of the next game
extern int CardWidth, CardHeight;                    // pixels
extern int FirstCard, SecondCard;                    // this turn's cards; -1 for none
extern int MatchedCards;                             // cards in found pairs
extern int Turns;                                    // second cards turned in this game
// What the game comes to, for the record; nothing before the first turn.
std::optional<GameResult> Result(bool won);
}  // namespace memory

}  // namespace tamiro
