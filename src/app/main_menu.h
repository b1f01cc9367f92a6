#pragma once
// The main menu: the program's main form, the hub from which every exercise
// starts. Its creation starts the program: settings, fonts, content.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "toolkit/forms.h"
#include "toolkit/media_player.h"

class QImage;

namespace tamiro {

extern int ColourDepth;                     // bits per pixel of the screen
extern std::unique_ptr<QImage> PaletteBitmap;  // the palette reference bitmap

inline constexpr const char* kFontMessage =
    "The fonts that are necessary to run this program are not installed."
    "To function properly, the program must be installed again";

extern int LargeFontSize;   // glyphs one tenth of the screen height
extern int ButtonFontSize;  // glyphs one thirtieth of the screen height

class TfrmHuvudmeny : public tk::Form {
 public:
  explicit TfrmHuvudmeny(tk::Component* owner);
  ~TfrmHuvudmeny() override;

  void FormCreate();
  void LoadArtwork();
  void FormShow();
  void FormMouseDown(tk::MouseButton button, int shift, int x, int y);
  void FormActivate();
  void FormDeactivate();
  void imgTamiroClick();
  void mplMIDINotify();

  // The position of the menu music when the menu last lost activation.
  std::int64_t MusicResumePosition = 0;

  // The exercise tiles, indexed by their number (shpOv[1] is shpOv1; there
  // is no tile 7), with their labels and icons.
  static constexpr int kTileCount = 13;
  std::array<tk::Shape*, kTileCount + 1> shpOv{};
  std::array<tk::Label*, kTileCount + 1> lblOv{};
  std::array<tk::Image*, kTileCount + 1> imgOv{};
  tk::Shape *Shape2, *Shape11, *shpAbout, *shpExit, *shpHelp;
  tk::Label *lblAbout, *lblExit, *lblHelp;
  tk::Image* Image1;
  tk::Image* imgTamiro;
  tk::Image* imgTest;


  // The two media players of the program: music and sound effects.
  std::unique_ptr<tk::MediaPlayer> mplMIDI;
  std::unique_ptr<tk::MediaPlayer> mplWAV1;
};

extern TfrmHuvudmeny* frmHuvudmeny;

// Starting an exercise: each family of exercise forms installs its launcher,
// which creates a new form owned by the menu and calls its entry operation
// with the exercise number (hangman has none and gets 0). A tile whose
// launcher is not installed plays its click and opens nothing.
using ExerciseLauncher = std::function<void(tk::Form* menu, int exercise)>;

// The one way a family makes its launcher: a new form of class T owned by the
// menu, stored in the family's reference, then its entry operation. The form
// stays alive until the entry operation has returned, even when its Exit
// releases it from an event handled in the middle of that operation.
template <class T, class Entry>
ExerciseLauncher FormLauncher(T*& reference, Entry entry) {
  return [&reference, entry](tk::Form* menu, int exercise) {
    T* form = tk::CreateForm<T>(menu);
    // The desktop's close request takes an exercise form away as its Exit
    // does.
    form->FreeOnClose = true;
    reference = form;
    tk::FormBusy busy(form);
    entry(*form, exercise);
  };
}

extern ExerciseLauncher LaunchMultipleChoice;
extern ExerciseLauncher LaunchMemory;
extern ExerciseLauncher LaunchRain;
extern ExerciseLauncher LaunchHangman;
// Showing the About form modally; installed with the About form's contents.
extern std::function<void()> ShowAboutForm;

// True when the family is among the fonts the program can draw with,
// compared without regard to case.
bool FontInstalled(const std::string& family);

}  // namespace tamiro
