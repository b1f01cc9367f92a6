#pragma once
// The games. Each family of exercise forms declares its games in its own
// folder, with a GameRegistration each: the exercise number its form starts
// with, the menu tile it answers to, how it is launched, its help context and
// its screens for the screenshot tool. The main menu lays out its tiles from
// this one list and the screenshot tool renders its screens; nothing else
// names the games. docs/adding-a-game.md says how to add one.

#include <functional>
#include <string>
#include <vector>

#include "toolkit/canvas.h"
#include "toolkit/forms.h"

namespace tamiro {

// What the screenshot tool asks of a screen (its options).
struct ScreenOptions {
  std::string mark;   // --mark: what to mark on the screen (the game's own words)
  std::string state;  // --state: which moment of play (the game's own words)
  int language = 1;
  bool capital = false;
  int width = 0, height = 0;
  double dpr = 1.0;
  tk::Form* menu = nullptr;  // the main menu, shown, that starts the games
};
// Brings a screen up over the menu (which is shown); false when the name is
// not one of the game's.
using ScreenSetup = std::function<bool(const std::string& screen, const ScreenOptions& options)>;

inline constexpr tk::Colour kOwnColour = 0xFFFFFFFF;

// A tile of the main menu, on the menu's 640 x 480 design surface: two
// columns of rows under each other.
struct MenuTile {
  int number = 0;               // of shpOvN, lblOvN and imgOvN; also the label's tag
  const char* caption = "";     // the design caption (Swedish, UTF-8), until translated
  int column = 0;               // 0 the left column (label right-aligned), 1 the right
  int row = 0;                  // 0 at the top
  int picture = 1;              // the icon: this picture's glyph
  tk::Colour colour = kOwnColour;  // kOwnColour: in the picture's own colour
  int labelWidth = 0;           // the label's design width; 0 for the column's
};

struct Game;
// Starts a game from the menu: a new form owned by the menu, then its entry
// operation.
using GameLauncher = std::function<void(tk::Form* menu, const Game& game)>;

struct Game {
  int exercise = 0;       // the number the form starts with; 0 for hangman
  MenuTile tile;
  // The help the game's Help button opens: its own topic (110 + its
  // exercise number; hangman 122), which falls back to the games' topic 101
  // where a language has none.
  int helpContext = 101;
  GameLauncher launch;
  std::string screenUsage;  // the screens, as the screenshot tool lists them
  ScreenSetup screens;
};

// Adds a game to the list (a static object in the family's folder).
struct GameRegistration {
  explicit GameRegistration(Game game);
};

// Every game, in the order of their tile numbers. Tests may replace a
// launcher and put it back.
std::vector<Game>& Games();
// The game started with this exercise number (0 for hangman); null when
// there is none.
const Game* FindGame(int exercise);
// Starts that game from the menu as its tile does; false when there is none.
bool LaunchGame(tk::Form* menu, int exercise);

// The one way a family makes its launcher: a new form of class T owned by the
// menu, stored in the family's reference, given the game's help context, then
// its entry operation with the exercise number. The form stays alive until
// the entry operation has returned, even when its Exit releases it from an
// event handled in the middle of that operation.
template <class T, class Entry>
GameLauncher FormLauncher(T*& reference, Entry entry) {
  return [&reference, entry](tk::Form* menu, const Game& game) {
    T* form = tk::CreateForm<T>(menu);
    // The desktop's close request takes an exercise form away as its Exit
    // does.
    form->FreeOnClose = true;
    form->HelpContext = game.helpContext;
    reference = form;
    tk::FormBusy busy(form);
    entry(*form, game.exercise);
  };
}

}  // namespace tamiro
