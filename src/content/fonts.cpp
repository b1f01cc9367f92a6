#include "content/fonts.h"

#include <algorithm>
#include <cctype>

#include "content/helpers.h"
#include "toolkit/platform.h"

namespace tamiro {

std::string ExerciseFont;
std::string SymbolFont;
int LargeFontSize = 0;
int ButtonFontSize = 0;

void SetLanguageFonts(int language) {
  ExerciseFont = language == 16 ? "Arial" : "Tamiro3";
  SymbolFont = "Tamiro Symbols";
}

void FitFontSizes(int screenHeight, tk::Canvas& canvas) {
  LargeFontSize = FitFontSize(screenHeight / 10, "Arial", canvas);
  ButtonFontSize = FitFontSize(screenHeight / 30, "Arial", canvas);
}

namespace {
std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}
}  // namespace

bool FontInstalled(const std::string& family) {
  const std::string wanted = Lower(family);
  const auto families = tk::FontFamilies();
  return std::any_of(families.begin(), families.end(),
                     [&](const std::string& f) { return Lower(f) == wanted; });
}

}  // namespace tamiro
