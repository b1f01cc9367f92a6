#pragma once
// The whole program on a copy of its program directory, for tests that
// break or replace the files it relies on, and a tour that opens every form
// the menu can start and plays it a little.

#include <functional>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "toolkit/forms.h"
#include "toolkit/platform.h"

namespace reliability {

// A copy of the built program's assets in a folder of its own; the
// executable path and the settings file point into it while it lives.
class ProgramCopy : public testing_support::ProgramDir {
 public:
  ProgramCopy();

  // Ways a file can be broken after a bad copy.
  enum class Damage { Missing, Empty, Truncated, RandomBytes };
  static const char* Name(Damage damage);
  void Break(const std::string& name, Damage damage, unsigned seed = 1) const;
};

// Starts the program as the entry point does (fonts, the three forms, the
// menu on the screen), on timers that run on the test clock.
void StartProgram();
// Ends it: every form destroyed, the fonts of the copy forgotten.
void EndProgram();

// Delivers a click (press and release) at the centre of a control.
void Click(tk::Control* control);
// Types a character as the keyboard would (through the program's window).
void Type(char16_t character);
void PressKey(int qtKey, int modifiers = 0);

// What the tour saw of one form the menu started.
struct Visit {
  int tile = 0;
  std::string form;     // the name of the form that came up ("" for none)
  bool released = false;  // Exit took it away and the menu came back
};

// Clicks every exercise tile of the menu in turn; each form that comes up
// gets clicks on its controls, typed keys, its help opened and closed, ten
// seconds on the clock, and then its Exit.
std::vector<Visit> TourEveryForm();

}  // namespace reliability
