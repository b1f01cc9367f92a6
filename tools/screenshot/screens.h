#pragma once
// The screens the screenshot tool renders. Each family of forms registers
// its own screens in a file of its own here, with a static ScreenFamily:
//
//   static ScreenFamily rain{"rain9|rain10|rain11", [](const std::string& screen, const ScreenOptions& o) {
//     if (screen != ...) return false;   // not one of ours
//     ...bring the screen up, over the menu (which is already shown)...
//     return true;
//   }};

#include <functional>
#include <string>

namespace screenshot {

struct ScreenOptions {
  std::string mark;   // --mark: what to mark on the screen (family's own words)
  std::string state;  // --state: which moment of play (family's own words)
  int language = 1;
  bool capital = false;
  int width = 0, height = 0;
  double dpr = 1.0;
};

// Brings a screen up; false when the name is not the family's.
using ScreenSetup = std::function<bool(const std::string& screen, const ScreenOptions& options)>;

struct ScreenFamily {
  ScreenFamily(std::string usage, ScreenSetup setup);
};

}  // namespace screenshot
