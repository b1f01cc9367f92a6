#pragma once
// What every exercise form has and draws alike: the Help and Exit buttons,
// the Start button of the forms that have games, and the score box of the
// forms that keep a score. Captions in the current language, white, in the
// exercise font, with the same size rules everywhere; every click plays the
// click sound. Help opens the form's help context, Exit releases the form,
// Start begins a new game.

#include <functional>

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

  // Paints the button faces (the form's show handler calls it).
  void DrawButtons();
  // Shows a number in the score box.
  void ShowScore(int score);

  void HelpClick();
  void ExitClick();
  void StartClick();

 private:
  tk::Form* form_;
  Buttons buttons_;
  std::function<void()> newGame_;
};

}  // namespace tamiro
