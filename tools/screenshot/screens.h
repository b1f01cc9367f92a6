#pragma once
// The screens the screenshot tool renders: menu and help, every game's own
// (declared with the game, exercises/common/games.h), and those of the other
// forms, each registered in a file of its own here with a static
// ScreenFamily:
//
//   static ScreenFamily about{"about [--state list]", [](const std::string& screen, const ScreenOptions& o) {
//     if (screen != "about") return false;   // not one of ours
//     ...bring the screen up, over the menu (which is already shown)...
//     return true;
//   }};

#include <string>

#include "exercises/common/games.h"

namespace screenshot {

using tamiro::ScreenOptions;
using tamiro::ScreenSetup;

struct ScreenFamily {
  ScreenFamily(std::string usage, ScreenSetup setup);
};

}  // namespace screenshot
