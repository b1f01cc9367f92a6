#pragma once
// What every exercise form has and draws alike: the Help and Exit buttons,
// the Start button of the forms that have games, and the score box of the
// forms that keep a score. Captions in the current language, white, in the
// exercise font, with the same size rules everywhere; every click plays the
// click sound. Help opens the form's help context, Exit releases the form,
// Start begins a new game.
//
// The frame also keeps the record of the form's games: the form says when a
// game begins and when it is over, and a game still going on when it is
// left (Exit, a new game begun, the form closed or gone) is recorded then,
// as left.

#include <functional>
#include <optional>

#include "content/record_store.h"
#include "toolkit/forms.h"

namespace tamiro {

class ExerciseFrame : public tk::Component {
 public:
  struct Buttons {
    tk::Image* help = nullptr;
    // A Help button twice as high as Exit: its caption twice as large.
    bool largeHelp = false;
    tk::Image* exit = nullptr;
    tk::Image* start = nullptr;  // none where the form has no games
    tk::Image* score = nullptr;  // none where the form keeps no score
  };
  // Wires the buttons' clicks; newGame runs after the click of Start.
  ExerciseFrame(tk::Form* form, Buttons buttons, std::function<void()> newGame = {});
  ~ExerciseFrame() override;

  // Paints the button faces (the form's show handler calls it).
  void DrawButtons();
  // Shows a number in the score box.
  void ShowScore(int score);

  void HelpClick();
  void ExitClick();
  void StartClick();

  // What the game in progress comes to as it stands: the exercise and its
  // family's fields, `finished` telling whether it is over or left; nothing
  // when nothing has been played in it yet. It reads the family's state
  // only, never the form, as it may run while the form is taken down.
  using GameReport = std::function<std::optional<GameResult>(bool finished)>;
  void SetGameReport(GameReport report) { report_ = std::move(report); }
  // A game begins now; one still in progress is recorded as left.
  void GameBegins();
  // The game in progress is over: it is recorded, once.
  void GameEnds();

 private:
  void Report(bool finished);

  tk::Form* form_;
  Buttons buttons_;
  std::function<void()> newGame_;
  GameReport report_;
  bool playing_ = false;
  std::int64_t started_ = 0;  // milliseconds, the record's clock
};

}  // namespace tamiro
