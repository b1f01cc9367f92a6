#pragma once
// The rain exercises: letter rain (9), sum rain (10) and ABC rain (11).
// Items fall one after another down a black field, each in a column of its
// own, and the child catches the falling item by typing its character before
// it lands; the sooner the catch, the more points.

#include <array>
#include <optional>
#include <string>

#include "exercises/common/exercise_frame.h"
#include "toolkit/forms.h"

namespace tamiro {

class TfrmOvRegn : public tk::Form {
 public:
  explicit TfrmOvRegn(tk::Component* owner);
  ~TfrmOvRegn() override;

  void Start(int exercise);
  void NewGame();
  void ShowScore();
  void FallStep();
  void ItemDone();

  void FormCreate();
  void FormShow();
  void FormKeyPress(char key);
  void FormClick();
  void Timer1Timer();

  tk::Shape* Shape1;      // the frame around the field
  tk::Shape* shpRam;      // its rectangle is the field
  tk::Image* imgPicture;  // the exercise symbol
  tk::Image* imgStart;
  tk::Image* imgScore;    // the score; a click starts a new game too
  tk::Image* imgHelp;
  tk::Image* imgExit;
  tk::Image* imgRegn;     // hidden strip on which the items are drawn
  tk::Timer* Timer1;      // one fall step
  ExerciseFrame* frame;   // Help, Exit, Start and the score
};

// The open form: the newest instance the menu created.
extern TfrmOvRegn* frmOvRegn;

// The rain state. It lives for the whole run, outlives the form and is
// shared by every instance.
namespace rain {

inline constexpr int kItemCapacity = 40;
inline constexpr int kFallSteps = 60;  // steps from the top of the field to its bottom

struct TRainItem {
  int Steps = 0;       // 0: not shown yet; kFallSteps: landed
  std::string Text;    // what the item shows, at most 10 characters
  std::string Answer;  // the character that catches it
};

extern std::array<TRainItem, kItemCapacity + 1> Items;  // 1..kItemCapacity
extern int ItemCount;
extern int Exercise;
extern int CurrentItem;  // ItemCount + 1 once the game is over
extern int Score;
extern int ColumnWidth;
extern int ItemHeight;
// This game's record: items caught and items that landed.
extern int Caught, Missed;
// What the game comes to, for the record; nothing before the first item
// is done.
std::optional<GameResult> Result(bool finished);

// The letters that rain: the current language's alphabet, at most as many
// letters as the item table holds.
std::string Alphabet();

}  // namespace rain

}  // namespace tamiro
