#include "content/fonts.h"

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

bool FontInstalled(const std::string& family) { return tk::HasFontFamily(family); }

}  // namespace tamiro
