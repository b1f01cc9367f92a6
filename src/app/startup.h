#pragma once
// Program start: the fonts shipped beside the program, the application title,
// and the three forms that live for the whole run, in their order.

#include "app/version.h"

namespace tamiro {

// The name of the desktop entry the package installs (without ".desktop"),
// set once in the top CMakeLists.txt.
inline constexpr const char* kDesktopFileName = TAMIRO_APP_ID;

// Registers the fonts of the program directory and the font names the
// program relies on. Call once, after the QApplication exists.
void PrepareFonts();
// Before the QApplication: gives the font files to the machine's font
// configuration, where there is one, so that Qt reads them with the
// machine's fonts; PrepareFonts then registers nothing more.
void PrepareFontsBeforeStart();

class TfrmAbout;

// Creates the main menu, the message form and the About form.
void CreateApplicationForms();
// The same in two steps: the forms the first frame needs (the main menu and
// the message form), then the About form, which the program creates once
// the menu is on the screen, or at the latest when it is first asked for.
void CreateFirstFrameForms();
TfrmAbout* AboutForm();

}  // namespace tamiro
