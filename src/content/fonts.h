#pragma once
// The fonts every form draws with: the names of the text and symbol fonts
// for the current language, the two sizes every exercise derives its text
// sizes from, and the check that the program's own fonts are there.

#include <string>

namespace tk {
class Canvas;
}

namespace tamiro {

// "Tamiro3", or "Arial" for Polish; and "Tamiro Symbols". Every translation
// of a form sets them for the language in force.
extern std::string ExerciseFont;
extern std::string SymbolFont;
void SetLanguageFonts(int language);

// Font sizes whose glyphs reach one tenth and one thirtieth of the screen
// height; the main menu fits them when it is shown.
extern int LargeFontSize;
extern int ButtonFontSize;
void FitFontSizes(int screenHeight, tk::Canvas& canvas);

inline constexpr const char* kFontMessage =
    "The fonts that are necessary to run this program are not installed."
    "To function properly, the program must be installed again";

// True when the family is among the fonts the program can draw with,
// compared without regard to case.
bool FontInstalled(const std::string& family);

}  // namespace tamiro
